#pragma once
// What both screenshot tools share: the command line (one argument, the PNG
// to write), a temporary working directory for the log, the main dialog on an
// in-process simulated instrument with a hand-driven clock, and the picture
// taken once the dialog is shown and saved. Runs headless with
// QT_QPA_PLATFORM=offscreen; make the QApplication first.

#include "platform/Clock.h"
#include "platform/LibraryLoader.h"
#include "platform/qt/QtDialogHost.h"
#include "platform/qt/QtFramework.h"
#include "res/resource.h"
#include "sim/InProcessTable.h"
#include "sim/SimInstrument.h"
#include "ui/VexmoorDlg.h"

#include <QDir>
#include <QPixmap>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <optional>

namespace vexmoor::screenshot {

class Session {
public:
    Session(int argc, char* argv[])
    {
        if (argc != 2) {
            std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
            exitCode_ = 2;
            return;
        }
        output_ = QDir::current().absoluteFilePath(QString::fromLocal8Bit(argv[1]));
        if (!workDir_.isValid() || !QDir::setCurrent(workDir_.path())) {
            std::fprintf(stderr, "no temporary working directory\n");
            exitCode_ = 1;
        }
    }

    // Set when the command line or the working directory is wrong: the exit code.
    std::optional<int> Failed() const { return exitCode_; }

    // Takes the picture of the shown dialog; nullopt when the scene is not
    // as wanted (say why on standard error).
    using Shoot = std::function<std::optional<QPixmap>(CVexmoorDlg&, platform::qt::QtDialogHost&)>;

    // Runs the dialog, calls `shoot` once it is shown, saves what it returns
    // and ends the dialog with Exit. Returns the tool's exit code.
    int Run(const Shoot& shoot, ReadingSink* readings = nullptr)
    {
        CVexmoorDlg dialog(DialogServices{framework_, loader_, clock_, readings});
        bool saved = false;
        QTimer::singleShot(0, [&] {
            if (auto* host = dynamic_cast<platform::qt::QtDialogHost*>(dialog.Host())) {
                if (const std::optional<QPixmap> picture = shoot(dialog, *host)) {
                    saved = picture->save(output_, "PNG");
                } else {
                    std::fprintf(stderr, "the simulated instrument gave no readings: %s\n",
                                 dialog.m_deviceStatus.c_str());
                }
            }
            dialog.OnCommand(res::IDC_EXIT);
        });
        dialog.DoModal();
        if (!saved) {
            std::fprintf(stderr, "could not write %s\n", qPrintable(output_));
            return 1;
        }
        return 0;
    }

    sim::ManualClock simClock;
    sim::Instrument instrument{simClock};

private:
    QString output_;
    QTemporaryDir workDir_;
    std::optional<int> exitCode_;
    platform::qt::QtFramework framework_;
    platform::TableLibraryLoader loader_{sim::InProcessTable(instrument)};
    platform::SystemClock clock_;
};

// Whether the dialog shows both sensors' readings of a live instrument.
inline bool ShowsReadings(const CVexmoorDlg& dialog)
{
    return dialog.m_run.deviceReady != 0 && !dialog.m_t1C.empty() && !dialog.m_t2C.empty();
}

} // namespace vexmoor::screenshot
