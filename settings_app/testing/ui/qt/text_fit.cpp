// The room each caption gets, measured as Qt's widgets draw them: the style's contents rectangle
// of a button or check box, the label's contents for a static text (which wraps at words, as
// SS_LEFT does), the title area of a group box.
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOption>
#include <climits>

#include "ui/qt/backend.h"
#include "ui/testing.h"

namespace ui::testing {

namespace {

std::u16string toU16(const QString& text) {
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

struct Caption {
    int id;
    const QString& text;
    int oneLine;  // pixels
    int width;    // the control's
};

void check(std::vector<TextMisfit>& misfits, const Caption& caption, bool wrapped, int needed,
           int room) {
    if (needed > room) {
        misfits.push_back({caption.id, toU16(caption.text), wrapped, needed, room, caption.oneLine,
                           caption.width});
    }
}

void checkLabel(std::vector<TextMisfit>& misfits, int id, const QLabel& label) {
    const QString text = label.text();
    const QRect room = label.contentsRect();
    const QFontMetrics metrics(label.font());
    int flags = static_cast<int>(label.alignment());
    if (label.wordWrap()) {
        flags |= Qt::TextWordWrap;
    }
    const QRect needed = metrics.boundingRect(QRect(0, 0, room.width(), INT_MAX / 2), flags, text);
    const Caption caption{id, text, metrics.horizontalAdvance(text), label.width()};
    // A word longer than the line is cut whether or not the text wraps.
    check(misfits, caption, false, needed.width(), room.width());
    check(misfits, caption, label.wordWrap(), needed.height(), room.height());
}

void checkButton(std::vector<TextMisfit>& misfits, int id, QAbstractButton& button,
                 QStyle::SubElement contents) {
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    const QRect room = button.style()->subElementRect(contents, &option, &button);
    const QFontMetrics metrics(button.font());
    const int needed = metrics.size(Qt::TextShowMnemonic, button.text()).width();
    check(misfits, {id, button.text(), needed, button.width()}, false, needed, room.width());
}

void checkGroupBox(std::vector<TextMisfit>& misfits, int id, QGroupBox& box) {
    QStyleOptionGroupBox option;
    option.initFrom(&box);
    option.text = box.title();
    option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
    const QRect label =
        box.style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, &box);
    const QFontMetrics metrics(box.font());
    const int needed = metrics.size(Qt::TextShowMnemonic, box.title()).width();
    // The title starts in from the frame's left edge; as much room is kept at the right one.
    check(misfits, {id, box.title(), needed, box.width()}, false, needed,
          box.width() - 2 * std::max(label.left(), 0));
}

}  // namespace

std::vector<TextMisfit> textMisfits(DialogBase& dialog) {
    std::vector<TextMisfit> misfits;
    DialogWindow* window = dialogWindowOf(dialog.hwnd());
    if (window == nullptr) {
        return misfits;
    }
    for (const auto& control : window->controls) {
        QWidget* widget = control->widget;
        if (widget == nullptr) {
            continue;
        }
        if (auto* label = qobject_cast<QLabel*>(widget); label != nullptr) {
            if (!label->text().isEmpty()) {
                checkLabel(misfits, control->id, *label);
            }
        } else if (auto* check = qobject_cast<QCheckBox*>(widget); check != nullptr) {
            checkButton(misfits, control->id, *check, QStyle::SE_CheckBoxContents);
        } else if (auto* button = qobject_cast<QPushButton*>(widget); button != nullptr) {
            checkButton(misfits, control->id, *button, QStyle::SE_PushButtonContents);
        } else if (auto* box = qobject_cast<QGroupBox*>(widget); box != nullptr) {
            checkGroupBox(misfits, control->id, *box);
        }
    }
    return misfits;
}

}  // namespace ui::testing
