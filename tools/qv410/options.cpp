#include "options.h"

#include <string_view>

namespace qv410 {

Options parseArguments(int argc, const char* const* argv, const char* serialFromEnvironment) {
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
        } else if (is("--serial")) {
            options.serial = value("--serial");
            if (options.serial->empty()) {
                throw UsageError("--serial needs a serial number");
            }
        } else if (arg == "--all") {
            options.all = true;
        } else if (arg == "--dry-run") {
            options.dryRun = true;
        } else if (arg == "--force") {
            options.force = true;
        } else if (is("--save")) {
            options.save = value("--save");
        } else if (is("--output")) {
            options.output = value("--output");
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
    // A node named on the command line is one printer already; a serial number chooses among
    // those found.
    if (options.serial && (options.device || options.simulator)) {
        throw UsageError(std::string("--serial and ") +
                         (options.device ? "--device" : "--simulator") + " exclude each other");
    }
    // --all is every printer found: naming one printer as well contradicts it.
    if (options.all && (options.device || options.simulator || options.serial)) {
        const char* other = options.device      ? "--device"
                            : options.simulator ? "--simulator"
                                                : "--serial";
        throw UsageError(std::string("--all and ") + other + " exclude each other");
    }
    // Like --device, --all wins over QV410_SERIAL.
    if (!options.serial && !options.device && !options.simulator && !options.all &&
        serialFromEnvironment != nullptr && *serialFromEnvironment != '\0') {
        options.serial = serialFromEnvironment;
    }
    if ((options.width || options.height) && options.command != "print-text") {
        throw UsageError("--width and --height belong to print-text");
    }
    if (options.dryRun && options.command != "apply") {
        throw UsageError("--dry-run belongs to apply");
    }
    if (options.save && options.command != "settings") {
        throw UsageError("--save belongs to settings");
    }
    if (options.save && options.save->empty()) {
        throw UsageError("--save needs a file name");
    }
    if (options.force && !options.save) {
        throw UsageError("--force belongs to settings --save");
    }
    if (options.output && options.command != "metrics") {
        throw UsageError("--output belongs to metrics");
    }
    if (options.output && options.output->empty()) {
        throw UsageError("--output needs a file name");
    }
    return options;
}

}  // namespace qv410
