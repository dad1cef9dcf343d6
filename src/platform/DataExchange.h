#pragma once
// Data exchange between a dialog's members and its controls. Once a binding
// fails, the rest of the exchange does nothing, so later bindings are not read.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vexmoor::platform {

class CDialog;

class CDataExchange {
public:
    CDataExchange(CDialog& dialog, bool saveAndValidate)
        : dialog_(dialog), saveAndValidate_(saveAndValidate) {}

    bool SaveAndValidate() const { return saveAndValidate_; }
    bool Failed() const { return failed_; }
    CDialog& Dialog() { return dialog_; }
    // Puts the focus on the offending control, selects its text, ends the exchange.
    void Fail(int controlId);

private:
    CDialog& dialog_;
    bool saveAndValidate_;
    bool failed_ = false;
};

void DDX_Text(CDataExchange& dx, int controlId, std::string& value);
void DDX_Text(CDataExchange& dx, int controlId, std::int32_t& value);
void DDX_Check(CDataExchange& dx, int controlId, std::int32_t& value);

// The integer field's parse: at most the first 31 characters, blanks and tabs
// around a base-10 number with an optional sign, clamped to the 32-bit range.
// Empty or without digits, or a signed zero, fails; so does anything after it.
std::optional<std::int32_t> ParseDialogInteger(std::string_view text);

// The text of the integer field's failure box.
constexpr std::string_view kIntegerPrompt = "Please enter an integer.";

} // namespace vexmoor::platform
