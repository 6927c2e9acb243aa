// qv410: the QV-410 settings and maintenance operations from the command line, one subcommand
// per operation, each a call of the link library's exports. The tool knows the printer only
// through those exports and the records of the public header.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "QVSettingToolDll.h"
#include "catalog.h"
#include "print_settings.h"
#include "utf.h"

namespace {

using Json = nlohmann::ordered_json;
using qv410::catalogText;
using qv410::utf16ToUtf8;

// Exit statuses besides the library's error codes (1, 2, 3, 50 to 56), which are passed on as
// they are.
constexpr int kExitOk = 0;
constexpr int kExitNotConfirmed = 4;
constexpr int kExitUsage = 64;
constexpr int kExitInvalidValue = 65;
constexpr int kExitInternal = 70;

constexpr std::size_t kTextUnits = 260;
// Standard input for print-text: enough for the record's text in UTF-8, and one byte more to
// notice a longer one.
constexpr std::size_t kMaxTextUnits = QV_TEXT_TEST_LEN - 1;
constexpr std::size_t kMaxStdinBytes = kMaxTextUnits * 4;

constexpr const char* kToolHelp = R"(Usage: qv410 [OPTIONS] COMMAND [ARGUMENTS]

Settings and maintenance of the QV-410 USB label printer.

Commands:
  check                      test the connection
  info                       type, serial number, firmware, printed length, status
  settings                   the thirteen stored print settings
  set NAME=VALUE...          change print settings (see qv410 set --help)
  beep on|off                buzzer on or off
  factory-reset              restore the factory settings (asks first)
  learn label|paper          label learning or paper-out learning
  dump on|off                dump mode on or off
  head-check                 count the print head's bad points
  self-test                  print the self-test page
  print-text [--width MM] [--height MM] TEXT...
                             print a label with a text (- reads standard input)
  firmware FILE              write new firmware into the printer

Options:
  --json                     one JSON object on standard output
  --device PATH              use this device node (as QV410_DEVICE=PATH)
  --simulator                use the built-in simulated printer (as QV410_DEVICE=simulator)
  -y, --yes                  do not ask before factory-reset
  -h, --help                 this help, or a command's help after the command
  --version                  the version

Exit status: 0 success; 1 invalid parameter; 2 file not found; 3 not a firmware file;
4 not confirmed; 50 printer not found; 51 cannot open the printer; 52 write failed;
53 no reply; 54 not acknowledged; 55 firmware does not acknowledge; 56 printer not ready;
64 usage; 65 invalid value; 70 internal error.
)";

struct CommandHelp {
    const char* name;
    const char* text;
};

const std::array<CommandHelp, 12> kCommandHelp = {{
    {"check",
     "Usage: qv410 check\n\nSends the connection test and waits for the printer's "
     "answer.\n"},
    {"info",
     "Usage: qv410 info\n\nShows the printer type, serial number, firmware version, "
     "printed length\nin metres and the status (the first fault in the order pause, "
     "paper jam,\nvoltage, paper out, cover open, overheat, memory test).\n"},
    {"settings", "Usage: qv410 settings\n\nShows the thirteen stored print settings.\n"},
    {"set",
     "Usage: qv410 set NAME=VALUE...\n\nReads the stored settings, changes the named ones, "
     "checks all thirteen and\nwrites them. Nothing is sent for an unknown name or invalid "
     "value.\n\n"
     "  printType         thermal|ribbons (0-1)\n"
     "  powerOnPosition   off|on (0-1)\n"
     "  labelHeight       30-400 (mm)\n"
     "  paperType         receipt|label|black-mark (0-2)\n"
     "  reprintWhenError  off|on (0-1)\n"
     "  preventSticker    off|on (0-1)\n"
     "  specialLabel      off|on (0-1)\n"
     "  printSpeed        0-9\n"
     "  darkness          0-15\n"
     "  hOrigin           0-89\n"
     "  verticalOrigin    0-89\n"
     "  printToStop       -89-89\n"
     "  preventTime       0-255 (minutes)\n"},
    {"beep", "Usage: qv410 beep on|off\n\nTurns the buzzer on or off.\n"},
    {"factory-reset",
     "Usage: qv410 factory-reset [--yes]\n\nRestores the factory settings. "
     "Asks on a terminal; elsewhere it needs --yes.\n"},
    {"learn",
     "Usage: qv410 learn label|paper\n\nlabel: label learning (the printer must be "
     "ready); paper: paper-out learning.\n"},
    {"dump", "Usage: qv410 dump on|off\n\nTurns dump mode on or off.\n"},
    {"head-check", "Usage: qv410 head-check\n\nCounts the bad points of the print head.\n"},
    {"self-test",
     "Usage: qv410 self-test\n\nPrints the self-test page (the printer must be "
     "ready).\n"},
    {"print-text",
     "Usage: qv410 print-text [--width MM] [--height MM] TEXT...\n\nPrints the "
     "words of TEXT, separated by spaces, on a label of WIDTH by\nHEIGHT "
     "millimetres (defaults 50 and 30, each 0 to 255). TEXT - reads the text\nfrom "
     "standard input; its lines become lines on the label.\n"},
    {"firmware",
     "Usage: qv410 firmware FILE\n\nWrites the firmware in FILE into the printer "
     "and waits for its answer.\n"},
}};

