#include "interposers.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

std::atomic<bool> gCounting{false};
std::atomic<std::size_t> gCount{0};
std::atomic<std::size_t> gFailAt{0};
std::atomic<bool> gFailed{false};

// True when this allocation is the one to fail.
bool failThisOne() {
    if (!gCounting.load(std::memory_order_relaxed)) {
        return false;
    }
    const std::size_t n = gCount.fetch_add(1) + 1;
    if (n == gFailAt.load()) {
        gFailed = true;
        return true;
    }
    return false;
}

void* allocate(std::size_t size, std::size_t alignment) {
    if (failThisOne()) {
        return nullptr;
    }
    if (alignment > alignof(std::max_align_t)) {
        void* p = nullptr;
        return ::posix_memalign(&p, alignment, size == 0 ? 1 : size) == 0 ? p : nullptr;
    }
    return std::malloc(size == 0 ? 1 : size);
}

void* allocateOrThrow(std::size_t size, std::size_t alignment) {
    void* p = allocate(size, alignment);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    return p;
}

// Path of the file whose reads are robbed; fixed storage, so the read interposer allocates
// nothing.
std::array<char, 4096> gStealPath{};
std::atomic<int> gStealsLeft{0};
std::atomic<int> gStolen{0};

bool isStealTarget(int fd) {
    if (gStealsLeft.load() <= 0) {
        return false;
    }
    std::array<char, 64> link{};
    std::array<char, 4096> target{};
    const int written = std::snprintf(link.data(), link.size(), "/proc/self/fd/%d", fd);
    if (written <= 0) {
        return false;
    }
    const ssize_t n = ::readlink(link.data(), target.data(), target.size() - 1);
    if (n <= 0) {
        return false;
    }
    target[static_cast<std::size_t>(n)] = '\0';
    return std::strcmp(target.data(), gStealPath.data()) == 0;
}

}  // namespace

namespace qv::testing {

void armAllocations(std::size_t failAt) {
    gCount = 0;
    gFailed = false;
    gFailAt = failAt;
    gCounting = true;
}

std::size_t disarmAllocations() {
    gCounting = false;
    return gCount.load();
}

bool allocationFailed() {
    return gFailed.load();
}

bool allocationsInterposed() {
    // Through a pointer, so that the compiler cannot inline the definition above: a memory
    // checker replaces the function where it is called, not where it is written.
    void* (*volatile allocateFn)(std::size_t) = &::operator new;
    armAllocations(0);
    void* p = allocateFn(16);
    const bool counted = disarmAllocations() == 1;
    ::operator delete(p);
    return counted;
}

void stealReads(const std::string& path, int times) {
    gStealsLeft = 0;
    const std::size_t n = std::min(path.size(), gStealPath.size() - 1);
    std::memcpy(gStealPath.data(), path.data(), n);
    gStealPath[n] = '\0';
    gStolen = 0;
    gStealsLeft = times;
}

int stolenReads() {
    return gStolen.load();
}

}  // namespace qv::testing

// The replacements themselves.
void* operator new(std::size_t size) {
    return allocateOrThrow(size, alignof(std::max_align_t));
}
void* operator new[](std::size_t size) {
    return allocateOrThrow(size, alignof(std::max_align_t));
}
void* operator new(std::size_t size, const std::nothrow_t& /*tag*/) noexcept {
    return allocate(size, alignof(std::max_align_t));
}
void* operator new[](std::size_t size, const std::nothrow_t& /*tag*/) noexcept {
    return allocate(size, alignof(std::max_align_t));
}
void* operator new(std::size_t size, std::align_val_t alignment) {
    return allocateOrThrow(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return allocateOrThrow(size, static_cast<std::size_t>(alignment));
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t /*size*/) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t /*size*/) noexcept {
    std::free(p);
}
void operator delete(void* p, std::align_val_t /*alignment*/) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::align_val_t /*alignment*/) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t /*size*/, std::align_val_t /*alignment*/) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t /*size*/, std::align_val_t /*alignment*/) noexcept {
    std::free(p);
}

// read(2) for the whole program; only the file named by stealReads() is ever treated otherwise.
extern "C" ssize_t read(int fd, void* buffer, std::size_t count) {
    const auto real = [&] { return static_cast<ssize_t>(::syscall(SYS_read, fd, buffer, count)); };
    if (!isStealTarget(fd)) {
        return real();
    }
    const ssize_t n = real();
    if (n <= 0) {
        return n;
    }
    // Another reader was quicker: the input is gone, and this reader finds nothing.
    gStealsLeft.fetch_sub(1);
    gStolen.fetch_add(1);
    errno = EAGAIN;
    return -1;
}
