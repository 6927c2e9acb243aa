#include <cstdlib>
#include <string>

#include "device/device.h"
#include "device/simulated_printer.h"

namespace qv::device {
namespace {

// Single-threaded by design, as the link state is: install() runs between calls, never during one.
std::shared_ptr<Device> gInstalled;
std::shared_ptr<Device> gFromEnvironment;

std::shared_ptr<Device> chooseFromEnvironment() {
    const char* choice = std::getenv("QV410_DEVICE");
    if (choice != nullptr && std::string(choice) == "simulator") {
        return sim::processSimulator();
    }
    return makePlatformDevice();
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
