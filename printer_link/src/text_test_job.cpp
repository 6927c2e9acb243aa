#include "text_test_job.h"

#include <string>

namespace qv::texttest {
namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr int kLeft = 10;
constexpr int kFirstLine = 10;
constexpr int kLineAdvance = 30;

constexpr std::string_view kSetup =
    "GAP 3 mm,0 mm\r\n"
    "REFERENCE 0,0\r\n"
    "SPEED 5\r\n"
    "DENSITY 8\r\n"
    "SET PEEL OFF\r\n"
    "SET CUTTER OFF\r\n"
    "SET PARTIAL_CUTTER OFF\r\n"
    "SET TEAR ON\r\n"
    "DIRECTION 0\r\n"
    "SHIFT 0\r\n"
    "OFFSET 0 mm\r\n"
    "CLS\r\n";

void appendTextCommand(std::string& job, int y, std::string_view line) {
    // Position, the resident font, rotation 0, magnification 1 by 1.
    job += "TEXT ";
    job += std::to_string(kLeft);
    job += ',';
    job += std::to_string(y);
    job += ",\"TSS24.BF2\",0,1,1,\"";
    job += line;
    job += '"';
    job += kLineEnd;
}

}  // namespace

std::string composeJob(uint8_t width, uint8_t height, std::string_view text) {
    std::string job;
    job.reserve(kSetup.size() + 64 + text.size() * 2);
    job += "SIZE ";
    job += std::to_string(width);
    job += "mm,";
    job += std::to_string(height);
    job += "mm";
    job += kLineEnd;
    job += kSetup;

    // At least one TEXT command; a trailing CR LF adds no empty line.
    int y = kFirstLine;
    std::size_t position = 0;
    while (true) {
        const std::size_t pair = text.find(kLineEnd, position);
        if (pair == std::string_view::npos) {
            appendTextCommand(job, y, text.substr(position));
            break;
        }
        appendTextCommand(job, y, text.substr(position, pair - position));
        y += kLineAdvance;
        position = pair + kLineEnd.size();
        if (position == text.size()) {
            break;
        }
    }
    job += "PRINT 1,1";
    job += kLineEnd;
    return job;
}

}  // namespace qv::texttest
