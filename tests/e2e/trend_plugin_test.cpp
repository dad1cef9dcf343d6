// The real program loads the trend window's plug-in, and with it Qt Charts
// and Qt OpenGL, only when the user first chooses "&Trend...": until then
// none of them is in the process's memory map. Without its plug-in the
// program says so in a message box and runs on. A library preloaded into the
// program (trend_harness.cpp) chooses the menu item.

#include "ProgramProcess.h"

#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace vexmoor {
namespace {

using namespace std::chrono_literals;
using test::ProgramProcess;

constexpr auto kPatience = 60s;

// The libraries the trend window brings into the process.
const std::vector<std::string> kTrendLibraries{"libQt6Charts.so", "libQt6OpenGL.so", "libQt6OpenGLWidgets.so",
                                               VEXMOOR_TREND_PLUGIN_FILE};

// The file names of the libraries mapped into process `pid`.
std::vector<std::string> MappedLibraries(pid_t pid)
{
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    std::vector<std::string> libraries;
    std::string line;
    while (std::getline(maps, line)) {
        const auto slash = line.rfind('/');
        if (slash != std::string::npos && line.find(".so", slash) != std::string::npos) {
            libraries.push_back(line.substr(slash + 1));
        }
    }
    return libraries;
}

bool Maps(const std::vector<std::string>& libraries, const std::string& name)
{
    for (const std::string& library : libraries) {
        if (library.starts_with(name)) {
            return true;
        }
    }
    return false;
}

bool WaitForFile(ProgramProcess& program, const std::string& name)
{
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (std::chrono::steady_clock::now() < deadline && program.Alive()) {
        if (std::filesystem::exists(name)) {
            return true;
        }
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

TEST(TrendPlugin, QtChartsComesOnlyWithTheTrendWindow)
{
    test::ScopedWorkDir workDir;
    ProgramProcess program({VEXMOOR_PROGRAM, VEXMOOR_SIM_DIR, {VEXMOOR_TREND_HARNESS}, {}});
    ASSERT_TRUE(program.Running()) << VEXMOOR_PROGRAM;
    ASSERT_TRUE(WaitForFile(program, "dialog-shown")) << "the main dialog did not appear";

    const std::vector<std::string> before = MappedLibraries(program.Pid());
    EXPECT_TRUE(Maps(before, "libQt6Widgets.so"));  // the map is read right
    for (const std::string& library : kTrendLibraries) {
        EXPECT_FALSE(Maps(before, library)) << library << " is loaded before the trend window was asked for";
    }

    std::ofstream{"open-trend"};
    ASSERT_TRUE(WaitForFile(program, "trend-shown")) << "the trend window did not appear";
    EXPECT_FALSE(std::filesystem::exists("trend-box")) << test::ReadFileBytes("trend-box");
    const std::vector<std::string> after = MappedLibraries(program.Pid());
    for (const std::string& library : kTrendLibraries) {
        EXPECT_TRUE(Maps(after, library)) << library << " is not loaded with the trend window open";
    }
}

TEST(TrendPlugin, WithoutItsPluginTheProgramSaysSoAndRunsOn)
{
    test::ScopedWorkDir workDir;
    // The program alone in a folder of its own: no lib/vexmoor/plugins near it.
    const std::filesystem::path alone = workDir.Path() / "alone" / "Vexmoor";
    std::filesystem::create_directories(alone.parent_path());
    std::filesystem::copy_file(VEXMOOR_PROGRAM, alone);

    ProgramProcess program({alone.string(), VEXMOOR_SIM_DIR, {VEXMOOR_TREND_HARNESS}, {}});
    ASSERT_TRUE(program.Running());
    ASSERT_TRUE(WaitForFile(program, "dialog-shown")) << "the main dialog did not appear";
    std::ofstream{"open-trend"};
    ASSERT_TRUE(WaitForFile(program, "trend-box")) << "no message box appeared";
    const std::string text = test::ReadFileBytes("trend-box");
    EXPECT_TRUE(text.starts_with("The trend window cannot be opened")) << text;
    EXPECT_NE(text.find(VEXMOOR_TREND_PLUGIN_FILE), std::string::npos) << text;

    // It runs on, without Qt Charts.
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(program.Alive());
    EXPECT_FALSE(Maps(MappedLibraries(program.Pid()), "libQt6Charts.so"));
}

} // namespace
} // namespace vexmoor
