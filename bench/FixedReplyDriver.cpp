#include "FixedReplyDriver.h"

#include "link/D2xxTypes.h"

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

FT_STATUS VEXMOOR_D2XX_CALL Open(int, FT_HANDLE* handle)
{
    *handle = &handleToken;
    return FT_OK;
}
FT_STATUS VEXMOOR_D2XX_CALL OpenEx(void*, DWORD, FT_HANDLE* handle)
{
    *handle = &handleToken;
    return FT_OK;
}
FT_STATUS VEXMOOR_D2XX_CALL ListDevices(void*, void*, DWORD) { return FT_OK; }
FT_STATUS VEXMOOR_D2XX_CALL Close(FT_HANDLE) { return FT_OK; }
FT_STATUS VEXMOOR_D2XX_CALL Read(FT_HANDLE, void* buffer, DWORD toRead, DWORD* returned)
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
FT_STATUS VEXMOOR_D2XX_CALL Write(FT_HANDLE, void* buffer, DWORD toWrite, DWORD* written)
{
    Line& line = State();
    line.lastRequest = toWrite >= 4 ? static_cast<const char*>(buffer)[3] : 0;
    line.queued = !line.silent;
    *written = toWrite;
    return FT_OK;
}
FT_STATUS VEXMOOR_D2XX_CALL ResetDevice(FT_HANDLE) { return FT_OK; }
FT_STATUS VEXMOOR_D2XX_CALL Purge(FT_HANDLE, DWORD) { return FT_OK; }
FT_STATUS VEXMOOR_D2XX_CALL SetTimeouts(FT_HANDLE, DWORD, DWORD) { return FT_OK; }
FT_STATUS VEXMOOR_D2XX_CALL GetQueueStatus(FT_HANDLE, DWORD* rx)
{
    *rx = State().queued ? 24 : 0;
    return FT_OK;
}
FT_STATUS VEXMOOR_D2XX_CALL SetFlowControl(FT_HANDLE, WORD, UCHAR, UCHAR) { return FT_OK; }
FT_STATUS VEXMOOR_D2XX_CALL SetBaudRate(FT_HANDLE, DWORD) { return FT_OK; }
FT_STATUS VEXMOOR_D2XX_CALL SetDataCharacteristics(FT_HANDLE, UCHAR, UCHAR, UCHAR) { return FT_OK; }
FT_STATUS VEXMOOR_D2XX_CALL GetStatus(FT_HANDLE, DWORD* rx, DWORD* tx, DWORD* events)
{
    *rx = State().queued ? 24 : 0;
    *tx = 0;
    *events = 0;
    return FT_OK;
}

template <typename Function>
platform::EntryPoint Entry(Function function)
{
    return reinterpret_cast<platform::EntryPoint>(function);
}

} // namespace

platform::TableLibraryLoader::Table FixedReplyTable()
{
    return {
        {"FT_Open", Entry(&Open)},
        {"FT_OpenEx", Entry(&OpenEx)},
        {"FT_ListDevices", Entry(&ListDevices)},
        {"FT_Close", Entry(&Close)},
        {"FT_Read", Entry(&Read)},
        {"FT_Write", Entry(&Write)},
        {"FT_ResetDevice", Entry(&ResetDevice)},
        {"FT_Purge", Entry(&Purge)},
        {"FT_SetTimeouts", Entry(&SetTimeouts)},
        {"FT_GetQueueStatus", Entry(&GetQueueStatus)},
        {"FT_SetFlowControl", Entry(&SetFlowControl)},
        {"FT_SetBaudRate", Entry(&SetBaudRate)},
        {"FT_SetDataCharacteristics", Entry(&SetDataCharacteristics)},
        {"FT_GetStatus", Entry(&GetStatus)},
    };
}

void SetReplyQueued(bool queued)
{
    State().silent = !queued;
    State().queued = queued;
}

} // namespace vexmoor::bench