const char* errorMessageId(int32_t code) {
    static const std::map<int32_t, const char*> ids = {
        {QV_ERR_SUCCESS, "PO_QV_ERR_SUCCESS"},
        {QV_ERR_INVALID_PARAM, "PO_QV_ERR_INVALID_PARAM"},
        {QV_ERR_FILE_NOT_FIND, "PO_QV_ERR_FILE_NOT_FIND"},
        {QV_ERR_INVALID_FIRMWARE, "PO_QV_ERR_INVALID_FIRMWARE"},
        {QV_ERR_NOT_FINE_USB_PRINTER, "PO_QV_ERR_NOT_FINE_USB_PRINTER"},
        {QV_ERR_CANNOT_OPEN_USB_PRINTER, "PO_QV_ERR_CANNOT_OPEN_USB_PRINTER"},
        {QV_ERR_WRITE_USB_FAIL, "PO_QV_ERR_WRITE_USB_FAIL"},
        {QV_ERR_READ_USB_FAIL, "PO_QV_ERR_READ_USB_FAIL"},
        {QV_ERR_READ_USB_BEYOND_MAX_TIME, "PO_QV_ERR_READ_USB_BEYOND_MAX_TIME"},
        {QV_ERR_VERSION_NONSUPPORT_GETTING_RESULT, "PO_QV_ERR_VERSION_NONSUPPORT_GETTING_RESULT"},
        {QV_ERR_PRINT_STATUS_IS_NOT_READY, "PO_QV_ERR_PRINT_STATUS_IS_NOT_READY"},
    };
    const auto found = ids.find(code);
    return found == ids.end() ? nullptr : found->second;
}

struct StatusBit {
    int32_t bit;
    const char* jsonName;
    const char* messageId;
};

// In the order of the information dialog: the first bit set names the status.
constexpr std::array<StatusBit, 7> kStatusBits = {{
    {QV_STATUS_PRINT_PAUSE, "pause", "PO_QV_PRINT_STATUS_PRINT_PAUSE"},
    {QV_STATUS_STUCK_PAPER, "paperJam", "PO_QV_PRINT_STATUS_STUCK_PAPER"},
    {QV_STATUS_VOLTAGE_ERR, "voltageError", "PO_QV_PRINT_STATUS_VOLTAGE_ERR"},
    {QV_STATUS_LACK_PAPER, "paperOut", "PO_QV_PRINT_STATUS_LACK_PAPER"},
    {QV_STATUS_SWITCH_NOT_PLACE, "coverOpen", "PO_QV_PRINT_STATUS_SWITCH_NOT_PLACE"},
    {QV_STATUS_OVER_HEAT, "overheat", "PO_QV_PRINT_STATUS_OVER_HEART"},
    {QV_STATUS_RAM_TEST_FAIL, "ramTestFailed", "PO_QV_PRINT_STATUS_RAM_TEST_FAIL"},
}};

