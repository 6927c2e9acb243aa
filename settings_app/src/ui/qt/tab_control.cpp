#include "ui/qt/tab_control.h"

#include <QStyleOptionTabWidgetFrame>
#include <QStylePainter>

namespace ui {

TabControlWidget::TabControlWidget(QWidget* parent) : QWidget(parent), bar_(new QTabBar(this)) {
    bar_->setDrawBase(false);
    bar_->setExpanding(false);
    bar_->move(2, 0);
}

int TabControlWidget::insertTab(int index, const QString& text) {
    programmatic_ = true;
    const int at = bar_->insertTab(index, text);
    programmatic_ = false;
    bar_->resize(bar_->sizeHint());
    return at;
}

int TabControlWidget::setCurrent(int index) {
    const int previous = bar_->currentIndex();
    if (index < 0 || index >= bar_->count()) {
        return -1;
    }
    programmatic_ = true;
    bar_->setCurrentIndex(index);
    programmatic_ = false;
    return previous;
}

void TabControlWidget::paintEvent(QPaintEvent* /*event*/) {
    QStylePainter painter(this);
    QStyleOptionTabWidgetFrame frame;
    frame.initFrom(this);
    frame.rect = rect().adjusted(0, bar_->height() - 1, 0, 0);
    frame.tabBarSize = bar_->size();
    frame.shape = QTabBar::RoundedNorth;
    painter.drawPrimitive(QStyle::PE_FrameTabWidget, frame);
}

void TabControlWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    bar_->resize(bar_->sizeHint());
}

}  // namespace ui
