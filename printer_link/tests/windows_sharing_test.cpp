// Two programs on one printer under Windows: each export claims the printer for its whole
// exchange, so neither ever reads the other's reply. The printer is a named pipe shared the way
// a USB printer is: one protocol engine, and one way back for everything it sends.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "device/simulated_printer.h"

namespace {

// Every open of the path is a pipe instance of its own (the library opens a handle per call, to
// write or to read). What the printer sends goes to the newest open instance that has written
// nothing, a reader, as data on a real endpoint goes to whichever program reads next, and waits
// while there is none.
class SharedPipePrinter {
  public:
    SharedPipePrinter() {
        static std::atomic<int> counter{0};
        path_ = "\\\\.\\pipe\\qv410-shared-" + std::to_string(::GetCurrentProcessId()) + "-" +
                std::to_string(counter++);
        wide_.assign(path_.begin(), path_.end());
        stop_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        listening_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        acceptor_ = std::thread([this] { acceptLoop(); });
        ::WaitForSingleObject(listening_, 5000);
    }
    ~SharedPipePrinter() {
        ::SetEvent(stop_);
        acceptor_.join();
        std::vector<std::shared_ptr<Instance>> all;
        {
            std::lock_guard lock(mutex_);
            all = instances_;
        }
        for (auto& instance : all) {
            instance->thread.join();
            ::CloseHandle(instance->deliver);
        }
        ::CloseHandle(stop_);
        ::CloseHandle(listening_);
    }
    SharedPipePrinter(const SharedPipePrinter&) = delete;
    SharedPipePrinter& operator=(const SharedPipePrinter&) = delete;

    const std::string& path() const { return path_; }
    template <typename F>
    decltype(auto) with(F&& f) {
        std::lock_guard lock(mutex_);
        return f(engine_);
    }
    int opened() {
        std::lock_guard lock(mutex_);
        return static_cast<int>(instances_.size());
    }

  private:
    struct Instance {
        HANDLE pipe = INVALID_HANDLE_VALUE;
        HANDLE deliver = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
        bool open = true;
        bool wrote = false;
        std::thread thread;
    };

    // A few instances listen at once, so that an open never finds none ready.
    static constexpr int kListening = 3;

    HANDLE listen(OVERLAPPED& connect) {
        HANDLE pipe = ::CreateNamedPipeW(wide_.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                         PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT,
                                         PIPE_UNLIMITED_INSTANCES, 4096, 4096, 0, nullptr);
        if (pipe == INVALID_HANDLE_VALUE) {
            return pipe;
        }
        ::ResetEvent(connect.hEvent);
        if (!::ConnectNamedPipe(pipe, &connect) && ::GetLastError() == ERROR_PIPE_CONNECTED) {
            ::SetEvent(connect.hEvent);
        }
        return pipe;
    }

    void acceptLoop() {
        std::array<OVERLAPPED, kListening> connect{};
        std::array<HANDLE, kListening> pipes{};
        std::array<HANDLE, kListening + 1> waits{};
        for (int i = 0; i < kListening; ++i) {
            connect[i].hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
            pipes[i] = listen(connect[i]);
            waits[i] = connect[i].hEvent;
        }
        waits[kListening] = stop_;
        ::SetEvent(listening_);
        for (;;) {
            const DWORD w = ::WaitForMultipleObjects(kListening + 1, waits.data(), FALSE, INFINITE);
            if (w >= WAIT_OBJECT_0 + kListening) {
                break;
            }
            const int i = static_cast<int>(w - WAIT_OBJECT_0);
            auto instance = std::make_shared<Instance>();
            instance->pipe = pipes[i];
            {
                std::lock_guard lock(mutex_);
                instances_.push_back(instance);
                instance->thread = std::thread([this, instance] { serve(*instance); });
                // What the printer has sent and nobody read goes to the newest reader.
                wakeNewest();
            }
            pipes[i] = listen(connect[i]);
        }
        for (int i = 0; i < kListening; ++i) {
            ::CancelIo(pipes[i]);
            ::CloseHandle(pipes[i]);
            ::CloseHandle(connect[i].hEvent);
        }
    }

    void serve(Instance& in) {
        HANDLE readDone = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        std::array<uint8_t, 4096> buffer{};
        OVERLAPPED read{};
        bool reading = false;
        for (;;) {
            if (!reading) {
                read = {};
                read.hEvent = readDone;
                ::ResetEvent(readDone);
                if (!::ReadFile(in.pipe, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr,
                                &read) &&
                    ::GetLastError() != ERROR_IO_PENDING) {
                    break;  // the program closed its handle
                }
                reading = true;
            }
            const std::array<HANDLE, 3> waits{readDone, in.deliver, stop_};
            const DWORD w = ::WaitForMultipleObjects(3, waits.data(), FALSE, INFINITE);
            if (w == WAIT_OBJECT_0) {
                reading = false;
                DWORD n = 0;
                if (!::GetOverlappedResult(in.pipe, &read, &n, FALSE)) {
                    break;
                }
                receive(in, std::span<const uint8_t>(buffer.data(), n));
            } else if (w == WAIT_OBJECT_0 + 1) {
                send(in);
            } else {
                break;
            }
        }
        if (reading) {
            ::CancelIo(in.pipe);
            DWORD n = 0;
            ::GetOverlappedResult(in.pipe, &read, &n, TRUE);
        }
        {
            std::lock_guard lock(mutex_);
            in.open = false;
            wakeNewest();  // anything still to send waits for the next opener
        }
        ::DisconnectNamedPipe(in.pipe);
        ::CloseHandle(in.pipe);
        ::CloseHandle(readDone);
    }

