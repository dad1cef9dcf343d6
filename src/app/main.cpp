// The program's entry: the toolkit, the trend of the readings, then the
// application shell.

#include "app/Vexmoor.h"
#include "platform/Clock.h"
#include "platform/qt/QtFramework.h"
#include "res/resource.h"
#include "trend/TrendStore.h"
#include "trend/qt/TrendWindowLoader.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vexmoor"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0.1"));

    // The readings of this run, kept while the program runs; the trend
    // window shows them and follows them live.
    vexmoor::platform::SystemClock clock;
    vexmoor::TrendStore trend(clock);

    // The trend window's library is loaded when the window is first asked for.
    vexmoor::trend::qt::TrendWindowLoader trendWindow;
    vexmoor::platform::qt::QtFramework framework;
    framework.AddWindowMenuCommand(vexmoor::res::IDD_VEXMOOR_DIALOG, QStringLiteral("&Trend..."),
                                   [&](QWidget& window) { trendWindow.Show(window, trend); });
    vexmoor::CVexmoorApp app(framework, &trend);
    app.InitInstance();
    return 0;
}
