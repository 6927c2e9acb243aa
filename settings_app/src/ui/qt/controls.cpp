// Control wrappers and window-style helpers on Qt widgets.
#include "ui/controls.h"

#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QTreeWidget>

#include "ui/qt/backend.h"
#include "ui/qt/tab_control.h"

namespace ui {

namespace {

QString toQString(const char16_t* text) {
    return text != nullptr ? QString::fromUtf16(text) : QString();
}

std::u16string toU16(const QString& text) {
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size())};
}

template <class W>
W* as(HWND window) {
    return dynamic_cast<W*>(widgetOf(window));
}

void applyListStyle(QTreeWidget* list, uint32_t style, uint32_t exStyle) {
    constexpr uint32_t kNoColumnHeader = 0x4000;
    list->setHeaderHidden((style & LVS_REPORT) == 0 || (style & kNoColumnHeader) != 0);
    list->setSelectionMode((style & LVS_SINGLESEL) != 0 ? QAbstractItemView::SingleSelection
                                                        : QAbstractItemView::ExtendedSelection);
    list->setSelectionBehavior((exStyle & LVS_EX_FULLROWSELECT) != 0
                                   ? QAbstractItemView::SelectRows
                                   : QAbstractItemView::SelectItems);
    list->setMouseTracking((exStyle & LVS_EX_TRACKSELECT) != 0);
}

}  // namespace

uint32_t getWindowStyle(HWND window) {
    return window != nullptr ? window->style : 0;
}

uint32_t setWindowStyle(HWND window, uint32_t style) {
    QWidget* w = widgetOf(window);
    if (w == nullptr) {
        return 0;
    }
    const uint32_t old = window->style;
    window->style = style;
    w->setVisible((style & WS_VISIBLE) != 0);
    w->setEnabled((style & WS_DISABLED) == 0);
    if (window->cls.has_value()) {
        w->setFocusPolicy((style & WS_TABSTOP) != 0 ? Qt::StrongFocus : Qt::ClickFocus);
    }
    if (auto* frame = qobject_cast<QFrame*>(w)) {
        frame->setFrameShape((style & WS_BORDER) != 0 ? QFrame::StyledPanel : QFrame::NoFrame);
    }
    if (auto* list = qobject_cast<QTreeWidget*>(w)) {
        applyListStyle(list, style, window->exStyle);
    }
    return old;
}

bool moveWindow(HWND window, int x, int y, int cx, int cy, bool repaint) {
    QWidget* w = widgetOf(window);
    if (w == nullptr) {
        return false;
    }
    w->setGeometry(x, y, cx, cy);
    if (repaint) {
        w->update();
    }
    return true;
}

bool getClientRect(HWND window, RECT& rect) {
    QWidget* w = widgetOf(window);
    if (w == nullptr) {
        return false;
    }
    rect = RECT{0, 0, w->width(), w->height()};
    return true;
}

uint32_t ListView::setExtendedListViewStyle(uint32_t exStyle, uint32_t mask) {
    auto* list = as<QTreeWidget>(window_);
    if (list == nullptr) {
        return 0;
    }
    const uint32_t old = window_->exStyle;
    window_->exStyle = mask == 0 ? exStyle : ((old & ~mask) | (exStyle & mask));
    applyListStyle(list, window_->style, window_->exStyle);
    return old;
}

uint32_t ListView::getExtendedListViewStyle() const {
    return window_ != nullptr ? window_->exStyle : 0;
}

int ListView::getStringWidth(const char16_t* text) const {
    auto* list = as<QTreeWidget>(window_);
    return list != nullptr ? list->fontMetrics().horizontalAdvance(toQString(text)) : 0;
}

