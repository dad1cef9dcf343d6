// LoadD2xx and the fourteen guarded calls.

#include "link/D2xxDriver.h"
#include "link/D2xxTable.h"
#include "sim/InProcessTable.h"
#include "sim/SimInstrument.h"
#include "support/FakeHost.h"
#include "support/TestEnv.h"
#include "ui/VexmoorDlg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace vexmoor {
namespace {

using namespace d2xx;

// The lookup order of LoadD2xx, written out here from the driver's history:
// the program's list (link/D2xxTypes.h) must give these names in this order.
const std::vector<std::string> kLookupOrder{
    "FT_Write",          "FT_Read",           "FT_Open",        "FT_OpenEx",
    "FT_ListDevices",    "FT_Close",          "FT_ResetDevice", "FT_Purge",
    "FT_SetTimeouts",    "FT_GetQueueStatus", "FT_SetFlowControl", "FT_SetBaudRate",
    "FT_SetDataCharacteristics", "FT_GetStatus",
};

// ---- a recording stand-in library ----------------------------------------------

struct Seen {
    std::vector<std::string> calls;
    FT_STATUS status = FT_OK;         // what every entry point returns
    FT_HANDLE openedHandle = nullptr;  // what the opens write through their out-argument
    FT_HANDLE handle = nullptr;
    FT_HANDLE* handleOut = nullptr;
    int index = 0;
    void* arg1 = nullptr;
    void* arg2 = nullptr;
    DWORD flags = 0;
    void* buffer = nullptr;
    DWORD length = 0;
    DWORD* count = nullptr;
    DWORD mask = 0;
    DWORD readMs = 0;
    DWORD writeMs = 0;
    DWORD* rx = nullptr;
    DWORD* tx = nullptr;
    DWORD* events = nullptr;
    WORD mode = 0;
    UCHAR xon = 0;
    UCHAR xoff = 0;
    DWORD rate = 0;
    UCHAR bits = 0;
    UCHAR stop = 0;
    UCHAR parity = 0;
};
Seen seen;

// The fourteen entry points, by their own names (link/D2xxDriver.h).
namespace fake {

FT_STATUS VEXMOOR_D2XX_CALL FT_Open(int index, FT_HANDLE* handle)
{
    seen.calls.emplace_back("FT_Open");
    seen.index = index;
    seen.handleOut = handle;
    *handle = seen.openedHandle;
    return seen.status;
}
FT_STATUS VEXMOOR_D2XX_CALL FT_OpenEx(void* arg, DWORD flags, FT_HANDLE* handle)
{
    seen.calls.emplace_back("FT_OpenEx");
    seen.arg1 = arg;
    seen.flags = flags;
    seen.handleOut = handle;
    *handle = seen.openedHandle;
    return seen.status;
}
FT_STATUS VEXMOOR_D2XX_CALL FT_ListDevices(void* arg1, void* arg2, DWORD flags)
{
    seen.calls.emplace_back("FT_ListDevices");
    seen.arg1 = arg1;
    seen.arg2 = arg2;
    seen.flags = flags;
    return seen.status;
}
FT_STATUS VEXMOOR_D2XX_CALL FT_Close(FT_HANDLE handle)
{
    seen.calls.emplace_back("FT_Close");
    seen.handle = handle;
    return seen.status;
}
FT_STATUS VEXMOOR_D2XX_CALL FT_Read(FT_HANDLE handle, void* buffer, DWORD length, DWORD* count)
{
    seen.calls.emplace_back("FT_Read");
    seen.handle = handle;
    seen.buffer = buffer;
    seen.length = length;
    seen.count = count;
    return seen.status;
}
FT_STATUS VEXMOOR_D2XX_CALL FT_Write(FT_HANDLE handle, void* buffer, DWORD length, DWORD* count)
{
    seen.calls.emplace_back("FT_Write");
    seen.handle = handle;
    seen.buffer = buffer;
    seen.length = length;
    seen.count = count;
    return seen.status;
}
FT_STATUS VEXMOOR_D2XX_CALL FT_ResetDevice(FT_HANDLE handle)
{
    seen.calls.emplace_back("FT_ResetDevice");
    seen.handle = handle;
    return seen.status;
}
FT_STATUS VEXMOOR_D2XX_CALL FT_Purge(FT_HANDLE handle, DWORD mask)
{
    seen.calls.emplace_back("FT_Purge");
    seen.handle = handle;
    seen.mask = mask;
    return seen.status;
}
FT_STATUS VEXMOOR_D2XX_CALL FT_SetTimeouts(FT_HANDLE handle, DWORD readMs, DWORD writeMs)
{
    seen.calls.emplace_back("FT_SetTimeouts");
    seen.handle = handle;
    seen.readMs = readMs;
    seen.writeMs = writeMs;
    return seen.status;
}
FT_STATUS VEXMOOR_D2XX_CALL FT_GetQueueStatus(FT_HANDLE handle, DWORD* rx)
{
    seen.calls.emplace_back("FT_GetQueueStatus");
    seen.handle = handle;
    seen.rx = rx;
    return seen.status;
}
FT_STATUS VEXMOOR_D2XX_CALL FT_SetFlowControl(FT_HANDLE handle, WORD mode, UCHAR xon, UCHAR xoff)
{
    seen.calls.emplace_back("FT_SetFlowControl");
    seen.handle = handle;
    seen.mode = mode;
    seen.xon = xon;
    seen.xoff = xoff;
    return seen.status;
}
FT_STATUS VEXMOOR_D2XX_CALL FT_SetBaudRate(FT_HANDLE handle, DWORD rate)
{
    seen.calls.emplace_back("FT_SetBaudRate");
    seen.handle = handle;
    seen.rate = rate;
    return seen.status;
}
FT_STATUS VEXMOOR_D2XX_CALL FT_SetDataCharacteristics(FT_HANDLE handle, UCHAR bits, UCHAR stop, UCHAR parity)
{
    seen.calls.emplace_back("FT_SetDataCharacteristics");
    seen.handle = handle;
    seen.bits = bits;
    seen.stop = stop;
    seen.parity = parity;
    return seen.status;
}
FT_STATUS VEXMOOR_D2XX_CALL FT_GetStatus(FT_HANDLE handle, DWORD* rx, DWORD* tx, DWORD* events)
{
    seen.calls.emplace_back("FT_GetStatus");
    seen.handle = handle;
    seen.rx = rx;
    seen.tx = tx;
    seen.events = events;
    return seen.status;
}

} // namespace fake

template <typename Function>
platform::EntryPoint Entry(Function function)
{
    return reinterpret_cast<platform::EntryPoint>(function);
}

platform::TableLibraryLoader::Table FakeTable()
{
    return platform::TableLibraryLoader::TableOf(VEXMOOR_D2XX_ENTRY_TABLE(fake));
}

// A loader that remembers which names were looked up.
class RecordingLoader final : public platform::LibraryLoader {
public:
    explicit RecordingLoader(platform::TableLibraryLoader::Table table, bool present = true)
        : inner_(std::move(table), present)
    {
    }
    platform::ModuleHandle Load(const std::string& fileName) override { return inner_.Load(fileName); }
    platform::EntryPoint Lookup(platform::ModuleHandle module, const std::string& name) override
    {
        lookedUp.push_back(name);
        return inner_.Lookup(module, name);
    }
    const std::vector<std::string>& requested() const { return inner_.requested(); }
    std::vector<std::string> lookedUp;

private:
    platform::TableLibraryLoader inner_;
};

// The table's field for `name`, as an untyped entry point.
platform::EntryPoint Field(const D2xxTable& table, const std::string& name)
{
    if (name == "FT_Open") return Entry(table.FT_Open);
    if (name == "FT_OpenEx") return Entry(table.FT_OpenEx);
    if (name == "FT_ListDevices") return Entry(table.FT_ListDevices);
    if (name == "FT_Close") return Entry(table.FT_Close);
    if (name == "FT_Read") return Entry(table.FT_Read);
    if (name == "FT_Write") return Entry(table.FT_Write);
    if (name == "FT_ResetDevice") return Entry(table.FT_ResetDevice);
    if (name == "FT_Purge") return Entry(table.FT_Purge);
    if (name == "FT_SetTimeouts") return Entry(table.FT_SetTimeouts);
    if (name == "FT_GetQueueStatus") return Entry(table.FT_GetQueueStatus);
    if (name == "FT_SetFlowControl") return Entry(table.FT_SetFlowControl);
    if (name == "FT_SetBaudRate") return Entry(table.FT_SetBaudRate);
    if (name == "FT_SetDataCharacteristics") return Entry(table.FT_SetDataCharacteristics);
    if (name == "FT_GetStatus") return Entry(table.FT_GetStatus);
    ADD_FAILURE() << "no field " << name;
    return nullptr;
}

class D2xxTableTest : public testing::Test {
protected:
    void SetUp() override { seen = Seen{}; }

