#pragma once
// The D2XX driver library's types, constants and the fourteen entry points
// this program uses, in one list. Written for this program; the library
// itself is loaded at run time and never linked against.

#include <array>
#include <cstdint>
#include <string_view>

namespace vexmoor::d2xx {

using FT_STATUS = std::uint32_t;
using FT_HANDLE = void*;
using DWORD = std::uint32_t;
using WORD = std::uint16_t;
using UCHAR = std::uint8_t;

// Statuses. The program tells apart only FT_OK, FT_INVALID_HANDLE and
// FT_IO_ERROR; a driver library returns the others as well.
constexpr FT_STATUS FT_OK = 0;
constexpr FT_STATUS FT_INVALID_HANDLE = 1;
constexpr FT_STATUS FT_DEVICE_NOT_FOUND = 2;
constexpr FT_STATUS FT_DEVICE_NOT_OPENED = 3;
constexpr FT_STATUS FT_IO_ERROR = 4;
constexpr FT_STATUS FT_INSUFFICIENT_RESOURCES = 5;
constexpr FT_STATUS FT_INVALID_PARAMETER = 6;
constexpr FT_STATUS FT_INVALID_BAUD_RATE = 7;
constexpr FT_STATUS FT_NOT_SUPPORTED = 17;
constexpr FT_STATUS FT_OTHER_ERROR = 18;

// FT_OpenEx flags; also the kind of text FT_ListDevices gives.
constexpr DWORD FT_OPEN_BY_SERIAL_NUMBER = 1;
constexpr DWORD FT_OPEN_BY_DESCRIPTION = 2;
constexpr DWORD FT_OPEN_BY_LOCATION = 4;

// FT_ListDevices flags, combined with one of the FT_OPEN_BY_ flags.
constexpr DWORD FT_LIST_NUMBER_ONLY = 0x80000000u;
constexpr DWORD FT_LIST_BY_INDEX = 0x40000000u;
constexpr DWORD FT_LIST_ALL = 0x20000000u;
// Buffer sizes FT_ListDevices writes into, terminating NUL included.
constexpr DWORD FT_DESCRIPTION_BUFFER_SIZE = 64;
constexpr DWORD FT_SERIAL_NUMBER_BUFFER_SIZE = 16;

constexpr DWORD FT_PURGE_RX = 1;
constexpr DWORD FT_PURGE_TX = 2;

constexpr WORD FT_FLOW_NONE = 0x0000;
constexpr WORD FT_FLOW_RTS_CTS = 0x0100;
constexpr WORD FT_FLOW_DTR_DSR = 0x0200;
constexpr WORD FT_FLOW_XON_XOFF = 0x0400;

constexpr UCHAR FT_BITS_7 = 7;
constexpr UCHAR FT_BITS_8 = 8;
constexpr UCHAR FT_STOP_BITS_1 = 0;
constexpr UCHAR FT_STOP_BITS_2 = 2;
constexpr UCHAR FT_PARITY_NONE = 0;
constexpr UCHAR FT_PARITY_ODD = 1;
constexpr UCHAR FT_PARITY_EVEN = 2;
constexpr UCHAR FT_PARITY_MARK = 3;
constexpr UCHAR FT_PARITY_SPACE = 4;

} // namespace vexmoor::d2xx

// The library's calling convention: stdcall on 32-bit Windows, the default
// everywhere else. Only a macro can place it inside a function type.
#if defined(_WIN32) && !defined(_WIN64)
#define VEXMOOR_D2XX_CALL __stdcall
#else
#define VEXMOOR_D2XX_CALL
#endif

// THE LIST of the fourteen entry points, in the order LoadD2xx looks them up:
// for each, X(context, name, (parameters), (the parameters as arguments)).
// Every entry point returns an FT_STATUS. The types are those of namespace
// vexmoor::d2xx. From it are made the pointer types below, D2xxTable's fields
// and lookup, the exports and by-name tables of link/D2xxDriver.h, and the
// export lists of cmake/D2xxDriver.cmake, which reads the entries' lines: keep
// one entry per line, each starting with "X(context, FT_".
// An X-macro, because only the preprocessor turns one list into declarations
// of extern "C" functions and fields with these names.
#define VEXMOOR_D2XX_ENTRY_POINTS(X, context)                                                                \
    X(context, FT_Write, (FT_HANDLE handle, void* buffer, DWORD bytesToWrite, DWORD* bytesWritten),         \
      (handle, buffer, bytesToWrite, bytesWritten))                                                          \
    X(context, FT_Read, (FT_HANDLE handle, void* buffer, DWORD bytesToRead, DWORD* bytesReturned),          \
      (handle, buffer, bytesToRead, bytesReturned))                                                          \
    X(context, FT_Open, (int deviceIndex, FT_HANDLE* handle), (deviceIndex, handle))                         \
    X(context, FT_OpenEx, (void* arg, DWORD flags, FT_HANDLE* handle), (arg, flags, handle))                 \
    X(context, FT_ListDevices, (void* arg1, void* arg2, DWORD flags), (arg1, arg2, flags))                   \
    X(context, FT_Close, (FT_HANDLE handle), (handle))                                                       \
    X(context, FT_ResetDevice, (FT_HANDLE handle), (handle))                                                 \
    X(context, FT_Purge, (FT_HANDLE handle, DWORD mask), (handle, mask))                                     \
    X(context, FT_SetTimeouts, (FT_HANDLE handle, DWORD readTimeoutMs, DWORD writeTimeoutMs),                \
      (handle, readTimeoutMs, writeTimeoutMs))                                                               \
    X(context, FT_GetQueueStatus, (FT_HANDLE handle, DWORD* rxBytes), (handle, rxBytes))                     \
    X(context, FT_SetFlowControl, (FT_HANDLE handle, WORD mode, UCHAR xon, UCHAR xoff),                      \
      (handle, mode, xon, xoff))                                                                             \
    X(context, FT_SetBaudRate, (FT_HANDLE handle, DWORD baudRate), (handle, baudRate))                       \
    X(context, FT_SetDataCharacteristics, (FT_HANDLE handle, UCHAR wordLength, UCHAR stopBits, UCHAR parity), \
      (handle, wordLength, stopBits, parity))                                                                \
    X(context, FT_GetStatus, (FT_HANDLE handle, DWORD* rxBytes, DWORD* txBytes, DWORD* eventStatus),         \
      (handle, rxBytes, txBytes, eventStatus))

namespace vexmoor::d2xx {

// FT_Write_t ... FT_GetStatus_t: pointers to the entry points.
#define VEXMOOR_D2XX_POINTER_TYPE(context, name, parameters, arguments) \
    using name##_t = FT_STATUS(VEXMOOR_D2XX_CALL*) parameters;
VEXMOOR_D2XX_ENTRY_POINTS(VEXMOOR_D2XX_POINTER_TYPE, )
#undef VEXMOOR_D2XX_POINTER_TYPE

// The names, in lookup order.
#define VEXMOOR_D2XX_NAME(context, name, parameters, arguments) #name,
inline constexpr auto kEntryPointNames = std::to_array<std::string_view>({VEXMOOR_D2XX_ENTRY_POINTS(VEXMOOR_D2XX_NAME, )});
#undef VEXMOOR_D2XX_NAME

} // namespace vexmoor::d2xx
