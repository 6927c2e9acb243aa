// Error codes and the message ids of their texts: the one table behind BaseGetQVErrorString, and
// what the command-line tool reports as the id of a failure.
#pragma once

#include <array>
#include <cstdint>

#include "QVSettingToolDll.h"

namespace qv {

struct ErrorMessageId {
    int32_t code;
    const char* id;
};

inline constexpr std::array<ErrorMessageId, 11> kErrorMessageIds = {{
    {QV_ERR_SUCCESS, "PO_QV_ERR_SUCCESS"},
    {QV_ERR_INVALID_PARAM, "PO_QV_ERR_INVALID_PARAM"},
    {QV_ERR_FILE_NOT_FIND, "PO_QV_ERR_FILE_NOT_FIND"},
    {QV_ERR_INVALID_FIRMWARE, "PO_QV_ERR_INVALID_FIRMWARE"},
    {QV_ERR_NOT_FINE_USB_PRINTER, "PO_QV_ERR_NOT_FINE_USB_PRINTER"},
    {QV_ERR_CANNOT_OPEN_USB_PRINTER, "PO_QV_ERR_CANNOT_OPEN_USB_PRINTER"},
    {QV_ERR_WRITE_USB_FAIL, "PO_QV_ERR_WRITE_USB_FAIL"},
    {QV_ERR_READ_USB_FAIL, "PO_QV_ERR_READ_USB_FAIL"},
    {QV_ERR_READ_USB_BEYOND_MAX_TIME, "PO_QV_ERR_READ_USB_BEYOND_MAX_TIME"},
    {QV_ERR_VERSION_NONSUPPORT_GETTING_RESULT, "PO_QV_ERR_VERSION_NONSUPPORT_GETTING_RESULT"},
    {QV_ERR_PRINT_STATUS_IS_NOT_READY, "PO_QV_ERR_PRINT_STATUS_IS_NOT_READY"},
}};

// The id of a code, or nullptr for a code outside the table (4 to 49, above 56, negative).
constexpr const char* errorMessageId(int32_t code) {
    for (const ErrorMessageId& entry : kErrorMessageIds) {
        if (entry.code == code) {
            return entry.id;
        }
    }
    return nullptr;
}

}  // namespace qv
