// Figures of the settings program on Windows (run under Wine on the build machine), in one run:
//   1. process start to main dialog shown, against the minimal one-label dialog program, each
//      started the same number of times in turn, then closed with WM_CLOSE (exit code 2); any
//      floor programs given are started in the same turns and reported against the minimal one
//      (and the settings program against each of them),
//      which shows how much of the settings program's start-up any build of it must spend;
//   2. opening Set Printer and the printer information dialog from the main dialog's buttons
//      against the simulated printer (QV410_DEVICE=simulator), until the dialog is visible, and
//      closing it again.
//
//   windows_app_bench.exe SETTINGS_EXE MINIMAL_EXE [ITERATIONS [FLOOR_EXE...]]
//
// "Shown" for a program is the moment it first waits for input (WaitForInputIdle) with a
// visible top-level window: both programs show their dialog before their loop first waits. No
// notification of another process's new window reaches this one under Wine (out-of-context
// win-event hooks are not delivered), so a dialog's opening is found by looking for its window
// once a millisecond, a wait on the program's process handle that also ends if it dies.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <string>
#include <vector>

namespace {

constexpr DWORD kTimeoutMs = 30000;
constexpr int kSetPrinterButton = 1005;
constexpr int kPrinterInfoButton = 1006;

double nowMs() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / frequency;
}

struct Search {
    DWORD pid;
    HWND except;
    HWND found;
};

