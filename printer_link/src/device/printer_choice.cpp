// Choosing among several attached printers: listing their device paths and making one of them the
// printer that every export uses.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "QVSettingToolDll.h"
#include "device/device.h"
#include "link_state.h"
#include "text/codepage.h"

namespace qv {
namespace {

static_assert(QV_DEVICE_PATH_LEN == kDevicePathUnits, "a listed path fits the link state");

int32_t listPrinterPaths(QVWCHAR (*paths)[QV_DEVICE_PATH_LEN], int32_t maxPaths) {
    if (maxPaths < 0 || (paths == nullptr && maxPaths != 0)) {
        return failWith(QV_ERR_INVALID_PARAM);
    }
    std::vector<std::u16string> found;
    for (const std::string& path : device::current().findAll()) {
        std::u16string wide = text::fromUtf8(path);
        // Only paths that fit with their terminator, as the link state holds them.
        if (!wide.empty() && wide.size() < kDevicePathUnits) {
            found.push_back(std::move(wide));
        }
    }
    if (found.empty()) {
        return failWith(QV_ERR_NOT_FINE_USB_PRINTER);
    }
    const auto count = static_cast<int32_t>(found.size());
    if (paths == nullptr) {
        return count;  // counting only
    }
    if (maxPaths < count) {
        return failWith(QV_ERR_INVALID_PARAM);  // nothing written: the caller's room is too small
    }
    for (std::size_t i = 0; i < found.size(); ++i) {
        text::copyTerminated(found[i], paths[i], QV_DEVICE_PATH_LEN);
    }
    return count;
}

int32_t selectPrinterPath(const QVWCHAR* path) {
    if (path == nullptr) {
        return failWith(QV_ERR_INVALID_PARAM);
    }
    const std::size_t length = text::boundedLength(path, kDevicePathUnits);
    if (length == 0 || length >= kDevicePathUnits) {
        return failWith(QV_ERR_INVALID_PARAM);
    }
    const std::optional<std::string> utf8 = text::toUtf8(std::u16string_view(path, length));
    if (!utf8 || utf8->find('\0') != std::string::npos) {
        return failWith(QV_ERR_INVALID_PARAM);
    }
    if (!device::current().canOpen(*utf8)) {
        return failWith(QV_ERR_CANNOT_OPEN_USB_PRINTER);
    }
    LinkState& state = linkState();
    state.devicePath = *utf8;
    // Another printer may run other firmware: its first packet asks it first, as after loading.
    state.versionCheckPending = true;
    return 1;
}

}  // namespace
}  // namespace qv

QV_API int32_t QVListPrinterPaths(QVWCHAR (*paths)[QV_DEVICE_PATH_LEN], int32_t maxPaths) {
    return qv::exportBarrier(QV_ERR_NOT_FINE_USB_PRINTER,
                             [&] { return qv::listPrinterPaths(paths, maxPaths); });
}

QV_API int32_t QVSelectPrinterPath(const QVWCHAR* path) {
    return qv::exportBarrier(QV_ERR_CANNOT_OPEN_USB_PRINTER,
                             [&] { return qv::selectPrinterPath(path); });
}
