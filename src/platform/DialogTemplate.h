#pragma once
// A dialog template as data: the window and its controls in dialog units,
// the way a resource script describes them. Backends instantiate it.

#include <cstdint>
#include <span>
#include <string_view>

namespace vexmoor::platform {

// Identifier of controls that are never addressed.
constexpr int kUnaddressed = -1;
// Standard command identifiers of the dialog keyboard interface.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

enum class ControlKind : std::uint8_t {
    PushButton,        // ordinary push button, tab stop, never the default
    DefPushButton,     // the default push button
    DisplayField,      // single-line read-only edit, border, auto horizontal scroll
    EditField,         // single-line editable edit, border, auto horizontal scroll
    CheckBox,          // automatic check box, tab stop
    GroupBox,          // frame with a caption
    StaticText,        // left-aligned text
    StaticIcon,        // an icon resource
};

// Style details a kind can carry.
enum ControlStyle : std::uint32_t {
    kStyleNone = 0,
    kStyleNoBorder = 1u << 0,      // edit field drawn without a border
    kStyleCenterText = 1u << 1,    // edit text or group caption centred
    kStyleNoPrefix = 1u << 2,      // '&' shown as such, not as a mnemonic
    kStyleNewGroup = 1u << 3,      // starts a new control group
};

struct DluRect {
    int x;
    int y;
    int width;
    int height;
};

struct ControlTemplate {
    int id;
    ControlKind kind;
    std::string_view caption;   // for StaticIcon: empty, see iconId
    DluRect rect;
    std::uint32_t styles = kStyleNone;
    int iconId = 0;
};

struct FontSpec {
    std::string_view face;
    int pointSize;
};

struct DialogTemplate {
    int id;
    std::string_view caption;
    DluRect rect;
    FontSpec font;
    bool appWindow;             // has its own taskbar entry
    std::span<const ControlTemplate> controls;

    const ControlTemplate* Find(int controlId) const
    {
        for (const auto& control : controls) {
            if (control.id == controlId) {
                return &control;
            }
        }
        return nullptr;
    }
};

} // namespace vexmoor::platform