    void receive(Instance& in, std::span<const uint8_t> bytes) {
        std::vector<qv::sim::Outgoing> replies;
        std::lock_guard lock(mutex_);
        in.wrote = true;
        engine_.receive(bytes, replies);
        for (const auto& reply : replies) {
            outbox_.insert(outbox_.end(), reply.bytes.begin(), reply.bytes.end());
        }
        wakeNewest();
    }

    // The newest open reader, or none. Under mutex_.
    Instance* newestReader() {
        for (auto it = instances_.rbegin(); it != instances_.rend(); ++it) {
            if ((*it)->open && !(*it)->wrote) {
                return it->get();
            }
        }
        return nullptr;
    }

    // Under mutex_.
    void wakeNewest() {
        Instance* reader = newestReader();
        if (!outbox_.empty() && reader != nullptr) {
            ::SetEvent(reader->deliver);
        }
    }

    void send(Instance& in) {
        qv::sim::Bytes bytes;
        {
            std::lock_guard lock(mutex_);
            if (newestReader() != &in) {
                wakeNewest();  // a newer reader came meanwhile, or this one wrote
                return;
            }
            bytes.swap(outbox_);
        }
        HANDLE done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        OVERLAPPED write{};
        write.hEvent = done;
        DWORD n = 0;
        if (::WriteFile(in.pipe, bytes.data(), static_cast<DWORD>(bytes.size()), nullptr, &write) ||
            ::GetLastError() == ERROR_IO_PENDING) {
            ::GetOverlappedResult(in.pipe, &write, &n, TRUE);
        }
        ::CloseHandle(done);
    }

    std::string path_;
    std::wstring wide_;
    HANDLE stop_ = nullptr;
    HANDLE listening_ = nullptr;
    std::thread acceptor_;
    std::mutex mutex_;
    qv::sim::PrinterEngine engine_;
    qv::sim::Bytes outbox_;
    std::vector<std::shared_ptr<Instance>> instances_;
};

struct Program {
    HANDLE process = nullptr;
    HANDLE output = nullptr;
};

// Starts the sharing client beside this test program with its standard output on a pipe.
Program startClient(const std::string& device, int rounds, const qv::sim::PrinterState& state) {
    std::array<wchar_t, MAX_PATH> self{};
    const DWORD length = ::GetModuleFileNameW(nullptr, self.data(), MAX_PATH);
    std::wstring exe(self.data(), length);
    exe = exe.substr(0, exe.find_last_of(L"\\/") + 1) + L"sharing_client.exe";
    const std::string args = " " + std::to_string(rounds) + " " + state.serialNumber + " " +
                             std::to_string(state.status) + " " +
                             std::to_string(state.printedLength);
    std::wstring command = L"\"" + exe + L"\"" + std::wstring(args.begin(), args.end());

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        return {};
    }
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    const std::wstring variable = L"QV410_DEVICE";
    const std::wstring value(device.begin(), device.end());
    ::SetEnvironmentVariableW(variable.c_str(), value.c_str());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION started{};
    const BOOL ok = ::CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, TRUE, 0,
                                     nullptr, nullptr, &startup, &started);
    ::SetEnvironmentVariableW(variable.c_str(), nullptr);
    ::CloseHandle(writeEnd);
    if (!ok) {
        ::CloseHandle(readEnd);
        return {};
    }
    ::CloseHandle(started.hThread);
    return {started.hProcess, readEnd};
}

// Its whole output (read to the end, so that it never blocks on a full pipe) and exit code.
std::string finish(Program& program, DWORD& code) {
    std::string text;
    std::array<char, 256> buffer{};
    DWORD n = 0;
    while (
        ::ReadFile(program.output, buffer.data(), static_cast<DWORD>(buffer.size()), &n, nullptr) &&
        n > 0) {
        text.append(buffer.data(), n);
    }
    ::WaitForSingleObject(program.process, 120000);
    code = 99;
    ::GetExitCodeProcess(program.process, &code);
    ::CloseHandle(program.output);
    ::CloseHandle(program.process);
    return text;
}

TEST(WindowsSharing, TwoProgramsOnOnePrinterNeverReadEachOthersReplies) {
    SharedPipePrinter printer;
    const qv::sim::PrinterState state = printer.with([](qv::sim::PrinterEngine& engine) {
        engine.state().status = 0x48;
        engine.state().printedLength = 4242;
        return engine.state();
    });
    constexpr int kRounds = 15;
    Program first = startClient(printer.path(), kRounds, state);
    Program second = startClient(printer.path(), kRounds, state);
    ASSERT_NE(first.process, nullptr);
    ASSERT_NE(second.process, nullptr);
    DWORD firstCode = 0;
    DWORD secondCode = 0;
    const std::string firstSays = finish(first, firstCode);
    const std::string secondSays = finish(second, secondCode);
    std::printf("first program: %ssecond program: %s", firstSays.c_str(), secondSays.c_str());
    EXPECT_EQ(firstCode, 0u) << firstSays;
    EXPECT_EQ(secondCode, 0u) << secondSays;
    // Each call of each program opened the printer: both programs really did talk to it.
    EXPECT_GE(printer.opened(), 2 * 2 * kRounds * 2);
}

}  // namespace
