// The commands of qv410, one table entry each: name, summary, help and what it runs.
#include "commands.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "QVSettingToolDll.h"
#include "app/printer_status.h"
#include "catalog.h"
#include "metrics.h"
#include "output_file.h"
#include "print_settings.h"
#include "printers.h"
#include "profile.h"
#include "utf.h"

namespace qv410 {

namespace {

// Standard input for print-text: enough for the record's text in UTF-8, and one byte more to
// notice a longer one.
constexpr std::size_t kMaxTextUnits = QV_TEXT_TEST_LEN - 1;
constexpr std::size_t kMaxStdinBytes = kMaxTextUnits * 4;

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
    const char* statusId = app::statusMessageId(info.status);
    Json bits = Json::array();
    for (const auto& bit : app::kStatusBits) {
        if ((info.status & bit.bit) != 0) {
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
    const SettingInfo& info = settingTable()[index];
    if (!info.wordIds.empty()) {
        if (value >= 0 && static_cast<std::size_t>(value) < info.wordIds.size()) {
            return catalogText(info.wordIds[static_cast<std::size_t>(value)].data());
        }
        return std::to_string(value);
    }
    std::string text = std::to_string(value);
    if (!info.unitId.empty()) {
        text += " " + catalogText(info.unitId.data());
    } else if (!info.unit.empty()) {
        text += " " + std::string(info.unit);
    }
    return text;
}

Json settingsJson(const SettingValues& values) {
    Json settings = Json::object();
    for (std::size_t i = 0; i < values.size(); ++i) {
        settings[std::string(settingTable()[i].name)] = values[i];
    }
    return settings;
}

std::string settingsText(const SettingValues& values) {
    std::string text;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const SettingInfo& info = settingTable()[i];
        text += catalogText(info.labelId.data()) + " " + settingDisplay(i, values[i]) + "  [" +
                std::string(info.name) + "=" + std::to_string(values[i]) + "]\n";
    }
    return text;
}

int refuseSetting(Reporter& report, const std::string& name, const std::string& value,
                  std::optional<std::size_t> index);

std::string utcNow() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    std::array<char, 32> text{};
    std::strftime(text.data(), text.size(), "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text.data();
}

int cmdSettings(const Options& options, Reporter& report) {
    noArguments(options);
    // Refused before the printer is asked anything; the write itself checks again.
    if (options.save && !options.force && ::access(options.save->c_str(), F_OK) == 0) {
        return report.failure(kExitCannotCreate, nullptr,
                              *options.save + ": the file exists (--force replaces it)",
                              {{"file", *options.save}, {"reason", "exists"}});
    }
    PrintSettingParam record{};
    if (QVGetPrinterPrintSettingParam(&record) == 0) {
        return libraryFailure(report);
    }
    const auto values = settingValues(record);
    if (!options.save) {
        return report.success({{"settings", settingsJson(values)}}, settingsText(values));
    }
    // A profile holds values the page can write back: nothing beyond a range or a list.
    if (const auto invalid = firstInvalidSetting(values)) {
        return refuseSetting(report, std::string(settingTable()[*invalid].name),
                             std::to_string(values[*invalid]), invalid);
    }
    PrinterInfo info{};
    if (QVGetPrinterInfo(&info) == 0) {
        return libraryFailure(report);
    }
    const ProfileOrigin origin{utf16ToUtf8(info.printerType, QV_PRINTER_TEXT_LEN),
                               utf16ToUtf8(info.serialNumber, QV_PRINTER_TEXT_LEN),
                               utf16ToUtf8(info.firmwareVersion, QV_PRINTER_TEXT_LEN), utcNow()};
    if (const auto problem =
            writeFileAtomically(*options.save, profileText(values, origin), options.force)) {
        return report.failure(kExitCannotCreate, nullptr, *options.save + ": " + *problem,
                              {{"file", *options.save}, {"reason", *problem}});
    }
    return report.success({{"settings", settingsJson(values)}, {"saved", *options.save}},
                          settingsText(values) + "Saved to " + *options.save);
}

// Reads the profile of apply (a file, or - for standard input) and checks it whole.
std::optional<int> prepareApply(Options& options, Reporter& report) {
    if (options.arguments.size() != 1) {
        throw UsageError("apply needs one FILE (or - for standard input)");
    }
    const std::string& file = options.arguments.front();
    const bool standardInput = file == "-";
    const int fd = standardInput ? STDIN_FILENO : ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    std::string text;
    std::string problem;
    struct stat info {};
    if (fd < 0) {
        problem = std::strerror(errno);
    } else if (!standardInput && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
        problem = "not a regular file";
    } else {
        // One byte beyond the limit tells a file that is too big.
        std::array<char, 4096> chunk{};
        while (text.size() <= kMaxProfileBytes) {
            const ssize_t n = ::read(fd, chunk.data(), chunk.size());
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                problem = std::strerror(errno);
                break;
            }
            if (n == 0) {
                break;
            }
            text.append(chunk.data(), static_cast<std::size_t>(n));
        }
    }
    if (fd >= 0 && !standardInput) {
        ::close(fd);
    }
    const std::string shown = standardInput ? std::string("standard input") : file;
    if (!problem.empty()) {
        return report.failure(kExitNoInput, nullptr, shown + ": " + problem,
                              {{"file", file}, {"reason", problem}});
    }
    const ParsedProfile parsed = parseProfile(text);
    if (parsed.fault) {
        const std::string where = parsed.fault->field.empty() ? "" : parsed.fault->field + ": ";
        return report.failure(
            kExitInvalidValue, nullptr,
            shown + ": " + where + parsed.fault->message + "; nothing was sent",
            {{"file", file}, {"field", parsed.fault->field}, {"reason", parsed.fault->message}});
    }
    options.profile = parsed.values;
    return std::nullopt;
}

Json differencesJson(const std::vector<SettingDifference>& differences) {
    Json changed = Json::array();
    for (const SettingDifference& d : differences) {
        changed.push_back(
            {{"name", std::string(settingTable()[d.index].name)}, {"from", d.from}, {"to", d.to}});
    }
    return changed;
}

std::string differencesText(const std::vector<SettingDifference>& differences) {
    std::string text;
    for (const SettingDifference& d : differences) {
        text += std::string(settingTable()[d.index].name) + ": " + std::to_string(d.from) + " -> " +
                std::to_string(d.to) + "\n";
    }
    return text;
}

int cmdApply(const Options& options, Reporter& report) {
    const SettingValues& wanted = options.profile.value();
    PrintSettingParam stored{};
    if (QVGetPrinterPrintSettingParam(&stored) == 0) {
        return libraryFailure(report);
    }
    const auto differences = settingDifferences(settingValues(stored), wanted);
    Json unchanged = Json::array();
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        if (std::none_of(differences.begin(), differences.end(),
                         [i](const SettingDifference& d) { return d.index == i; })) {
            unchanged.push_back(std::string(settingTable()[i].name));
        }
    }
    Json fields = {{"changed", differencesJson(differences)},
                   {"unchanged", unchanged},
                   {"dryRun", options.dryRun}};
    const std::string changes = differencesText(differences);
    if (differences.empty() || options.dryRun) {
        const std::string message =
            differences.empty() ? "The printer already has these settings; nothing was written."
                                : "Dry run; nothing was written.";
        fields["written"] = false;
        fields["message"] = message;
        return report.success(fields, changes + message);
    }
    if (!report.json()) {
        std::fputs(changes.c_str(), stdout);
    }
    const PrintSettingParam record = recordToWrite(wanted);
    if (QVSetPrintSetting(&record) == 0) {
        return libraryFailure(report);
    }
    if (GetSettingResult() == 0) {
        return report.failure(QV_ERR_READ_USB_BEYOND_MAX_TIME, "PO_GSTR_SETTING_FAIL",
                              catalogText("PO_GSTR_SETTING_FAIL"),
                              {{"changed", fields["changed"]}});
    }
    // An acknowledgement says the packet arrived, not what was kept: read it back.
    PrintSettingParam kept{};
    if (QVGetPrinterPrintSettingParam(&kept) == 0) {
        return libraryFailure(report);
    }
    const auto left = settingDifferences(settingValues(kept), wanted);
    if (!left.empty()) {
        std::string names;
        Json mismatches = Json::array();
        for (const SettingDifference& d : left) {
            const std::string name(settingTable()[d.index].name);
            names += (names.empty() ? "" : ", ") + name + "=" + std::to_string(d.from) +
                     " (profile " + std::to_string(d.to) + ")";
            mismatches.push_back({{"name", name}, {"stored", d.from}, {"profile", d.to}});
        }
        return report.failure(QV_ERR_READ_USB_BEYOND_MAX_TIME, nullptr,
                              "The printer acknowledged the settings but stores " + names,
                              {{"changed", fields["changed"]}, {"mismatches", mismatches}});
    }
    fields["written"] = true;
    fields["message"] = catalogText("PO_GSTR_SETTING_SUCCESS");
    return report.success(fields, catalogText("PO_GSTR_SETTING_SUCCESS"));
}

