#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>

#include "device/device.h"
#include "device/simulated_printer.h"

namespace qv::device {
namespace {

// Single-threaded by design, as the link state is: install() runs between calls, never during one.
std::shared_ptr<Device> gInstalled;
std::shared_ptr<Device> gFromEnvironment;

// A path given by the user: taken as the one printer present, without discovery, and opened with
// the platform's checks like a discovered one.
class FixedPathDevice : public Device {
  public:
    FixedPathDevice(std::string path, std::shared_ptr<Device> platform)
        : path_(std::move(path)), platform_(std::move(platform)) {}

    std::optional<std::string> find() override { return path_; }
    bool canOpen(const std::string& path) override { return platform_->canOpen(path); }
    WriteStatus write(const std::string& path, std::span<const uint8_t> bytes,
                      std::chrono::milliseconds wait) override {
        return platform_->write(path, bytes, wait);
    }
    ReadStatus read(const std::string& path, std::span<uint8_t> buffer,
                    std::chrono::milliseconds wait, std::size_t& received) override {
        return platform_->read(path, buffer, wait, received);
    }
    void release() noexcept override { platform_->release(); }

  private:
    std::string path_;
    std::shared_ptr<Device> platform_;
};

std::shared_ptr<Device> chooseFromEnvironment() {
    const char* choice = std::getenv("QV410_DEVICE");
    if (choice == nullptr || *choice == '\0') {
        return makePlatformDevice();
    }
    if (std::string_view(choice) == "simulator") {
        return sim::processSimulator();
    }
    return std::make_shared<FixedPathDevice>(choice, makePlatformDevice());
}

}  // namespace

Device& current() {
    if (gInstalled) {
        return *gInstalled;
    }
    if (!gFromEnvironment) {
        gFromEnvironment = chooseFromEnvironment();
    }
    return *gFromEnvironment;
}

void install(std::shared_ptr<Device> device) {
    gInstalled = std::move(device);
    // The environment may have changed (tests set QV410_ROOT / QV410_DEVICE): choose anew.
    gFromEnvironment.reset();
}

}  // namespace qv::device
