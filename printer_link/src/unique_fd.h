// The library's one owner of a file descriptor: closed on every way out of a scope.
#pragma once

#include <unistd.h>

namespace qv {

class UniqueFd {
  public:
    explicit UniqueFd(int fd) noexcept : fd_(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const noexcept { return fd_; }
    bool ok() const noexcept { return fd_ >= 0; }
    // Closes now, before the scope ends (the file is held no longer than needed), and takes fd
    // in its place.
    void reset(int fd = -1) noexcept {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = fd;
    }
    // Gives the descriptor up to the caller, who closes it.
    [[nodiscard]] int release() noexcept {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

  private:
    int fd_;
};

}  // namespace qv
