#include "app/Vexmoor.h"

#include "app/AboutBox.h"
#include "platform/Clock.h"
#include "platform/LibraryLoader.h"
#include "ui/VexmoorDlg.h"

namespace vexmoor {

CVexmoorApp::CVexmoorApp(platform::Framework& framework, ReadingSink* readings)
    : framework_(framework), readings_(readings)
{
}

CVexmoorApp::~CVexmoorApp() = default;

bool CVexmoorApp::InitInstance()
{
    platform::SystemLibraryLoader loader;
    platform::SystemClock clock;
    CVexmoorDlg dialog(DialogServices{framework_, loader, clock, readings_, ShowAboutBox});
    // The end code (IDOK, IDCANCEL, or -1 when the window could not be made)
    // changes nothing: the program ends with its dialog.
    dialog.DoModal();
    return false;
}

} // namespace vexmoor
