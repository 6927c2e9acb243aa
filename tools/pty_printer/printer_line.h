// The printer's end of the line to the host, as the server sees it: one descriptor that the
// host's bytes arrive on and the replies leave by.
#pragma once

#include <string>

namespace qv::pty {

class PrinterLine {
  public:
    virtual ~PrinterLine() = default;

    // -1 while the line is down (a gadget not yet configured by the host, or unbound).
    virtual int fd() const = 0;
    // Tries to bring a line that is down up again; true when it is up.
    virtual bool connect() { return fd() >= 0; }
    // Whether a read or write failing with `error` means the host's side went away.
    virtual bool lostBy(int /*error*/) const { return false; }
    // Takes the line down after it was lost.
    virtual void disconnect() {}
    // Drops replies sent but not yet read by the host, where the line allows it.
    virtual void discardUnreadReplies() {}
    virtual std::string name() const = 0;
};

}  // namespace qv::pty
