#pragma once
// The main dialog: every value the user sees, the recording interval, the D2XX
// binding and the operations of the instrument link, the polling cycle, the
// measurement log and the five commands. Its window comes from a
// platform::DialogHost; the dialog itself knows no toolkit.

#include "link/D2xxTable.h"
#include "link/Protocol.h"
#include "log/LogFile.h"
#include "measure/PollRules.h"
#include "measure/ReadingSink.h"
#include "platform/Clock.h"
#include "platform/Dialog.h"
#include "platform/LibraryLoader.h"
#include "ui/RunState.h"

#include <cstdint>
#include <functional>
#include <string>

namespace vexmoor {

// Runs the About box modally over `owner` and returns when it has closed.
using AboutBoxRunner = std::function<void(platform::CDialog& owner)>;

// The dialog's seams: the toolkit, the library loader, the clock; where
// decoded replies go; and the About box, which the application shell
// provides (the dialog lies below it and does not know it).
struct DialogServices {
    platform::Framework& framework;
    platform::LibraryLoader& loader;
    platform::Clock& clock;
    ReadingSink* readings = nullptr;
    AboutBoxRunner aboutBox = {};
};

class CVexmoorDlg : public platform::CDialog {
public:
    explicit CVexmoorDlg(const DialogServices& services, platform::CDialog* parent = nullptr);
    ~CVexmoorDlg() override;

    // Members bound to controls, in declared order.
    std::string m_t1C;
    std::string m_t1F;
    std::string m_r1;
    std::string m_deviceStatus;
    std::int32_t m_ch1Active = 0;
    std::uint8_t m_recording = 0;
    std::string m_recordStatus;
    std::int32_t m_intervalSec = 1;
    std::string m_t2C;
    std::string m_t2F;
    std::string m_r2;
    std::string m_diff;
    std::int32_t m_ch2Active = 0;
    platform::IconHandle m_hIcon;
    D2xxTable m_d2xx;

    RunState m_run;

    // Instrument link.
    void LoadD2xx();
    d2xx::FT_STATUS OpenDevice();
    void DetectDevice();

    // Polling cycle.
    void StartMeasuring();
    void StopMeasuring();
    void OnTimerTick(std::uintptr_t timerId);

    // Measurement log.
    void OpenLog();
    void BeginRecording();
    void AppendRecordIfDue();
    void EndRecording();
    void CloseLog();

    // Commands.
    bool OnInitDialog() override;
    void OnStart();
    void OnStop();
    void OnExit();
    void OnRec();
    void OnEnd();

    // Window frame.
    void OnSysCommand(std::uint32_t id, std::intptr_t param) override;
    void OnPaint() override;
    platform::IconHandle OnQueryDragIcon() override;

    void OnCommand(int id) override;
    void OnTimer(std::uintptr_t id) override;

protected:
    void DoDataExchange(platform::CDataExchange& dx) override;

private:
    void AbortRun(std::string_view message);
    void SendNextRequest();

    DialogServices services_;
    // Set while a tick runs: a tick delivered by a box that this tick opened
    // is held back instead of running inside it.
    bool tickInProgress_ = false;
};

// Where a minimised window draws its icon: centred, rounding as the dialog
// framework does (signed, truncating toward zero).
struct IconOrigin {
    int x;
    int y;
};
IconOrigin CentredIconOrigin(platform::PixelSize client, platform::PixelSize icon);

} // namespace vexmoor
