// The dialog for the tick benchmarks. See TickRig.h.

#include "TickRig.h"

#include "platform/qt/QtFramework.h"
#include "res/resource.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <chrono>
#include <string>

namespace vexmoor::bench {

TempWorkDir::TempWorkDir() : previous_(std::filesystem::current_path())
{
    dir_ = std::filesystem::temp_directory_path() /
           ("vexmoor-bench-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(dir_);
    std::filesystem::current_path(dir_);
}

TempWorkDir::~TempWorkDir()
{
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    std::filesystem::remove_all(dir_, ignored);
}

Rig::Rig(platform::Framework& framework, platform::TableLibraryLoader::Table driver)
    : loader(std::move(driver)), dialog(DialogServices{framework, loader, clock})
{
}

void Rig::StartRecording()
{
    dialog.OnCommand(res::IDC_START);
    dialog.OnCommand(res::IDC_REC);
}

NoWindowRig::NoWindowRig(platform::TableLibraryLoader::Table driver) : rig(framework, std::move(driver))
{
    rig.dialog.AttachHost(&host);
    rig.dialog.OnInitDialog();
    rig.StartRecording();
}

void InQtWindow(platform::TableLibraryLoader::Table driver, const std::function<void(Rig&)>& body)
{
    platform::qt::QtFramework framework;
    Rig rig(framework, std::move(driver));
    QTimer::singleShot(0, [&] {
        // Wait for the window to be exposed, so that repaints really paint.
        for (int i = 0; i < 200; ++i) {
            for (QWidget* window : QApplication::topLevelWidgets()) {
                if (window->isVisible() && window->windowHandle() != nullptr && window->windowHandle()->isExposed()) {
                    i = 200;
                }
            }
            QApplication::processEvents();
        }
        rig.StartRecording();
        body(rig);
        rig.dialog.OnCommand(res::IDC_EXIT);
    });
    rig.dialog.DoModal();
}

} // namespace vexmoor::bench
