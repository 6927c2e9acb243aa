// The printer's status bits and the texts that name them: the first bit set, in this order, names
// the status; none set is ready. One table for the information dialog and the command-line tool.
#pragma once

#include <array>
#include <cstdint>

#include "QVSettingToolDll.h"

namespace app {

struct StatusBitText {
    int32_t bit;
    const char* jsonName;  // the bit's name in the command-line tool's JSON
    const char* messageId;
};

inline constexpr std::array<StatusBitText, 7> kStatusBits{{
    {QV_STATUS_PRINT_PAUSE, "pause", "PO_QV_PRINT_STATUS_PRINT_PAUSE"},
    {QV_STATUS_STUCK_PAPER, "paperJam", "PO_QV_PRINT_STATUS_STUCK_PAPER"},
    {QV_STATUS_VOLTAGE_ERR, "voltageError", "PO_QV_PRINT_STATUS_VOLTAGE_ERR"},
    {QV_STATUS_LACK_PAPER, "paperOut", "PO_QV_PRINT_STATUS_LACK_PAPER"},
    {QV_STATUS_SWITCH_NOT_PLACE, "coverOpen", "PO_QV_PRINT_STATUS_SWITCH_NOT_PLACE"},
    {QV_STATUS_OVER_HEAT, "overheat", "PO_QV_PRINT_STATUS_OVER_HEART"},
    {QV_STATUS_RAM_TEST_FAIL, "ramTestFailed", "PO_QV_PRINT_STATUS_RAM_TEST_FAIL"},
}};

inline constexpr const char* kReadyStatusId = "PO_QV_PRINT_STATUS_READY";

constexpr const char* statusMessageId(int32_t status) {
    for (const StatusBitText& s : kStatusBits) {
        if ((status & s.bit) != 0) {
            return s.messageId;
        }
    }
    return kReadyStatusId;
}

}  // namespace app
