// Renders the main dialog, running on the simulated instrument with a few
// readings taken and a recording under way, into a PNG file:
//
//   vexmoor_screenshot OUTPUT.png
//
// Runs headless with QT_QPA_PLATFORM=offscreen. The recording goes to a
// temporary working directory, which is removed afterwards.

#include "log/LogFile.h"
#include "platform/LibraryLoader.h"
#include "platform/qt/QtDialogHost.h"
#include "platform/qt/QtFramework.h"
#include "res/resource.h"
#include "sim/SimInstrument.h"
#include "ui/VexmoorDlg.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

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
    return dialog.m_run.deviceReady != 0 && !dialog.m_t1C.empty() && !dialog.m_t2C.empty();
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    const QString output = QDir::current().absoluteFilePath(QString::fromLocal8Bit(argv[1]));
    QTemporaryDir workDir;
    if (!workDir.isValid() || !QDir::setCurrent(workDir.path())) {
        std::fprintf(stderr, "no temporary working directory\n");
        return 1;
    }

    platform::qt::QtFramework framework;
    sim::ManualClock simClock;
    sim::Instrument instrument(simClock);
    platform::TableLibraryLoader loader(sim::InProcessTable(instrument));
    SystemClock clock;
    CVexmoorDlg dialog(DialogServices{framework, loader, clock});

    bool saved = false;
    QTimer::singleShot(0, [&] {
        auto* host = dynamic_cast<platform::qt::QtDialogHost*>(dialog.Host());
        if (host == nullptr) {
            return;
        }
        if (TakeReadings(dialog, simClock, *host)) {
            saved = host->Window()->grab().save(output, "PNG");
        } else {
            std::fprintf(stderr, "the simulated instrument gave no readings: %s\n", dialog.m_deviceStatus.c_str());
        }
        dialog.OnCommand(res::IDC_EXIT);
    });
    dialog.DoModal();
    if (!saved) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(output));
        return 1;
    }
    return 0;
}
