// The control words of qv410-pty-printer: one table for the server that obeys them, the command
// line that takes most of them as options, and the tests that send them.
#pragma once

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace qv::pty {

enum class ControlWord {
    serial,
    status,
    printed,
    badPoints,
    firmware,
    acks,
    afterDownload,
    afterDownloadSilent,
    noReply,
    wrongMarker,
    noAck,
    wrongAck,
    storesOther,
    settings,
    length,
    ackOnRead,
    delay,
    stall,
    shortWrite,
    unplug,
    plug,
    unopenable,
    absent,
    flush,
    report,
    state,
};

// How a word may also be given on the command line: not at all, as --word (meaning "word 1"),
// or as --word VALUE.
enum class AsOption { no, flag, value };

struct ControlWordEntry {
    ControlWord id;
    const char* word;
    AsOption option;
};

inline constexpr std::array<ControlWordEntry, 26> kControlWords{{
    {ControlWord::serial, "serial", AsOption::value},
    {ControlWord::status, "status", AsOption::value},
    {ControlWord::printed, "printed", AsOption::value},
    {ControlWord::badPoints, "badpoints", AsOption::value},
    {ControlWord::firmware, "firmware", AsOption::value},
    {ControlWord::acks, "acks", AsOption::value},
    {ControlWord::afterDownload, "after-download", AsOption::value},
    {ControlWord::afterDownloadSilent, "after-download-silent", AsOption::value},
    {ControlWord::noReply, "noreply", AsOption::flag},
    {ControlWord::wrongMarker, "wrongmarker", AsOption::flag},
    {ControlWord::noAck, "noack", AsOption::flag},
    {ControlWord::wrongAck, "wrongack", AsOption::flag},
    {ControlWord::storesOther, "storeother", AsOption::flag},
    {ControlWord::settings, "settings", AsOption::value},
    {ControlWord::length, "length", AsOption::value},
    {ControlWord::ackOnRead, "ackonread", AsOption::value},
    {ControlWord::delay, "delay", AsOption::value},
    {ControlWord::stall, "stall", AsOption::no},
    {ControlWord::shortWrite, "shortwrite", AsOption::no},
    {ControlWord::unplug, "unplug", AsOption::no},
    {ControlWord::plug, "plug", AsOption::no},
    {ControlWord::unopenable, "unopenable", AsOption::no},
    {ControlWord::absent, "absent", AsOption::no},
    {ControlWord::flush, "flush", AsOption::no},
    {ControlWord::report, "report", AsOption::no},
    {ControlWord::state, "state", AsOption::no},
}};

constexpr const ControlWordEntry* findControlWord(std::string_view word) {
    const auto* found = std::find_if(kControlWords.begin(), kControlWords.end(),
                                     [word](const ControlWordEntry& e) { return word == e.word; });
    return found == kControlWords.end() ? nullptr : found;
}

constexpr const char* controlWord(ControlWord id) {
    for (const ControlWordEntry& e : kControlWords) {
        if (e.id == id) {
            return e.word;
        }
    }
    return "";
}

// The control line for a word and its argument ("noreply 1", "unplug").
inline std::string controlLine(ControlWord id, std::string_view argument = {}) {
    std::string line = controlWord(id);
    if (!argument.empty()) {
        line += ' ';
        line += argument;
    }
    return line;
}

}  // namespace qv::pty
