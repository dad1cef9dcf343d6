#pragma once
// Templates 102 (the main dialog) and 100 (the About box) typed out row by row
// from the dialogs' design, independently of res/Templates.cpp. Tests compare
// the program's templates, and the windows built from them, with these rows:
// a changed identifier, kind, caption, place or style fails them.

#include "platform/DialogTemplate.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vexmoor::test {

struct TemplateRow {
    int id;  // -1: never addressed
    platform::ControlKind kind;
    // nullopt: a one-line text whose wording is the program's own choice.
    std::optional<std::string_view> caption;
    platform::DluRect rect;
    std::uint32_t styles = platform::kStyleNone;
    int iconId = 0;
};

struct TemplateHead {
    int id;
    std::string_view caption;
    platform::DluRect rect;
    std::string_view fontFace;
    int fontPoints;
    bool taskbarButton;
};

namespace rows {
constexpr auto kButton = platform::ControlKind::PushButton;
constexpr auto kDefaultButton = platform::ControlKind::DefPushButton;
constexpr auto kDisplay = platform::ControlKind::DisplayField;
constexpr auto kEdit = platform::ControlKind::EditField;
constexpr auto kCheck = platform::ControlKind::CheckBox;
constexpr auto kGroup = platform::ControlKind::GroupBox;
constexpr auto kText = platform::ControlKind::StaticText;
constexpr auto kIcon = platform::ControlKind::StaticIcon;
constexpr std::uint32_t kNewGroup = platform::kStyleNewGroup;
constexpr std::uint32_t kCentred = platform::kStyleCenterText;
constexpr std::uint32_t kNoBorder = platform::kStyleNoBorder;
constexpr std::uint32_t kNoPrefix = platform::kStyleNoPrefix;
} // namespace rows

constexpr TemplateHead kMainDialogHead{102, "Vexmoor", {0, 0, 241, 162}, "MS Sans Serif", 14, true};

// In template order, which is also the tab order.
constexpr std::array<TemplateRow, 37> kMainDialogRows{{
    {1000, rows::kButton, "Start", {15, 47, 28, 14}},
    {1002, rows::kDisplay, "", {53, 69, 37, 12}},
    {1003, rows::kDisplay, "", {53, 101, 37, 12}},
    {1004, rows::kDisplay, "", {53, 137, 38, 12}},
    {1005, rows::kButton, "Exit", {15, 96, 28, 13}},
    {1006, rows::kDisplay, "", {54, 15, 79, 13}},
    {-1, rows::kText, "Temperature t1", {52, 57, 50, 11}, rows::kNewGroup},
    {-1, rows::kText, "Temperature", {53, 90, 42, 10}, rows::kNewGroup},
    {-1, rows::kText, "Resistance (Ohm)", {53, 120, 43, 16}, rows::kNewGroup},
    {-1, rows::kText, "C", {152, 70, 8, 9}, rows::kNewGroup},
    {-1, rows::kText, "F", {151, 103, 8, 10}, rows::kNewGroup},
    {1001, rows::kButton, "Stop", {15, 73, 28, 14}},
    {-1, rows::kText, "Device Status", {7, 15, 45, 11}, rows::kNewGroup},
    {1008, rows::kCheck, "", {59, 39, 8, 8}},
    {1010, rows::kGroup, "Measurement Result", {47, 30, 187, 125}, rows::kCentred},
    {1011, rows::kDisplay, "", {183, 46, 40, 12}, rows::kNoBorder},
    {1012, rows::kButton, "REC", {191, 90, 26, 14}},
    {1013, rows::kButton, "END", {191, 106, 26, 14}},
    {-1, rows::kGroup, "Data Saving", {170, 35, 64, 86}, rows::kCentred},
    {1014, rows::kEdit, "", {191, 59, 22, 12}, rows::kCentred},
    {1015, rows::kText, "Every", {172, 60, 18, 8}, rows::kNewGroup},
    {1016, rows::kText, "Sec", {215, 61, 13, 8}, rows::kNewGroup},
    {1007, rows::kDisplay, "", {112, 69, 38, 12}},
    {1017, rows::kDisplay, "", {112, 137, 39, 12}},
    {1018, rows::kDisplay, "", {112, 101, 38, 12}},
    {1019, rows::kGroup, "Sensor1", {51, 47, 53, 108}},
    {1020, rows::kGroup, "Sensor2", {110, 47, 52, 108}},
    {-1, rows::kText, "C", {91, 70, 8, 9}, rows::kNewGroup},
    {-1, rows::kText, "F", {92, 102, 8, 10}, rows::kNewGroup},
    {-1, rows::kText, "Resistance (Ohm)", {111, 120, 43, 16}, rows::kNewGroup},
    {-1, rows::kText, "Temperature t2", {112, 57, 47, 11}, rows::kNewGroup},
    {-1, rows::kText, "Temperature", {112, 90, 42, 10}, rows::kNewGroup},
    {1021, rows::kDisplay, "", {176, 136, 38, 12}},
    {1022, rows::kText, "t1 -t2", {177, 124, 42, 10}, rows::kNewGroup},
    {-1, rows::kText, "C", {216, 137, 8, 9}, rows::kNewGroup},
    {1023, rows::kCheck, "", {119, 39, 16, 8}},
    {1024, rows::kText, "To: U_z5data.txt", {175, 76, 53, 8}, rows::kNewGroup},
}};

constexpr TemplateHead kAboutBoxHead{100, "About Vexmoor", {0, 0, 235, 55}, "MS Sans Serif", 8, false};

constexpr std::array<TemplateRow, 4> kAboutBoxRows{{
    {-1, rows::kIcon, "", {11, 17, 20, 20}, platform::kStyleNone, 128},
    {-1, rows::kText, "Vexmoor Version 1.0b", {40, 10, 119, 8}, rows::kNoPrefix},
    {-1, rows::kText, std::nullopt, {40, 25, 188, 8}},  // the rights notice
    {1, rows::kDefaultButton, "OK", {178, 7, 50, 14}},
}};

inline std::string KindName(platform::ControlKind kind)
{
    switch (kind) {
    case platform::ControlKind::PushButton: return "push button";
    case platform::ControlKind::DefPushButton: return "default push button";
    case platform::ControlKind::DisplayField: return "display field";
    case platform::ControlKind::EditField: return "edit field";
    case platform::ControlKind::CheckBox: return "check box";
    case platform::ControlKind::GroupBox: return "group box";
    case platform::ControlKind::StaticText: return "static text";
    case platform::ControlKind::StaticIcon: return "static icon";
    }
    return "kind " + std::to_string(static_cast<int>(kind));
}

// One line per control, so a failing comparison shows the whole row.
inline std::string Describe(int id, platform::ControlKind kind, std::string_view caption,
                            const platform::DluRect& rect, std::uint32_t styles, int iconId)
{
    return std::to_string(id) + " " + KindName(kind) + " \"" + std::string(caption) + "\" at " +
           std::to_string(rect.x) + "," + std::to_string(rect.y) + " size " + std::to_string(rect.width) +
           "x" + std::to_string(rect.height) + " styles " + std::to_string(styles) + " icon " +
           std::to_string(iconId);
}

} // namespace vexmoor::test
