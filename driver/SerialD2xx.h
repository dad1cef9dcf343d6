#pragma once
// The fourteen D2XX entry points over the system's serial ports: the driver
// library's behaviour, in C++. D2xxExports.cpp exports them under the
// driver's names. Each has exactly the type of its entry point in
// link/D2xxTypes.h. What each returns for which fault: driver/README.md.

#include "link/D2xxTypes.h"

namespace vexmoor::serial {

using d2xx::DWORD;
using d2xx::FT_HANDLE;
using d2xx::FT_STATUS;
using d2xx::UCHAR;
using d2xx::WORD;

FT_STATUS VEXMOOR_D2XX_CALL FT_Open(int deviceIndex, FT_HANDLE* handle);
FT_STATUS VEXMOOR_D2XX_CALL FT_OpenEx(void* arg, DWORD flags, FT_HANDLE* handle);
FT_STATUS VEXMOOR_D2XX_CALL FT_ListDevices(void* arg1, void* arg2, DWORD flags);
FT_STATUS VEXMOOR_D2XX_CALL FT_Close(FT_HANDLE handle);
FT_STATUS VEXMOOR_D2XX_CALL FT_Read(FT_HANDLE handle, void* buffer, DWORD bytesToRead, DWORD* bytesReturned);
FT_STATUS VEXMOOR_D2XX_CALL FT_Write(FT_HANDLE handle, void* buffer, DWORD bytesToWrite, DWORD* bytesWritten);
FT_STATUS VEXMOOR_D2XX_CALL FT_ResetDevice(FT_HANDLE handle);
FT_STATUS VEXMOOR_D2XX_CALL FT_Purge(FT_HANDLE handle, DWORD mask);
FT_STATUS VEXMOOR_D2XX_CALL FT_SetTimeouts(FT_HANDLE handle, DWORD readTimeoutMs, DWORD writeTimeoutMs);
FT_STATUS VEXMOOR_D2XX_CALL FT_GetQueueStatus(FT_HANDLE handle, DWORD* rxBytes);
FT_STATUS VEXMOOR_D2XX_CALL FT_SetFlowControl(FT_HANDLE handle, WORD mode, UCHAR xon, UCHAR xoff);
FT_STATUS VEXMOOR_D2XX_CALL FT_SetBaudRate(FT_HANDLE handle, DWORD baudRate);
FT_STATUS VEXMOOR_D2XX_CALL FT_SetDataCharacteristics(FT_HANDLE handle, UCHAR wordLength, UCHAR stopBits,
                                                      UCHAR parity);
FT_STATUS VEXMOOR_D2XX_CALL FT_GetStatus(FT_HANDLE handle, DWORD* rxBytes, DWORD* txBytes, DWORD* eventStatus);

} // namespace vexmoor::serial
