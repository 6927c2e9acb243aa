#include "run_program.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace qv410::testing {

namespace {

std::vector<std::string> childEnvironment(const ProgramOptions& options) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        if (!options.environment.contains(name)) {
            env.push_back(entry);
        }
    }
    for (const auto& [name, value] : options.environment) {
        if (value) {
            env.push_back(name + "=" + *value);
        }
    }
    return env;
}

void closeIfOpen(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

}  // namespace

ProgramRun runProgram(const std::string& path, const std::vector<std::string>& arguments,
                      const ProgramOptions& options) {
    // Everything the child needs is built before fork: it only calls async-signal-safe functions.
    std::vector<std::string> env = childEnvironment(options);
    std::vector<char*> envp;
    envp.reserve(env.size() + 1);
    for (auto& e : env) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);
    std::vector<std::string> args = {path};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);

    int in[2] = {-1, -1};
    int out[2] = {-1, -1};
    int err[2] = {-1, -1};
    int terminal = -1;
    int terminalChild = -1;
    if (options.terminalInput) {
        if (::openpty(&terminal, &terminalChild, nullptr, nullptr, nullptr) != 0) {
            throw std::runtime_error("openpty failed");
        }
    } else if (::pipe2(in, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    const int childIn = options.terminalInput ? terminalChild : in[0];

    const pid_t pid = ::fork();
    if (pid < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid == 0) {
        if (options.terminalInput) {
            ::setsid();
        }
        ::dup2(childIn, STDIN_FILENO);
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(err[1], STDERR_FILENO);
        if (options.user && (::setgroups(0, nullptr) != 0 || ::setgid(*options.user) != 0 ||
                             ::setuid(*options.user) != 0)) {
            ::_exit(126);
        }
        ::execve(path.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(childIn);
    ::close(out[1]);
    ::close(err[1]);
    int toChild = options.terminalInput ? terminal : in[1];
    // Small inputs fit the pipe or terminal buffer at once.
    std::size_t written = 0;
    while (written < options.input.size()) {
        const ssize_t n =
            ::write(toChild, options.input.data() + written, options.input.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        written += static_cast<std::size_t>(n);
    }
    if (!options.terminalInput) {
        closeIfOpen(toChild);
    }

    ProgramRun run;
    const auto deadline = std::chrono::steady_clock::now() + options.timeout;
    int fds[2] = {out[0], err[0]};
    std::string* sinks[2] = {&run.out, &run.err};
    bool timedOut = false;
    while (fds[0] >= 0 || fds[1] >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        std::array<pollfd, 2> polls = {{{fds[0], POLLIN, 0}, {fds[1], POLLIN, 0}}};
        const int ready = ::poll(polls.data(), polls.size(), static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        for (std::size_t i = 0; i < 2; ++i) {
            if (fds[i] < 0 || polls[i].revents == 0) {
                continue;
            }
            std::array<char, 4096> chunk{};
            const ssize_t n = ::read(fds[i], chunk.data(), chunk.size());
            if (n > 0) {
                sinks[i]->append(chunk.data(), static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                closeIfOpen(fds[i]);
            }
        }
    }
    closeIfOpen(fds[0]);
    closeIfOpen(fds[1]);
    if (timedOut) {
        ::kill(pid, SIGKILL);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    closeIfOpen(toChild);
    if (timedOut) {
        throw std::runtime_error(path + " did not end in time");
    }
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace qv410::testing