struct Options {
    bool json = false;
    bool yes = false;
    bool help = false;
    bool version = false;
    std::optional<std::string> device;
    bool simulator = false;
    std::optional<std::string> width;
    std::optional<std::string> height;
    std::string command;
    std::vector<std::string> arguments;
};

class UsageError : public std::exception {
  public:
    explicit UsageError(std::string what) : what_(std::move(what)) {}
    const char* what() const noexcept override { return what_.c_str(); }

  private:
    std::string what_;
};

// Writes the outcome once: a line of text (results to stdout, errors to stderr) or one JSON
// object on stdout.
class Reporter {
  public:
    Reporter(bool json, std::string command) : json_(json), command_(std::move(command)) {}

    int success(Json fields, const std::string& text) {
        if (json_) {
            Json out = {{"command", command_}, {"ok", true}};
            for (auto& [key, value] : fields.items()) {
                out[key] = value;
            }
            printJson(out, stdout);
        } else if (!text.empty()) {
            std::fputs(text.c_str(), stdout);
            if (!text.ends_with('\n')) {
                std::fputc('\n', stdout);
            }
        }
        return kExitOk;
    }

    int failure(int status, const char* messageId, const std::string& message, Json extra = {}) {
        if (json_) {
            Json error = {{"code", status},
                          {"messageId", messageId != nullptr ? Json(messageId) : Json(nullptr)},
                          {"message", message}};
            for (auto& [key, value] : extra.items()) {
                error[key] = value;
            }
            printJson({{"command", command_}, {"ok", false}, {"error", error}}, stdout);
        } else {
            std::fprintf(stderr, "qv410: %s\n", message.c_str());
            if (extra.contains("hint")) {
                std::fprintf(stderr, "%s\n", extra["hint"].get<std::string>().c_str());
            }
        }
        return status;
    }

  private:
    static void printJson(const Json& value, FILE* to) {
        const std::string text = value.dump(-1, ' ', false, Json::error_handler_t::replace);
        std::fprintf(to, "%s\n", text.c_str());
    }

    bool json_;
    std::string command_;
};

std::string errorText(int32_t code) {
    std::array<QVWCHAR, kTextUnits> buffer{};
    BaseGetQVErrorString(code, buffer.data());
    std::string text = utf16ToUtf8(buffer.data(), buffer.size());
    if (text.empty()) {
        const char* id = errorMessageId(code);
        text = id != nullptr ? id : "error " + std::to_string(code);
    }
    return text;
}

bool accessDenied(const std::string& node) {
    struct stat info {};
    if (::stat(node.c_str(), &info) != 0) {
        return false;
    }
    return ::access(node.c_str(), R_OK | W_OK) != 0 && (errno == EACCES || errno == EPERM);
}

// The node the printer could not be opened at for lack of rights: the one named, or else one of
// the usblp nodes the library looks through.
std::optional<std::string> deniedPrinterNode() {
    const char* fixed = std::getenv("QV410_DEVICE");
    if (fixed != nullptr && *fixed != '\0') {
        if (std::string_view(fixed) == "simulator") {
            return std::nullopt;
        }
        return accessDenied(fixed) ? std::optional<std::string>(fixed) : std::nullopt;
    }
    const char* root = std::getenv("QV410_ROOT");
    const std::string folder = std::string(root != nullptr ? root : "") + "/dev/usb";
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return std::nullopt;
    }
    std::optional<std::string> denied;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        std::string node = folder;
        node += '/';
        node += name;
        if (name.starts_with("lp") && accessDenied(node)) {
            denied = std::move(node);
            break;
        }
    }
    ::closedir(dir);
    return denied;
}

// A failed export: its error code is the exit status.
int libraryFailure(Reporter& report) {
    const int32_t code = BaseGetQVError();
    const char* id = errorMessageId(code);
    if (code == QV_ERR_SUCCESS || id == nullptr) {
        return report.failure(kExitInternal, nullptr, "the library failed without an error code");
    }
    std::string message = errorText(code);
    Json extra = Json::object();
    if (code == QV_ERR_CANNOT_OPEN_USB_PRINTER) {
        if (const auto node = deniedPrinterNode()) {
            message += " " + catalogText("PO_GSTR_CLI_PERMISSION_DENIED") + " " + *node;
            extra["node"] = *node;
            extra["hint"] = catalogText("PO_GSTR_CLI_PERMISSION_HINT");
        }
    }
    return report.failure(code, id, message, extra);
}

