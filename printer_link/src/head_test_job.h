// The head-test job that QVSelfTestPrint sends, and the self test's seams for the tests.
//
// The job is generated at build time from head_test/head_test_job.txt (a description of its text
// lines and raster bands) and compiled into the library, so the library always carries it.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>

namespace qv::selftest {

// The generated job, byte for byte as it is sent.
std::span<const uint8_t> headTestJob();

// The pause between the self-test command and the job.
inline constexpr std::chrono::milliseconds kJobPause{2000};

using Pause = void (*)(std::chrono::milliseconds);

// Replaces the pause (tests); nullptr restores the real one. Returns the previous replacement.
Pause setPauseForTesting(Pause pause);

// Makes the self test send job instead of the generated one (tests); nullopt restores it.
void setJobForTesting(std::optional<std::span<const uint8_t>> job);

}  // namespace qv::selftest
