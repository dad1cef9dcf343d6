#pragma once
// The dialog started and recording, on a driver given as a table of entry
// points, for the tick benchmarks: without a window (NoWindowRig) or in the
// real Qt window on the offscreen screen (InQtWindow).

#include "NullHost.h"

#include "platform/Clock.h"
#include "platform/LibraryLoader.h"
#include "ui/VexmoorDlg.h"

#include <filesystem>
#include <functional>

namespace vexmoor::bench {

// A fresh working directory for the log, removed afterwards.
class TempWorkDir {
public:
    TempWorkDir();
    ~TempWorkDir();
    TempWorkDir(const TempWorkDir&) = delete;
    TempWorkDir& operator=(const TempWorkDir&) = delete;

private:
    std::filesystem::path previous_;
    std::filesystem::path dir_;
};

// The dialog on `driver`, on the given framework (not yet started).
struct Rig {
    TempWorkDir workDir;
    platform::TableLibraryLoader loader;
    platform::SystemClock clock;
    CVexmoorDlg dialog;

    Rig(platform::Framework& framework, platform::TableLibraryLoader::Table driver);
    // Start, then REC.
    void StartRecording();
};

// A Rig started and recording in a window that does nothing.
struct NoWindowRig {
    NullFramework framework;
    NullHost host;
    Rig rig;

    explicit NoWindowRig(platform::TableLibraryLoader::Table driver);
};

// Runs `body` with a Rig in the real Qt window once the window is on the
// (offscreen) screen, so that repaints really paint, and recording; then
// presses Exit.
void InQtWindow(platform::TableLibraryLoader::Table driver, const std::function<void(Rig&)>& body);

} // namespace vexmoor::bench
