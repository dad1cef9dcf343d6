#include "platform/DataExchange.h"

#include "platform/Dialog.h"

#include <cerrno>
#include <cstdlib>
#include <limits>

namespace vexmoor::platform {

namespace {

constexpr std::size_t kMaxIntegerFieldChars = 31;

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

void CDataExchange::Fail(int controlId)
{
    if (DialogHost* host = dialog_.Host()) {
        host->FocusAndSelectAll(controlId);
    }
    failed_ = true;
}

void DDX_Text(CDataExchange& dx, int controlId, std::string& value)
{
    if (dx.Failed() || dx.Dialog().Host() == nullptr) {
        return;
    }
    DialogHost& host = *dx.Dialog().Host();
    if (dx.SaveAndValidate()) {
        value = host.GetItemText(controlId);
    } else {
        host.SetItemText(controlId, value);
    }
}

void DDX_Text(CDataExchange& dx, int controlId, std::int32_t& value)
{
    if (dx.Failed() || dx.Dialog().Host() == nullptr) {
        return;
    }
    DialogHost& host = *dx.Dialog().Host();
    if (!dx.SaveAndValidate()) {
        host.SetItemText(controlId, std::to_string(value));
        return;
    }
    const auto parsed = ParseDialogInteger(host.GetItemText(controlId));
    if (!parsed) {
        dx.Dialog().AfxMessageBox(kIntegerPrompt);
        dx.Fail(controlId);
        return;
    }
    value = *parsed;
}

void DDX_Check(CDataExchange& dx, int controlId, std::int32_t& value)
{
    if (dx.Failed() || dx.Dialog().Host() == nullptr) {
        return;
    }
    DialogHost& host = *dx.Dialog().Host();
    if (dx.SaveAndValidate()) {
        value = host.GetCheck(controlId);
    } else {
        host.SetCheck(controlId, value);
    }
}

std::optional<std::int32_t> ParseDialogInteger(std::string_view text)
{
    // A NUL-terminated copy of what the field gives: at most 31 characters.
    std::string taken(text.substr(0, kMaxIntegerFieldChars));
    if (const auto nul = taken.find('\0'); nul != std::string::npos) {
        taken.resize(nul);
    }

    const char* cursor = taken.c_str();
    while (IsBlank(*cursor)) {
        ++cursor;
    }
    const char first = *cursor;
    char* end = nullptr;
    errno = 0;
    // long long keeps the clamping below the same on every platform.
    const long long read = std::strtoll(cursor, &end, 10);
    if (read == 0 && first != '0') {
        return std::nullopt;
    }
    while (IsBlank(*end)) {
        ++end;
    }
    if (*end != '\0') {
        return std::nullopt;
    }
    constexpr long long kMin = std::numeric_limits<std::int32_t>::min();
    constexpr long long kMax = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(read < kMin ? kMin : (read > kMax ? kMax : read));
}

} // namespace vexmoor::platform
