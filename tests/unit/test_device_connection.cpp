// DetectDevice and OpenDevice, on the in-process simulated instrument.

#include "res/resource.h"
#include "sim/InProcessTable.h"
#include "sim/SimInstrument.h"
#include "support/FakeHost.h"
#include "support/TestEnv.h"
#include "ui/VexmoorDlg.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace vexmoor {
namespace {

using platform::BoxIcon;

// The dialog on a simulated instrument, its members pushed once as the
// initialisation does before DetectDevice.
struct Rig {
    using Library = platform::TableLibraryLoader::Table;

    // `library`, when given, may replace entry points of the simulated library.
    explicit Rig(const std::function<void(sim::Script&)>& script, bool libraryPresent = true,
                 const std::function<void(Library&)>& library = nullptr)
    {
        if (script) {
            script(instrument.GetScript());
        }
        Library table = sim::InProcessTable(instrument);
        if (library) {
            library(table);
        }
        loader = std::make_unique<platform::TableLibraryLoader>(std::move(table), libraryPresent);
        dialog = std::make_unique<CVexmoorDlg>(DialogServices{framework, *loader, time});
        host = std::make_unique<test::FakeHost>(dialog.get());
        dialog->AttachHost(host.get());
        dialog->UpdateData(false);
    }

    std::vector<std::string> Exchange() const
    {
        std::vector<std::string> exchange;
        for (const auto& call : instrument.Trace()) {
            if (call.rfind("FT_Write", 0) == 0 || call.rfind("FT_Read", 0) == 0) {
                exchange.push_back(call);
            }
        }
        return exchange;
    }

