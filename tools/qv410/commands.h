// The commands of qv410: one table of {name, summary, help, run}, from which the general help,
// each command's help and the dispatch are all taken.
#pragma once

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
    bool needsPrinter;  // false: runs without choosing a printer first (list)
};

std::span<const Command> commandTable();
const Command* findCommand(std::string_view name);

// The general help, its command list taken from the table.
std::string toolHelp();
// "Usage: qv410 SYNOPSIS\n\nHELP".
std::string commandHelp(const Command& command);

}  // namespace qv410
