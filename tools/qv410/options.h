// The command line of qv410: options anywhere, one command, its arguments.
#pragma once

#include <exception>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "printer_model/print_settings.h"

namespace qv410 {

struct Options {
    bool json = false;
    bool yes = false;
    bool help = false;
    bool version = false;
    std::optional<std::string> device;
    std::optional<std::string> serial;  // --serial, else QV410_SERIAL
    bool simulator = false;
    std::optional<std::string> width;
    std::optional<std::string> height;
    bool all = false;                   // every attached printer, one after the other
    bool dryRun = false;                // apply: show the differences, write nothing
    std::optional<std::string> save;    // settings: write a profile here
    bool force = false;                 // settings --save: replace an existing file
    std::optional<std::string> output;  // metrics: write atomically to this file
    std::string command;
    std::vector<std::string> arguments;
    // apply: the profile's values, read and checked before any printer is chosen.
    std::optional<qv::model::SettingValues> profile;
};

class UsageError : public std::exception {
  public:
    explicit UsageError(std::string what) : what_(std::move(what)) {}
    const char* what() const noexcept override { return what_.c_str(); }

  private:
    std::string what_;
};

// Options may stand anywhere; "--" ends them. serialFromEnvironment is QV410_SERIAL, taken when
// no --serial is given and no device is named. Throws UsageError.
Options parseArguments(int argc, const char* const* argv, const char* serialFromEnvironment);

}  // namespace qv410
