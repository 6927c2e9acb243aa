#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string_view>

#include "device/simulated_printer.h"
#include "test_platform.h"

// After the layer's headers: the platform's macros would otherwise rewrite the layer's names.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace test {

namespace {

using Clock = std::chrono::steady_clock;

struct WindowSearch {
    DWORD process = 0;
    ::HWND owner = nullptr;  // the window sought is owned by this one (nullptr: by none)
    ::HWND found = nullptr;
};

BOOL CALLBACK matchDialog(::HWND window, LPARAM data) {
    auto* search = reinterpret_cast<WindowSearch*>(data);  // NOLINT(performance-no-int-to-ptr)
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t name[16] = {};
    if (process == search->process && IsWindowVisible(window) != FALSE &&
        GetClassNameW(window, name, 16) != 0 && std::wstring_view(name) == L"#32770" &&
        GetWindow(window, GW_OWNER) == search->owner) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// The shown dialog of the process owned by owner, waited for until deadline or until the
// process ends; nullptr then.
::HWND awaitDialog(const PROCESS_INFORMATION& process, ::HWND owner, Clock::time_point deadline) {
    for (;;) {
        WindowSearch search{process.dwProcessId, owner, nullptr};
        EnumWindows(matchDialog, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) {
            return search.found;
        }
        // Woken early when the process ends.
        if (Clock::now() >= deadline ||
            WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0) {
            return nullptr;
        }
    }
}

std::wstring widen(const char* text) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 1), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), n);
    wide.resize(wide.size() - 1);
    return wide;
}

}  // namespace

int processId() {
    return static_cast<int>(GetCurrentProcessId());
}

std::filesystem::path makeTemporaryFolder(const std::string& stem) {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (unsigned attempt = 0; attempt < 1000; ++attempt) {
        std::filesystem::path folder =
            base / (stem + "-" + std::to_string(processId()) + "-" + std::to_string(attempt));
        // False when the folder is already there: another name then.
        if (std::filesystem::create_directory(folder)) {
            return folder;
        }
    }
    throw std::runtime_error("no temporary folder for " + stem);
}

void askToCloseFromOutside(ui::HWND mainDialog) {
    PostMessageW(reinterpret_cast<::HWND>(mainDialog), WM_CLOSE, 0, 0);
}

ProgramRun runProgramAndClose(const char* program, CloseRequest request, int command) {
    ProgramRun run;
    std::wstring path = widen(program);
    for (wchar_t& c : path) {
        c = c == L'/' ? L'\\' : c;
    }
    std::wstring commandLine = L"\"" + path + L"\"";
    _putenv_s("QV410_DEVICE", "simulator");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       nullptr, &startup, &process) == FALSE) {
        run.failure = "the program did not start (error " + std::to_string(GetLastError()) + ")";
        return run;
    }
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(30);
    WaitForInputIdle(process.hProcess, 30000);
    ::HWND main = awaitDialog(process, nullptr, deadline);
    if (main == nullptr) {
        run.failure = "the main dialog was never shown";
    } else if (command != 0) {
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
        if (awaitDialog(process, main, deadline) == nullptr) {
            run.failure = "the command opened no dialog over the main dialog";
        }
    }
    if (run.failure.empty()) {
        if (request == CloseRequest::close) {
            PostMessageW(main, WM_CLOSE, 0, 0);
        } else {
            PostMessageW(main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
        }
        if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0) {
            run.failure = "the program did not end when asked to close";
        }
    }
    if (!run.failure.empty()) {
        TerminateProcess(process.hProcess, 99);
        WaitForSingleObject(process.hProcess, 30000);
    }
    DWORD code = 0;
    if (GetExitCodeProcess(process.hProcess, &code) != FALSE && run.failure.empty()) {
        run.exitCode = static_cast<int>(code);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return run;
}

SimulatorPrinterProcess::SimulatorPrinterProcess() {
    const auto printer = qv::sim::processSimulator();
    printer->with([](qv::sim::PrinterEngine& engine) {
        engine.state() = qv::sim::PrinterState{};
        engine.state().settings = qv::sim::factorySettings();
        engine.faults() = qv::sim::Faults{};
        engine.clearReceived();
    });
    // Replies an earlier test left unread.
    std::array<uint8_t, 64> buffer{};
    for (std::size_t n = printer->pendingReplies(); n > 0; --n) {
        std::size_t got = 0;
        printer->read(qv::sim::SimulatedPrinter::kPath, buffer, std::chrono::seconds(1), got);
    }
}

std::vector<std::string> SimulatorPrinterProcess::received() {
    std::vector<std::string> lines;
    for (const qv::sim::Received& r : qv::sim::processSimulator()->received()) {
        switch (r.kind) {
            case qv::sim::Received::Kind::command:
            case qv::sim::Received::Kind::garbage: {
                std::string line =
                    r.kind == qv::sim::Received::Kind::command ? "command " : "garbage ";
                for (uint8_t b : r.bytes) {
                    std::array<char, 3> hex{};
                    std::snprintf(hex.data(), hex.size(), "%02x", b);
                    line += hex.data();
                }
                lines.push_back(line);
                break;
            }
            case qv::sim::Received::Kind::job:
                lines.push_back("job " + std::to_string(r.size));
                break;
            case qv::sim::Received::Kind::firmware:
                lines.push_back("firmware " + std::to_string(r.size));
                break;
        }
    }
    return lines;
}

void SimulatorPrinterProcess::control(const std::string& line) {
    if (line != "unplug") {
        throw std::runtime_error("control line not understood: " + line);
    }
    qv::sim::processSimulator()->with(
        [](qv::sim::PrinterEngine& engine) { engine.faults().unopenable = true; });
}

}  // namespace test
