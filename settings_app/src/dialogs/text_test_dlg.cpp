#include "dialogs/text_test_dlg.h"

#include <algorithm>

#include "QVSettingToolDll.h"
#include "dialogs/setting_command.h"
#include "dialogs/text_buffer.h"

using namespace ui;

namespace {

// In the order they are looked up, after the caption, all through one buffer.
constexpr std::array<ItemText, 6> kLabels{{
    {IDC_TEXT_TEST_STATIC_ENTER, "PO_IDC_STATIC_PRINT_TEXT_TEST_ENTER"},
    {IDC_TEXT_TEST_STATIC_AREA, "PO_IDC_STATIC_SET_AREA_PRINT"},
    {IDC_TEXT_TEST_STATIC_WIDTH, "PO_IDC_STATIC_PRINTABLE_WIDTH"},
    {IDC_TEXT_TEST_STATIC_HEIGHT, "PO_IDC_STATIC_PRINTABLE_HEIGHT"},
    {IDC_TEXT_TEST_BUTTON_PRINT, "PO_GSTR_PRINT"},
    {IDCANCEL, "PO_GSTR_CANCEL"},
}};

// The request record holds each size in one byte; a larger number is refused rather than cut
// to its low eight bits (300 mm would reach the printer as 44 mm).
constexpr unsigned kMaxMillimetres = 255;
constexpr std::u16string_view kSizeRange = u" (0\u2013255 mm)";

}  // namespace

const std::array<MessageEntry<CTextTestDlg>, 4> CTextTestDlg::kMessageMap{{
    {WM_INITDIALOG, kAny, kAny, &CTextTestDlg::onInitDialog},
    {WM_COMMAND, IDOK, kAny, &CTextTestDlg::onCloseCmd},
    {WM_COMMAND, IDCANCEL, kAny, &CTextTestDlg::onCloseCmd},
    {WM_COMMAND, IDC_TEXT_TEST_BUTTON_PRINT, BN_CLICKED, &CTextTestDlg::onPrint},
}};

LRESULT CTextTestDlg::onInitDialog(const Message& /*message*/) {
    centerWindow();

    textField_.attach(getDlgItem(IDC_TEXT_TEST_EDIT_TEXT));
    widthField_.attach(getDlgItem(IDC_TEXT_TEST_EDIT_WIDTH));
    heightField_.attach(getDlgItem(IDC_TEXT_TEST_EDIT_HEIGHT));
    textField_.setWindowText(u"Print Text Test");
    widthField_.setWindowText(u"50");
    heightField_.setWindowText(u"30");

    std::array<QVWCHAR, 2 * dialogs::kTextUnits> text{};
    setWindowText(BaseGetPOText("PO_GSTR_TEXT_TEST_DLG_CAPTION", text.data()));
    for (const ItemText& label : kLabels) {
        BaseGetPOText(label.messageId, text.data());
        if (label.id == IDC_TEXT_TEST_STATIC_AREA) {
            // A refusal asks for a number "within the range shown": the frame of the two size
            // fields shows it. A copy, so the shared buffer keeps the catalog text alone.
            auto area = text;
            dialogs::appendText(area, kSizeRange);
            setDlgItemText(label.id, area.data());
            continue;
        }
        setDlgItemText(label.id, text.data());
    }
    return 1;
}

std::optional<uint8_t> CTextTestDlg::readMillimetres(int id) const {
    dialogs::TextBuffer field{};
    const int length = getDlgItemText(id, field.data(), static_cast<int>(field.size()));
    if (length <= 0) {
        return std::nullopt;
    }
    // Plain decimal digits only; leading zeros are fine, any number of them.
    unsigned value = 0;
    for (int i = 0; i < length; ++i) {
        const char16_t c = field[static_cast<std::size_t>(i)];
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<unsigned>(c - u'0');
        if (value > kMaxMillimetres) {
            return std::nullopt;
        }
    }
    return static_cast<uint8_t>(value);
}

void CTextTestDlg::refuseInput() {
    dialogs::showInputRefusal(hwnd());
}

LRESULT CTextTestDlg::onPrint(const Message& /*message*/) {
    // The height is examined first, so a bad height and a bad width give one refusal.
    const std::optional<uint8_t> height = readMillimetres(IDC_TEXT_TEST_EDIT_HEIGHT);
    if (!height) {
        refuseInput();
        return 0;
    }
    const std::optional<uint8_t> width = readMillimetres(IDC_TEXT_TEST_EDIT_WIDTH);
    if (!width) {
        refuseInput();
        return 0;
    }

    TextTestRequest request{};
    request.width = *width;
    request.height = *height;
    // At most 259 characters, line breaks as CR LF; the rest of the record stays zero.
    dialogs::TextBuffer typed{};
    const int length =
        getDlgItemText(IDC_TEXT_TEST_EDIT_TEXT, typed.data(), static_cast<int>(typed.size()));
    static_assert(dialogs::kTextUnits <= QV_TEXT_TEST_LEN);
    std::copy_n(typed.begin(), std::max(length, 0), std::begin(request.text));

    int32_t printed = 0;
    {
        const BusyCursor busy;
        printed = QVTextTestPrint(&request);
    }
    dialogs::TextBuffer text{};
    if (printed != 0) {
        messageBox(hwnd(), BaseGetPOText("PO_GSTR_PRINT_SUCCESS", text.data()), u"INFO", MB_OK);
    } else {
        dialogs::showLibraryError(hwnd());
    }
    return 0;
}
