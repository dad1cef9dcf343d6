#include "res/Templates.h"

#include "res/resource.h"

#include <array>

namespace vexmoor::res {

using platform::ControlKind;
using platform::ControlTemplate;
using platform::DialogTemplate;
using platform::kStyleCenterText;
using platform::kStyleNewGroup;
using platform::kStyleNoBorder;
using platform::kStyleNoPrefix;
using platform::kUnaddressed;

namespace {

constexpr auto Button = ControlKind::PushButton;
constexpr auto Field = ControlKind::DisplayField;
constexpr auto Static = ControlKind::StaticText;
constexpr auto Check = ControlKind::CheckBox;
constexpr auto Group = ControlKind::GroupBox;

// Template 102, in template order (which is also the tab order).
constexpr std::array<ControlTemplate, 37> kMainControls{{
    {IDC_START, Button, "Start", {15, 47, 28, 14}},
    {IDC_T1_CELSIUS, Field, "", {53, 69, 37, 12}},
    {IDC_T1_FAHRENHEIT, Field, "", {53, 101, 37, 12}},
    {IDC_R1, Field, "", {53, 137, 38, 12}},
    {IDC_EXIT, Button, "Exit", {15, 96, 28, 13}},
    {IDC_DEVICE_STATUS, Field, "", {54, 15, 79, 13}},
    {kUnaddressed, Static, "Temperature t1", {52, 57, 50, 11}, kStyleNewGroup},
    {kUnaddressed, Static, "Temperature", {53, 90, 42, 10}, kStyleNewGroup},
    {kUnaddressed, Static, "Resistance (Ohm)", {53, 120, 43, 16}, kStyleNewGroup},
    {kUnaddressed, Static, "C", {152, 70, 8, 9}, kStyleNewGroup},
    {kUnaddressed, Static, "F", {151, 103, 8, 10}, kStyleNewGroup},
    {IDC_STOP, Button, "Stop", {15, 73, 28, 14}},
    {kUnaddressed, Static, "Device Status", {7, 15, 45, 11}, kStyleNewGroup},
    {IDC_CH1_ACTIVE, Check, "", {59, 39, 8, 8}},
    {IDC_RESULT_GROUP, Group, "Measurement Result", {47, 30, 187, 125}, kStyleCenterText},
    {IDC_RECORD_STATUS, Field, "", {183, 46, 40, 12}, kStyleNoBorder},
    {IDC_REC, Button, "REC", {191, 90, 26, 14}},
    {IDC_END, Button, "END", {191, 106, 26, 14}},
    {kUnaddressed, Group, "Data Saving", {170, 35, 64, 86}, kStyleCenterText},
    {IDC_INTERVAL, ControlKind::EditField, "", {191, 59, 22, 12}, kStyleCenterText},
    {IDC_EVERY_LABEL, Static, "Every", {172, 60, 18, 8}, kStyleNewGroup},
    {IDC_SEC_LABEL, Static, "Sec", {215, 61, 13, 8}, kStyleNewGroup},
    {IDC_T2_CELSIUS, Field, "", {112, 69, 38, 12}},
    {IDC_R2, Field, "", {112, 137, 39, 12}},
    {IDC_T2_FAHRENHEIT, Field, "", {112, 101, 38, 12}},
    {IDC_SENSOR1_GROUP, Group, "Sensor1", {51, 47, 53, 108}},
    {IDC_SENSOR2_GROUP, Group, "Sensor2", {110, 47, 52, 108}},
    {kUnaddressed, Static, "C", {91, 70, 8, 9}, kStyleNewGroup},
    {kUnaddressed, Static, "F", {92, 102, 8, 10}, kStyleNewGroup},
    {kUnaddressed, Static, "Resistance (Ohm)", {111, 120, 43, 16}, kStyleNewGroup},
    {kUnaddressed, Static, "Temperature t2", {112, 57, 47, 11}, kStyleNewGroup},
    {kUnaddressed, Static, "Temperature", {112, 90, 42, 10}, kStyleNewGroup},
    {IDC_DIFF, Field, "", {176, 136, 38, 12}},
    {IDC_DIFF_LABEL, Static, "t1 -t2", {177, 124, 42, 10}, kStyleNewGroup},
    {kUnaddressed, Static, "C", {216, 137, 8, 9}, kStyleNewGroup},
    {IDC_CH2_ACTIVE, Check, "", {119, 39, 16, 8}},
    {IDC_FILE_LABEL, Static, "To: U_z5data.txt", {175, 76, 53, 8}, kStyleNewGroup},
}};

constexpr std::array<ControlTemplate, 4> kAboutControls{{
    {kUnaddressed, ControlKind::StaticIcon, "", {11, 17, 20, 20}, platform::kStyleNone, IDR_MAINFRAME},
    {kUnaddressed, Static, "Vexmoor Version 1.0b", {40, 10, 119, 8}, kStyleNoPrefix},
    {kUnaddressed, Static, "Copyright (C) 2026 The Vexmoor developers", {40, 25, 188, 8}},
    {platform::IDOK, ControlKind::DefPushButton, "OK", {178, 7, 50, 14}},
}};

const DialogTemplate kMainDialog{
    IDD_VEXMOOR_DIALOG, "Vexmoor", {0, 0, 241, 162}, {"MS Sans Serif", 14}, true, kMainControls};

const DialogTemplate kAboutBox{
    IDD_ABOUTBOX, "About Vexmoor", {0, 0, 235, 55}, {"MS Sans Serif", 8}, false, kAboutControls};

constexpr VersionRecord kVersion{
    "1, 0, 0, 1",
    "1, 0, 0, 1",
    "Vexmoor",
    "Vexmoor.EXE",
    "Vexmoor Application",
    "Vexmoor thermometer reader",
    "Copyright (C) 2026 The Vexmoor developers",
};

} // namespace

const DialogTemplate& MainDialogTemplate()
{
    return kMainDialog;
}

const DialogTemplate& AboutBoxTemplate()
{
    return kAboutBox;
}

std::string_view LoadString(int id)
{
    return id == IDS_ABOUTBOX ? "&About Vexmoor..." : "";
}

const VersionRecord& Version()
{
    return kVersion;
}

} // namespace vexmoor::res
