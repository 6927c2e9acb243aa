// Files qv410 writes (profiles, metrics) appear whole or not at all: the text goes into a
// temporary file beside the target, which is then renamed over it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qv410 {

// Writes text to path (mode 0644). With replace false an existing path is left as it is and the
// write fails. Returns nothing on success, else the reason in the system's words; no temporary
// file is left behind either way.
std::optional<std::string> writeFileAtomically(const std::string& path, std::string_view text,
                                               bool replace);

}  // namespace qv410
