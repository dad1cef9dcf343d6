// The driver library's exports: the fourteen D2XX entry points under their C
// names, each passing straight on to vexmoor::serial (SerialD2xx.h).

#include "SerialD2xx.h"

using namespace vexmoor::d2xx;
namespace serial = vexmoor::serial;

extern "C" {

[[gnu::visibility("default")]] FT_STATUS FT_Open(int i, FT_HANDLE* h) { return serial::FT_Open(i, h); }
[[gnu::visibility("default")]] FT_STATUS FT_OpenEx(void* a, DWORD f, FT_HANDLE* h) { return serial::FT_OpenEx(a, f, h); }
[[gnu::visibility("default")]] FT_STATUS FT_ListDevices(void* a, void* b, DWORD f) { return serial::FT_ListDevices(a, b, f); }
[[gnu::visibility("default")]] FT_STATUS FT_Close(FT_HANDLE h) { return serial::FT_Close(h); }
[[gnu::visibility("default")]] FT_STATUS FT_Read(FT_HANDLE h, void* b, DWORD n, DWORD* r) { return serial::FT_Read(h, b, n, r); }
[[gnu::visibility("default")]] FT_STATUS FT_Write(FT_HANDLE h, void* b, DWORD n, DWORD* w) { return serial::FT_Write(h, b, n, w); }
[[gnu::visibility("default")]] FT_STATUS FT_ResetDevice(FT_HANDLE h) { return serial::FT_ResetDevice(h); }
[[gnu::visibility("default")]] FT_STATUS FT_Purge(FT_HANDLE h, DWORD m) { return serial::FT_Purge(h, m); }
[[gnu::visibility("default")]] FT_STATUS FT_SetTimeouts(FT_HANDLE h, DWORD r, DWORD w) { return serial::FT_SetTimeouts(h, r, w); }
[[gnu::visibility("default")]] FT_STATUS FT_GetQueueStatus(FT_HANDLE h, DWORD* r) { return serial::FT_GetQueueStatus(h, r); }
[[gnu::visibility("default")]] FT_STATUS FT_SetFlowControl(FT_HANDLE h, WORD m, UCHAR on, UCHAR off) { return serial::FT_SetFlowControl(h, m, on, off); }
[[gnu::visibility("default")]] FT_STATUS FT_SetBaudRate(FT_HANDLE h, DWORD b) { return serial::FT_SetBaudRate(h, b); }
[[gnu::visibility("default")]] FT_STATUS FT_SetDataCharacteristics(FT_HANDLE h, UCHAR w, UCHAR s, UCHAR p) { return serial::FT_SetDataCharacteristics(h, w, s, p); }
[[gnu::visibility("default")]] FT_STATUS FT_GetStatus(FT_HANDLE h, DWORD* r, DWORD* t, DWORD* e) { return serial::FT_GetStatus(h, r, t, e); }

} // extern "C"
