// Printer health in the Prometheus text format, as node_exporter's textfile collector reads it:
// one sample per attached printer, labelled by serial number and node.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qv410 {

struct PrinterSample {
    std::string node;
    std::string serialNumber;  // empty when the printer did not say
    bool up = false;           // it could be opened and answered every query
    std::string reason;        // why it is not up
    int32_t status = 0;
    int32_t printedLength = 0;  // hundredths of a metre
    std::string printerType;
    std::string firmwareVersion;
};

// Every family with its HELP and TYPE lines, also when no printer is attached.
std::string metricsText(const std::vector<PrinterSample>& printers);

}  // namespace qv410
