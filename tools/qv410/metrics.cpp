#include "metrics.h"

#include <array>
#include <cstdio>

#include "app/printer_status.h"

namespace qv410 {

namespace {

// Label values escape backslash, double quote and line break.
std::string escaped(const std::string& value) {
    std::string text;
    for (const char c : value) {
        if (c == '\\') {
            text += "\\\\";
        } else if (c == '"') {
            text += "\\\"";
        } else if (c == '\n') {
            text += "\\n";
        } else {
            text += c;
        }
    }
    return text;
}

std::string labels(const PrinterSample& p, const std::string& more = "") {
    return "{serial=\"" + escaped(p.serialNumber) + "\",node=\"" + escaped(p.node) + "\"" + more +
           "}";
}

std::string family(const char* name, const char* type, const char* help) {
    return std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " " + type + "\n";
}

}  // namespace

std::string metricsText(const std::vector<PrinterSample>& printers) {
    std::string text = family("qv410_printers", "gauge", "Number of QV-410 printers attached.");
    text += "qv410_printers " + std::to_string(printers.size()) + "\n";

    text += family("qv410_up", "gauge",
                   "Whether the printer could be opened and answered (1) or not (0).");
    for (const PrinterSample& p : printers) {
        const std::string reason = p.up ? "" : ",reason=\"" + escaped(p.reason) + "\"";
        text += "qv410_up" + labels(p, reason) + (p.up ? " 1\n" : " 0\n");
    }

    text += family("qv410_status", "gauge", "The printer's status code (0 is ready).");
    for (const PrinterSample& p : printers) {
        if (p.up) {
            text += "qv410_status" + labels(p) + " " + std::to_string(p.status) + "\n";
        }
    }

    text += family("qv410_status_bit", "gauge", "One status condition of the printer (1 is set).");
    for (const PrinterSample& p : printers) {
        if (!p.up) {
            continue;
        }
        for (const auto& bit : app::kStatusBits) {
            text += "qv410_status_bit" + labels(p, std::string(",bit=\"") + bit.jsonName + "\"") +
                    ((p.status & bit.bit) != 0 ? " 1\n" : " 0\n");
        }
    }

    text += family("qv410_printed_length_meters_total", "counter",
                   "Length the printer has printed, in metres.");
    for (const PrinterSample& p : printers) {
        if (p.up) {
            // A point whatever the user's locale: the format wants it.
            const long long hundredths = p.printedLength;
            const long long whole = (hundredths < 0 ? -hundredths : hundredths) / 100;
            const long long part = (hundredths < 0 ? -hundredths : hundredths) % 100;
            std::array<char, 32> metres{};
            std::snprintf(metres.data(), metres.size(), "%s%lld.%02lld", hundredths < 0 ? "-" : "",
                          whole, part);
            text += "qv410_printed_length_meters_total" + labels(p) + " " + metres.data() + "\n";
        }
    }

    text += family("qv410_printer_info", "gauge", "The printer's type and firmware version.");
    for (const PrinterSample& p : printers) {
        if (p.up) {
            text += "qv410_printer_info" +
                    labels(p, ",type=\"" + escaped(p.printerType) + "\",firmware=\"" +
                                  escaped(p.firmwareVersion) + "\"") +
                    " 1\n";
        }
    }
    return text;
}

}  // namespace qv410
