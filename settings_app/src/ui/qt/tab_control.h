// A SysTabControl32 stand-in: a row of tab headers over a framed panel. The pages are ordinary
// child windows of this widget that their dialog positions itself.
#pragma once

#include <QTabBar>
#include <QWidget>
#include <functional>

namespace ui {

// Tab headers exactly kTabHeaderHeight high, that ask before the user changes the tab.
class TabHeaderBar : public QTabBar {
  public:
    explicit TabHeaderBar(QWidget* parent) : QTabBar(parent) {}
    // Asked before a change by the user; true keeps the current tab (TCN_SELCHANGING).
    std::function<bool()> selChanging;

  protected:
    QSize tabSizeHint(int index) const override;
    QSize minimumTabSizeHint(int index) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    bool vetoed(int newIndex) const;
};

class TabControlWidget : public QWidget {
  public:
    explicit TabControlWidget(QWidget* parent);
    TabHeaderBar* bar() const { return bar_; }
    // True while TCM_SETCURSEL or an insertion changes the selection: no TCN_SELCHANGE then.
    bool changingProgrammatically() const { return programmatic_; }
    int insertTab(int index, const QString& text);
    int setCurrent(int index);
    void setSelChanging(std::function<bool()> ask) { bar_->selChanging = std::move(ask); }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void layoutBar();
    TabHeaderBar* bar_;
    bool programmatic_ = false;
};

}  // namespace ui