// The command was sent; the printer's acknowledgement decides.
int acknowledged(Reporter& report, Json fields, const char* successId, const char* failId) {
    if (GetSettingResult() == 0) {
        return report.failure(QV_ERR_READ_USB_BEYOND_MAX_TIME, failId, catalogText(failId));
    }
    fields["message"] = catalogText(successId);
    return report.success(fields, catalogText(successId));
}

int onOffArgument(const Options& options) {
    if (options.arguments.size() != 1) {
        throw UsageError(options.command + " needs one argument: on or off");
    }
    const std::string& word = options.arguments.front();
    if (word == "on") {
        return 1;
    }
    if (word == "off") {
        return 0;
    }
    throw UsageError(options.command + ": '" + word + "' is neither on nor off");
}

void noArguments(const Options& options) {
    if (!options.arguments.empty()) {
        throw UsageError(options.command + " takes no arguments");
    }
}

int cmdCheck(const Options& options, Reporter& report) {
    noArguments(options);
    if (USBCheckConnection() == 0) {
        return libraryFailure(report);
    }
    return report.success({{"connected", true}, {"message", catalogText("PO_GSTR_SUCCESS")}},
                          catalogText("PO_GSTR_SUCCESS"));
}

std::string printedLengthText(int32_t hundredths) {
    // As the information dialog: single precision, the user's decimal separator.
    std::array<char, 64> text{};
    std::snprintf(text.data(), text.size(), "%.2f (m)",
                  static_cast<double>(static_cast<float>(hundredths / 100.0)));
    return text.data();
}

int cmdInfo(const Options& options, Reporter& report) {
    noArguments(options);
    PrinterInfo info{};
    if (QVGetPrinterInfo(&info) == 0) {
        return libraryFailure(report);
    }
    const char* statusId = "PO_QV_PRINT_STATUS_READY";
    Json bits = Json::array();
    for (const auto& bit : kStatusBits) {
        if ((info.status & bit.bit) != 0) {
            if (bits.empty()) {
                statusId = bit.messageId;
            }
            bits.push_back(bit.jsonName);
        }
    }
    const std::string type = utf16ToUtf8(info.printerType, QV_PRINTER_TEXT_LEN);
    const std::string serial = utf16ToUtf8(info.serialNumber, QV_PRINTER_TEXT_LEN);
    const std::string firmware = utf16ToUtf8(info.firmwareVersion, QV_PRINTER_TEXT_LEN);
    const std::string statusText = catalogText(statusId);

    std::array<char, 16> hex{};
    std::snprintf(hex.data(), hex.size(), "0x%02X", static_cast<unsigned>(info.status) & 0xFFu);
    std::string text;
    text += catalogText("PO_IDC_STATIC_PRINTER_TYPE") + " " + type + "\n";
    text += catalogText("PO_IDC_STATIC_PRINTER_SERIAL_NUMBER") + " " + serial + "\n";
    text += catalogText("PO_IDC_STATIC_PRINTER_FIRMWARE_VERSION") + " " + firmware + "\n";
    text += catalogText("PO_IDC_STATIC_PRINTER_PRINT_LENGTH") + " " +
            printedLengthText(info.printedLength) + "\n";
    text +=
        catalogText("PO_IDC_STATIC_PRINTER_STATUS") + " " + statusText + " (" + hex.data() + ")\n";
    return report.success({{"printerType", type},
                           {"serialNumber", serial},
                           {"firmwareVersion", firmware},
                           {"status", info.status},
                           {"statusBits", bits},
                           {"statusMessageId", statusId},
                           {"statusText", statusText},
                           {"printedLength", info.printedLength},
                           {"printedLengthMetres", info.printedLength / 100.0}},
                          text);
}