    std::vector<std::string> boxes;
    D2xxTable table{[this](std::string_view text) { boxes.emplace_back(text); }};
};

// Every guarded call once, in the declared order, with sentinel out-arguments.
struct Sentinels {
    std::array<std::uint8_t, 8> buffer{1, 2, 3, 4, 5, 6, 7, 8};
    DWORD count = 0xC0C0;
    DWORD rx = 0xA1A1;
    DWORD tx = 0xB2B2;
    DWORD events = 0xE3E3;
    char text[4] = "abc";
};

std::vector<FT_STATUS> CallAll(D2xxTable& table, Sentinels& s)
{
    return {
        table.FtRead(s.buffer.data(), 8, &s.count),
        table.FtWrite(s.buffer.data(), 8, &s.count),
        table.FtOpen(0),
        table.FtOpenEx(s.text, 2),
        table.FtListDevices(&s.count, s.text, 0x80000000u),
        table.FtClose(),
        table.FtResetDevice(),
        table.FtPurge(1),
        table.FtSetTimeouts(1000, 1000),
        table.FtGetQueueStatus(&s.rx),
        table.FtSetFlowControl(0x0400, 0x11, 0x13),
        table.FtSetBaudRate(115200),
        table.FtSetDataCharacteristics(8, 0, 0),
        table.FtGetStatus(&s.rx, &s.tx, &s.events),
    };
}

// ---- LoadD2xx ------------------------------------------------------------------

TEST_F(D2xxTableTest, MissingLibraryShowsOneBoxAndLooksNothingUp)
{
    RecordingLoader loader(FakeTable(), false);
    table.LoadD2xx(loader, "Ftd2xx.dll");
    EXPECT_EQ(boxes, std::vector<std::string>{"Error: Can't Load ft8u245.dll"});
    EXPECT_EQ(loader.requested(), std::vector<std::string>{"Ftd2xx.dll"});
    EXPECT_TRUE(loader.lookedUp.empty());
    EXPECT_EQ(table.libraryHandle, nullptr);
    for (const auto& name : kLookupOrder) {
        EXPECT_EQ(Field(table, name), nullptr) << name;
    }
}

TEST_F(D2xxTableTest, MissingLibraryMakesEveryGuardedCallWarnAndReturnOne)
{
    RecordingLoader loader(FakeTable(), false);
    table.LoadD2xx(loader, "Ftd2xx.dll");
    boxes.clear();

    int marker = 0;
    table.deviceHandle = &marker;
    Sentinels s;
    const std::vector<FT_STATUS> results = CallAll(table, s);

    EXPECT_EQ(results, std::vector<FT_STATUS>(14, FT_INVALID_HANDLE));
    EXPECT_EQ(boxes, (std::vector<std::string>{
                         "FT_Read is not valid!", "FT_Write is not valid!", "FT_Open is not valid!",
                         "FT_OpenEx is not valid!", "FT_ListDevices is not valid!", "FT_Close is not valid!",
                         "FT_ResetDevice is not valid!", "FT_Purge is not valid!",
                         "FT_SetTimeouts is not valid!", "FT_GetQueueStatus is not valid!",
                         "FT_SetFlowControl is not valid!", "FT_SetBaudRate is not valid!",
                         "FT_SetDataCharacteristics is not valid!", "FT_GetStatus is not valid!"}));
    // Nothing was touched: not the handle, not one out-argument.
    EXPECT_EQ(table.deviceHandle, &marker);
    const Sentinels untouched;
    EXPECT_EQ(s.buffer, untouched.buffer);
    EXPECT_EQ(s.count, untouched.count);
    EXPECT_EQ(s.rx, untouched.rx);
    EXPECT_EQ(s.tx, untouched.tx);
    EXPECT_EQ(s.events, untouched.events);
    EXPECT_STREQ(s.text, "abc");
    EXPECT_TRUE(seen.calls.empty());
}

TEST_F(D2xxTableTest, CompleteLibraryShowsNothingAndFillsEveryField)
{
    RecordingLoader loader(FakeTable());
    table.LoadD2xx(loader, "libftd2xx.so");
    EXPECT_TRUE(boxes.empty());
    EXPECT_NE(table.libraryHandle, nullptr);
    EXPECT_EQ(loader.lookedUp, kLookupOrder);
    const auto expected = FakeTable();
    for (const auto& name : kLookupOrder) {
        EXPECT_NE(Field(table, name), nullptr) << name;
        EXPECT_EQ(Field(table, name), expected.at(name)) << name;  // exactly that name's address
    }
    EXPECT_EQ(table.deviceHandle, nullptr);
    EXPECT_TRUE(seen.calls.empty());  // loading calls nothing
}

class D2xxTableLacking : public D2xxTableTest, public testing::WithParamInterface<std::string> {};

TEST_P(D2xxTableLacking, StopsAtTheMissingNameAndLeavesItAndTheLaterOnesNull)
{
    const std::string& missing = GetParam();
    auto library = FakeTable();
    library.erase(missing);
    RecordingLoader loader(library);
    table.LoadD2xx(loader, "Ftd2xx.dll");

    EXPECT_EQ(boxes, std::vector<std::string>{"Error: Can't Find " + missing});
    const auto at = std::find(kLookupOrder.begin(), kLookupOrder.end(), missing);
    EXPECT_EQ(loader.lookedUp, std::vector<std::string>(kLookupOrder.begin(), at + 1));
    bool before = true;
    for (const auto& name : kLookupOrder) {
        before = before && name != missing;
        if (before) {
            EXPECT_EQ(Field(table, name), library.at(name)) << name;
        } else {
            EXPECT_EQ(Field(table, name), nullptr) << name;
        }
    }
    EXPECT_NE(table.libraryHandle, nullptr);  // the library stays loaded
}

INSTANTIATE_TEST_SUITE_P(EachName, D2xxTableLacking, testing::ValuesIn(kLookupOrder),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

// The documented example, on the simulated instrument's library.
TEST_F(D2xxTableTest, LibraryLackingListDevices)
{
    sim::ManualClock clock;
    sim::Instrument instrument(clock);
    instrument.GetScript().missingEntryPoints = {"FT_ListDevices"};
    platform::TableLibraryLoader loader(sim::InProcessTable(instrument));
    table.LoadD2xx(loader, "Ftd2xx.dll");

    EXPECT_EQ(boxes, std::vector<std::string>{"Error: Can't Find FT_ListDevices"});
    EXPECT_NE(table.FT_Write, nullptr);
    EXPECT_NE(table.FT_Read, nullptr);
    EXPECT_NE(table.FT_Open, nullptr);
    EXPECT_NE(table.FT_OpenEx, nullptr);
    for (const char* name : {"FT_ListDevices", "FT_Close", "FT_ResetDevice", "FT_Purge", "FT_SetTimeouts",
                             "FT_GetQueueStatus", "FT_SetFlowControl", "FT_SetBaudRate",
                             "FT_SetDataCharacteristics", "FT_GetStatus"}) {
        EXPECT_EQ(Field(table, name), nullptr) << name;
    }
    // So the first call of OpenDevice warns.
    boxes.clear();
    EXPECT_EQ(table.FtClose(), FT_INVALID_HANDLE);
    EXPECT_EQ(boxes, std::vector<std::string>{"FT_Close is not valid!"});
    EXPECT_TRUE(instrument.Calls().empty());
}

TEST(D2xxTableDialog, AsksForThePlatformsLibraryFileAndWarnsWithAnExclamation)
{
    test::FixedClock time;
    test::FakeFramework framework;
    platform::TableLibraryLoader loader({}, false);
    CVexmoorDlg dialog(DialogServices{framework, loader, time});
    test::FakeHost host(&dialog);
    dialog.AttachHost(&host);

    dialog.LoadD2xx();
    EXPECT_EQ(loader.requested(), std::vector<std::string>{std::string(platform::D2xxLibraryFileName())});
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "Error: Can't Load ft8u245.dll");
    EXPECT_EQ(host.boxes[0].icon, platform::BoxIcon::Exclamation);
    EXPECT_EQ(dialog.m_d2xx.FtPurge(1), FT_INVALID_HANDLE);
    EXPECT_EQ(host.boxes.back().icon, platform::BoxIcon::Exclamation);
}

// ---- guarded calls on a resolved library -------------------------------------------

class D2xxTableStatus : public D2xxTableTest, public testing::WithParamInterface<FT_STATUS> {};

TEST_P(D2xxTableStatus, EveryGuardedCallReturnsTheLibrarysStatusUnchanged)
{
    platform::TableLibraryLoader loader(FakeTable());
    table.LoadD2xx(loader, "Ftd2xx.dll");
    seen.status = GetParam();
    Sentinels s;
    EXPECT_EQ(CallAll(table, s), std::vector<FT_STATUS>(14, GetParam()));
    EXPECT_EQ(seen.calls.size(), 14u);
    EXPECT_TRUE(boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(Statuses, D2xxTableStatus, testing::Values(0u, 1u, 2u, 4u, 18u, 0xFFFFFFFFu),
                         [](const testing::TestParamInfo<FT_STATUS>& info) {
                             return "status_" + std::to_string(info.param);
                         });

TEST_F(D2xxTableTest, ArgumentsReachTheLibraryUnchangedBehindTheHandle)
{
    platform::TableLibraryLoader loader(FakeTable());
    table.LoadD2xx(loader, "Ftd2xx.dll");
    int marker = 0;
    table.deviceHandle = &marker;
    std::array<std::uint8_t, 24> buffer{};
    DWORD count = 0;
    DWORD rx = 0;
    DWORD tx = 0;
    DWORD events = 0;

    table.FtRead(buffer.data(), 24, &count);
    EXPECT_EQ(seen.handle, &marker);
    EXPECT_EQ(seen.buffer, buffer.data());
    EXPECT_EQ(seen.length, 24u);
    EXPECT_EQ(seen.count, &count);

    seen.handle = nullptr;
    table.FtWrite(buffer.data(), 5, &count);
    EXPECT_EQ(seen.handle, &marker);
    EXPECT_EQ(seen.length, 5u);
    EXPECT_EQ(seen.count, &count);

    table.FtPurge(1);
    EXPECT_EQ(seen.mask, 1u);
    table.FtSetTimeouts(1000, 500);
    EXPECT_EQ(seen.readMs, 1000u);
    EXPECT_EQ(seen.writeMs, 500u);
    table.FtGetQueueStatus(&rx);
    EXPECT_EQ(seen.rx, &rx);
    table.FtSetFlowControl(0x0400, 0x11, 0x13);
    EXPECT_EQ(seen.mode, 0x0400);
    EXPECT_EQ(seen.xon, 0x11);
    EXPECT_EQ(seen.xoff, 0x13);
    table.FtSetBaudRate(115200);
    EXPECT_EQ(seen.rate, 115200u);
    table.FtSetDataCharacteristics(8, 0, 2);
    EXPECT_EQ(seen.bits, 8);
    EXPECT_EQ(seen.stop, 0);
    EXPECT_EQ(seen.parity, 2);
    seen.handle = nullptr;
    table.FtGetStatus(&rx, &tx, &events);
    EXPECT_EQ(seen.handle, &marker);
    EXPECT_EQ(seen.rx, &rx);
    EXPECT_EQ(seen.tx, &tx);
    EXPECT_EQ(seen.events, &events);
    seen.handle = nullptr;
    table.FtResetDevice();
    EXPECT_EQ(seen.handle, &marker);

    char first[] = "a";
    char second[] = "b";
    table.FtListDevices(first, second, 0x40000002u);
    EXPECT_EQ(seen.arg1, first);
    EXPECT_EQ(seen.arg2, second);
    EXPECT_EQ(seen.flags, 0x40000002u);
}

TEST_F(D2xxTableTest, OpensHandTheAddressOfTheDeviceHandle)
{
    platform::TableLibraryLoader loader(FakeTable());
    table.LoadD2xx(loader, "Ftd2xx.dll");
    int before = 0;
    int opened = 0;
    table.deviceHandle = &before;
    seen.openedHandle = &opened;

    char description[] = "Quorvantex Z5 RevavaZevod";
    EXPECT_EQ(table.FtOpenEx(description, 2), FT_OK);
    EXPECT_EQ(seen.handleOut, &table.deviceHandle);
    EXPECT_EQ(seen.arg1, description);
    EXPECT_EQ(seen.flags, 2u);
    EXPECT_EQ(table.deviceHandle, &opened);

    table.deviceHandle = &before;
    EXPECT_EQ(table.FtOpen(3), FT_OK);
    EXPECT_EQ(seen.index, 3);
    EXPECT_EQ(seen.handleOut, &table.deviceHandle);
    EXPECT_EQ(table.deviceHandle, &opened);
}

TEST_F(D2xxTableTest, CloseHandsTheHandleByValueAndLeavesTheField)
{
    platform::TableLibraryLoader loader(FakeTable());
    table.LoadD2xx(loader, "Ftd2xx.dll");
    int marker = 0;
    table.deviceHandle = &marker;
    seen.status = 4;
    EXPECT_EQ(table.FtClose(), 4u);
    EXPECT_EQ(seen.handle, &marker);
    EXPECT_EQ(table.deviceHandle, &marker);
}

// The same two on the simulated instrument.
TEST_F(D2xxTableTest, OpenAndCloseOnTheSimulatedInstrument)
{
    sim::ManualClock clock;
    sim::Instrument instrument(clock);
    platform::TableLibraryLoader loader(sim::InProcessTable(instrument));
    table.LoadD2xx(loader, "Ftd2xx.dll");

    EXPECT_EQ(table.FtClose(), FT_INVALID_HANDLE);  // nothing open yet: the library's own status
    EXPECT_TRUE(boxes.empty());
    char description[] = "Quorvantex Z5 RevavaZevod";
    ASSERT_EQ(table.FtOpenEx(description, FT_OPEN_BY_DESCRIPTION), FT_OK);
    EXPECT_EQ(table.deviceHandle, instrument.Handle());
    EXPECT_TRUE(instrument.IsOpen());
    EXPECT_EQ(table.FtClose(), FT_OK);
    EXPECT_FALSE(instrument.IsOpen());
    EXPECT_EQ(table.deviceHandle, instrument.Handle());  // the field keeps the stale handle
    EXPECT_EQ(instrument.Calls(), (std::vector<std::string>{"FT_Close", "FT_OpenEx", "FT_Close"}));
}

TEST_F(D2xxTableTest, StatusFourFromTheSimulatedInstrumentComesBackAsFour)
{
    sim::ManualClock clock;
    sim::Instrument instrument(clock);
    instrument.GetScript().writeFailAfterReplies = 0;
    instrument.GetScript().writeFailStatus = FT_IO_ERROR;
    platform::TableLibraryLoader loader(sim::InProcessTable(instrument));
    table.LoadD2xx(loader, "Ftd2xx.dll");
    char description[] = "Quorvantex Z5 RevavaZevod";
    ASSERT_EQ(table.FtOpenEx(description, FT_OPEN_BY_DESCRIPTION), FT_OK);
    std::array<std::uint8_t, 5> request{'1', '2', ' ', '5', '\r'};
    DWORD written = 0;
    EXPECT_EQ(table.FtWrite(request.data(), 5, &written), FT_IO_ERROR);
}

} // namespace
} // namespace vexmoor
