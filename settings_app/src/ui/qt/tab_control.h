// A SysTabControl32 stand-in: a row of tab headers over a framed panel. The pages are ordinary
// child windows of this widget that their dialog positions itself.
#pragma once

#include <QTabBar>
#include <QWidget>

namespace ui {

class TabControlWidget : public QWidget {
  public:
    explicit TabControlWidget(QWidget* parent);
    QTabBar* bar() const { return bar_; }
    // True while TCM_SETCURSEL or an insertion changes the selection: no TCN_SELCHANGE then.
    bool changingProgrammatically() const { return programmatic_; }
    int insertTab(int index, const QString& text);
    int setCurrent(int index);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    QTabBar* bar_;
    bool programmatic_ = false;
};

}  // namespace ui
