#include "FixedReplyDriver.h"

#include "link/D2xxDriver.h"

#include <algorithm>
#include <cstring>

namespace vexmoor::bench {

namespace {

using namespace d2xx;

constexpr char kGreeting[] = "Quorvantex Z5 v1.0b\r";
constexpr unsigned char kChannel1[] = "\x88R 109.800 \rT  25.500 \r\n";
constexpr unsigned char kChannel2[] = "\x77R 108.600 \rT  22.000 \r\n";

struct Line {
    char lastRequest = 0;  // fourth byte of the last request: '2', '5' or '6'
    bool queued = false;
    bool silent = false;
};

Line& State()
{
    static Line line;
    return line;
}

char handleToken;

// The fourteen entry points, by their own names (link/D2xxDriver.h).
namespace fixed {

FT_STATUS VEXMOOR_D2XX_CALL FT_Open(int, FT_HANDLE* handle)
{
    *handle = &handleToken;
    return FT_OK;
}
FT_STATUS VEXMOOR_D2XX_CALL FT_OpenEx(void*, DWORD, FT_HANDLE* handle)
{
    *handle = &handleToken;
    return FT_OK;
}
FT_STATUS VEXMOOR_D2XX_CALL FT_ListDevices(void*, void*, DWORD) { return FT_OK; }
FT_STATUS VEXMOOR_D2XX_CALL FT_Close(FT_HANDLE) { return FT_OK; }
FT_STATUS VEXMOOR_D2XX_CALL FT_Read(FT_HANDLE, void* buffer, DWORD toRead, DWORD* returned)
{
    Line& line = State();
    const unsigned char* reply = line.lastRequest == '5' ? kChannel1 : kChannel2;
    const char* source = line.lastRequest == '2' ? kGreeting : reinterpret_cast<const char*>(reply);
    const DWORD available = line.lastRequest == '2' ? 20 : 24;
    *returned = std::min(toRead, available);
    std::memcpy(buffer, source, *returned);
    line.queued = false;
    return FT_OK;
}
FT_STATUS VEXMOOR_D2XX_CALL FT_Write(FT_HANDLE, void* buffer, DWORD toWrite, DWORD* written)
{
    Line& line = State();
    line.lastRequest = toWrite >= 4 ? static_cast<const char*>(buffer)[3] : 0;
    line.queued = !line.silent;
    *written = toWrite;
    return FT_OK;
}
FT_STATUS VEXMOOR_D2XX_CALL FT_ResetDevice(FT_HANDLE) { return FT_OK; }
FT_STATUS VEXMOOR_D2XX_CALL FT_Purge(FT_HANDLE, DWORD) { return FT_OK; }
FT_STATUS VEXMOOR_D2XX_CALL FT_SetTimeouts(FT_HANDLE, DWORD, DWORD) { return FT_OK; }
FT_STATUS VEXMOOR_D2XX_CALL FT_GetQueueStatus(FT_HANDLE, DWORD* rx)
{
    *rx = State().queued ? 24 : 0;
    return FT_OK;
}
FT_STATUS VEXMOOR_D2XX_CALL FT_SetFlowControl(FT_HANDLE, WORD, UCHAR, UCHAR) { return FT_OK; }
FT_STATUS VEXMOOR_D2XX_CALL FT_SetBaudRate(FT_HANDLE, DWORD) { return FT_OK; }
FT_STATUS VEXMOOR_D2XX_CALL FT_SetDataCharacteristics(FT_HANDLE, UCHAR, UCHAR, UCHAR) { return FT_OK; }
FT_STATUS VEXMOOR_D2XX_CALL FT_GetStatus(FT_HANDLE, DWORD* rx, DWORD* tx, DWORD* events)
{
    *rx = State().queued ? 24 : 0;
    *tx = 0;
    *events = 0;
    return FT_OK;
}

} // namespace fixed

} // namespace

platform::TableLibraryLoader::Table FixedReplyTable()
{
    return platform::TableLibraryLoader::TableOf(VEXMOOR_D2XX_ENTRY_TABLE(fixed));
}

void SetReplyQueued(bool queued)
{
    State().silent = !queued;
    State().queued = queued;
}

} // namespace vexmoor::bench
