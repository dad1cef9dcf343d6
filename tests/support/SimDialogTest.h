#pragma once
// The main dialog started up on the in-process simulated instrument, in a
// fresh working directory, with ticks fired by hand and the instrument's
// clock moved a second per tick.

#include "app/AboutBox.h"
#include "link/Protocol.h"
#include "log/LogFormat.h"
#include "res/resource.h"
#include "sim/InProcessTable.h"
#include "sim/SimInstrument.h"
#include "support/FakeHost.h"
#include "support/TestEnv.h"
#include "ui/VexmoorDlg.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vexmoor::test {

// A well-formed 24-byte reply: `status`, 110.25 ohms and `celsius` (eight
// characters), as the instrument frames it.
inline MeasureReply Frame(std::uint8_t status, std::string_view celsius = "  25.500")
{
    MeasureReply frame{};
    const std::string text = std::string(1, static_cast<char>(status)) + "R110.2500 \rT" +
                             std::string(celsius) + " \r\n";
    std::memcpy(frame.data(), text.data(), frame.size());
    return frame;
}

inline std::vector<std::uint8_t> Bytes(const MeasureReply& frame)
{
    return {frame.begin(), frame.end()};
}

class SimDialogTest : public testing::Test {
protected:
    ScopedWorkDir workDir;
    sim::ManualClock simClock;
    sim::Instrument instrument{simClock};
    std::unique_ptr<platform::TableLibraryLoader> loader;
    FakeFramework framework;
    FixedClock clock;
    std::unique_ptr<CVexmoorDlg> dialog;
    std::unique_ptr<FakeHost> host;

    sim::Script& Script() { return instrument.GetScript(); }

    // Runs the dialog's start-up with the library as the script makes it;
    // `present` = false: no driver library at all.
    void Boot(bool present = true)
    {
        loader = std::make_unique<platform::TableLibraryLoader>(sim::InProcessTable(instrument), present);
        dialog = std::make_unique<CVexmoorDlg>(DialogServices{framework, *loader, clock, nullptr, ShowAboutBox});
        host = std::make_unique<FakeHost>(dialog.get());
        dialog->AttachHost(host.get());
        dialog->OnInitDialog();
    }

    // Start-up with an instrument that answers.
    void StartUp()
    {
        Boot();
        ASSERT_EQ(dialog->m_run.deviceReady, 1) << dialog->m_deviceStatus;
        ASSERT_TRUE(host->boxes.empty());
    }

    void Start() { host->Click(res::IDC_START); }

    void Tick(int count = 1)
    {
        for (int i = 0; i < count; ++i) {
            simClock.Advance(1000);
            host->FireTimers();
        }
    }

    std::vector<std::string> ChannelRequests() const
    {
        std::vector<std::string> channel;
        for (const auto& request : instrument.Requests()) {
            if (request != "12 2\r") {
                channel.push_back(request);
            }
        }
        return channel;
    }

    RunState& Run() { return dialog->m_run; }
};

} // namespace vexmoor::test
