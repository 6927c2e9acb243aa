// Process start to main dialog shown. Each iteration starts the program on the offscreen
// platform with SIGTERM already pending (blocked at start); the program takes it once its loop
// runs, right after the main dialog is shown, and closes. So an iteration is start-up, showing,
// and an orderly close; the minimal Qt program does the same with one empty dialog.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>

extern char** environ;

namespace {

int runOnce(const char* program, bool pendingTerm, const char* argument = nullptr) {
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t mask;
    sigemptyset(&mask);
    if (pendingTerm) {
        sigaddset(&mask, SIGTERM);
    }
    posix_spawnattr_setsigmask(&attributes, &mask);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    char* argv[] = {const_cast<char*>(program), const_cast<char*>(argument), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, program, nullptr, &attributes, argv, environ) != 0) {
        posix_spawnattr_destroy(&attributes);
        return -1;
    }
    posix_spawnattr_destroy(&attributes);
    if (pendingTerm) {
        kill(pid, SIGTERM);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void prepareEnvironment() {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("QV410_DEVICE", "simulator", 1);
}

void BM_SettingsProgram_StartToMainDialogShown(benchmark::State& state) {
    prepareEnvironment();
    for (auto _ : state) {
        if (runOnce(QV_PROGRAM, true) != 2) {
            state.SkipWithError("the program did not close with exit code 2");
            break;
        }
    }
}

void BM_MinimalQtDialog_StartToDialogShown(benchmark::State& state) {
    prepareEnvironment();
    for (auto _ : state) {
        if (runOnce(QV_MINIMAL_PROGRAM, false) != 2) {
            state.SkipWithError("the minimal program did not end normally");
            break;
        }
    }
}

// The same with one line of text: Qt's font database is loaded then, as for any dialog with text.
void BM_MinimalQtDialogWithText_StartToDialogShown(benchmark::State& state) {
    prepareEnvironment();
    for (auto _ : state) {
        if (runOnce(QV_MINIMAL_PROGRAM, false, "--label") != 2) {
            state.SkipWithError("the minimal program did not end normally");
            break;
        }
    }
}

BENCHMARK(BM_MinimalQtDialogWithText_StartToDialogShown)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(1.0)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_MinimalQtDialog_StartToDialogShown)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(1.0)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_SettingsProgram_StartToMainDialogShown)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(1.0)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