int cmdMetrics(const Options& options, Reporter& report) {
    noArguments(options);
    const std::vector<PrinterSample> samples = samplePrinters();
    const std::string text = metricsText(samples);
    if (options.output) {
        if (const auto problem = writeFileAtomically(*options.output, text, true)) {
            return report.failure(kExitCannotCreate, nullptr, *options.output + ": " + *problem,
                                  {{"file", *options.output}, {"reason", *problem}});
        }
    }
    Json printers = Json::array();
    int up = 0;
    for (const PrinterSample& p : samples) {
        Json entry = {{"node", p.node},
                      {"serialNumber", p.serialNumber.empty() ? Json() : Json(p.serialNumber)},
                      {"up", p.up}};
        if (p.up) {
            ++up;
        } else {
            entry["reason"] = p.reason;
        }
        printers.push_back(entry);
    }
    Json fields = {{"printers", printers}};
    if (options.output) {
        fields["output"] = *options.output;
        return report.success(fields, std::to_string(samples.size()) + " printers, " +
                                          std::to_string(up) + " up; written to " +
                                          *options.output);
    }
    if (report.json()) {
        return report.success(fields, "");
    }
    std::fputs(text.c_str(), stdout);
    return kExitOk;
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
    if (index && !settingTable()[*index].words.empty()) {
        // A list: the words come first, the numbers the page would take second.
        const SettingInfo& info = settingTable()[*index];
        const std::string message = name + "=" + value + ": not one of " + wordsText(*index, ", ") +
                                    " (or their numbers " + std::to_string(info.min) + "-" +
                                    std::to_string(info.max) + ")";
        return report.failure(kExitInvalidValue, nullptr, message,
                              {{"setting", name}, {"value", value}, {"range", rangeText(*index)}});
    }
    if (index) {
        return refuseValue(report, name, value, rangeText(*index));
    }
    std::string names;
    for (const auto& info : settingTable()) {
        names += names.empty() ? "" : ", ";
        names += std::string(info.name);
    }
    return report.failure(kExitInvalidValue, nullptr,
                          "unknown setting '" + name + "' (settings: " + names + ")",
                          {{"setting", name}, {"value", value}});
}