std::string settingDisplay(std::size_t index, int value) {
    const qv410::SettingInfo& info = qv410::settingTable()[index];
    if (!info.wordIds.empty()) {
        if (value >= 0 && static_cast<std::size_t>(value) < info.wordIds.size()) {
            return catalogText(info.wordIds[static_cast<std::size_t>(value)]);
        }
        return std::to_string(value);
    }
    std::string text = std::to_string(value);
    if (info.unit != nullptr) {
        text += std::string(" ") + info.unit;
    }
    if (info.unitId != nullptr) {
        text += " " + catalogText(info.unitId);
    }
    return text;
}

Json settingsJson(const qv410::SettingValues& values) {
    Json settings = Json::object();
    for (std::size_t i = 0; i < values.size(); ++i) {
        settings[qv410::settingTable()[i].name] = values[i];
    }
    return settings;
}

std::string settingsText(const qv410::SettingValues& values) {
    std::string text;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const qv410::SettingInfo& info = qv410::settingTable()[i];
        text += catalogText(info.labelId) + " " + settingDisplay(i, values[i]) + "  [" + info.name +
                "=" + std::to_string(values[i]) + "]\n";
    }
    return text;
}

int cmdSettings(const Options& options, Reporter& report) {
    noArguments(options);
    PrintSettingParam record{};
    if (QVGetPrinterPrintSettingParam(&record) == 0) {
        return libraryFailure(report);
    }
    const auto values = qv410::settingValues(record);
    return report.success({{"settings", settingsJson(values)}}, settingsText(values));
}

// An invalid value, named with its range; nothing has been sent for it.
int refuseValue(Reporter& report, const std::string& name, const std::string& value,
                const std::string& range) {
    const std::string message =
        name + "=" + value + ": " + catalogText("PO_GSTR_PLEASE_INPUT_NUMBER") + " (" + range + ")";
    return report.failure(kExitInvalidValue, "PO_GSTR_PLEASE_INPUT_NUMBER", message,
                          {{"setting", name}, {"value", value}, {"range", range}});
}

int refuseSetting(Reporter& report, const std::string& name, const std::string& value,
                  std::optional<std::size_t> index) {
    if (index) {
        return refuseValue(report, name, value, qv410::rangeText(*index));
    }
    std::string names;
    for (const auto& info : qv410::settingTable()) {
        names += names.empty() ? "" : ", ";
        names += info.name;
    }
    return report.failure(kExitInvalidValue, nullptr,
                          "unknown setting '" + name + "' (settings: " + names + ")",
                          {{"setting", name}, {"value", value}});
}

int cmdSet(const Options& options, Reporter& report) {
    if (options.arguments.empty()) {
        throw UsageError("set needs at least one NAME=VALUE");
    }
    const auto parsed = qv410::parseAssignments(options.arguments);
    if (parsed.refusal) {
        const auto& refusal = *parsed.refusal;
        return refuseSetting(
            report, refusal.setting, refusal.value,
            refusal.unknownName ? std::nullopt : qv410::findSetting(refusal.setting));
    }
    PrintSettingParam stored{};
    if (QVGetPrinterPrintSettingParam(&stored) == 0) {
        return libraryFailure(report);
    }
    auto values = qv410::settingValues(stored);
    Json changed = Json::array();
    for (const auto& assignment : parsed.assignments) {
        values[assignment.index] = assignment.value;
        const char* name = qv410::settingTable()[assignment.index].name;
        if (std::find(changed.begin(), changed.end(), name) == changed.end()) {
            changed.push_back(name);
        }
    }
    // A stored value the page could not show (beyond a list, out of range) is not written back.
    if (const auto invalid = qv410::firstInvalidSetting(values)) {
        return refuseSetting(report, qv410::settingTable()[*invalid].name,
                             std::to_string(values[*invalid]), invalid);
    }
    const PrintSettingParam record = qv410::recordToWrite(values);
    if (QVSetPrintSetting(&record) == 0) {
        return libraryFailure(report);
    }
    return acknowledged(report, {{"settings", settingsJson(values)}, {"changed", changed}},
                        "PO_GSTR_SETTING_SUCCESS", "PO_GSTR_SETTING_FAIL");
}

