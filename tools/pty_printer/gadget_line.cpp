#include "gadget_line.h"

#include <cerrno>

#include <fcntl.h>
#include <linux/usb/g_printer.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv::pty {

GadgetLine::~GadgetLine() {
    disconnect();
}

bool GadgetLine::connect() {
    if (fd_ >= 0) {
        return true;
    }
    // Fails with ENODEV until the host has configured the gadget, ENOENT while it is unbound.
    const int fd = ::open(node_.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) {
        ::close(fd);
        return false;
    }
    // Online and without error, as the host's GET_PORT_STATUS should see a printer that is
    // ready; what the printer reports of itself goes through the protocol. The driver takes
    // the status byte as the argument itself, not through a pointer.
    const unsigned long portStatus = PRINTER_SELECTED | PRINTER_NOT_ERROR;
    if (::ioctl(fd, GADGET_SET_PRINTER_STATUS, portStatus) < 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

bool GadgetLine::lostBy(int error) const {
    // The driver's answers once the gadget is disabled or unbound under an open node.
    return error == ENODEV || error == ESHUTDOWN || error == ECONNRESET || error == EIO ||
           error == EPIPE || error == ENXIO;
}

void GadgetLine::disconnect() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

}  // namespace qv::pty
