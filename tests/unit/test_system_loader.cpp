// The operating system's own loader (dlopen/dlsym, or LoadLibraryA and
// GetProcAddress on Windows) on a real library: the simulator's stand-in for
// the D2XX driver, built under the driver's own file name and found by the
// ordinary library search, as the program finds the driver. The test program
// finds it beside itself on Windows and through its run path elsewhere
// (tests/CMakeLists.txt).

#include "link/D2xxTable.h"
#include "platform/LibraryLoader.h"
#include "support/FakeHost.h"
#include "support/TestEnv.h"
#include "ui/VexmoorDlg.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace vexmoor {
namespace {

using namespace d2xx;

struct Warnings {
    std::vector<std::string> texts;
    WarningBox Box()
    {
        return [this](std::string_view text) { texts.emplace_back(text); };
    }
};

TEST(SystemLibraryLoader, LoadD2xxFindsAllFourteenEntryPointsInTheDriverLibrary)
{
    Warnings warnings;
    D2xxTable table(warnings.Box());
    platform::SystemLibraryLoader loader;
    table.LoadD2xx(loader, platform::D2xxLibraryFileName());

    ASSERT_NE(table.libraryHandle, nullptr) << platform::D2xxLibraryFileName() << " was not found";
    EXPECT_EQ(warnings.texts, std::vector<std::string>{});
    const std::array<std::pair<const char*, bool>, 14> resolved{{
        {"FT_Open", table.FT_Open != nullptr},
        {"FT_OpenEx", table.FT_OpenEx != nullptr},
        {"FT_ListDevices", table.FT_ListDevices != nullptr},
        {"FT_Close", table.FT_Close != nullptr},
        {"FT_Read", table.FT_Read != nullptr},
        {"FT_Write", table.FT_Write != nullptr},
        {"FT_ResetDevice", table.FT_ResetDevice != nullptr},
        {"FT_Purge", table.FT_Purge != nullptr},
        {"FT_SetTimeouts", table.FT_SetTimeouts != nullptr},
        {"FT_GetQueueStatus", table.FT_GetQueueStatus != nullptr},
        {"FT_SetFlowControl", table.FT_SetFlowControl != nullptr},
        {"FT_SetBaudRate", table.FT_SetBaudRate != nullptr},
        {"FT_SetDataCharacteristics", table.FT_SetDataCharacteristics != nullptr},
        {"FT_GetStatus", table.FT_GetStatus != nullptr},
    }};
    for (const auto& [name, found] : resolved) {
        EXPECT_TRUE(found) << name;
    }

    // The addresses are the library's functions, callable with its calling
    // convention and its argument layout: open the instrument by description
    // and ask it to identify itself.
    char description[] = "Quorvantex Z5 RevavaZevod";
    ASSERT_EQ(table.FtOpenEx(description, FT_OPEN_BY_DESCRIPTION), FT_OK);
    EXPECT_NE(table.deviceHandle, nullptr);
    EXPECT_EQ(table.FtSetTimeouts(1000, 1000), FT_OK);
    char request[] = "12 2\r";
    DWORD written = 0;
    EXPECT_EQ(table.FtWrite(request, 5, &written), FT_OK);
    EXPECT_EQ(written, 5u);
    std::array<char, 13> greeting{};
    DWORD read = 0;
    EXPECT_EQ(table.FtRead(greeting.data(), greeting.size(), &read), FT_OK);
    EXPECT_EQ(std::string(greeting.data(), read), "Quorvantex Z5");
    EXPECT_EQ(table.FtClose(), FT_OK);
    EXPECT_EQ(warnings.texts, std::vector<std::string>{});
}

TEST(SystemLibraryLoader, AMissingLibraryTakesTheLibraryMissingPath)
{
    Warnings warnings;
    D2xxTable table(warnings.Box());
    platform::SystemLibraryLoader loader;
#if defined(_WIN32)
    table.LoadD2xx(loader, "vexmoor-no-such-driver.dll");
#else
    table.LoadD2xx(loader, "libvexmoor-no-such-driver.so");
#endif

    EXPECT_EQ(table.libraryHandle, nullptr);
    EXPECT_EQ(table.FT_Write, nullptr);
    EXPECT_EQ(warnings.texts, std::vector<std::string>{std::string(kLibraryMissingText)});
    // Nothing is called through a missing entry point.
    DWORD written = 0;
    char request[] = "12 2\r";
    EXPECT_EQ(table.FtWrite(request, 5, &written), FT_INVALID_HANDLE);
    EXPECT_EQ(warnings.texts.back(), "FT_Write is not valid!");
}

TEST(SystemLibraryLoader, TheDialogDetectsTheInstrumentThroughTheDriverLibrary)
{
    test::FakeFramework framework;
    platform::SystemLibraryLoader loader;
    test::FixedClock time;
    CVexmoorDlg dialog{DialogServices{framework, loader, time}};
    test::FakeHost host(&dialog);
    dialog.AttachHost(&host);
    dialog.UpdateData(false);

    dialog.DetectDevice();

    EXPECT_EQ(host.BoxTexts(), std::vector<std::string>{});
    EXPECT_EQ(dialog.m_run.deviceReady, 1);
    EXPECT_EQ(dialog.m_deviceStatus.rfind("Quorvantex Z5", 0), 0u) << dialog.m_deviceStatus;
}

} // namespace
} // namespace vexmoor
