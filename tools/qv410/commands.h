// The commands of qv410: one table of {name, summary, help, run}, from which the general help,
// each command's help and the dispatch are all taken.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "options.h"
#include "reporter.h"

namespace qv410 {

struct Command {
    const char* name;
    const char* synopsis;  // the command with its arguments, as the general help lists it
    const char* summary;   // one line for the general help
    const char* help;      // the command's own help, after its usage line
    int (*run)(const Options&, Reporter&);
    bool needsPrinter;           // false: runs without choosing a printer first (list, metrics)
    bool asksFirst = false;      // asks before it runs: with --all, once for every printer
    bool listsSettings = false;  // its help ends with the table of settings
    // Runs once before any printer is chosen (reads and checks input); the exit status of a
    // failure it reported, or nothing.
    std::optional<int> (*prepare)(Options&, Reporter&) = nullptr;
};

std::span<const Command> commandTable();
const Command* findCommand(std::string_view name);

// The general help, its command list taken from the table.
std::string toolHelp();
// "Usage: qv410 SYNOPSIS\n\nHELP".
std::string commandHelp(const Command& command);

// Asks once on the terminal (or refuses without one and without --yes) before a command that
// asks first; question names what it is about to do. Nothing when it may go on.
std::optional<int> confirmFirst(const Options& options, Reporter& report,
                                const std::string& question);
// The question factory-reset or firmware asks, about these printers ("" for the one in use).
std::string confirmationQuestion(const Options& options, const std::string& printers);

}  // namespace qv410
