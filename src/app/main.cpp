// The program's entry: the toolkit, then the application shell.

#include "app/Vexmoor.h"
#include "platform/qt/QtFramework.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vexmoor"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0.1"));

    vexmoor::platform::qt::QtFramework framework;
    vexmoor::CVexmoorApp app(framework);
    app.InitInstance();
    return 0;
}
