// qv410: the QV-410 settings and maintenance operations from the command line, one subcommand
// per operation, each a call of the link library's exports. The tool knows the printer only
// through those exports and the records of the public header.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>

#include "catalog.h"
#include "commands.h"
#include "options.h"
#include "printers.h"
#include "reporter.h"

namespace {

using namespace qv410;

int run(int argc, char** argv) {
    Options options;
    bool json = false;
    for (int i = 1; i < argc; ++i) {
        json = json || std::string_view(argv[i]) == "--json";
    }
    try {
        options = parseArguments(argc, argv, std::getenv("QV410_SERIAL"));
    } catch (const UsageError& e) {
        Reporter report(json, "");
        return report.failure(kExitUsage, nullptr, std::string(e.what()) + " (see qv410 --help)");
    }
    if (options.version) {
        std::printf("qv410 %s\n", QV410_VERSION);
        return kExitOk;
    }
    Reporter report(options.json, options.command);
    const Command* command = findCommand(options.command);
    // An unknown command is a usage fault whatever follows it, --help included.
    if (command == nullptr && !(options.help && options.command.empty())) {
        return report.failure(kExitUsage, nullptr,
                              (options.command.empty() ? std::string("no command")
                                                       : "unknown command " + options.command) +
                                  " (see qv410 --help)");
    }
    if (options.help) {
        std::fputs((command != nullptr ? commandHelp(*command) : toolHelp()).c_str(), stdout);
        return kExitOk;
    }
    // The library picks its device at its first call.
    if (options.simulator) {
        setenv("QV410_DEVICE", "simulator", 1);
    } else if (options.device) {
        setenv("QV410_DEVICE", options.device->c_str(), 1);
    }
    try {
        if (command->prepare != nullptr) {
            if (const auto failed = command->prepare(options, report)) {
                return *failed;
            }
        }
        if (options.all) {
            return runOnEveryPrinter(*command, options, report);
        }
        if (command->needsPrinter) {
            if (const auto failed = choosePrinter(options, report)) {
                return *failed;
            }
        }
        return command->run(options, report);
    } catch (const UsageError& e) {
        return report.failure(
            kExitUsage, nullptr,
            std::string(e.what()) + " (see qv410 " + options.command + " --help)");
    }
}

}  // namespace

int main(int argc, char** argv) {
    qv410::bindCatalog();
    int status = qv410::kExitInternal;
    try {
        status = run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qv410: %s\n", e.what());
    }
    // A result that never reached its reader (a full disk, a closed pipe) is no success.
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        std::fprintf(stderr, "qv410: cannot write to standard output\n");
        return status == qv410::kExitOk ? qv410::kExitInternal : status;
    }
    return status;
}