int cmdBeep(const Options& options, Reporter& report) {
    const auto buzzer = static_cast<uint8_t>(onOffArgument(options));
    if (QVSetUserDefSetting(&buzzer) == 0) {
        return libraryFailure(report);
    }
    return acknowledged(report, {{"beep", buzzer != 0}}, "PO_GSTR_SETTING_SUCCESS",
                        "PO_GSTR_SETTING_FAIL");
}

int cmdDump(const Options& options, Reporter& report) {
    const int mode = onOffArgument(options);
    if (QVSetDumpMode(mode) == 0) {
        return libraryFailure(report);
    }
    return acknowledged(report, {{"dump", mode != 0}}, "PO_GSTR_SETTING_SUCCESS",
                        "PO_GSTR_SETTING_FAIL");
}

// Asked on the terminal; only an explicit yes goes on.
bool confirmedOnTerminal() {
    std::fprintf(stderr, "%s ", catalogText("PO_GSTR_CLI_CONFIRM_FACTORY_RESET").c_str());
    std::fflush(stderr);
    std::array<char, 64> answer{};
    if (std::fgets(answer.data(), static_cast<int>(answer.size()), stdin) == nullptr) {
        return false;
    }
    const std::string_view text(answer.data());
    return text == "y\n" || text == "Y\n" || text == "yes\n" || text == "YES\n";
}

int cmdFactoryReset(const Options& options, Reporter& report) {
    noArguments(options);
    if (!options.yes) {
        if (::isatty(STDIN_FILENO) == 0) {
            return report.failure(kExitNotConfirmed, "PO_GSTR_CLI_NEEDS_YES",
                                  catalogText("PO_GSTR_CLI_NEEDS_YES"));
        }
        if (!confirmedOnTerminal()) {
            return report.failure(kExitNotConfirmed, "PO_GSTR_CLI_NOT_CONFIRMED",
                                  catalogText("PO_GSTR_CLI_NOT_CONFIRMED"));
        }
    }
    if (QVRestoreFactorySettings() == 0) {
        return libraryFailure(report);
    }
    return acknowledged(report, {{"factoryReset", true}}, "PO_GSTR_SET_DEFAULT_SUCCESS",
                        "PO_GSTR_SET_DEFAULT_FAIL");
}

int cmdLearn(const Options& options, Reporter& report) {
    if (options.arguments.size() != 1 ||
        (options.arguments[0] != "label" && options.arguments[0] != "paper")) {
        throw UsageError("learn needs one argument: label or paper");
    }
    const bool label = options.arguments[0] == "label";
    if (label) {
        const uint8_t labelLearning = 0;
        if (QVSetLocationSetting(&labelLearning) == 0) {
            return libraryFailure(report);
        }
    } else if (QVLabelLackPaperLearn() == 0) {
        return libraryFailure(report);
    }
    return acknowledged(report, {{"learn", options.arguments[0]}}, "PO_GSTR_OPERATION_SUCCESS",
                        "PO_GSTR_OPERATION_FAIL");
}

int cmdHeadCheck(const Options& options, Reporter& report) {
    noArguments(options);
    int32_t count = 0;
    if (QVBadPointCheck(&count) == 0) {
        return libraryFailure(report);
    }
    const std::string text = count == 0 ? catalogText("PO_IDC_STATIC_BAD_POINT_CHECK_RESULT_NORMAL")
                                        : catalogText("PO_IDC_STATIC_FIND_BAD_POINT") + "(" +
                                              std::to_string(count) + ")";
    return report.success({{"badPoints", count}, {"message", text}}, text);
}

int cmdSelfTest(const Options& options, Reporter& report) {
    noArguments(options);
    if (QVSelfTestPrint() == 0) {
        return libraryFailure(report);
    }
    const std::string text = catalogText("PO_GSTR_PRINT_SELF_TEXT_SUCCESS");
    return report.success({{"message", text}}, text);
}