int cmdSet(const Options& options, Reporter& report) {
    if (options.arguments.empty()) {
        throw UsageError("set needs at least one NAME=VALUE");
    }
    const auto parsed = parseAssignments(options.arguments);
    if (parsed.refusal) {
        const auto& refusal = *parsed.refusal;
        if (refusal.missingValue) {
            throw UsageError("set " + refusal.setting + " needs =VALUE");
        }
        return refuseSetting(report, refusal.setting, refusal.value,
                             refusal.unknownName ? std::nullopt : findSetting(refusal.setting));
    }
    PrintSettingParam stored{};
    if (QVGetPrinterPrintSettingParam(&stored) == 0) {
        return libraryFailure(report);
    }
    auto values = settingValues(stored);
    Json changed = Json::array();
    for (const auto& assignment : parsed.assignments) {
        values[assignment.index] = assignment.value;
        const std::string name(settingTable()[assignment.index].name);
        if (std::find(changed.begin(), changed.end(), name) == changed.end()) {
            changed.push_back(name);
        }
    }
    // A stored value the page could not show (beyond a list, out of range) is not written back.
    if (const auto invalid = firstInvalidSetting(values)) {
        return refuseSetting(report, std::string(settingTable()[*invalid].name),
                             std::to_string(values[*invalid]), invalid);
    }
    const PrintSettingParam record = recordToWrite(values);
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
bool confirmedOnTerminal(const std::string& question) {
    std::fprintf(stderr, "%s ", question.c_str());
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
    if (const auto refused = confirmFirst(options, report, "")) {
        return *refused;
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
    const auto decoded = utf8ToUtf16(utf8);
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

// What is wrong with a firmware path, in the system's words; nothing for a readable regular file.
std::optional<std::string> firmwareFileProblem(const std::string& file, std::uintmax_t& size) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return std::string(std::strerror(errno));
    }
    struct stat info {};
    const bool known = ::fstat(fd, &info) == 0;
    const int error = errno;
    ::close(fd);
    if (!known) {
        return std::string(std::strerror(error));
    }
    if (S_ISDIR(info.st_mode)) {
        return std::string(std::strerror(EISDIR));
    }
    if (!S_ISREG(info.st_mode)) {
        return std::string("not a regular file");
    }
    size = static_cast<std::uintmax_t>(info.st_size);
    return std::nullopt;
}

int cmdFirmware(const Options& options, Reporter& report) {
    if (options.arguments.size() != 1) {
        throw UsageError("firmware needs one FILE");
    }
    const std::string& file = options.arguments.front();
    const auto path = utf8ToUtf16(file);
    if (!path) {
        return report.failure(kExitInvalidValue, nullptr, file + ": the name is not valid UTF-8");
    }
    std::uintmax_t size = 0;
    if (const auto problem = firmwareFileProblem(file, size)) {
        return report.failure(QV_ERR_FILE_NOT_FIND, "PO_QV_ERR_FILE_NOT_FIND",
                              file + ": " + *problem, {{"file", file}, {"reason", *problem}});
    }
    if (const auto refused = confirmFirst(options, report, "")) {
        return *refused;
    }
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
                  static_cast<unsigned long long>(size), seconds);
    return report.success(
        {{"file", file}, {"bytes", size}, {"seconds", seconds}, {"message", message}},
        message + details.data());
}

