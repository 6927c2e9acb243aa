// Every numeric field of the dialogs against random input: digits, signs, blanks, long runs,
// characters from other scripts, up to 300 units. Whatever is typed, one press gives exactly one
// box; a refusal sends nothing; an accepted number reaches the printer as typed.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <random>
#include <string>

#include "dialog_fixture.h"
#include "resource_ids.h"
#include "test_page_host.h"
#include "ui/controls.h"

namespace {

using namespace ui;
namespace uit = ui::testing;

constexpr std::u16string_view kRefusal = u"Please enter a whole number within the range shown.";

// Random operator input, weighted towards the shapes that break number parsing.
class InputGenerator {
  public:
    explicit InputGenerator(uint32_t seed) : random_(seed) {}

    std::u16string next() {
        static constexpr char16_t kPieces[][3] = {u"0",      u"1",      u"5",         u"9",
                                                  u"-",      u"+",      u" ",         u"\t",
                                                  u".",      u",",      u"e",         u"x",
                                                  u"\uFF11",  // a full-width digit
                                                  u"\u0663",  // an Arabic-Indic digit
                                                  u"\u00E9", u"\u4E2D", u"\U0001F600"};
        std::u16string text;
        switch (pick(6)) {
            case 0:  // a plain number, maybe signed, maybe with leading zeros
                if (pick(3) == 0) {
                    text += u'-';
                }
                text += std::u16string(pick(3), u'0');
                text += digits(1 + pick(4));
                break;
            case 1:  // a long run of digits, past 32 bits
                text = digits(10 + pick(290));
                break;
            case 2:  // a number with something around it
                text = std::u16string(kPieces[pick(17)]) + digits(1 + pick(3)) +
                       std::u16string(kPieces[pick(17)]);
                break;
            case 3:
                break;  // empty
            default: {  // anything, up to 300 units
                const std::size_t length = pick(301);
                while (text.size() < length) {
                    text += kPieces[pick(17)];
                }
                text.resize(length);
                break;
            }
        }
        return text;
    }

  private:
    std::size_t pick(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_);
    }
    std::u16string digits(std::size_t n) {
        std::u16string d;
        for (std::size_t i = 0; i < n; ++i) {
            d += static_cast<char16_t>(u'0' + pick(10));
        }
        return d;
    }
    std::mt19937 random_;
};

