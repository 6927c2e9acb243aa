// Two printers on one machine: both listed, the exports of old using the first, and the
// selection export reaching the other, with the firmware-version gate run for each printer.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "pty_fixture.h"

namespace {

std::u16string wide(const std::string& text) {
    return {text.begin(), text.end()};
}

std::string narrow(const QVWCHAR* text) {
    std::string out;
    for (; *text != 0; ++text) {
        out += static_cast<char>(*text);
    }
    return out;
}

const QVWCHAR* units(const std::u16string& text) {
    return reinterpret_cast<const QVWCHAR*>(text.c_str());
}

class PrinterChoiceTest : public PtyPrinterTest {
  protected:
    // lp0 answers SER-A with firmware that acknowledges; lp1 answers SER-B with firmware that
    // does not.
    void startTwo() {
        start({"--lp", "0", "--serial", "SER-A"});
        second = std::make_unique<qv::testing::PtyPrinterProcess>(
            std::vector<std::string>{"--join", printer->root(), "--lp", "1", "--serial", "SER-B",
                                     "--firmware", "V1.04 2024-03-02"});
    }
    std::string node(int n) const { return printer->root() + "/dev/usb/lp" + std::to_string(n); }
    std::string serial() {
        QVWCHAR text[QV_PRINTER_TEXT_LEN] = {};
        EXPECT_EQ(QVGetPrinterSerialNum(text), 1) << "error " << BaseGetQVError();
        return narrow(text);
    }

    // Declared after the fixture's printer, so it leaves the tree before the tree goes.
    std::unique_ptr<qv::testing::PtyPrinterProcess> second;
};

TEST_F(PrinterChoiceTest, ListsEveryPrinterInOrderWithoutSendingAnything) {
    startTwo();
    EXPECT_EQ(QVListPrinterPaths(nullptr, 0), 2);

    QVWCHAR paths[3][QV_DEVICE_PATH_LEN];
    std::fill(&paths[0][0], &paths[0][0] + 3 * QV_DEVICE_PATH_LEN, QVWCHAR{0x5555});
    // Too little room is an error and nothing is written.
    EXPECT_EQ(QVListPrinterPaths(paths, 1), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_INVALID_PARAM);
    EXPECT_EQ(paths[0][0], 0x5555);

    ASSERT_EQ(QVListPrinterPaths(paths, 3), 2);
    EXPECT_EQ(narrow(paths[0]), node(0));
    EXPECT_EQ(narrow(paths[1]), node(1));
    EXPECT_EQ(paths[2][0], 0x5555);

    EXPECT_TRUE(printer->received().empty());
    EXPECT_TRUE(second->received().empty());
    // Listing chose nothing: the exports still find their printer themselves.
    EXPECT_FALSE(qv::linkState().hasDevicePath());
}

TEST_F(PrinterChoiceTest, ExportsAloneKeepToTheFirstPrinter) {
    startTwo();
    EXPECT_EQ(serial(), "SER-A");
    EXPECT_EQ(USBCheckConnection(), 1) << "error " << BaseGetQVError();
    EXPECT_EQ(printer->received(),
              lines({kVersionQuery, command("1f1b1a040102"), command("1f1b1a010102")}));
    EXPECT_TRUE(second->received().empty());
}

TEST_F(PrinterChoiceTest, SelectingAPrinterReachesItAndRunsTheVersionGateForIt) {
    startTwo();
    passVersionGate();
    EXPECT_EQ(qv::linkState().ackMode, qv::kAckRead);

    ASSERT_EQ(QVSelectPrinterPath(units(wide(node(1)))), 1) << "error " << BaseGetQVError();
    EXPECT_TRUE(second->received().empty());  // selecting sends nothing
    EXPECT_EQ(serial(), "SER-B");
    EXPECT_EQ(second->received(), lines({kVersionQuery, command("1f1b1a040102")}));
    // This printer's firmware does not acknowledge settings commands.
    EXPECT_EQ(qv::linkState().ackMode, qv::kAckNone);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_VERSION_NONSUPPORT_GETTING_RESULT);
    EXPECT_TRUE(printer->received().empty());

    // And back: the first printer is asked for its version again.
    second->clearReceived();
    ASSERT_EQ(QVSelectPrinterPath(units(wide(node(0)))), 1) << "error " << BaseGetQVError();
    EXPECT_EQ(serial(), "SER-A");
    EXPECT_EQ(printer->received(), lines({kVersionQuery, command("1f1b1a040102")}));
    EXPECT_EQ(qv::linkState().ackMode, qv::kAckRead);
    EXPECT_TRUE(second->received().empty());
}

TEST_F(PrinterChoiceTest, APathThatIsNoDeviceIsRefusedAndThePrinterInUseStays) {
    startTwo();
    passVersionGate();
    const std::string file = printer->root() + "/not-a-printer";
    std::ofstream(file) << "data";
    EXPECT_EQ(QVSelectPrinterPath(units(wide(file))), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_CANNOT_OPEN_USB_PRINTER);
    EXPECT_EQ(QVSelectPrinterPath(units(wide(printer->root() + "/dev/usb/lp7"))), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_CANNOT_OPEN_USB_PRINTER);
    EXPECT_EQ(QVSelectPrinterPath(nullptr), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_INVALID_PARAM);
    EXPECT_EQ(QVSelectPrinterPath(units(u"")), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_INVALID_PARAM);
    const std::u16string tooLong(QV_DEVICE_PATH_LEN, u'a');
    EXPECT_EQ(QVSelectPrinterPath(units(tooLong)), 0);
    EXPECT_EQ(BaseGetQVError(), QV_ERR_INVALID_PARAM);

    EXPECT_EQ(serial(), "SER-A");
    EXPECT_EQ(printer->received(), lines({command("1f1b1a040102")}));
    std::ifstream in(file);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "data");
    std::filesystem::remove(file);
}

TEST_F(PrinterChoiceTest, ASecondPrinterCannotTakeANumberAlreadyInTheTree) {
    start({"--lp", "0"});
    EXPECT_THROW(qv::testing::PtyPrinterProcess({"--join", printer->root(), "--lp", "0"}),
                 std::runtime_error);
    // The first printer's tree is intact.
    EXPECT_EQ(USBCheckConnection(), 1) << "error " << BaseGetQVError();
}

}  // namespace
