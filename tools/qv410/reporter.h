// How qv410 reports an outcome: a line of text (results to standard output, errors to standard
// error) or one JSON object on standard output, and the exit status that goes with it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

namespace qv410 {

using Json = nlohmann::ordered_json;

// Exit statuses besides the library's error codes (1, 2, 3, 50 to 56), which are passed on as
// they are.
inline constexpr int kExitOk = 0;
inline constexpr int kExitNotConfirmed = 4;
inline constexpr int kExitUsage = 64;
inline constexpr int kExitInvalidValue = 65;
inline constexpr int kExitNoInput = 66;  // a profile that cannot be read
inline constexpr int kExitInternal = 70;
inline constexpr int kExitCannotCreate = 73;  // an output file not written (exists, or refused)

class Reporter {
  public:
    Reporter(bool json, std::string command) : json_(json), command_(std::move(command)) {}

    bool json() const { return json_; }
    // Several printers were found and none was chosen: every JSON answer says how many.
    void setPrintersFound(int count) { printersFound_ = count; }

    // One printer of --all: JSON answers go into results (with these fields after "ok"), and
    // error lines on standard error name the node.
    void reportInto(Json* results, Json printer, std::string node) {
        results_ = results;
        printer_ = std::move(printer);
        errorPrefix_ = std::move(node) + ": ";
    }

    int success(Json fields, const std::string& text);
    int failure(int status, const char* messageId, const std::string& message, Json extra = {});

  private:
    Json head(bool ok) const;
    void emit(Json value) const;

    bool json_;
    std::string command_;
    int printersFound_ = 0;
    Json* results_ = nullptr;
    Json printer_;
    std::string errorPrefix_;
};

// The catalog text of a library error code; its message id when the catalog has none.
std::string errorText(int32_t code);

}  // namespace qv410