std::optional<int> millimetres(const std::optional<std::string>& text, int fallback) {
    if (!text) {
        return fallback;
    }
    if (text->empty() || text->size() > 3 ||
        !std::all_of(text->begin(), text->end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    const int value = std::stoi(*text);
    return value <= 255 ? std::optional<int>(value) : std::nullopt;
}

// Reads standard input whole, refusing more than limit bytes; the last line break is dropped.
std::optional<std::string> readStandardInput(std::size_t limit) {
    std::string text;
    std::array<char, 4096> chunk{};
    while (true) {
        const ssize_t n = ::read(STDIN_FILENO, chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return std::nullopt;
        }
        if (n == 0) {
            break;
        }
        text.append(chunk.data(), static_cast<std::size_t>(n));
        if (text.size() > limit) {
            return std::nullopt;
        }
    }
    if (text.ends_with('\n')) {
        text.pop_back();
        if (text.ends_with('\r')) {
            text.pop_back();
        }
    }
    return text;
}

int cmdPrintText(const Options& options, Reporter& report) {
    if (options.arguments.empty()) {
        throw UsageError("print-text needs a TEXT (or - for standard input)");
    }
    const auto width = millimetres(options.width, 50);
    if (!width) {
        return refuseValue(report, "width", *options.width, "0-255");
    }
    const auto height = millimetres(options.height, 30);
    if (!height) {
        return refuseValue(report, "height", *options.height, "0-255");
    }
    std::string utf8;
    if (options.arguments.size() == 1 && options.arguments.front() == "-") {
        const auto input = readStandardInput(kMaxStdinBytes);
        if (!input) {
            return report.failure(kExitInvalidValue, nullptr,
                                  "standard input: unreadable or longer than " +
                                      std::to_string(kMaxTextUnits) + " characters");
        }
        utf8 = *input;
    } else {
        for (const std::string& word : options.arguments) {
            utf8 += utf8.empty() ? "" : " ";
            utf8 += word;
        }
    }
    const auto decoded = qv410::utf8ToUtf16(utf8);
    if (!decoded) {
        return report.failure(kExitInvalidValue, nullptr, "the text is not valid UTF-8");
    }
    // The label's lines are separated by CR LF.
    std::u16string text;
    for (const char16_t c : *decoded) {
        if (c == u'\n' && !text.ends_with(u'\r')) {
            text += u'\r';
        }
        text += c;
    }
    if (text.size() > kMaxTextUnits) {
        return report.failure(
            kExitInvalidValue, nullptr,
            "the text is longer than " + std::to_string(kMaxTextUnits) + " characters");
    }
    TextTestRequest request{};
    request.width = static_cast<uint8_t>(*width);
    request.height = static_cast<uint8_t>(*height);
    std::copy(text.begin(), text.end(), request.text);
    if (QVTextTestPrint(&request) == 0) {
        return libraryFailure(report);
    }
    const std::string message = catalogText("PO_GSTR_PRINT_SUCCESS");
    return report.success(
        {{"width", *width}, {"height", *height}, {"characters", text.size()}, {"message", message}},
        message);
}

int cmdFirmware(const Options& options, Reporter& report) {
    if (options.arguments.size() != 1) {
        throw UsageError("firmware needs one FILE");
    }
    const std::string& file = options.arguments.front();
    const auto path = qv410::utf8ToUtf16(file);
    if (!path) {
        return report.failure(kExitInvalidValue, nullptr, file + ": the name is not valid UTF-8");
    }
    std::error_code ec;
    const auto size = std::filesystem::file_size(file, ec);
    const auto start = std::chrono::steady_clock::now();
    if (BaseDownloadFirmware(path->c_str()) == 0) {
        return libraryFailure(report);
    }
    const bool ok = GetSettingResult() != 0;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!ok) {
        return report.failure(QV_ERR_READ_USB_BEYOND_MAX_TIME, "PO_GSTR_UPDATE_FAIL",
                              catalogText("PO_GSTR_UPDATE_FAIL"));
    }
    const std::string message = catalogText("PO_GSTR_UPDATE_SUCCESS");
    std::array<char, 96> details{};
    std::snprintf(details.data(), details.size(), " (%llu bytes, %.2f s)",
                  static_cast<unsigned long long>(ec ? 0 : size), seconds);
    return report.success(
        {{"file", file}, {"bytes", ec ? 0 : size}, {"seconds", seconds}, {"message", message}},
        message + details.data());
}

using Command = int (*)(const Options&, Reporter&);

const std::map<std::string, Command, std::less<>>& commands() {
    static const std::map<std::string, Command, std::less<>> table = {
        {"check", cmdCheck},
        {"info", cmdInfo},
        {"settings", cmdSettings},
        {"set", cmdSet},
        {"beep", cmdBeep},
        {"factory-reset", cmdFactoryReset},
        {"learn", cmdLearn},
        {"dump", cmdDump},
        {"head-check", cmdHeadCheck},
        {"self-test", cmdSelfTest},
        {"print-text", cmdPrintText},
        {"firmware", cmdFirmware},
    };
    return table;
}

// Options may stand anywhere; "--" ends them.
Options parseArguments(int argc, char** argv) {
    Options options;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        auto value = [&](std::string_view name) -> std::string {
            const std::string prefix = std::string(name) + "=";
            if (arg.starts_with(prefix)) {
                return std::string(arg.substr(prefix.size()));
            }
            if (i + 1 >= argc) {
                throw UsageError(std::string(name) + " needs a value");
            }
            return argv[++i];
        };
        auto is = [&](std::string_view name) {
            return arg == name || arg.starts_with(std::string(name) + "=");
        };
        if (optionsEnded || arg == "-" || !arg.starts_with("-")) {
            if (options.command.empty()) {
                options.command = std::string(arg);
            } else {
                options.arguments.emplace_back(arg);
            }
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "-y" || arg == "--yes") {
            options.yes = true;
        } else if (arg == "-h" || arg == "--help") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--simulator") {
            options.simulator = true;
        } else if (is("--device")) {
            options.device = value("--device");
        } else if (is("--width")) {
            options.width = value("--width");
        } else if (is("--height")) {
            options.height = value("--height");
        } else {
            throw UsageError("unknown option " + std::string(arg));
        }
    }
    if (options.simulator && options.device) {
        throw UsageError("--device and --simulator exclude each other");
    }
    if ((options.width || options.height) && options.command != "print-text") {
        throw UsageError("--width and --height belong to print-text");
    }
    return options;
}

