#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <stdexcept>

#include "test_platform.h"

namespace qv::testing {

bool useLanguage(const char* language) {
    unsetenv("LANGUAGE");
    const std::string name = std::string(language) + ".UTF-8";
    return std::setlocale(LC_ALL, name.c_str()) != nullptr;
}

void restoreLocale() {
    std::setlocale(LC_ALL, "C");
}

bool useAsciiCodePage() {
    return std::setlocale(LC_CTYPE, "C") != nullptr;
}

bool codePageHoldsCjk() {
    return true;
}

std::string cafeInProcessCodePage() {
    return "Caf\xC3\xA9 \xE6\xB8\xA9";
}

std::filesystem::path makeTemporaryDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qv-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a temporary folder");
    }
    return pattern;
}

bool makeSparseFile(const std::filesystem::path& path, uint64_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0) {
        return false;
    }
    const int rc = ::ftruncate(fd, static_cast<off_t>(size));
    ::close(fd);
    return rc == 0;
}

std::vector<UnusableFile> makeUnusableFiles(const std::filesystem::path& dir) {
    std::filesystem::create_symlink(dir / "loop", dir / "loop");
    if (mkfifo((dir / "fifo").c_str(), 0600) != 0) {
        throw std::runtime_error("cannot make a FIFO");
    }
    return {
        {"a directory is no file to open", dir, 2},
        {"a symlink loop cannot be opened", dir / "loop", 2},
        {"a FIFO has no size; nothing waits for a writer", dir / "fifo", 3},
    };
}

std::optional<std::string> byteInvalidInProcessCodePage() {
    // The English locale is UTF-8 here, where 0xFF never occurs.
    return std::string("\xff");
}

}  // namespace qv::testing