    sim::ManualClock simClock;
    sim::Instrument instrument{simClock};
    std::unique_ptr<platform::TableLibraryLoader> loader;
    test::FakeFramework framework;
    test::FixedClock time;
    std::unique_ptr<CVexmoorDlg> dialog;
    std::unique_ptr<test::FakeHost> host;
};

struct Box {
    std::string text;
    BoxIcon icon;
    bool operator==(const Box&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Box& box)
{
    return out << '"' << box.text << '"' << (box.icon == BoxIcon::Exclamation ? " (!)" : " (no icon)");
}

std::vector<Box> Boxes(const test::FakeHost& host)
{
    std::vector<Box> boxes;
    for (const auto& box : host.boxes) {
        boxes.push_back({box.text, box.icon});
    }
    return boxes;
}

Box Warning(std::string text)
{
    return {std::move(text), BoxIcon::Exclamation};
}

Box Plain(std::string text)
{
    return {std::move(text), BoxIcon::None};
}

const std::string kIdentifyWrite = "FT_Write(\"12 2\\r\")";

struct DetectCase {
    const char* name;
    bool libraryPresent;
    std::function<void(sim::Script&)> script;
    std::vector<Box> boxes;
    std::uint8_t deviceReady;
    std::string status;
    // The identify writes and reads, as the instrument saw them.
    std::vector<std::string> exchange;
    // Time the detection kept the thread, on the instrument's clock.
    std::int64_t elapsedMs;
};

void PrintTo(const DetectCase& c, std::ostream* out)
{
    *out << c.name;
}

class DetectDevice : public testing::TestWithParam<DetectCase> {};

TEST_P(DetectDevice, Outcome)
{
    const DetectCase& c = GetParam();
    Rig rig(c.script, c.libraryPresent);
    rig.dialog->DetectDevice();

    EXPECT_EQ(Boxes(*rig.host), c.boxes);
    EXPECT_EQ(rig.dialog->m_run.deviceReady, c.deviceReady);
    EXPECT_EQ(rig.dialog->m_deviceStatus, c.status);
    EXPECT_EQ(rig.Exchange(), c.exchange);
    EXPECT_EQ(rig.simClock.nowMs, c.elapsedMs);

    // The 500/500 time-outs close every path.
    if (rig.dialog->m_d2xx.FT_SetTimeouts != nullptr) {
        EXPECT_EQ(rig.instrument.Calls().back(), "FT_SetTimeouts");
        EXPECT_EQ(rig.instrument.Trace().back(), "FT_SetTimeouts(500, 500)");
    } else {
        ASSERT_FALSE(rig.host->boxes.empty());
        EXPECT_EQ(rig.host->boxes.back().text, "FT_SetTimeouts is not valid!");
    }
    // The instrument stays open when it was opened.
    EXPECT_EQ(rig.instrument.IsOpen(), c.deviceReady == 1 || !c.exchange.empty());
}

const std::string kGreeting18 = "Quorvantex Z5 v1.0  ";  // 18 bytes read, 2 blanks
const std::string kGreeting17 = "Quorvantex Z5 v1.   ";  // 17 bytes read, 3 blanks
const std::vector<std::string> kOneAttempt{kIdentifyWrite, "FT_Read(18)"};
const std::vector<std::string> kTwoAttempts{kIdentifyWrite, "FT_Read(18)", kIdentifyWrite, "FT_Read(17)"};

INSTANTIATE_TEST_SUITE_P(
    Outcomes, DetectDevice,
    testing::Values(
        DetectCase{"library_missing", false, nullptr,
                   {Warning("Error: Can't Load ft8u245.dll"), Warning("FT_Close is not valid!"),
                    Warning("FT_OpenEx is not valid!"), Plain("No Quorvantex Z5"),
                    Warning("FT_OpenEx is not valid!"), Warning("FT_SetFlowControl is not valid!"),
                    Warning("FT_SetBaudRate is not valid!"), Plain("data rate not OK"),
                    Warning("FT_SetDataCharacteristics is not valid!"), Warning("FT_SetTimeouts is not valid!")},
                   0, "No Quorvantex  !", {}, 0},
        DetectCase{"instrument_absent_library_refuses_closed_handle", true,
                   [](sim::Script& s) { s.openFailures = -1; },
                   {Plain("No Quorvantex Z5"), Plain("data rate not OK")}, 0, "No Quorvantex  !", {}, 0},
        DetectCase{"instrument_absent_library_accepts_closed_handle", true,
                   [](sim::Script& s) {
                       s.openFailures = -1;
                       s.refuseCallsWhenClosed = false;
                   },
                   {Plain("No Quorvantex Z5")}, 0, "No Quorvantex Z5!", {}, 0},
        DetectCase{"first_reply_accepted", true, nullptr, {}, 1, kGreeting18, kOneAttempt, 20},
        DetectCase{"open_retry_succeeds", true, [](sim::Script& s) { s.openFailures = 1; },
                   {Plain("No Quorvantex Z5")}, 1, kGreeting18, kOneAttempt, 20},
        DetectCase{"silent_instrument", true, [](sim::Script& s) { s.greeting.clear(); }, {}, 0,
                   "Quorvantex response not Detected !", kTwoAttempts, 2000},
        DetectCase{"partial_reply_accepted_by_the_18_byte_rule", true,
                   [](sim::Script& s) { s.greeting = "Quorvantex"; }, {}, 1, "Quorvantex          ",
                   kOneAttempt, 1000},
        DetectCase{"partial_reply_rejected_by_the_18_byte_rule", true,
                   [](sim::Script& s) { s.greeting = "Quor"; }, {}, 0, "Quorvantex Not Detected !!",
                   kOneAttempt, 1000},
        DetectCase{"status_4_with_bytes_makes_a_second_attempt", true,
                   [](sim::Script& s) { s.firstIdentifyReadStatus4 = true; }, {}, 1, kGreeting17,
                   kTwoAttempts, 40},
        DetectCase{"wrong_greeting", true, [](sim::Script& s) { s.greeting = "Hello, world\r\n"; }, {}, 0,
                   "Quorvantex Not Detected !!", kOneAttempt, 1000},
        DetectCase{"greeting_at_byte_1", true,
                   [](sim::Script& s) { s.greeting = "\nQuorvantex Z5 v1.0\r"; }, {}, 1,
                   "\nQuorvantex Z5 v1.  ", kOneAttempt, 20},
        DetectCase{"greeting_with_a_nul", true,
                   [](sim::Script& s) { s.greeting = std::string("Quorvantex\0Z5 v1.0b\r", 20); }, {}, 1,
                   "Quorvantex", kOneAttempt, 20},
        DetectCase{"second_attempt_accepts_quor_at_byte_0", true,
                   [](sim::Script& s) {
                       s.firstIdentifyReadStatus4 = true;
                       s.greeting = "Quor";
                   },
                   {}, 1, "Quor                ", kTwoAttempts, 2000},
        DetectCase{"baud_rate_refused_after_a_good_open", true, [](sim::Script& s) { s.refuseBaudRate = true; },
                   {Plain("data rate not OK")}, 1, kGreeting18, kOneAttempt, 20},
        DetectCase{"data_characteristics_refused_after_a_good_open", true,
                   [](sim::Script& s) { s.refuseDataCharacteristics = true; }, {}, 1, kGreeting18,
                   kOneAttempt, 20},
        DetectCase{"library_lacking_list_devices", true,
                   [](sim::Script& s) { s.missingEntryPoints = {"FT_ListDevices"}; },
                   {Warning("Error: Can't Find FT_ListDevices"), Warning("FT_Close is not valid!"),
                    Warning("FT_SetFlowControl is not valid!"), Warning("FT_SetBaudRate is not valid!"),
                    Plain("data rate not OK"), Warning("FT_SetDataCharacteristics is not valid!"),
                    Warning("FT_ResetDevice is not valid!"), Warning("FT_Purge is not valid!"),
                    Warning("FT_SetTimeouts is not valid!"), Warning("FT_SetTimeouts is not valid!")},
                   1, kGreeting18, kOneAttempt, 20}),
    [](const testing::TestParamInfo<DetectCase>& info) { return std::string(info.param.name); });

// ---- a first identify read that fails ------------------------------------------------

// How the first identify read fails. The identify write before it has left 5
// in the count that the writes and reads share.
struct ReadFault {
    d2xx::FT_STATUS status;
    std::optional<d2xx::DWORD> count;  // what the failed read writes into the count; nullopt: nothing
};

struct FirstReadCase {
    const char* name;
    ReadFault fault;
    std::uint8_t deviceReady;
    std::string status;
    int reads;  // identify reads made, the failing one included
};

void PrintTo(const FirstReadCase& c, std::ostream* out)
{
    *out << c.name;
}

// The library's FT_Read with its first call failing as `gReadFault` says; the
// later ones reach the simulated instrument.
ReadFault gReadFault{};
platform::EntryPoint gSimulatedRead = nullptr;
int gReads = 0;

d2xx::FT_STATUS VEXMOOR_D2XX_CALL FirstReadFails(d2xx::FT_HANDLE handle, void* buffer, d2xx::DWORD toRead,
                                                 d2xx::DWORD* returned)
{
    if (gReads++ == 0) {
        if (gReadFault.count) {
            *returned = *gReadFault.count;
        }
        return gReadFault.status;
    }
    return reinterpret_cast<d2xx::FT_Read_t>(gSimulatedRead)(handle, buffer, toRead, returned);
}

class FirstIdentifyRead : public testing::TestWithParam<FirstReadCase> {};

TEST_P(FirstIdentifyRead, FailsWithAStatus)
{
    const FirstReadCase& c = GetParam();
    gReadFault = c.fault;
    gReads = 0;
    Rig rig(nullptr, true, [](Rig::Library& library) {
        gSimulatedRead = library.at("FT_Read");
        library["FT_Read"] = reinterpret_cast<platform::EntryPoint>(&FirstReadFails);
    });
    rig.dialog->DetectDevice();

    EXPECT_EQ(gReads, c.reads);
    EXPECT_EQ(rig.instrument.Requests(), std::vector<std::string>(static_cast<std::size_t>(c.reads), "12 2\r"));
    EXPECT_EQ(rig.dialog->m_run.deviceReady, c.deviceReady);
    EXPECT_EQ(rig.dialog->m_deviceStatus, c.status);
    EXPECT_TRUE(rig.host->boxes.empty());
    EXPECT_EQ(rig.instrument.Trace().back(), "FT_SetTimeouts(500, 500)");
}

INSTANTIATE_TEST_SUITE_P(
    SharedCount, FirstIdentifyRead,
    testing::Values(
        // The count still holds the write's 5: the empty area is judged, no second attempt.
        FirstReadCase{"status_1_count_left_at_5", {1, std::nullopt}, 0, "Quorvantex Not Detected !!", 1},
        FirstReadCase{"status_3_count_left_at_5", {3, std::nullopt}, 0, "Quorvantex Not Detected !!", 1},
        FirstReadCase{"status_18_count_left_at_5", {18, std::nullopt}, 0, "Quorvantex Not Detected !!", 1},
        // Status 4, or a count of 0, makes the second attempt, whatever the status.
        FirstReadCase{"status_4_count_left_at_5", {4, std::nullopt}, 1, kGreeting17, 2},
        FirstReadCase{"status_1_count_set_to_0", {1, 0}, 1, kGreeting17, 2}),
    [](const testing::TestParamInfo<FirstReadCase>& info) { return std::string(info.param.name); });

// ---- the call sequence ---------------------------------------------------------------

TEST(DetectDeviceCalls, OpenConfigureResetIdentifyThenRunTimeouts)
{
    Rig rig(nullptr);
    rig.dialog->DetectDevice();
    EXPECT_EQ(rig.instrument.Trace(),
              (std::vector<std::string>{
                  "FT_Close()", "FT_OpenEx(\"Quorvantex Z5 RevavaZevod\", 2)",
                  "FT_SetFlowControl(0x400, 0x11, 0x13)", "FT_SetBaudRate(115200)",
                  "FT_SetDataCharacteristics(8, 0, 0)", "FT_ResetDevice()", "FT_Purge(1)",
                  "FT_SetTimeouts(1000, 1000)", kIdentifyWrite, "FT_Read(18)", "FT_SetTimeouts(500, 500)"}));
    EXPECT_EQ(rig.instrument.ReadTimeoutMs(), 500u);
    EXPECT_EQ(rig.instrument.WriteTimeoutMs(), 500u);
    EXPECT_EQ(rig.instrument.BaudRate(), 115200u);
    EXPECT_EQ(rig.dialog->m_d2xx.deviceHandle, rig.instrument.Handle());
    // The greeting's last two bytes stay queued; the first run purges them.
    EXPECT_EQ(rig.instrument.QueuedBytes(), 2u);
}

TEST(DetectDeviceCalls, AfterAFailedOpenOnlyTheLineSettingsAndTheRunTimeouts)
{
    Rig rig([](sim::Script& s) { s.openFailures = -1; });
    rig.dialog->DetectDevice();
    EXPECT_EQ(rig.instrument.Calls(),
              (std::vector<std::string>{"FT_Close", "FT_OpenEx", "FT_OpenEx", "FT_SetFlowControl",
                                        "FT_SetBaudRate", "FT_SetDataCharacteristics", "FT_SetTimeouts"}));
    EXPECT_TRUE(rig.instrument.Requests().empty());
    EXPECT_EQ(rig.dialog->m_d2xx.deviceHandle, nullptr);
}

TEST(DetectDeviceCalls, RetryComesOnlyAfterTheBoxIsDismissed)
{
    Rig rig([](sim::Script& s) { s.openFailures = 1; });
    std::vector<std::string> callsWhileOpen;
    rig.host->whileBoxOpen = [&](const test::RecordedBox&) { callsWhileOpen = rig.instrument.Calls(); };
    rig.dialog->DetectDevice();
    EXPECT_EQ(callsWhileOpen, (std::vector<std::string>{"FT_Close", "FT_OpenEx"}));
    EXPECT_EQ(rig.instrument.Calls()[2], "FT_OpenEx");
    EXPECT_EQ(rig.dialog->m_run.deviceReady, 1);
}

TEST(DetectDeviceCalls, TakesTheControlsIntoTheMembersFirst)
{
    Rig rig([](sim::Script& s) { s.openFailures = -1; });
    rig.host->texts[res::IDC_INTERVAL] = "7";
    rig.dialog->DetectDevice();
    EXPECT_EQ(rig.dialog->m_intervalSec, 7);
}

TEST(DetectDeviceCalls, OpenDeviceReturnsTheStatusOfTheLastOpen)
{
    Rig first([](sim::Script& s) { s.openFailures = 1; });
    first.dialog->LoadD2xx();
    EXPECT_EQ(first.dialog->OpenDevice(), d2xx::FT_OK);

    Rig never([](sim::Script& s) { s.openFailures = -1; });
    never.dialog->LoadD2xx();
    EXPECT_NE(never.dialog->OpenDevice(), d2xx::FT_OK);
    EXPECT_EQ(never.dialog->m_deviceStatus, "No Quorvantex  !");
}

} // namespace
} // namespace vexmoor