constexpr const char* kOptionsHelp = R"(
Options:
  --json                     one JSON object on standard output (list: one array)
  --device PATH              use this device node (as QV410_DEVICE=PATH)
  --serial SERIAL            use the attached printer with this serial number
                             (as QV410_SERIAL=SERIAL)
  --simulator                use the built-in simulated printer (as QV410_DEVICE=simulator)
  --all                      run the command on every attached printer in turn
                             (not with --device, --serial or --simulator)
  -y, --yes                  do not ask before factory-reset or firmware
  -h, --help                 this help, or a command's help after the command
  --version                  the version

With several printers attached and none chosen, a command uses the first and says so.
With --all each printer gets its block (JSON: an array of objects, each with node and
serialNumber); the exit status is 0 when all succeeded, else the first failure's.

Exit status: 0 success; 1 invalid parameter; 2 file not found; 3 not a firmware file;
4 not confirmed; 50 printer not found; 51 cannot open the printer; 52 write failed;
53 no reply; 54 not acknowledged; 55 firmware does not acknowledge; 56 printer not ready;
64 usage; 65 invalid value; 66 profile unreadable; 70 internal error; 73 output file not
written.
)";

const std::array<Command, 15> kCommands = {{
    {"list", "list", "every attached printer: node, serial number, status, access",
     "Lists every attached QV-410: its device node, serial number, type, firmware\n"
     "version and status, and whether you can open it (with the udev hint when\n"
     "not). Exit status 50 when none is attached.\n",
     cmdList, false},
    {"check", "check", "test the connection",
     "Sends the connection test and waits for the printer's answer.\n", cmdCheck, true},
    {"info", "info", "type, serial number, firmware, printed length, status",
     "Shows the printer type, serial number, firmware version, printed length\nin metres and "
     "the status (the first fault in the order pause, paper jam,\nvoltage, paper out, cover "
     "open, overheat, memory test).\n",
     cmdInfo, true},
    {"settings", "settings [--save FILE [--force]]",
     "the thirteen stored print settings (--save: a profile)",
     "Shows the thirteen stored print settings. --save FILE also writes them as a\n"
     "profile (JSON: formatVersion, the settings by name, and for reference the\n"
     "printer's type, serial number, firmware and the time read) for qv410 apply.\n"
     "The file is written whole or not at all; an existing one is replaced only\n"
     "with --force (exit status 73 otherwise).\n",
     cmdSettings, true},
    {"apply", "apply [--dry-run] FILE|-", "write a saved profile's settings (- reads stdin)",
     "Reads a profile (written by settings --save; - reads standard input) and\n"
     "checks it whole: an unknown format version, a missing or unknown setting, a\n"
     "value of the wrong type or out of range, anything after the object or more\n"
     "than 64 KiB are refused with 65, naming the field, before anything is sent.\n"
     "Then reads the printer's settings, prints each difference (labelHeight:\n"
     "60 -> 40), writes all thirteen only when something differs, waits for the\n"
     "acknowledgement and reads them back: 54 unless they equal the profile.\n"
     "--dry-run prints the differences and sends nothing but the read. Values may\n"
     "be numbers or the words of set:\n\n",
     cmdApply, true, false, true, prepareApply},
    {"set", "set NAME=VALUE...", "change print settings (see qv410 set --help)",
     "Reads the stored settings, changes the named ones, checks all thirteen and\nwrites them. "
     "Nothing is sent for an unknown name or invalid value.\nWords may be written in any case.\n\n",
     cmdSet, true, false, true},
    {"beep", "beep on|off", "buzzer on or off", "Turns the buzzer on or off.\n", cmdBeep, true},
    {"factory-reset", "factory-reset [--yes]", "restore the factory settings (asks first)",
     "Restores the factory settings. Asks on a terminal; elsewhere it needs --yes.\n"
     "With --all it asks once, naming every printer.\n",
     cmdFactoryReset, true, true},
    {"learn", "learn label|paper", "label learning or paper-out learning",
     "label: label learning (the printer must be ready); paper: paper-out learning.\n", cmdLearn,
     true},
    {"dump", "dump on|off", "dump mode on or off", "Turns dump mode on or off.\n", cmdDump, true},
    {"head-check", "head-check", "count the print head's bad points",
     "Counts the bad points of the print head.\n", cmdHeadCheck, true},
    {"self-test", "self-test", "print the self-test page",
     "Prints the self-test page (the printer must be ready).\n", cmdSelfTest, true},
    {"print-text", "print-text [--width MM] [--height MM] TEXT...",
     "print a label with a text (- reads standard input)",
     "Prints the words of TEXT, separated by spaces, on a label of WIDTH by\nHEIGHT millimetres "
     "(defaults 50 and 30, each 0 to 255). TEXT - reads the text\nfrom standard input; its "
     "lines become lines on the label.\n",
     cmdPrintText, true},
    {"firmware", "firmware FILE", "write new firmware into the printer (asks first)",
     "Writes the firmware in FILE into the printer and waits for its answer.\nAsks first on a "
     "terminal, naming the file and its size; elsewhere it needs\n--yes. With --all it asks "
     "once, naming every printer.\n",
     cmdFirmware, true, true},
    {"metrics", "metrics [--output FILE]", "printer health in the Prometheus text format",
     "Prints the health of every attached printer in the Prometheus text format\n"
     "(node_exporter's textfile collector), labelled by serial number and node:\n"
     "qv410_up (with a reason label when 0), qv410_status, qv410_status_bit (one\n"
     "per condition), qv410_printed_length_meters_total and qv410_printer_info\n"
     "(type, firmware). A printer that cannot be opened or does not answer shows\n"
     "as up 0. --output FILE writes it whole or not at all (a temporary file\n"
     "beside it, renamed over it).\n",
     cmdMetrics, false},
}};

}  // namespace

