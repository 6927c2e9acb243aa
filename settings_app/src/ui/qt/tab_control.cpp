#include "ui/qt/tab_control.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionTabWidgetFrame>
#include <QStylePainter>

#include "ui/controls.h"

namespace ui {

QSize TabHeaderBar::tabSizeHint(int index) const {
    QSize size = QTabBar::tabSizeHint(index);
    size.setHeight(kTabHeaderHeight);
    return size;
}

QSize TabHeaderBar::minimumTabSizeHint(int index) const {
    QSize size = QTabBar::minimumTabSizeHint(index);
    size.setHeight(kTabHeaderHeight);
    return size;
}

bool TabHeaderBar::vetoed(int newIndex) const {
    return newIndex >= 0 && newIndex != currentIndex() && selChanging && selChanging();
}

void TabHeaderBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && vetoed(tabAt(event->position().toPoint()))) {
        event->accept();
        return;
    }
    QTabBar::mousePressEvent(event);
}

void TabHeaderBar::keyPressEvent(QKeyEvent* event) {
    int next = -1;
    if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Up) {
        next = currentIndex() - 1;
    } else if (event->key() == Qt::Key_Right || event->key() == Qt::Key_Down) {
        next = currentIndex() + 1;
    }
    if (next >= 0 && next < count() && vetoed(next)) {
        event->accept();
        return;
    }
    QTabBar::keyPressEvent(event);
}

void TabHeaderBar::wheelEvent(QWheelEvent* event) {
    // The wheel does not page through a tab control.
    event->ignore();
}

TabControlWidget::TabControlWidget(QWidget* parent)
    : QWidget(parent), bar_(new TabHeaderBar(this)) {
    bar_->setDrawBase(false);
    bar_->setExpanding(false);
    bar_->setUsesScrollButtons(true);
    bar_->setFocusPolicy(Qt::StrongFocus);
    layoutBar();
}

void TabControlWidget::layoutBar() {
    bar_->setGeometry(2, 0, std::min(bar_->sizeHint().width(), std::max(0, width() - 4)),
                      kTabHeaderHeight);
}

int TabControlWidget::insertTab(int index, const QString& text) {
    programmatic_ = true;
    const int at = bar_->insertTab(index, text);
    programmatic_ = false;
    layoutBar();
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
    frame.rect = rect().adjusted(0, kTabHeaderHeight - 1, 0, 0);
    frame.tabBarSize = bar_->size();
    frame.shape = QTabBar::RoundedNorth;
    painter.drawPrimitive(QStyle::PE_FrameTabWidget, frame);
}

void TabControlWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutBar();
}

}  // namespace ui
