#include "printers.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "QVSettingToolDll.h"
#include "app/printer_status.h"
#include "catalog.h"
#include "error_message_ids.h"
#include "utf.h"

namespace qv410 {

namespace {

// For messages only: the node the commands talk to.
std::optional<std::string> gNodeInUse;

// What the library leaves in errno when another program kept the printer past its wait.
constexpr const char* kInUseReason = "in use by another program";

std::string textOf(const QVWCHAR* text, std::size_t units) {
    return utf16ToUtf8(text, units);
}

const char* kindOf(mode_t mode) {
    if (S_ISREG(mode)) {
        return "a regular file";
    }
    if (S_ISDIR(mode)) {
        return "a directory";
    }
    if (S_ISFIFO(mode)) {
        return "a FIFO";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
    if (S_ISBLK(mode)) {
        return "a block device";
    }
    return "not a device";
}

bool selectPrinter(const std::string& node) {
    const auto wide = utf8ToUtf16(node);
    errno = 0;  // a failure's reason is then the library's own
    return wide && QVSelectPrinterPath(wide->c_str()) != 0;
}

struct Identity {
    std::string serial;
    std::optional<int32_t> failure;  // the library's code when the printer did not answer
};

std::string statusHex(int32_t status) {
    std::array<char, 16> hex{};
    std::snprintf(hex.data(), hex.size(), "0x%02X", static_cast<unsigned>(status) & 0xFFu);
    return hex.data();
}

}  // namespace

std::vector<std::string> attachedPrinters() {
    std::vector<std::string> paths;
    const int32_t count = QVListPrinterPaths(nullptr, 0);
    if (count <= 0) {
        return paths;
    }
    std::vector<std::array<QVWCHAR, QV_DEVICE_PATH_LEN>> listed(static_cast<std::size_t>(count));
    // A printer plugged in between the two calls makes the room too small: then none is listed
    // rather than a wrong list.
    auto* rows = reinterpret_cast<QVWCHAR(*)[QV_DEVICE_PATH_LEN]>(listed.data());
    const int32_t written = QVListPrinterPaths(rows, count);
    for (int32_t i = 0; i < written && i < count; ++i) {
        paths.push_back(textOf(listed[static_cast<std::size_t>(i)].data(), QV_DEVICE_PATH_LEN));
    }
    return paths;
}

std::optional<NodeProblem> nodeProblem(const std::string& node) {
    struct stat info {};
    if (::stat(node.c_str(), &info) != 0) {
        return NodeProblem{std::strerror(errno), errno == EACCES};
    }
    if (!S_ISCHR(info.st_mode)) {
        return NodeProblem{std::string("not a character device but ") + kindOf(info.st_mode)};
    }
    const int fd = ::open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        if (error == EBUSY) {
            return NodeProblem{kInUseReason};
        }
        return NodeProblem{std::strerror(error), error == EACCES || error == EPERM};
    }
    // Another program's claim on a node that lets several open it.
    const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    if (locked) {
        return NodeProblem{kInUseReason};
    }
    return std::nullopt;
}

int libraryFailure(Reporter& report) {
    const int savedErrno = errno;  // the failed write's reason, before anything else runs
    const int32_t code = BaseGetQVError();
    const char* id = qv::errorMessageId(code);
    if (code == QV_ERR_SUCCESS || id == nullptr) {
        return report.failure(kExitInternal, nullptr, "the library failed without an error code");
    }
    std::string message = errorText(code);
    Json extra = Json::object();
    if (code == QV_ERR_CANNOT_OPEN_USB_PRINTER && gNodeInUse) {
        const std::string& node = *gNodeInUse;
        // The other program may be done by now: the library's own reason is the one that held.
        const auto problem = savedErrno == EBUSY
                                 ? std::optional<NodeProblem>(NodeProblem{kInUseReason})
                                 : nodeProblem(node);
        extra["node"] = node;
        if (problem && problem->permissionDenied) {
            message += " " + catalogText("PO_GSTR_CLI_PERMISSION_DENIED") + " " + node;
            extra["reason"] = problem->reason;
            extra["hint"] = catalogText("PO_GSTR_CLI_PERMISSION_HINT");
        } else if (problem) {
            message += " (" + node + ": " + problem->reason + ")";
            extra["reason"] = problem->reason;
        } else {
            message += " (" + node + ")";
        }
    } else if (code == QV_ERR_WRITE_USB_FAIL && gNodeInUse) {
        extra["node"] = *gNodeInUse;
        message += " (" + *gNodeInUse;
        if (savedErrno != 0) {
            extra["reason"] = std::strerror(savedErrno);
            message += std::string(": ") + std::strerror(savedErrno);
        }
        message += ")";
    } else if (code == QV_ERR_PRINT_STATUS_IS_NOT_READY) {
        // The command found the printer not ready; ask once more which condition it is.
        int32_t status = 0;
        if (QVGetPrinterIsOK(&status) != 0 && status != 0) {
            const char* statusId = app::statusMessageId(status);
            const std::string condition = catalogText(statusId);
            message += " (" + condition + ")";
            extra["status"] = status;
            extra["statusMessageId"] = statusId;
            extra["statusText"] = condition;
        }
    }
    return report.failure(code, id, message, extra);
}

std::optional<int> choosePrinter(const Options& options, Reporter& report) {
    const std::vector<std::string> attached = attachedPrinters();
    if (!options.serial) {
        if (!attached.empty()) {
            gNodeInUse = attached.front();
        }
        if (attached.size() > 1) {
            report.setPrintersFound(static_cast<int>(attached.size()));
            if (!report.json()) {
                std::fprintf(stderr,
                             "qv410: %zu printers found; using the first, %s. Choose one with "
                             "--serial SERIAL (qv410 list shows them).\n",
                             attached.size(), attached.front().c_str());
            }
        }
        return std::nullopt;
    }
    // Each printer is asked for its serial number (after its version, as for any first packet);
    // nothing else is sent until the one wanted is found.
    Json found = Json::array();
    std::string foundText;
    // A printer another program kept past the wait may be the one asked for: that is then the
    // failure, not a serial number that is nowhere.
    std::optional<std::string> busyNode;
    for (const std::string& node : attached) {
        std::string serial;
        bool busy = !selectPrinter(node) && errno == EBUSY;
        if (!busy) {
            std::array<QVWCHAR, QV_PRINTER_TEXT_LEN> text{};
            errno = 0;
            if (QVGetPrinterSerialNum(text.data()) != 0) {
                serial = textOf(text.data(), text.size());
            } else {
                busy = BaseGetQVError() == QV_ERR_CANNOT_OPEN_USB_PRINTER && errno == EBUSY;
            }
        }
        if (!serial.empty() && serial == *options.serial) {
            gNodeInUse = node;
            return std::nullopt;
        }
        if (busy && !busyNode) {
            busyNode = node;
        }
        found.push_back({{"node", node}, {"serialNumber", serial.empty() ? Json() : Json(serial)}});
        foundText += foundText.empty() ? "" : ", ";
        foundText += (busy             ? std::string("(") + kInUseReason + ")"
                      : serial.empty() ? std::string("(no answer)")
                                       : serial) +
                     " at " + node;
    }
    if (busyNode) {
        return report.failure(QV_ERR_CANNOT_OPEN_USB_PRINTER, "PO_QV_ERR_CANNOT_OPEN_USB_PRINTER",
                              errorText(QV_ERR_CANNOT_OPEN_USB_PRINTER) + " (" + *busyNode + ": " +
                                  kInUseReason + "; serial number " + *options.serial +
                                  " not among the others: " + foundText + ")",
                              {{"node", *busyNode},
                               {"reason", kInUseReason},
                               {"serial", *options.serial},
                               {"printers", found}});
    }
    const std::string message =
        errorText(QV_ERR_NOT_FINE_USB_PRINTER) + " (serial number " + *options.serial + "; " +
        (attached.empty() ? std::string("no printer attached") : "attached: " + foundText) + ")";
    return report.failure(QV_ERR_NOT_FINE_USB_PRINTER, "PO_QV_ERR_NOT_FINE_USB_PRINTER", message,
                          {{"serial", *options.serial}, {"printers", found}});
}

int cmdList(const Options& options, Reporter& report) {
    if (!options.arguments.empty()) {
        throw UsageError("list takes no arguments");
    }
    const std::vector<std::string> attached = attachedPrinters();
    if (attached.empty()) {
        return report.failure(QV_ERR_NOT_FINE_USB_PRINTER, "PO_QV_ERR_NOT_FINE_USB_PRINTER",
                              errorText(QV_ERR_NOT_FINE_USB_PRINTER));
    }
    Json printers = Json::array();
    std::string text;
    for (const std::string& node : attached) {
        Json entry = {{"node", node}};
        text += node + "\n";
        if (!selectPrinter(node)) {
            const bool busy = errno == EBUSY;
            const auto problem =
                busy ? std::optional<NodeProblem>(NodeProblem{kInUseReason}) : nodeProblem(node);
            const std::string reason = problem ? problem->reason : errorText(BaseGetQVError());
            entry["canOpen"] = false;
            entry["reason"] = reason;
            text += "  cannot be opened: " + reason + "\n";
            if (problem && problem->permissionDenied) {
                entry["hint"] = catalogText("PO_GSTR_CLI_PERMISSION_HINT");
                text += "  " + catalogText("PO_GSTR_CLI_PERMISSION_HINT") + "\n";
            }
            printers.push_back(entry);
            continue;
        }
        entry["canOpen"] = true;
        PrinterInfo info{};
        if (QVGetPrinterInfo(&info) == 0) {
            const int32_t code = BaseGetQVError();
            entry["error"] = {{"code", code}, {"message", errorText(code)}};
            text += "  can be opened, but: " + errorText(code) + "\n";
            printers.push_back(entry);
            continue;
        }
        const std::string serial = textOf(info.serialNumber, QV_PRINTER_TEXT_LEN);
        const std::string type = textOf(info.printerType, QV_PRINTER_TEXT_LEN);
        const std::string firmware = textOf(info.firmwareVersion, QV_PRINTER_TEXT_LEN);
        const char* statusId = app::statusMessageId(info.status);
        const std::string statusText = catalogText(statusId);
        entry["serialNumber"] = serial;
        entry["printerType"] = type;
        entry["firmwareVersion"] = firmware;
        entry["status"] = info.status;
        entry["statusMessageId"] = statusId;
        entry["statusText"] = statusText;
        text += "  " + catalogText("PO_IDC_STATIC_PRINTER_SERIAL_NUMBER") + " " + serial + "\n";
        text += "  " + catalogText("PO_IDC_STATIC_PRINTER_TYPE") + " " + type + "\n";
        text +=
            "  " + catalogText("PO_IDC_STATIC_PRINTER_FIRMWARE_VERSION") + " " + firmware + "\n";
        text += "  " + catalogText("PO_IDC_STATIC_PRINTER_STATUS") + " " + statusText + " (" +
                statusHex(info.status) + ")\n";
        text += "  can be opened: yes\n";
        printers.push_back(entry);
    }
    if (report.json()) {
        // The list itself: one array, an object per printer.
        std::fprintf(stdout, "%s\n",
                     printers.dump(-1, ' ', false, Json::error_handler_t::replace).c_str());
        return kExitOk;
    }
    return report.success({}, text);
}

std::vector<PrinterSample> samplePrinters() {
    std::vector<PrinterSample> samples;
    for (const std::string& node : attachedPrinters()) {
        PrinterSample sample;
        sample.node = node;
        PrinterInfo info{};
        if (!selectPrinter(node)) {
            const auto problem = nodeProblem(node);
            sample.reason = problem ? problem->reason : errorText(BaseGetQVError());
        } else if (QVGetPrinterInfo(&info) == 0) {
            sample.reason = errorText(BaseGetQVError());
            // The serial number comes fourth: a printer that stopped earlier keeps it unknown.
            sample.serialNumber = textOf(info.serialNumber, QV_PRINTER_TEXT_LEN);
        } else {
            sample.up = true;
            sample.serialNumber = textOf(info.serialNumber, QV_PRINTER_TEXT_LEN);
            sample.printerType = textOf(info.printerType, QV_PRINTER_TEXT_LEN);
            sample.firmwareVersion = textOf(info.firmwareVersion, QV_PRINTER_TEXT_LEN);
            sample.status = info.status;
            sample.printedLength = info.printedLength;
        }
        samples.push_back(sample);
    }
    return samples;
}

int runOnEveryPrinter(const Command& command, Options options, Reporter& report) {
    if (!command.needsPrinter) {
        throw UsageError("--all does not go with " + options.command +
                         ", which covers every printer already");
    }
    if (options.save) {
        throw UsageError("--save takes the settings of one printer: choose it with --serial");
    }
    const std::vector<std::string> attached = attachedPrinters();
    if (attached.empty()) {
        return report.failure(QV_ERR_NOT_FINE_USB_PRINTER, "PO_QV_ERR_NOT_FINE_USB_PRINTER",
                              errorText(QV_ERR_NOT_FINE_USB_PRINTER));
    }
    // Each printer is asked its serial number first, so that every report names it.
    struct Printer {
        std::string node;
        std::optional<std::string> serial;
        bool opens = false;
    };
    std::vector<Printer> printers;
    std::string names;
    for (const std::string& node : attached) {
        Printer printer{node, std::nullopt, selectPrinter(node)};
        if (printer.opens) {
            std::array<QVWCHAR, QV_PRINTER_TEXT_LEN> text{};
            if (QVGetPrinterSerialNum(text.data()) != 0) {
                printer.serial = textOf(text.data(), text.size());
            }
        }
        names += (names.empty() ? "" : ", ") + node + " (" +
                 printer.serial.value_or("serial number unknown") + ")";
        printers.push_back(printer);
    }
    if (command.asksFirst) {
        const std::string who = std::to_string(printers.size()) + " printers: " + names;
        if (const auto refused = confirmFirst(options, report, who)) {
            return *refused;
        }
        options.yes = true;
    }

    Json results = Json::array();
    int status = kExitOk;
    for (const Printer& printer : printers) {
        Reporter one(report.json(), options.command);
        one.reportInto(&results,
                       {{"node", printer.node},
                        {"serialNumber", printer.serial ? Json(*printer.serial) : Json()}},
                       printer.node);
        if (!report.json()) {
            std::printf("%s== %s (%s)\n", &printer == &printers.front() ? "" : "\n",
                        printer.node.c_str(),
                        printer.serial.value_or("serial number unknown").c_str());
            std::fflush(stdout);
        }
        gNodeInUse = printer.node;
        int result = kExitOk;
        if (!selectPrinter(printer.node)) {
            // Never run it on whichever printer the library had before.
            const auto problem = nodeProblem(printer.node);
            const std::string reason = problem ? problem->reason : "cannot be opened";
            Json extra = {{"node", printer.node}, {"reason", reason}};
            if (problem && problem->permissionDenied) {
                extra["hint"] = catalogText("PO_GSTR_CLI_PERMISSION_HINT");
            }
            result = one.failure(QV_ERR_CANNOT_OPEN_USB_PRINTER,
                                 qv::errorMessageId(QV_ERR_CANNOT_OPEN_USB_PRINTER),
                                 errorText(QV_ERR_CANNOT_OPEN_USB_PRINTER) + " (" + printer.node +
                                     ": " + reason + ")",
                                 extra);
        } else {
            result = command.run(options, one);
        }
        if (status == kExitOk && result != kExitOk) {
            status = result;
        }
    }
    if (report.json()) {
        std::fprintf(stdout, "%s\n",
                     results.dump(-1, ' ', false, Json::error_handler_t::replace).c_str());
    }
    return status;
}

}  // namespace qv410