std::span<const Command> commandTable() {
    return kCommands;
}

const Command* findCommand(std::string_view name) {
    const auto found = std::find_if(kCommands.begin(), kCommands.end(),
                                    [name](const Command& c) { return name == c.name; });
    return found == kCommands.end() ? nullptr : &*found;
}

std::string toolHelp() {
    std::string text =
        "Usage: qv410 [OPTIONS] COMMAND [ARGUMENTS]\n\n"
        "Settings and maintenance of the QV-410 USB label printer.\n\nCommands:\n";
    for (const Command& command : kCommands) {
        std::string line = std::string("  ") + command.synopsis;
        // The summary starts in column 30, or on a line of its own after a long synopsis.
        constexpr std::size_t kColumn = 29;
        if (line.size() + 1 > kColumn) {
            line += "\n" + std::string(kColumn, ' ');
        } else {
            line += std::string(kColumn - line.size(), ' ');
        }
        text += line + command.summary + "\n";
    }
    return text + kOptionsHelp;
}

std::string commandHelp(const Command& command) {
    return std::string("Usage: qv410 ") + command.synopsis + "\n\n" + command.help +
           (command.listsSettings ? settingsHelp() : "");
}

std::string confirmationQuestion(const Options& options, const std::string& printers) {
    std::string question;
    if (options.command == "firmware" && !options.arguments.empty()) {
        const std::string& file = options.arguments.front();
        std::uintmax_t size = 0;
        const std::string bytes = firmwareFileProblem(file, size)
                                      ? std::string()
                                      : " (" + std::to_string(size) + " bytes)";
        question = "Write the firmware " + file + bytes + " into " +
                   (printers.empty() ? std::string("the printer") : printers) + "? [y/N]";
    } else {
        question = catalogText("PO_GSTR_CLI_CONFIRM_FACTORY_RESET");
        if (!printers.empty()) {
            question = printers + ": " + question;
        }
    }
    return question;
}

std::optional<int> confirmFirst(const Options& options, Reporter& report,
                                const std::string& printers) {
    if (options.yes) {
        return std::nullopt;
    }
    const bool firmware = options.command == "firmware";
    if (::isatty(STDIN_FILENO) == 0) {
        if (firmware) {
            return report.failure(kExitNotConfirmed, nullptr,
                                  "Writing firmware needs --yes when there is no terminal to ask "
                                  "on; nothing was sent.");
        }
        return report.failure(kExitNotConfirmed, "PO_GSTR_CLI_NEEDS_YES",
                              catalogText("PO_GSTR_CLI_NEEDS_YES"));
    }
    if (!confirmedOnTerminal(confirmationQuestion(options, printers))) {
        return report.failure(kExitNotConfirmed, "PO_GSTR_CLI_NOT_CONFIRMED",
                              catalogText("PO_GSTR_CLI_NOT_CONFIRMED"));
    }
    return std::nullopt;
}

}  // namespace qv410