int ListView::insertColumn(int column, const char16_t* heading, int format, int width,
                           int /*subItem*/) {
    auto* list = as<QTreeWidget>(window_);
    if (list == nullptr || column < 0) {
        return -1;
    }
    const int count = list->columnCount();
    const int at = std::min(column, count);
    QStringList labels;
    for (int i = 0; i < count; ++i) {
        labels << list->headerItem()->text(i);
    }
    labels.insert(at, toQString(heading));
    list->setColumnCount(count + 1);
    list->setHeaderLabels(labels);
    list->headerItem()->setTextAlignment(
        at, (format == LVCFMT_LEFT ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
    list->header()->resizeSection(at, width);
    window_->dialogWindow->refreshAccessibleNames();
    return at;
}

bool ListView::setColumnWidth(int column, int cx) {
    auto* list = as<QTreeWidget>(window_);
    if (list == nullptr || column < 0 || column >= list->columnCount()) {
        return false;
    }
    QHeaderView* header = list->header();
    if (cx == LVSCW_AUTOSIZE_USEHEADER && column == list->columnCount() - 1) {
        // The last column takes the rest of the list's width.
        header->setStretchLastSection(true);
    } else if (cx == LVSCW_AUTOSIZE_USEHEADER) {
        header->setStretchLastSection(false);
        list->resizeColumnToContents(column);
    } else {
        header->setStretchLastSection(false);
        header->resizeSection(column, cx);
    }
    return true;
}

int ListView::getColumnWidth(int column) const {
    auto* list = as<QTreeWidget>(window_);
    return list != nullptr ? list->columnWidth(column) : 0;
}

int ListView::insertItem(int item, const char16_t* text) {
    auto* list = as<QTreeWidget>(window_);
    if (list == nullptr || item < 0) {
        return -1;
    }
    const int at = std::min(item, list->topLevelItemCount());
    auto* row = new QTreeWidgetItem(QStringList{toQString(text)});
    list->insertTopLevelItem(at, row);
    return at;
}

int ListView::getItemCount() const {
    auto* list = as<QTreeWidget>(window_);
    return list != nullptr ? list->topLevelItemCount() : 0;
}

std::u16string ListView::getItemText(int item, int subItem) const {
    auto* list = as<QTreeWidget>(window_);
    if (list == nullptr || item < 0 || item >= list->topLevelItemCount()) {
        return {};
    }
    return toU16(list->topLevelItem(item)->text(subItem));
}

std::u16string ListView::getColumnText(int column) const {
    auto* list = as<QTreeWidget>(window_);
    if (list == nullptr || column < 0 || column >= list->columnCount()) {
        return {};
    }
    return toU16(list->headerItem()->text(column));
}

int ListView::getSelectedCount() const {
    auto* list = as<QTreeWidget>(window_);
    return list != nullptr ? static_cast<int>(list->selectedItems().size()) : 0;
}

int ComboBox::addString(const char16_t* text) {
    auto* combo = as<QComboBox>(window_);
    if (combo == nullptr) {
        return -1;
    }
    const QString s = toQString(text);
    int at = combo->count();
    if ((window_->style & CBS_SORT) != 0) {
        // Sorted lists place each entry in case-insensitive order, after equal ones.
        at = 0;
        while (at < combo->count() &&
               QString::compare(combo->itemText(at), s, Qt::CaseInsensitive) <= 0) {
            ++at;
        }
    }
    const int current = combo->currentIndex();
    combo->insertItem(at, s);
    // Adding entries never selects one.
    combo->setCurrentIndex(current < 0 ? -1 : (current >= at ? current + 1 : current));
    return at;
}

int ComboBox::setCurSel(int index) {
    auto* combo = as<QComboBox>(window_);
    if (combo == nullptr) {
        return -1;
    }
    if (index < 0 || index >= combo->count()) {
        combo->setCurrentIndex(-1);
        return -1;
    }
    combo->setCurrentIndex(index);
    return index;
}

int ComboBox::getCurSel() const {
    auto* combo = as<QComboBox>(window_);
    return combo != nullptr ? combo->currentIndex() : -1;
}

int ComboBox::getCount() const {
    auto* combo = as<QComboBox>(window_);
    return combo != nullptr ? combo->count() : 0;
}

std::u16string ComboBox::getLBText(int index) const {
    auto* combo = as<QComboBox>(window_);
    if (combo == nullptr || index < 0 || index >= combo->count()) {
        return {};
    }
    return toU16(combo->itemText(index));
}

int TabCtrl::insertItem(int item, const char16_t* text) {
    auto* tabs = as<TabControlWidget>(window_);
    if (tabs == nullptr || item < 0) {
        return -1;
    }
    return tabs->insertTab(std::min(item, tabs->bar()->count()), toQString(text));
}

int TabCtrl::setCurSel(int index) {
    auto* tabs = as<TabControlWidget>(window_);
    return tabs != nullptr ? tabs->setCurrent(index) : -1;
}

int TabCtrl::getCurSel() const {
    auto* tabs = as<TabControlWidget>(window_);
    return tabs != nullptr ? tabs->bar()->currentIndex() : -1;
}

int TabCtrl::getItemCount() const {
    auto* tabs = as<TabControlWidget>(window_);
    return tabs != nullptr ? tabs->bar()->count() : 0;
}

std::u16string TabCtrl::getItemText(int item) const {
    auto* tabs = as<TabControlWidget>(window_);
    if (tabs == nullptr || item < 0 || item >= tabs->bar()->count()) {
        return {};
    }
    return toU16(tabs->bar()->tabText(item));
}

}  // namespace ui

namespace ui {

bool WindowWrapper::setWindowText(const char16_t* text) const {
    if (window_ == nullptr || window_->dialogWindow == nullptr) {
        return false;
    }
    if (window_->dialogWindow == widgetOf(window_)) {
        return window_->dialogWindow->dialog != nullptr &&
               window_->dialogWindow->dialog->setWindowText(text);
    }
    DialogBase* owner = window_->dialogWindow->dialog;
    return owner != nullptr && owner->setDlgItemText(window_->id, text);
}

int WindowWrapper::getWindowText(char16_t* buffer, int maxCount) const {
    if (window_ == nullptr || window_->dialogWindow == nullptr ||
        window_->dialogWindow->dialog == nullptr) {
        if (buffer != nullptr && maxCount > 0) {
            buffer[0] = 0;
        }
        return 0;
    }
    return window_->dialogWindow->dialog->getDlgItemText(window_->id, buffer, maxCount);
}

bool TabCtrl::adjustRect(RECT& rect) const {
    if (as<TabControlWidget>(window_) == nullptr) {
        return false;
    }
    rect.top += kTabHeaderHeight;
    rect.left += 2;
    rect.right -= 2;
    rect.bottom -= 2;
    return true;
}

}  // namespace ui
