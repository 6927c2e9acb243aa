// Composition of the text-test label job: a few printer-language lines around one TEXT command
// per line of the operator's text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qv::texttest {

// The whole job for a label of width x height millimetres. text is already in the printer's
// code page; it is split at CR LF pairs only and copied unescaped. The job grows as needed, so
// any number of lines fits.
std::string composeJob(uint8_t width, uint8_t height, std::string_view text);

}  // namespace qv::texttest
