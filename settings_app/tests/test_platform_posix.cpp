#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <stdexcept>

#include "test_platform.h"

namespace test {

int processId() {
    return static_cast<int>(::getpid());
}

std::filesystem::path makeTemporaryFolder(const std::string& stem) {
    std::string pattern = std::filesystem::temp_directory_path() / (stem + "-XXXXXX");
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("no temporary folder for " + stem);
    }
    return pattern;
}

void askToCloseFromOutside(ui::HWND /*mainDialog*/) {
    std::raise(SIGTERM);
}

}  // namespace test