// The value a plain decimal text stands for, when it is one: digits only, one leading minus
// where allowed, nothing else, and within range.
std::optional<long long> acceptable(const std::u16string& text, bool signedField, long long low,
                                    long long high) {
    std::size_t i = 0;
    bool negative = false;
    if (signedField && !text.empty() && text[0] == u'-') {
        negative = true;
        i = 1;
    }
    if (i == text.size()) {
        return std::nullopt;
    }
    long long value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9') {
            return std::nullopt;
        }
        value = std::min<long long>(value * 10 + (text[i] - u'0'), 1LL << 40);
    }
    value = negative ? -value : value;
    if (value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

struct NumberField {
    int id;
    bool signedField;
    long long low;
    long long high;
    int packetOffset;  // where the value lands in the settings packet (after 1F 1B 1A 00 0F)
};

class DialogInputPropertyTest : public test::DialogTest {
  protected:
    std::vector<qv::sim::Bytes> settingsWrites() {
        std::vector<qv::sim::Bytes> writes;
        for (const auto& r : printer_->received()) {
            if (r.bytes.size() == 20 && r.bytes[3] == 0x00 && r.bytes[4] == 0x0F) {
                writes.push_back(r.bytes);
            }
        }
        return writes;
    }
};

TEST_F(DialogInputPropertyTest, PrintSettingsFields_OneBoxPerPressAndNothingSentOnRefusal) {
    // The 15 setting bytes follow the 5-byte head; their order is the record's.
    const NumberField fields[] = {
        {IDC_EDIT_LABEL_HEIGHT, false, 30, 400, 7},   {IDC_EDIT_H_ORIGIN, false, 0, 89, 15},
        {IDC_EDIT_VERTICAL_ORIGIN, false, 0, 89, 16}, {IDC_EDIT_PRINT_TO_STOP, true, -89, 89, 17},
        {IDC_EDIT_PREVENT_TIME, false, 0, 255, 18},
    };
    test::MainDialogHost host;
    InputGenerator input(20261209);
    int presses = 0;
    uit::setModalHook([&](DialogBase&) {
        auto* page = uit::findDialog(IDD_PRINT_SETTING);
        ASSERT_NE(page, nullptr);
        // The prevent-glue time takes input only while prevent glue is enabled.
        ComboBox preventGlue(page->getDlgItem(IDC_COMBO_PREVENT_STICKER));
        for (int i = 0; i < preventGlue.getCount(); ++i) {
            if (preventGlue.getLBText(i) == u"Enable") {
                ASSERT_TRUE(uit::chooseListEntry(*page, IDC_COMBO_PREVENT_STICKER, i));
            }
        }
        for (const NumberField& field : fields) {
            for (int round = 0; round < 150; ++round) {
                const std::u16string text = input.next();
                ASSERT_TRUE(uit::typeText(*page, field.id, text));
                const std::size_t boxesBefore = boxes_.size();
                const std::size_t writesBefore = settingsWrites().size();
                ASSERT_TRUE(uit::click(*page, IDC_BUTTON_PRINT_SETTING_SET));
                ++presses;
                ASSERT_EQ(boxes_.size(), boxesBefore + 1) << "field " << field.id;
                const auto writes = settingsWrites();
                const auto expected = acceptable(text, field.signedField, field.low, field.high);
                if (!expected.has_value()) {
                    EXPECT_EQ(boxes_.back().text, kRefusal) << "field " << field.id;
                    EXPECT_EQ(writes.size(), writesBefore) << "sent on a refusal";
                    continue;
                }
                ASSERT_EQ(writes.size(), writesBefore + 1) << "field " << field.id;
                EXPECT_EQ(boxes_.back().caption, u"INFO");
                const qv::sim::Bytes& packet = writes.back();
                long long sent = packet[field.packetOffset];
                if (field.id == IDC_EDIT_PREVENT_TIME || field.id == IDC_EDIT_LABEL_HEIGHT) {
                    sent |= static_cast<long long>(packet[field.packetOffset + 1]) << 8;
                } else if (field.signedField && (sent & 0x80) != 0) {
                    sent = -(sent & 0x7F);  // sign and magnitude
                }
                EXPECT_EQ(sent, *expected) << "field " << field.id;
                // Back to a valid value for the next field's rounds.
                ASSERT_TRUE(uit::typeText(*page, field.id, u"30"));
            }
            ASSERT_TRUE(
                uit::typeText(*page, field.id, field.id == IDC_EDIT_LABEL_HEIGHT ? u"100" : u"0"));
        }
    });
    EXPECT_TRUE(host.press(IDC_BUTTON_SET_PRINTER));
    uit::setModalHook(nullptr);
    EXPECT_EQ(presses, 5 * 150);
}

TEST_F(DialogInputPropertyTest, TextTestSizes_OneBoxPerPressAndNothingPrintedOnRefusal) {
    test::MainDialogHost host;
    InputGenerator input(7);
    int presses = 0;
    const auto jobs = [this] {
        std::size_t n = 0;
        for (const auto& r : printer_->received()) {
            n += r.kind == qv::sim::Received::Kind::job ? 1 : 0;
        }
        return n;
    };
    test::TestPageHost::run(host, *printer_, [&](test::TestPageHost& page) {
        uit::setModalHook([&](DialogBase& dialog) {
            for (const int id : {IDC_TEXT_TEST_EDIT_WIDTH, IDC_TEXT_TEST_EDIT_HEIGHT}) {
                for (int round = 0; round < 150; ++round) {
                    const std::u16string text = input.next();
                    ASSERT_TRUE(uit::typeText(dialog, id, text));
                    const std::size_t boxesBefore = boxes_.size();
                    const std::size_t jobsBefore = jobs();
                    ASSERT_TRUE(uit::click(dialog, IDC_TEXT_TEST_BUTTON_PRINT));
                    ++presses;
                    ASSERT_EQ(boxes_.size(), boxesBefore + 1);
                    if (acceptable(text, false, 0, 255).has_value()) {
                        EXPECT_EQ(jobs(), jobsBefore + 1);
                        EXPECT_EQ(boxes_.back().caption, u"INFO");
                    } else {
                        EXPECT_EQ(boxes_.back().text, kRefusal);
                        EXPECT_EQ(jobs(), jobsBefore) << "printed on a refusal";
                    }
                }
                ASSERT_TRUE(uit::typeText(dialog, id, u"40"));
            }
        });
        ASSERT_TRUE(uit::click(page.page(), IDC_TEST_BUTTON_PRINT_TEXT_TEST));
    });
    EXPECT_EQ(presses, 2 * 150);
}

}  // namespace
