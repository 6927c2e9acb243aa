// The thirteen print settings, once: record field, range, the words of list entries, the catalog
// ids the print settings page shows, the factory default and where each travels in the write
// packet and in the read reply. The page, qv410 and the simulated printer all read this table.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <type_traits>

#include "QVSettingToolDll.h"

namespace qv::model {

// How a setting's value is carried on the wire.
enum class Encoding {
    byte,           // one byte
    word,           // 16 bits, low byte first
    signMagnitude,  // one byte: the magnitude, bit 7 set for a negative value (-5 is 0x85)
};

// How the page offers it: a drop-down list of entries (index = value) or a field for a number.
enum class Control { list, field };

struct PrintSetting {
    std::string_view name;     // record field name, also the name on qv410's command line
    std::string_view labelId;  // catalog id of its label on the page
    int min;
    int max;
    int factoryDefault;
    Control control;
    // English words of the list entries, index = value (qv410 accepts them); empty otherwise.
    std::span<const std::string_view> words;
    // Catalog ids of the list entries as the page shows them; empty for lists of plain numbers.
    std::span<const std::string_view> wordIds;
    Encoding encoding;
    std::size_t writeOffset;  // offset among the fifteen parameter bytes of the write packet
    std::size_t readOffset;   // offset among the fifteen bytes after the reply's length byte
    std::string_view unit;    // the unit in English ("mm"), or empty
    std::string_view unitId;  // catalog id of the unit as shown after the number, or empty
    int (*get)(const PrintSettingParam&);
    void (*set)(PrintSettingParam&, int);
};

inline constexpr std::size_t kSettingCount = 13;
// Parameter bytes of the write packet, and bytes of the reply after its length byte.
inline constexpr std::size_t kSettingBytes = 15;
// Offset of the first setting byte in the read reply (after lead-in, group and length).
inline constexpr std::size_t kReplySettingsOffset = 5;

namespace detail {

template <auto Member>
int getField(const PrintSettingParam& record) {
    return record.*Member;
}
template <auto Member>
void setField(PrintSettingParam& record, int value) {
    using Field = std::remove_reference_t<decltype(record.*Member)>;
    record.*Member = static_cast<Field>(value);
}

inline constexpr std::array<std::string_view, 2> kOffOnWords{"off", "on"};
inline constexpr std::array<std::string_view, 2> kOffOnIds{"PO_GSTR_DISABLE", "PO_GSTR_ENABLE"};
inline constexpr std::array<std::string_view, 2> kPrintTypeWords{"thermal", "ribbons"};
inline constexpr std::array<std::string_view, 2> kPrintTypeIds{"PO_GSTR_THERMAL",
                                                               "PO_GSTR_RIBBONS"};
inline constexpr std::array<std::string_view, 3> kPaperTypeWords{"receipt", "label", "black-mark"};
inline constexpr std::array<std::string_view, 3> kPaperTypeIds{"PO_GSTR_RECEIPT", "PO_GSTR_LABEL",
                                                               "PO_GSTR_BLACK_MARK"};

}  // namespace detail

// In record order.
inline constexpr std::array<PrintSetting, kSettingCount> kPrintSettings{{
    {"printType", "PO_IDC_STATIC_PRINT_TYPE", 0, 1, 0, Control::list, detail::kPrintTypeWords,
     detail::kPrintTypeIds, Encoding::byte, 0, 1, "", "",
     &detail::getField<&PrintSettingParam::printType>,
     &detail::setField<&PrintSettingParam::printType>},
    {"powerOnPosition", "PO_IDC_STATIC_POWER_ON_POSITION", 0, 1, 1, Control::list,
     detail::kOffOnWords, detail::kOffOnIds, Encoding::byte, 1, 2, "", "",
     &detail::getField<&PrintSettingParam::powerOnPosition>,
     &detail::setField<&PrintSettingParam::powerOnPosition>},
    {"labelHeight",
     "PO_IDC_STATIC_LABEL_HEIGHT",
     30,
     400,
     400,
     Control::field,
     {},
     {},
     Encoding::word,
     2,
     3,
     "mm",
     "",
     &detail::getField<&PrintSettingParam::labelHeight>,
     &detail::setField<&PrintSettingParam::labelHeight>},
    {"paperType", "PO_IDC_STATIC_PAPER_TYPE", 0, 2, 1, Control::list, detail::kPaperTypeWords,
     detail::kPaperTypeIds, Encoding::byte, 4, 5, "", "",
     &detail::getField<&PrintSettingParam::paperType>,
     &detail::setField<&PrintSettingParam::paperType>},
    {"reprintWhenError", "PO_IDC_STATIC_REPRINT_WHEN_ERROR", 0, 1, 1, Control::list,
     detail::kOffOnWords, detail::kOffOnIds, Encoding::byte, 5, 6, "", "",
     &detail::getField<&PrintSettingParam::reprintWhenError>,
     &detail::setField<&PrintSettingParam::reprintWhenError>},
    // The reply carries special label before prevent glue; the write packet the other way round.
    {"preventSticker", "PO_IDC_STATIC_PREVENT_STICKER", 0, 1, 0, Control::list, detail::kOffOnWords,
     detail::kOffOnIds, Encoding::byte, 6, 8, "", "",
     &detail::getField<&PrintSettingParam::preventSticker>,
     &detail::setField<&PrintSettingParam::preventSticker>},
    {"specialLabel", "PO_IDC_STATIC_SPECIAL_LABEL", 0, 1, 0, Control::list, detail::kOffOnWords,
     detail::kOffOnIds, Encoding::byte, 7, 7, "", "",
     &detail::getField<&PrintSettingParam::specialLabel>,
     &detail::setField<&PrintSettingParam::specialLabel>},
    {"printSpeed",
     "PO_IDC_STATIC_PRINT_SPEED",
     0,
     9,
     5,
     Control::list,
     {},
     {},
     Encoding::byte,
     8,
     9,
     "",
     "",
     &detail::getField<&PrintSettingParam::printSpeed>,
     &detail::setField<&PrintSettingParam::printSpeed>},
    // Darkness comes first in the reply.
    {"darkness",
     "PO_IDC_STATIC_DARKNESS_SETTING",
     0,
     15,
     8,
     Control::list,
     {},
     {},
     Encoding::byte,
     9,
     0,
     "",
     "",
     &detail::getField<&PrintSettingParam::darkness>,
     &detail::setField<&PrintSettingParam::darkness>},
    {"hOrigin",
     "PO_IDC_STATIC_H_ORIGIN",
     0,
     89,
     0,
     Control::field,
     {},
     {},
     Encoding::byte,
     10,
     10,
     "",
     "",
     &detail::getField<&PrintSettingParam::hOrigin>,
     &detail::setField<&PrintSettingParam::hOrigin>},
    {"verticalOrigin",
     "PO_IDC_STATIC_VERTICAL_ORIGIN",
     0,
     89,
     0,
     Control::field,
     {},
     {},
     Encoding::byte,
     11,
     11,
     "",
     "",
     &detail::getField<&PrintSettingParam::verticalOrigin>,
     &detail::setField<&PrintSettingParam::verticalOrigin>},
    {"printToStop",
     "PO_IDC_STATIC_PRINT_TO_STOP",
     -89,
     89,
     0,
     Control::field,
     {},
     {},
     Encoding::signMagnitude,
     12,
     12,
     "",
     "",
     &detail::getField<&PrintSettingParam::printToStop>,
     &detail::setField<&PrintSettingParam::printToStop>},
    {"preventTime",
     "PO_IDC_STATIC_PREVENT_TIME",
     0,
     255,
     0,
     Control::field,
     {},
     {},
     Encoding::word,
     13,
     13,
     "minutes",
     "PO_IDC_STATIC_SHOW_MINUTES",
     &detail::getField<&PrintSettingParam::preventTime>,
     &detail::setField<&PrintSettingParam::preventTime>},
}};

// Indices into kPrintSettings, for code that needs one setting by name at compile time.
constexpr std::size_t settingIndex(std::string_view name) {
    for (std::size_t i = 0; i < kPrintSettings.size(); ++i) {
        if (kPrintSettings[i].name == name) {
            return i;
        }
    }
    return kPrintSettings.size();
}

constexpr std::optional<std::size_t> findSetting(std::string_view name) {
    const std::size_t index = settingIndex(name);
    return index < kPrintSettings.size() ? std::optional<std::size_t>(index) : std::nullopt;
}

constexpr bool inRange(const PrintSetting& setting, long long value) {
    return value >= setting.min && value <= setting.max;
}

// The sign-magnitude byte of a value within -127 to 127, and back.
constexpr uint8_t encodeSignMagnitude(int value) {
    return value < 0 ? static_cast<uint8_t>(0x80 | ((-value) & 0x7F))
                     : static_cast<uint8_t>(value & 0x7F);
}
constexpr int16_t decodeSignMagnitude(uint8_t code) {
    const auto magnitude = static_cast<int16_t>(code & 0x7F);
    return (code & 0x80) != 0 ? static_cast<int16_t>(-magnitude) : magnitude;
}

using SettingValues = std::array<int, kSettingCount>;

constexpr SettingValues factoryValues() {
    SettingValues values{};
    for (std::size_t i = 0; i < kPrintSettings.size(); ++i) {
        values[i] = kPrintSettings[i].factoryDefault;
    }
    return values;
}

// A record holds printToStop as a true signed value after a read, and as its sign-magnitude code
// when it is handed to the write export.
enum class RecordForm { asRead, toWrite };

inline SettingValues valuesOf(const PrintSettingParam& record) {
    SettingValues values{};
    for (std::size_t i = 0; i < kPrintSettings.size(); ++i) {
        values[i] = kPrintSettings[i].get(record);
    }
    return values;
}

inline PrintSettingParam recordOf(const SettingValues& values, RecordForm form) {
    PrintSettingParam record{};
    for (std::size_t i = 0; i < kPrintSettings.size(); ++i) {
        const PrintSetting& s = kPrintSettings[i];
        const bool encode = form == RecordForm::toWrite && s.encoding == Encoding::signMagnitude;
        s.set(record, encode ? encodeSignMagnitude(values[i]) : values[i]);
    }
    return record;
}

using SettingBytes = std::array<uint8_t, kSettingBytes>;

// The fifteen bytes of the write packet's parameters (useRead false) or of the read reply after
// its length byte (useRead true), from true values.
constexpr SettingBytes encodeSettings(const SettingValues& values, bool useRead) {
    SettingBytes bytes{};
    for (std::size_t i = 0; i < kPrintSettings.size(); ++i) {
        const PrintSetting& s = kPrintSettings[i];
        const std::size_t at = useRead ? s.readOffset : s.writeOffset;
        const auto value = static_cast<unsigned>(values[i]);
        switch (s.encoding) {
            case Encoding::byte:
                bytes[at] = static_cast<uint8_t>(value & 0xFFU);
                break;
            case Encoding::word:
                bytes[at] = static_cast<uint8_t>(value & 0xFFU);
                bytes[at + 1] = static_cast<uint8_t>((value >> 8) & 0xFFU);
                break;
            case Encoding::signMagnitude:
                bytes[at] = encodeSignMagnitude(values[i]);
                break;
        }
    }
    return bytes;
}

// True values from the fifteen bytes of either layout.
constexpr SettingValues decodeSettings(std::span<const uint8_t, kSettingBytes> bytes,
                                       bool useRead) {
    SettingValues values{};
    for (std::size_t i = 0; i < kPrintSettings.size(); ++i) {
        const PrintSetting& s = kPrintSettings[i];
        const std::size_t at = useRead ? s.readOffset : s.writeOffset;
        switch (s.encoding) {
            case Encoding::byte:
                values[i] = bytes[at];
                break;
            case Encoding::word:
                values[i] = bytes[at] | (bytes[at + 1] << 8);
                break;
            case Encoding::signMagnitude:
                values[i] = decodeSignMagnitude(bytes[at]);
                break;
        }
    }
    return values;
}

}  // namespace qv::model
