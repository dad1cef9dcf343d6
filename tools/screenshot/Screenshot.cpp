// Renders the main dialog, running on the simulated instrument with a few
// readings taken and a recording under way, into a PNG file:
//
//   vexmoor_screenshot OUTPUT.png
//
// Runs headless with QT_QPA_PLATFORM=offscreen. The recording goes to a
// temporary working directory, which is removed afterwards.

#include "ScreenshotSession.h"
#include "platform/qt/QtDialogHost.h"
#include "res/resource.h"
#include "sim/SimInstrument.h"
#include "ui/VexmoorDlg.h"

#include <QApplication>
#include <QPixmap>

#include <optional>

namespace {

using namespace vexmoor;

constexpr int kReadings = 5;

// What a user does before the picture is taken: Start, a few seconds of
// polling, REC.
bool TakeReadings(CVexmoorDlg& dialog, sim::ManualClock& simClock, platform::qt::QtDialogHost& host)
{
    host.Item(res::IDC_START)->setFocus();
    dialog.OnCommand(res::IDC_START);
    // The polling timer would tick once a second; the picture does not wait
    // for it.
    dialog.KillTimer(kPollTimerId);
    for (int i = 0; i < kReadings; ++i) {
        simClock.Advance(1000);
        dialog.OnTimer(kPollTimerId);
        if (i == 1) {
            dialog.OnCommand(res::IDC_REC);
        }
    }
    return screenshot::ShowsReadings(dialog);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    screenshot::Session session(argc, argv);
    if (const std::optional<int> failed = session.Failed()) {
        return *failed;
    }
    return session.Run([&session](CVexmoorDlg& dialog, platform::qt::QtDialogHost& host) -> std::optional<QPixmap> {
        if (!TakeReadings(dialog, session.simClock, host)) {
            return std::nullopt;
        }
        return host.Window()->grab();
    });
}
