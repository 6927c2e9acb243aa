#include "reporter.h"

#include <array>

#include "QVSettingToolDll.h"
#include "error_message_ids.h"
#include "utf.h"

namespace qv410 {

namespace {

constexpr std::size_t kTextUnits = 260;

void printJson(const Json& value) {
    const std::string text = value.dump(-1, ' ', false, Json::error_handler_t::replace);
    std::fprintf(stdout, "%s\n", text.c_str());
}

}  // namespace

Json Reporter::head(bool ok) const {
    Json out = {{"command", command_}, {"ok", ok}};
    for (const auto& [key, value] : printer_.items()) {
        out[key] = value;
    }
    if (printersFound_ > 1) {
        out["printersFound"] = printersFound_;
    }
    return out;
}

void Reporter::emit(Json value) const {
    if (results_ != nullptr) {
        results_->push_back(std::move(value));
    } else {
        printJson(value);
    }
}

int Reporter::success(Json fields, const std::string& text) {
    if (json_) {
        Json out = head(true);
        for (auto& [key, value] : fields.items()) {
            out[key] = value;
        }
        emit(std::move(out));
    } else if (!text.empty()) {
        std::fputs(text.c_str(), stdout);
        if (!text.ends_with('\n')) {
            std::fputc('\n', stdout);
        }
    }
    return kExitOk;
}

int Reporter::failure(int status, const char* messageId, const std::string& message, Json extra) {
    if (json_) {
        Json error = {{"code", status},
                      {"messageId", messageId != nullptr ? Json(messageId) : Json(nullptr)},
                      {"message", message}};
        for (auto& [key, value] : extra.items()) {
            error[key] = value;
        }
        Json out = head(false);
        out["error"] = error;
        emit(std::move(out));
    } else {
        std::fprintf(stderr, "qv410: %s%s\n", errorPrefix_.c_str(), message.c_str());
        if (extra.contains("hint")) {
            std::fprintf(stderr, "%s\n", extra["hint"].get<std::string>().c_str());
        }
    }
    return status;
}

std::string errorText(int32_t code) {
    std::array<QVWCHAR, kTextUnits> buffer{};
    BaseGetQVErrorString(code, buffer.data());
    std::string text = utf16ToUtf8(buffer.data(), buffer.size());
    if (text.empty()) {
        const char* id = qv::errorMessageId(code);
        text = id != nullptr ? id : "error " + std::to_string(code);
    }
    return text;
}

}  // namespace qv410
