#include "dialogs/print_setting_dlg.h"

#include <optional>
#include <string_view>

#include "dialogs/number_text.h"
#include "dialogs/setting_command.h"
#include "dialogs/text_buffer.h"
#include "printer_model/print_settings.h"

using namespace ui;

namespace {

namespace model = qv::model;

constexpr const model::PrintSetting& setting(std::string_view name) {
    return model::kPrintSettings.at(model::settingIndex(name));
}

// Top to bottom as the rows stand, then the button; all through one buffer.
constexpr std::array<ItemText, 15> kCaptions{{
    {IDC_STATIC_PRINT_TYPE, "PO_IDC_STATIC_PRINT_TYPE"},
    {IDC_STATIC_POWER_ON_POSITION, "PO_IDC_STATIC_POWER_ON_POSITION"},
    {IDC_STATIC_LABEL_HEIGHT, "PO_IDC_STATIC_LABEL_HEIGHT"},
    {IDC_STATIC_PAPER_TYPE, "PO_IDC_STATIC_PAPER_TYPE"},
    {IDC_STATIC_REPRINT_WHEN_ERROR, "PO_IDC_STATIC_REPRINT_WHEN_ERROR"},
    {IDC_STATIC_SPECIAL_LABEL, "PO_IDC_STATIC_SPECIAL_LABEL"},
    {IDC_STATIC_PRINT_SPEED, "PO_IDC_STATIC_PRINT_SPEED"},
    {IDC_STATIC_DARKNESS, "PO_IDC_STATIC_DARKNESS_SETTING"},
    {IDC_STATIC_H_ORIGIN, "PO_IDC_STATIC_H_ORIGIN"},
    {IDC_STATIC_VERTICAL_ORIGIN, "PO_IDC_STATIC_VERTICAL_ORIGIN"},
    {IDC_STATIC_PRINT_TO_STOP, "PO_IDC_STATIC_PRINT_TO_STOP"},
    {IDC_STATIC_PREVENT_STICKER, "PO_IDC_STATIC_PREVENT_STICKER"},
    {IDC_STATIC_AFTER_PRINTING, "PO_IDC_STATIC_AFTER_PRINTING"},
    {IDC_STATIC_N_MINUTES_LATER_OPEN, "PO_IDC_STATIC_N_MINUTES_LATER_OPEN"},
    {IDC_BUTTON_PRINT_SETTING_SET, "PO_GSTR_SET"},
}};

// Speed and darkness show plain numbers, never translated: one table serves both lists, each
// taking as many as its range has values.
constexpr std::array<const char16_t*, 17> kNumberTexts{u"0",  u"1",  u"2",  u"3",  u"4",  u"5",
                                                       u"6",  u"7",  u"8",  u"9",  u"10", u"11",
                                                       u"12", u"13", u"14", u"15", u"16"};

struct NumberField {
    int id;
    const model::PrintSetting& setting;
};

// The order in which Set checks the fields; the first faulty one is the one reported.
const std::array<NumberField, 5> kNumberFields{{
    {IDC_EDIT_LABEL_HEIGHT, setting("labelHeight")},
    {IDC_EDIT_PREVENT_TIME, setting("preventTime")},
    {IDC_EDIT_H_ORIGIN, setting("hOrigin")},
    {IDC_EDIT_VERTICAL_ORIGIN, setting("verticalOrigin")},
    {IDC_EDIT_PRINT_TO_STOP, setting("printToStop")},
}};

// Into the record as the write export takes it (print to stop in its wire form).
void store(PrintSettingParam& record, const model::PrintSetting& s, int value) {
    s.set(record,
          s.encoding == model::Encoding::signMagnitude ? model::encodeSignMagnitude(value) : value);
}

// The field's number when it is one within the field's range, both ends included.
std::optional<int32_t> readNumber(const DialogBase& page, const NumberField& field) {
    dialogs::TextBuffer text{};
    const int length = page.getDlgItemText(field.id, text.data(), static_cast<int>(text.size()));
    // A text that did not fit the buffer would otherwise be judged by its first part alone.
    if (page.getDlgItemText(field.id).size() > static_cast<std::size_t>(length)) {
        return std::nullopt;
    }
    const std::optional<int32_t> value = dialogs::parseWholeNumber(
        std::u16string_view(text.data(), static_cast<std::size_t>(length)), field.setting.min < 0);
    if (!value.has_value() || !model::inRange(field.setting, *value)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

const std::array<MessageEntry<CPrintSettingDlg>, 5> CPrintSettingDlg::kMessageMap{{
    {WM_INITDIALOG, kAny, kAny, &CPrintSettingDlg::onInitDialog},
    {WM_COMMAND, IDOK, kAny, &CPrintSettingDlg::onCloseCmd},
    {WM_COMMAND, IDCANCEL, kAny, &CPrintSettingDlg::onCloseCmd},
    {WM_COMMAND, IDC_BUTTON_PRINT_SETTING_SET, BN_CLICKED, &CPrintSettingDlg::onSet},
    {WM_COMMAND, IDC_COMBO_PREVENT_STICKER, CBN_SELCHANGE,
     &CPrintSettingDlg::onPreventStickerChange},
}};

LRESULT CPrintSettingDlg::onInitDialog(const Message& /*message*/) {
    centerWindow();
    fillLists();
    setDefaultValues();
    readPrinter();
    setCaptions();
    return 1;
}

void CPrintSettingDlg::fillLists() {
    printType_.attach(getDlgItem(IDC_COMBO_PRINT_TYPE));
    powerOnPosition_.attach(getDlgItem(IDC_COMBO_POWER_ON_POSITION));
    paperType_.attach(getDlgItem(IDC_COMBO_PAPER_TYPE));
    reprintWhenError_.attach(getDlgItem(IDC_COMBO_REPRINT_WHEN_ERROR));
    preventSticker_.attach(getDlgItem(IDC_COMBO_PREVENT_STICKER));
    specialLabel_.attach(getDlgItem(IDC_COMBO_SPECIAL_LABEL));
    printSpeed_.attach(getDlgItem(IDC_COMBO_PRINT_SPEED));
    darkness_.attach(getDlgItem(IDC_COMBO_DARKNESS));

    // Every entry goes through one buffer: an untranslated one repeats the entry before it.
    dialogs::TextBuffer entry{};
    const auto fill = [&entry](ComboBox& list, const model::PrintSetting& s) {
        if (s.wordIds.empty()) {
            for (int i = 0; i <= s.max; ++i) {
                list.addString(kNumberTexts.at(static_cast<std::size_t>(i)));
            }
        } else {
            for (const std::string_view id : s.wordIds) {
                list.addString(BaseGetPOText(id.data(), entry.data()));
            }
        }
        list.setCurSel(s.factoryDefault);
    };
    fill(printType_, setting("printType"));
    fill(powerOnPosition_, setting("powerOnPosition"));
    fill(paperType_, setting("paperType"));
    fill(reprintWhenError_, setting("reprintWhenError"));
    fill(preventSticker_, setting("preventSticker"));
    fill(specialLabel_, setting("specialLabel"));
    fill(printSpeed_, setting("printSpeed"));
    fill(darkness_, setting("darkness"));
}

void CPrintSettingDlg::setDefaultValues() {
    labelHeight_.attach(getDlgItem(IDC_EDIT_LABEL_HEIGHT));
    preventTime_.attach(getDlgItem(IDC_EDIT_PREVENT_TIME));
    printToStop_.attach(getDlgItem(IDC_EDIT_PRINT_TO_STOP));
    hOrigin_.attach(getDlgItem(IDC_EDIT_H_ORIGIN));
    verticalOrigin_.attach(getDlgItem(IDC_EDIT_VERTICAL_ORIGIN));
    preventTime_.enableWindow(false);
    dialogs::TextBuffer number{};
    const auto show = [&number](const WindowWrapper& field, const model::PrintSetting& s) {
        dialogs::formatDecimal(number, s.factoryDefault);
        field.setWindowText(number.data());
    };
    show(verticalOrigin_, setting("verticalOrigin"));
    show(hOrigin_, setting("hOrigin"));
    show(printToStop_, setting("printToStop"));
    show(labelHeight_, setting("labelHeight"));
    show(preventTime_, setting("preventTime"));
}

void CPrintSettingDlg::readPrinter() {
    PrintSettingParam settings{};
    bool read = false;
    {
        const BusyCursor busy;
        read = QVGetPrinterPrintSettingParam(&settings) != 0;
    }
    if (!read) {
        // The defaults stay; the page is usable without the printer's values.
        dialogs::showLibraryError(hwnd());
        return;
    }
    showSettings(settings);
}

void CPrintSettingDlg::showSettings(const PrintSettingParam& settings) {
    // A value beyond a list's entries leaves that list without a choice.
    printType_.setCurSel(settings.printType);
    powerOnPosition_.setCurSel(settings.powerOnPosition);
    paperType_.setCurSel(settings.paperType);
    reprintWhenError_.setCurSel(settings.reprintWhenError);
    preventSticker_.setCurSel(settings.preventSticker);
    specialLabel_.setCurSel(settings.specialLabel);
    printSpeed_.setCurSel(settings.printSpeed);
    darkness_.setCurSel(settings.darkness);
    dialogs::TextBuffer number{};
    const auto show = [&number](const WindowWrapper& field, int value) {
        dialogs::formatDecimal(number, value);
        field.setWindowText(number.data());
    };
    show(labelHeight_, settings.labelHeight);
    show(hOrigin_, settings.hOrigin);
    show(verticalOrigin_, settings.verticalOrigin);
    show(printToStop_, settings.printToStop);
    show(preventTime_, settings.preventTime);
    followPreventSticker();
}

void CPrintSettingDlg::setCaptions() {
    dialogs::TextBuffer text{};
    setItemTexts(kCaptions, BaseGetPOText, text.data());
}

void CPrintSettingDlg::followPreventSticker() {
    preventTime_.enableWindow(preventSticker_.getCurSel() != 0);
}

LRESULT CPrintSettingDlg::onPreventStickerChange(const Message& /*message*/) {
    followPreventSticker();
    return 0;
}

bool CPrintSettingDlg::readNumbers(PrintSettingParam& settings) const {
    for (const NumberField& field : kNumberFields) {
        // Checked whether or not the field takes input: its value is sent either way.
        const std::optional<int32_t> value = readNumber(*this, field);
        if (!value.has_value()) {
            return false;
        }
        store(settings, field.setting, *value);
    }
    return true;
}

bool CPrintSettingDlg::readLists(PrintSettingParam& settings) const {
    struct Choice {
        const ComboBox& list;
        const model::PrintSetting& setting;
    };
    const std::array<Choice, 8> choices{{
        {printType_, setting("printType")},
        {powerOnPosition_, setting("powerOnPosition")},
        {paperType_, setting("paperType")},
        {reprintWhenError_, setting("reprintWhenError")},
        {preventSticker_, setting("preventSticker")},
        {specialLabel_, setting("specialLabel")},
        {printSpeed_, setting("printSpeed")},
        {darkness_, setting("darkness")},
    }};
    for (const Choice& c : choices) {
        const int index = c.list.getCurSel();
        // A value the printer reported beyond the entries was never shown: never write it back.
        if (index < 0) {
            return false;
        }
        store(settings, c.setting, index);
    }
    return true;
}

LRESULT CPrintSettingDlg::onSet(const Message& /*message*/) {
    PrintSettingParam settings{};
    if (!readNumbers(settings) || !readLists(settings)) {
        dialogs::showInputRefusal(hwnd());
        return 0;
    }
    dialogs::runSettingCommand(
        hwnd(), [&settings] { return QVSetPrintSetting(&settings); }, "PO_GSTR_SETTING_SUCCESS",
        "PO_GSTR_SETTING_FAIL");
    return 0;
}
