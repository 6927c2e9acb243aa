// Which printer qv410 talks to: every attached printer as the library lists it, the choice by
// serial number, and what is wrong with a node that fails.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "commands.h"
#include "metrics.h"
#include "options.h"
#include "reporter.h"

namespace qv410 {

// The device path of every attached printer, in the library's order; empty when none is.
std::vector<std::string> attachedPrinters();

// What keeps a node from serving as the printer, in the system's words; nothing when it opens.
struct NodeProblem {
    std::string reason;
    bool permissionDenied = false;
};
std::optional<NodeProblem> nodeProblem(const std::string& node);

// Chooses the printer for a command: the one with options.serial, else the library's first (and
// with several attached, says so). Returns nothing when the command may go on, else the exit
// status of the failure it reported.
std::optional<int> choosePrinter(const Options& options, Reporter& report);

// A failed export: its error code is the exit status. The message names the node and the
// system's reason when the node could not be opened or written, and the condition when the
// printer is not ready.
int libraryFailure(Reporter& report);

// qv410 list: every attached printer with its identity, status and whether it can be opened.
int cmdList(const Options& options, Reporter& report);

// Identity, status and printed length of every attached printer, in the library's order; one
// that cannot be opened or does not answer is a sample that is not up, with the reason.
std::vector<PrinterSample> samplePrinters();

// --all: the command on each attached printer in turn, each reported by node and serial
// number; the exit status of the first failure, or 0.
int runOnEveryPrinter(const Command& command, Options options, Reporter& report);

}  // namespace qv410
