#pragma once
// Resource and control identifiers.

#include <cstdint>

namespace vexmoor::res {

constexpr int IDD_ABOUTBOX = 100;
constexpr int IDS_ABOUTBOX = 101;
constexpr int IDD_VEXMOOR_DIALOG = 102;
constexpr int IDR_MAINFRAME = 128;          // the application icon
constexpr std::uint32_t IDM_ABOUTBOX = 0x0010;  // window-menu command of the About item

constexpr int IDC_START = 1000;
constexpr int IDC_STOP = 1001;
constexpr int IDC_T1_CELSIUS = 1002;
constexpr int IDC_T1_FAHRENHEIT = 1003;
constexpr int IDC_R1 = 1004;
constexpr int IDC_EXIT = 1005;
constexpr int IDC_DEVICE_STATUS = 1006;
constexpr int IDC_T2_CELSIUS = 1007;
constexpr int IDC_CH1_ACTIVE = 1008;
constexpr int IDC_RESULT_GROUP = 1010;
constexpr int IDC_RECORD_STATUS = 1011;
constexpr int IDC_REC = 1012;
constexpr int IDC_END = 1013;
constexpr int IDC_INTERVAL = 1014;
constexpr int IDC_EVERY_LABEL = 1015;
constexpr int IDC_SEC_LABEL = 1016;
constexpr int IDC_R2 = 1017;
constexpr int IDC_T2_FAHRENHEIT = 1018;
constexpr int IDC_SENSOR1_GROUP = 1019;
constexpr int IDC_SENSOR2_GROUP = 1020;
constexpr int IDC_DIFF = 1021;
constexpr int IDC_DIFF_LABEL = 1022;
constexpr int IDC_CH2_ACTIVE = 1023;
constexpr int IDC_FILE_LABEL = 1024;

} // namespace vexmoor::res
