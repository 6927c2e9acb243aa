// A throw-away root holding just enough of /sys and /dev for the Linux device layer to find the
// printer: sysfs usbmisc entries shaped like the kernel's and a dev/usb/lpN link to the pty.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "printer_model/protocol.h"

namespace qv::pty {

struct UsbIds {
    std::string vendor;
    std::string product;
};

struct FakeRootLayout {
    std::filesystem::path root;  // empty: a fresh directory under $TMPDIR (or /tmp)
    // Join the tree another printer built at root (a second printer on the same machine):
    // only this printer's entries are added, and only they are removed again.
    bool join = false;
    unsigned printerMinor = 0;  // the printer appears as lpN
    UsbIds printerIds{std::string(model::kUsbVendorIdText), std::string(model::kUsbProductIdText)};
    std::vector<unsigned> decoyMinors;  // other printers, at these lpN
    UsbIds decoyIds{"04b8", "0202"};
    bool printerAbsent = false;  // no usbmisc entry for the printer
    bool unplugged = false;      // no dev/usb/lpN link
};

class FakeRoot {
  public:
    // Builds the tree; throws std::runtime_error (with the path) when it cannot.
    FakeRoot(const FakeRootLayout& layout, const std::string& ptyPath);
    ~FakeRoot();
    FakeRoot(const FakeRoot&) = delete;
    FakeRoot& operator=(const FakeRoot&) = delete;

    const std::filesystem::path& root() const { return root_; }
    std::filesystem::path devicePath() const;

    // Removes or restores the dev/usb/lpN link: opening the device then fails, as when the
    // cable is pulled.
    void setPlugged(bool plugged);
    // Removes or restores the printer's usbmisc entry: discovery then passes it by.
    void setPresent(bool present);

  private:
    void addInterface(unsigned minor, unsigned port, const UsbIds& ids);
    std::filesystem::path classEntry(unsigned minor) const;
    std::filesystem::path interfaceEntry(unsigned port) const;

    void removeOwnEntries();

    std::filesystem::path root_;
    bool ownsRoot_ = false;
    bool joined_ = false;
    std::vector<std::pair<unsigned, unsigned>> entries_;  // lpN and USB port of each device added
    unsigned printerMinor_ = 0;
    unsigned printerPort_ = 0;
    std::string ptyPath_;
};

}  // namespace qv::pty
