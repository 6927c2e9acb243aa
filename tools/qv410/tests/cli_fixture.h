// The fixture of qv410's tests: the real binary run as a user runs it, against the simulated
// printer in the library (--simulator) or printers served on a pty by qv410-pty-printer.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <vector>

#include "pty_printer_process.h"
#include "run_program.h"

namespace qv410::testing {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

inline constexpr uid_t kNobody = 65534;

// A temporary folder removed with the test.
class TempDir {
  public:
    TempDir() {
        std::string pattern = fs::temp_directory_path() / "qv410-cli-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

// Run options, spelled out where a test needs them.
inline ProgramOptions withInput(std::string input, bool terminal = false) {
    ProgramOptions options;
    options.input = std::move(input);
    options.terminalInput = terminal;
    return options;
}
inline ProgramOptions asUser(uid_t user) {
    ProgramOptions options;
    options.user = user;
    return options;
}
inline ProgramOptions withEnvironment(const std::string& name, const std::string& value) {
    ProgramOptions options;
    options.environment[name] = value;
    return options;
}

class Qv410Test : public ::testing::Test {
  protected:
    // English, and no printer anywhere unless a test provides one.
    ProgramRun run(const std::vector<std::string>& arguments, ProgramOptions options = {}) {
        options.environment.try_emplace("LC_ALL", "C");
        options.environment.try_emplace("LANGUAGE", std::nullopt);
        options.environment.try_emplace("QV410_DEVICE", std::nullopt);
        options.environment.try_emplace("QV410_ROOT", emptyRoot_.path().string());
        return runProgram(QV410_PATH, arguments, options);
    }

    // The printer on a pty; later runs talk to it.
    qv::testing::PtyPrinterProcess& startPrinter(const std::vector<std::string>& arguments = {}) {
        printer_ = std::make_unique<qv::testing::PtyPrinterProcess>(arguments);
        return *printer_;
    }
    ProgramRun runOnPty(const std::vector<std::string>& arguments, ProgramOptions options = {}) {
        options.environment["QV410_ROOT"] = printer_->root();
        return run(arguments, std::move(options));
    }

    static Json parseJson(const ProgramRun& run) {
        // One object on one line.
        EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1) << run.out;
        Json value = Json::parse(run.out, nullptr, false);
        EXPECT_TRUE(value.is_object()) << run.out;
        return value;
    }

    TempDir emptyRoot_;
    std::unique_ptr<qv::testing::PtyPrinterProcess> printer_;
};

}  // namespace qv410::testing