BOOL CALLBACK visibleTopLevelOf(HWND window, LPARAM parameter) {
    // EnumWindows hands its caller's pointer back as an integer.
    auto* search = reinterpret_cast<Search*>(parameter);  // NOLINT(performance-no-int-to-ptr)
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == search->pid && window != search->except && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// A visible top-level window of the process other than `except`, or null.
HWND findWindow(DWORD pid, HWND except = nullptr) {
    Search search{pid, except, nullptr};
    EnumWindows(visibleTopLevelOf, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

class Program {
  public:
    explicit Program(const std::wstring& path) {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        std::wstring commandLine = L"\"" + path + L"\"";
        if (CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           nullptr, &startup, &info_) == 0) {
            info_ = {};
        }
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    ~Program() {
        if (info_.hProcess != nullptr) {
            if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
                TerminateProcess(info_.hProcess, 255);
            }
            CloseHandle(info_.hThread);
            CloseHandle(info_.hProcess);
        }
    }

    bool started() const { return info_.hProcess != nullptr; }
    DWORD pid() const { return info_.dwProcessId; }

    // The main window once the program first waits for input, or null.
    HWND waitShown() const {
        if (WaitForInputIdle(info_.hProcess, kTimeoutMs) != 0) {
            return nullptr;
        }
        return findWindow(info_.dwProcessId);
    }

    // Waits up to kTimeoutMs for a window of the program other than `main` to be visible
    // (`appear`) or for none to be left (`!appear`).
    HWND waitOtherWindow(HWND main, bool appear) const {
        const double deadline = nowMs() + kTimeoutMs;
        while (nowMs() < deadline) {
            HWND other = findWindow(info_.dwProcessId, main);
            if ((other != nullptr) == appear) {
                return appear ? other : main;
            }
            if (WaitForSingleObject(info_.hProcess, 1) != WAIT_TIMEOUT) {
                return nullptr;  // the program ended
            }
        }
        return nullptr;
    }

    // Closes the program through its main window and returns its exit code (-1: no end).
    long closeWith(HWND main) const {
        PostMessageW(main, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(info_.hProcess, kTimeoutMs) != WAIT_OBJECT_0) {
            return -1;
        }
        DWORD code = 0;
        GetExitCodeProcess(info_.hProcess, &code);
        return static_cast<long>(code);
    }

  private:
    PROCESS_INFORMATION info_{};
};

struct Figures {
    std::vector<double> samples;

    double median() const {
        std::vector<double> sorted = samples;
        std::sort(sorted.begin(), sorted.end());
        const size_t n = sorted.size();
        return n == 0 ? 0.0
                      : (n % 2 == 1 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2);
    }
    double mean() const {
        return samples.empty() ? 0.0
                               : std::accumulate(samples.begin(), samples.end(), 0.0) /
                                     static_cast<double>(samples.size());
    }
    double min() const {
        return samples.empty() ? 0.0 : *std::min_element(samples.begin(), samples.end());
    }
    double max() const {
        return samples.empty() ? 0.0 : *std::max_element(samples.begin(), samples.end());
    }
    void print(const char* name) const {
        std::printf("%-44s n=%-3zu median %8.1f ms  mean %8.1f  min %8.1f  max %8.1f\n", name,
                    samples.size(), median(), mean(), min(), max());
    }
};

// One start of a program to its main window shown; false when it failed (said why).
bool timeStart(const std::wstring& path, Figures& figures) {
    const double start = nowMs();
    Program program(path);
    if (!program.started()) {
        std::fprintf(stderr, "cannot start %ls (error %lu)\n", path.c_str(), GetLastError());
        return false;
    }
    HWND main = program.waitShown();
    const double shown = nowMs();
    if (main == nullptr) {
        std::fprintf(stderr, "%ls showed no window\n", path.c_str());
        return false;
    }
    figures.samples.push_back(shown - start);
    const long code = program.closeWith(main);
    if (code != 2) {
        std::fprintf(stderr, "%ls ended with %ld after WM_CLOSE, not 2\n", path.c_str(), code);
        return false;
    }
    return true;
}

// Opens a modal dialog from a button of the main dialog `iterations` times; false on failure.
bool timeDialog(const Program& program, HWND main, int button, int iterations, Figures& figures) {
    HWND control = GetDlgItem(main, button);
    for (int i = 0; i < iterations; ++i) {
        const double start = nowMs();
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(control));
        HWND dialog = program.waitOtherWindow(main, true);
        const double shown = nowMs();
        if (dialog == nullptr) {
            std::fprintf(stderr, "button %d opened no dialog\n", button);
            return false;
        }
        figures.samples.push_back(shown - start);
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        if (program.waitOtherWindow(main, false) == nullptr) {
            std::fprintf(stderr, "the dialog of button %d did not close\n", button);
            return false;
        }
    }
    return true;
}

// The file name of a path, for the figures' labels.
std::string baseName(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    const std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    return {name.begin(), name.end()};  // the programs' names are ASCII
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(
            stderr,
            "usage: windows_app_bench SETTINGS_EXE MINIMAL_EXE [ITERATIONS [FLOOR_EXE...]]\n");
        return 2;
    }
    // Started in turn: the minimal program, the settings program, then the floors.
    std::vector<std::wstring> programs{argv[2], argv[1]};
    for (int i = 4; i < argc; ++i) {
        programs.emplace_back(argv[i]);
    }
    const std::wstring& settings = programs[1];
    const int iterations = argc > 3 ? std::max(1, _wtoi(argv[3])) : 10;
    SetEnvironmentVariableW(L"QV410_DEVICE", L"simulator");

    // One unmeasured start of each: the first start of a program loads what later ones share.
    Figures warmUp;
    for (const std::wstring& program : programs) {
        if (!timeStart(program, warmUp)) {
            return 1;
        }
    }
    std::vector<Figures> starts(programs.size());
    for (int i = 0; i < iterations; ++i) {
        // Each round begins with the next program, which evens out a drift of the machine's load.
        for (size_t k = 0; k < programs.size(); ++k) {
            const size_t which = (static_cast<size_t>(i) + k) % programs.size();
            if (!timeStart(programs[which], starts[which])) {
                return 1;
            }
        }
    }

    starts[0].print("minimal dialog program: start to shown");
    starts[1].print("QV-410SettingTool: start to main dialog shown");
    const double ratio = starts[1].median() / starts[0].median();
    std::printf("ratio of the medians: %.2fx (target at most 1.25x: %s)\n", ratio,
                ratio <= 1.25 ? "met" : "NOT met");
    for (size_t k = 2; k < programs.size(); ++k) {
        const std::string label = "floor " + baseName(programs[k]);
        starts[k].print(label.c_str());
        std::printf("  its ratio to the minimal program: %.2fx\n",
                    starts[k].median() / starts[0].median());
        const double toFloor = starts[1].median() / starts[k].median();
        std::printf("  the settings program's ratio to it: %.2fx", toFloor);
        // The floor that creates the main template bounds what the program itself may add.
        if (baseName(programs[k]) == "main_template_floor_dialog.exe") {
            std::printf(" (target at most 1.05x: %s)", toFloor <= 1.05 ? "met" : "NOT met");
        }
        std::printf("\n");
    }
    std::fflush(stdout);

    Figures setPrinter;
    Figures printerInfo;
    {
        Program program(settings);
        HWND main = program.started() ? program.waitShown() : nullptr;
        if (main == nullptr) {
            std::fprintf(stderr, "the settings program showed no main dialog\n");
            return 1;
        }
        // The first opening of each is not counted, as above.
        Figures first;
        if (!timeDialog(program, main, kSetPrinterButton, 1, first) ||
            !timeDialog(program, main, kPrinterInfoButton, 1, first) ||
            !timeDialog(program, main, kSetPrinterButton, iterations, setPrinter) ||
            !timeDialog(program, main, kPrinterInfoButton, iterations, printerInfo)) {
            return 1;
        }
        if (program.closeWith(main) != 2) {
            std::fprintf(stderr, "the settings program did not end with 2\n");
            return 1;
        }
    }

    setPrinter.print("Set Printer: button to dialog shown");
    printerInfo.print("printer information: button to dialog shown");
    return 0;
}
