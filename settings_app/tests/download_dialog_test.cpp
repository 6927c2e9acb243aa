// The download dialog, opened from the main dialog's Download button: the firmware page, the
// choice of the file, and Update with each of its outcomes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "busy_probe.h"
#include "dialog_fixture.h"
#include "test_platform.h"
#include "text/codepage.h"

namespace {

using namespace ui;
namespace uit = ui::testing;
namespace fs = std::filesystem;
using test::u16;

constexpr int kSelect = 1008;
constexpr int kUpdate = 1009;
constexpr int kPath = 1010;

class DownloadDialogTest : public test::DialogTest {
  protected:
    void SetUp() override {
        test::DialogTest::SetUp();
        folder_ = fs::temp_directory_path() /
                  ("qv-download-test-" + std::to_string(test::processId()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder_);
    }
    void TearDown() override {
        uit::setOpenFileHook(nullptr);
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
        test::DialogTest::TearDown();
    }

    // A file of the given bytes in this test's folder.
    fs::path makeFile(const std::string& name, const std::string& bytes) {
        fs::path path = folder_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    static std::u16string wide(const fs::path& path) { return qv::text::fromUtf8(path.string()); }

    // Opens the dialog from the main dialog's button and runs f on its shown firmware page.
    void onPage(const std::function<void(DialogBase& dialog, DialogBase& page)>& f) {
        test::MainDialogHost main;
        bool shown = false;
        uit::setModalHook([&](DialogBase& dialog) {
            shown = true;
            EXPECT_FALSE(isWindowEnabled(main.dialog().hwnd())) << "the main dialog waits";
            DialogBase* page = uit::findDialog(202);
            ASSERT_NE(page, nullptr);
            f(dialog, *page);
        });
        EXPECT_TRUE(main.press(IDC_BUTTON_MAIN_DOWNLOAD));
        uit::setModalHook(nullptr);
        EXPECT_TRUE(shown);
        EXPECT_TRUE(isWindowEnabled(main.dialog().hwnd()));
    }

    // Answers the next open-file dialogs with these choices in turn (nullopt: cancelled).
    void answerOpenFile(std::vector<std::optional<fs::path>> answers) {
        answers_ = std::move(answers);
        uit::setOpenFileHook([this](const uit::OpenFileCall& call) {
            calls_.push_back(call);
            if (answers_.empty()) {
                ADD_FAILURE() << "an open-file dialog nobody expected";
                return std::optional<std::u16string>{};
            }
            const std::optional<fs::path> next = answers_.front();
            answers_.erase(answers_.begin());
            return next ? std::optional<std::u16string>(wide(*next)) : std::nullopt;
        });
    }

    // The firmware packets the printer received.
    std::vector<qv::sim::Bytes> firmware() {
        std::vector<qv::sim::Bytes> packets;
        for (const auto& r : printer_->received()) {
            if (r.kind == qv::sim::Received::Kind::firmware) {
                packets.push_back(r.bytes);
            }
        }
        return packets;
    }

    static qv::sim::Bytes packetOf(const std::string& content) {
        const auto n = static_cast<uint32_t>(content.size());
        qv::sim::Bytes packet(6 + content.size());
        packet[0] = 0x1F;
        packet[1] = 0x75;
        for (int i = 0; i < 4; ++i) {
            packet[2 + static_cast<std::size_t>(i)] = static_cast<uint8_t>(n >> (24 - 8 * i));
        }
        std::copy(content.begin(), content.end(), packet.begin() + 6);
        return packet;
    }

    fs::path folder_;
    std::vector<std::optional<fs::path>> answers_;
    std::vector<uit::OpenFileCall> calls_;
};

TEST_F(DownloadDialogTest, Opening_OneFirmwareTabAndUpdateDisabled) {
    onPage([](DialogBase& dialog, DialogBase& page) {
        EXPECT_EQ(uit::windowText(dialog.hwnd()), u"Download");
        TabCtrl tabs(dialog.getDlgItem(1006));
        ASSERT_EQ(tabs.getItemCount(), 1);
        EXPECT_EQ(tabs.getItemText(0), u"Firmware");
        EXPECT_EQ(tabs.getCurSel(), 0);
        EXPECT_TRUE(isWindowVisible(page.hwnd()));
        EXPECT_EQ(page.getDlgItemText(1007), u"Select A Printer Firmware:");
        EXPECT_EQ(page.getDlgItemText(kSelect), u"Select Firmware");
        EXPECT_EQ(page.getDlgItemText(kUpdate), u"Update");
        EXPECT_EQ(page.getDlgItemText(kPath), u"");
        EXPECT_FALSE(isWindowEnabled(page.getDlgItem(kUpdate)));
        EXPECT_FALSE(uit::click(page, kUpdate));
        EXPECT_EQ(uit::backgroundColor(dialog.hwnd()), rgb(176, 224, 230));
        EXPECT_NE(uit::backgroundColor(page.hwnd()), rgb(176, 224, 230)) << "system colour";
        EXPECT_EQ(uit::accessibleName(page.getDlgItem(kPath)), u"Select A Printer Firmware:");
    });
    EXPECT_TRUE(printer_->received().empty());
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(DownloadDialogTest, PageLiesOnTheTabAreaBelowTheHeader) {
    onPage([](DialogBase& dialog, DialogBase& page) {
        const RECT tabs = uit::screenRect(dialog.getDlgItem(1006));
        const RECT area = uit::screenRect(page.hwnd());
        EXPECT_EQ(area.left, tabs.left);
        EXPECT_EQ(area.right, tabs.right);
        EXPECT_EQ(area.bottom, tabs.bottom);
        EXPECT_EQ(area.top, tabs.top + kTabHeaderHeight);
    });
}

TEST_F(DownloadDialogTest, ChineseLocale_CaptionTabAndTexts) {
    useLocale("zh_CN.UTF-8");
    onPage([](DialogBase& dialog, DialogBase& page) {
        EXPECT_EQ(uit::windowText(dialog.hwnd()), u16("固件下载"));
        EXPECT_EQ(TabCtrl(dialog.getDlgItem(1006)).getItemText(0), u16("固件"));
        EXPECT_EQ(page.getDlgItemText(kSelect), u16("选择固件"));
        EXPECT_EQ(page.getDlgItemText(kUpdate), u16("更新"));
    });
}

TEST_F(DownloadDialogTest, Choosing_AsksForFirmwareFilesOverThePage) {
    const fs::path file = makeFile("v2.bin", "firmware");
    answerOpenFile({file});
    onPage([&](DialogBase&, DialogBase& page) {
        ASSERT_TRUE(uit::click(page, kSelect));
        ASSERT_EQ(calls_.size(), 1U);
        EXPECT_EQ(calls_[0].owner, page.hwnd());
        EXPECT_EQ(calls_[0].flags, OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST);
        ASSERT_EQ(calls_[0].filters.size(), 1U);
        EXPECT_EQ(calls_[0].filters[0].name, u"Firmware (*.bin)");
        EXPECT_EQ(calls_[0].filters[0].pattern, u"*.bin");
        EXPECT_EQ(page.getDlgItemText(kPath), wide(file));
        EXPECT_TRUE(isWindowEnabled(page.getDlgItem(kUpdate)));
    });
    EXPECT_TRUE(printer_->received().empty()) << "choosing sends nothing";
}

TEST_F(DownloadDialogTest, CancelledChoice_KeepsTheEarlierFileAndUpdate) {
    const fs::path file = makeFile("first.bin", "ONE");
    answerOpenFile({std::nullopt, file, std::nullopt});
    onPage([&](DialogBase&, DialogBase& page) {
        ASSERT_TRUE(uit::click(page, kSelect));
        EXPECT_FALSE(isWindowEnabled(page.getDlgItem(kUpdate))) << "nothing chosen yet";
        EXPECT_EQ(page.getDlgItemText(kPath), u"");
        ASSERT_TRUE(uit::click(page, kSelect));
        ASSERT_TRUE(uit::click(page, kSelect));
        EXPECT_EQ(page.getDlgItemText(kPath), wide(file));
        ASSERT_TRUE(uit::click(page, kUpdate));
    });
    EXPECT_EQ(firmware(), std::vector<qv::sim::Bytes>{packetOf("ONE")});
}

TEST_F(DownloadDialogTest, PathTooLongForThePathBuffer_CountsAsCancelled) {
    const fs::path file = makeFile("fw.bin", "FIRMWARE");
    const fs::path tooLong = folder_ / (std::string(280, 'd') + ".bin");
    answerOpenFile({file, tooLong});
    onPage([&](DialogBase&, DialogBase& page) {
        ASSERT_TRUE(uit::click(page, kSelect));
        ASSERT_TRUE(uit::click(page, kSelect));
        EXPECT_EQ(page.getDlgItemText(kPath), wide(file));
        ASSERT_TRUE(uit::click(page, kUpdate));
    });
    EXPECT_EQ(firmware(), std::vector<qv::sim::Bytes>{packetOf("FIRMWARE")});
}

TEST_F(DownloadDialogTest, PathField_TakesNoTypingSoItAlwaysShowsWhatIsSent) {
    const fs::path file = makeFile("chosen.bin", "CHOSEN");
    makeFile("typed.bin", "TYPED");
    answerOpenFile({file});
    onPage([&](DialogBase&, DialogBase& page) {
        ASSERT_TRUE(uit::click(page, kSelect));
        EXPECT_FALSE(uit::typeText(page, kPath, wide(folder_ / "typed.bin")));
        EXPECT_EQ(page.getDlgItemText(kPath), wide(file));
        ASSERT_TRUE(uit::click(page, kUpdate));
    });
    EXPECT_EQ(firmware(), std::vector<qv::sim::Bytes>{packetOf("CHOSEN")});
}

TEST_F(DownloadDialogTest, UpdateTwice_SendsTheFileTwiceWithTwoBoxes) {
    const fs::path file = makeFile("fw.bin", std::string(1000, '\x5A'));
    answerOpenFile({file});
    onPage([&](DialogBase&, DialogBase& page) {
        ASSERT_TRUE(uit::click(page, kSelect));
        ASSERT_TRUE(uit::click(page, kUpdate));
        EXPECT_EQ(page.getDlgItemText(kPath), wide(file)) << "unchanged after an update";
        ASSERT_TRUE(uit::click(page, kUpdate));
    });
    const qv::sim::Bytes expected = packetOf(std::string(1000, '\x5A'));
    ASSERT_EQ(firmware(), (std::vector<qv::sim::Bytes>{expected, expected}));
    EXPECT_EQ((qv::sim::Bytes{expected.begin(), expected.begin() + 6}),
              (qv::sim::Bytes{0x1F, 0x75, 0x00, 0x00, 0x03, 0xE8}));
    ASSERT_EQ(boxes_.size(), 2U);
    for (const auto& box : boxes_) {
        EXPECT_EQ(box.text, u"The firmware was updated.");
        EXPECT_EQ(box.caption, u"INFO");
    }
}

TEST_F(DownloadDialogTest, OtherExtension_IsSentAllTheSame) {
    const fs::path file = makeFile("image.txt", "not really firmware");
    answerOpenFile({file});
    onPage([&](DialogBase&, DialogBase& page) {
        ASSERT_TRUE(uit::click(page, kSelect));
        ASSERT_TRUE(uit::click(page, kUpdate));
    });
    EXPECT_EQ(firmware(), std::vector<qv::sim::Bytes>{packetOf("not really firmware")});
}

TEST_F(DownloadDialogTest, Failures_ShowTheirTextAndKeepThePage) {
    const fs::path file = makeFile("fw.bin", "FIRMWARE");
    const fs::path empty = makeFile("empty.bin", "");
    answerOpenFile({file, empty});
    onPage([&](DialogBase&, DialogBase& page) {
        ASSERT_TRUE(uit::click(page, kSelect));
        // No acknowledgement from the printer.
        printerFaults().noAck = true;
        ASSERT_TRUE(uit::click(page, kUpdate));
        printerFaults().noAck = false;
        // Unplugged: the file is read, the write fails.
        printerFaults().unopenable = true;
        ASSERT_TRUE(uit::click(page, kUpdate));
        printerFaults().unopenable = false;
        // Removed after it was chosen.
        fs::remove(file);
        ASSERT_TRUE(uit::click(page, kUpdate));
        EXPECT_EQ(page.getDlgItemText(kPath), wide(file));
        EXPECT_TRUE(isWindowEnabled(page.getDlgItem(kUpdate)));
        // Empty.
        ASSERT_TRUE(uit::click(page, kSelect));
        ASSERT_TRUE(uit::click(page, kUpdate));
    });
    ASSERT_EQ(boxes_.size(), 4U);
    EXPECT_EQ(boxes_[0].text, u"The firmware update failed.");
    EXPECT_EQ(boxes_[1].text, u"The USB printer cannot be opened.");
    EXPECT_EQ(boxes_[2].text, u"The file was not found.");
    EXPECT_EQ(boxes_[3].text, u"The file is not a valid firmware file.");
    for (const auto& box : boxes_) {
        EXPECT_EQ(box.caption, u"ERROR");
        EXPECT_NE(box.owner, nullptr);
    }
    EXPECT_EQ(firmware().size(), 1U) << "only the unacknowledged one reached the printer";
}

TEST_F(DownloadDialogTest, BusyCursorWhileSendingAndGoneForTheBox) {
    auto probe = std::make_shared<test::BusyProbe>(printer_);
    qv::device::install(probe);
    const fs::path file = makeFile("fw.bin", "FIRMWARE");
    answerOpenFile({file});
    bool busyDuringBox = false;
    uit::setMessageBoxHook([&](const uit::MessageBoxCall& call) {
        boxes_.push_back(call);
        busyDuringBox = busyDuringBox || uit::busyCursorShown();
    });
    onPage([&](DialogBase&, DialogBase& page) {
        ASSERT_TRUE(uit::click(page, kSelect));
        ASSERT_TRUE(uit::click(page, kUpdate));
        fs::remove(file);
        ASSERT_TRUE(uit::click(page, kUpdate));
        EXPECT_FALSE(uit::busyCursorShown());
    });
    EXPECT_GT(probe->calls, 0);
    EXPECT_EQ(probe->callsWithoutBusyCursor, 0);
    EXPECT_EQ(boxes_.size(), 2U);
    EXPECT_FALSE(busyDuringBox);
}

TEST_F(DownloadDialogTest, EveryOpeningStartsWithoutAFile) {
    const fs::path file = makeFile("fw.bin", "FIRMWARE");
    answerOpenFile({file});
    onPage([](DialogBase&, DialogBase& page) { ASSERT_TRUE(uit::click(page, kSelect)); });
    onPage([](DialogBase&, DialogBase& page) {
        EXPECT_EQ(page.getDlgItemText(kPath), u"");
        EXPECT_FALSE(isWindowEnabled(page.getDlgItem(kUpdate)));
    });
}

TEST_F(DownloadDialogTest, EscapeAndCloseBoxClose) {
    test::MainDialogHost main;
    int closed = 0;
    for (const auto& close : std::vector<std::function<void(DialogBase&)>>{
             [](DialogBase& d) { uit::pressKey(d, VK_ESCAPE); },
             [](DialogBase& d) { uit::closeBox(d); }}) {
        uit::setModalHook([&](DialogBase& dialog) {
            close(dialog);
            closed += isWindowVisible(dialog.hwnd()) ? 0 : 1;
        });
        EXPECT_TRUE(main.press(IDC_BUTTON_MAIN_DOWNLOAD));
    }
    uit::setModalHook(nullptr);
    EXPECT_EQ(closed, 2);
}

}  // namespace
