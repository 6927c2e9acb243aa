#include "fake_root.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <system_error>

#include <unistd.h>

namespace fs = std::filesystem;

namespace qv::pty {

namespace {

[[noreturn]] void fail(const std::string& what, const fs::path& path, int error) {
    throw std::runtime_error(what + " " + path.string() + ": " + std::strerror(error));
}

void writeText(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) {
        fail("cannot write", path, EIO);
    }
}

void makeLink(const fs::path& target, const fs::path& link) {
    std::error_code ec;
    fs::create_symlink(target, link, ec);
    if (ec) {
        fail("cannot link", link, ec.value());
    }
}

void removeIfThere(const fs::path& path) {
    std::error_code ec;
    fs::remove(path, ec);  // absent is fine: the state is what was asked for
}

// The interface of the device on USB port `port`, relative to sys/.
fs::path interfaceFromSys(unsigned port) {
    const std::string device = "1-" + std::to_string(port);
    return fs::path("devices/usb1") / device / (device + ":1.0");
}

fs::path classTarget(unsigned port, unsigned minor) {
    return fs::path("../..") / interfaceFromSys(port) / "usbmisc" / ("lp" + std::to_string(minor));
}

fs::path freshTempDir() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/qv410-printer-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        fail("cannot create", pattern, errno);
    }
    return pattern;
}

}  // namespace

FakeRoot::FakeRoot(const FakeRootLayout& layout, const std::string& ptyPath)
    : joined_(layout.join), printerMinor_(layout.printerMinor), ptyPath_(ptyPath) {
    if (layout.join) {
        root_ = fs::absolute(layout.root);
        std::error_code ec;
        if (layout.root.empty() || !fs::is_directory(root_ / "sys/class/usbmisc", ec)) {
            throw std::runtime_error("no printer tree to join at " + root_.string());
        }
        std::vector<unsigned> minors = layout.decoyMinors;
        minors.push_back(layout.printerMinor);
        for (unsigned minor : minors) {
            if (fs::exists(fs::symlink_status(classEntry(minor), ec)) ||
                fs::exists(
                    fs::symlink_status(root_ / "dev/usb" / ("lp" + std::to_string(minor)), ec))) {
                throw std::runtime_error("lp" + std::to_string(minor) + " is taken in " +
                                         root_.string());
            }
        }
    } else if (layout.root.empty()) {
        root_ = freshTempDir();
        ownsRoot_ = true;
    } else {
        root_ = fs::absolute(layout.root);
        std::error_code ec;
        if (!fs::exists(root_, ec)) {
            fs::create_directories(root_, ec);
            if (ec) {
                fail("cannot create", root_, ec.value());
            }
            ownsRoot_ = true;
        } else if (!fs::is_empty(root_, ec)) {
            // Refused rather than mixed: on exit the tree is removed again.
            throw std::runtime_error("root is not empty: " + root_.string());
        }
    }

    try {
        fs::create_directories(root_ / "sys/class/usbmisc");
        fs::create_directories(root_ / "dev/usb");
        // Each device gets its own USB port, numbered after the order in which it was added,
        // so the usbmisc order (lpN) and the port order need not agree. A joining printer takes
        // the ports after those already used.
        unsigned port = 1;
        while (fs::exists(interfaceEntry(port).parent_path())) {
            ++port;
        }
        for (unsigned minor : layout.decoyMinors) {
            if (minor == layout.printerMinor) {
                throw std::runtime_error("decoy and printer share lp" + std::to_string(minor));
            }
            addInterface(minor, port++, layout.decoyIds);
        }
        printerPort_ = port;
        addInterface(layout.printerMinor, printerPort_, layout.printerIds);
        setPresent(!layout.printerAbsent);
        setPlugged(!layout.unplugged);
    } catch (...) {
        removeOwnEntries();
        throw;
    }
}

FakeRoot::~FakeRoot() {
    removeOwnEntries();
}

// remove_all never follows the links, so the pty itself is left alone.
void FakeRoot::removeOwnEntries() {
    std::error_code ec;
    if (joined_) {
        // The tree belongs to the printer that built it; take back only what was added.
        for (const auto& [minor, port] : entries_) {
            fs::remove(classEntry(minor), ec);
            fs::remove(root_ / "dev/usb" / ("lp" + std::to_string(minor)), ec);
            fs::remove_all(interfaceEntry(port).parent_path(), ec);
        }
        return;
    }
    fs::remove_all(root_ / "sys", ec);
    fs::remove_all(root_ / "dev", ec);
    if (ownsRoot_) {
        fs::remove(root_, ec);
    }
}

fs::path FakeRoot::devicePath() const {
    return root_ / "dev/usb" / ("lp" + std::to_string(printerMinor_));
}

fs::path FakeRoot::classEntry(unsigned minor) const {
    return root_ / "sys/class/usbmisc" / ("lp" + std::to_string(minor));
}

fs::path FakeRoot::interfaceEntry(unsigned port) const {
    return root_ / "sys" / interfaceFromSys(port);
}

// The kernel's shape: class/usbmisc/lpN links to <interface>/usbmisc/lpN, whose "device" links
// back to the interface; the vendor and product ids sit one level up, on the USB device. A reader
// must therefore resolve "device/.." physically, as the kernel does, not lexically.
void FakeRoot::addInterface(unsigned minor, unsigned port, const UsbIds& ids) {
    const std::string lp = "lp" + std::to_string(minor);
    const fs::path interface = interfaceEntry(port);
    entries_.emplace_back(minor, port);
    const fs::path usbmisc = interface / "usbmisc" / lp;
    fs::create_directories(usbmisc);
    writeText(interface.parent_path() / "idVendor", ids.vendor + "\n");
    writeText(interface.parent_path() / "idProduct", ids.product + "\n");
    writeText(interface / "bInterfaceClass", "07\n");
    writeText(usbmisc / "dev", "180:" + std::to_string(minor) + "\n");
    makeLink(fs::path("../../..") / interface.filename(), usbmisc / "device");
    if (minor != printerMinor_) {
        // Decoys are listed from the start; the printer's entry follows setPresent().
        makeLink(classTarget(port, minor), classEntry(minor));
    }
}

void FakeRoot::setPresent(bool present) {
    const fs::path entry = classEntry(printerMinor_);
    removeIfThere(entry);
    if (present) {
        makeLink(classTarget(printerPort_, printerMinor_), entry);
    }
}

void FakeRoot::setPlugged(bool plugged) {
    const fs::path link = devicePath();
    removeIfThere(link);
    if (plugged) {
        makeLink(ptyPath_, link);
    }
}

}  // namespace qv::pty