int run(int argc, char** argv) {
    Options options;
    bool json = false;
    for (int i = 1; i < argc; ++i) {
        json = json || std::string_view(argv[i]) == "--json";
    }
    try {
        options = parseArguments(argc, argv);
    } catch (const UsageError& e) {
        Reporter report(json, "");
        return report.failure(kExitUsage, nullptr, std::string(e.what()) + " (see qv410 --help)");
    }
    if (options.version) {
        std::printf("qv410 %s\n", QV410_VERSION);
        return kExitOk;
    }
    if (options.help) {
        for (const auto& help : kCommandHelp) {
            if (options.command == help.name) {
                std::fputs(help.text, stdout);
                return kExitOk;
            }
        }
        std::fputs(kToolHelp, stdout);
        return kExitOk;
    }
    Reporter report(options.json, options.command);
    const auto found = commands().find(options.command);
    if (found == commands().end()) {
        return report.failure(kExitUsage, nullptr,
                              (options.command.empty() ? std::string("no command")
                                                       : "unknown command " + options.command) +
                                  " (see qv410 --help)");
    }
    // The library picks its device at its first call.
    if (options.simulator) {
        setenv("QV410_DEVICE", "simulator", 1);
    } else if (options.device) {
        setenv("QV410_DEVICE", options.device->c_str(), 1);
    }
    try {
        return found->second(options, report);
    } catch (const UsageError& e) {
        return report.failure(
            kExitUsage, nullptr,
            std::string(e.what()) + " (see qv410 " + options.command + " --help)");
    }
}

}  // namespace

int main(int argc, char** argv) {
    qv410::bindCatalog();
    int status = kExitInternal;
    try {
        status = run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qv410: %s\n", e.what());
    }
    // A result that never reached its reader (a full disk, a closed pipe) is no success.
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        std::fprintf(stderr, "qv410: cannot write to standard output\n");
        return status == kExitOk ? kExitInternal : status;
    }
    return status;
}
