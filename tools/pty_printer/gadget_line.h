// The printer's end as a USB printer gadget's node (/dev/g_printerN): what the host's usblp
// writes arrives here, and what is written here is what its reads get. The node exists only
// while the gadget is bound to a controller and opens only once the host has configured it, so
// the line comes and goes with the cable.
#pragma once

#include <string>

#include "printer_line.h"

namespace qv::pty {

class GadgetLine : public PrinterLine {
  public:
    explicit GadgetLine(std::string node) : node_(std::move(node)) {}
    ~GadgetLine() override;
    GadgetLine(const GadgetLine&) = delete;
    GadgetLine& operator=(const GadgetLine&) = delete;

    int fd() const override { return fd_; }
    bool connect() override;
    bool lostBy(int error) const override;
    void disconnect() override;
    std::string name() const override { return node_; }

  private:
    std::string node_;
    int fd_ = -1;
};

}  // namespace qv::pty
