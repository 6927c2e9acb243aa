// Runs a program to its end with its output captured: arguments, environment changes, standard
// input from a string (a pipe) or from a terminal, and optionally as another user.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qv410::testing {

struct ProgramRun {
    int status = -1;  // exit status; -1 when it ended on a signal
    std::string out;
    std::string err;
};

struct ProgramOptions {
    // Set (or, with nullopt, removed) on top of this process's environment.
    std::map<std::string, std::optional<std::string>> environment;
    std::string input;
    // Standard input is a terminal that receives input, instead of a pipe.
    bool terminalInput = false;
    std::optional<uid_t> user;  // run as this user and its group (needs root)
    std::chrono::milliseconds timeout{30000};
};

// Throws std::runtime_error when the program cannot be started or outlives the timeout (it is
// killed then).
ProgramRun runProgram(const std::string& path, const std::vector<std::string>& arguments,
                      const ProgramOptions& options = {});

}  // namespace qv410::testing
