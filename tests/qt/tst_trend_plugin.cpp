// The trend window's plug-in, as the program opens it: not loaded until the
// window is first asked for; a missing or broken plug-in is a message box and
// nothing else; once loaded, the window opens (one at a time) and Qt Charts
// is in the process. This test program itself does not link Qt Charts.

#include "QtTestSupport.h"

#include "platform/Clock.h"
#include "trend/TrendStore.h"
#include "trend/qt/TrendWindowLoader.h"

#include <QFile>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

#include <fstream>
#include <string>

using namespace vexmoor;
using trend::qt::TrendWindowLoader;
using trend::qt::TrendWindowPluginFileName;

namespace {

// Whether a library whose file name contains `name` is mapped into this process.
bool Mapped(const std::string& name)
{
#if defined(__linux__)
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        if (line.find(name) != std::string::npos) {
            return true;
        }
    }
    return false;
#else
    (void)name;
    return false;
#endif
}

QList<QWidget*> TrendWindowsOf(QWidget& owner)
{
    QList<QWidget*> windows;
    for (QWidget* child : owner.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (child->isWindow() && child->isVisible() && child->windowTitle() == QStringLiteral("Vexmoor Trend")) {
            windows << child;
        }
    }
    return windows;
}

} // namespace

class TrendPluginTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void aMissingPluginIsAMessageBox();
    void aFileThatIsNotThePluginIsAMessageBox();
    void thePluginOpensTheWindowOnFirstUse();

private:
    platform::SystemClock clock_;
    TrendStore store_{clock_};
    QWidget owner_;
    QTemporaryDir empty_;
};

void TrendPluginTest::initTestCase()
{
    QVERIFY(empty_.isValid());
    owner_.setWindowTitle(QStringLiteral("Vexmoor"));
    owner_.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner_));
#if defined(__linux__)
    QVERIFY2(!Mapped("libQt6Charts"), "Qt Charts is loaded before any trend window was asked for");
    QVERIFY(!Mapped("libQt6OpenGL"));
#endif
}

void TrendPluginTest::aMissingPluginIsAMessageBox()
{
    TrendWindowLoader loader({empty_.path()});
    qttest::BoxRecorder boxes;
    loader.Show(owner_, store_);
    QCOMPARE(boxes.boxes.size(), std::size_t{1});
    const qttest::SeenBox& box = boxes.boxes.front();
    QVERIFY2(box.text.startsWith(QStringLiteral("The trend window cannot be opened")), qPrintable(box.text));
    QVERIFY(box.text.contains(TrendWindowPluginFileName()));
    QCOMPARE(box.icon, QMessageBox::Warning);
    QCOMPARE(box.parent, &owner_);
    QVERIFY(!loader.Loaded());
    QVERIFY(TrendWindowsOf(owner_).isEmpty());

    // Asked again, it looks again and says so again.
    loader.Show(owner_, store_);
    QCOMPARE(boxes.boxes.size(), std::size_t{2});
#if defined(__linux__)
    QVERIFY(!Mapped("libQt6Charts"));
#endif
}

void TrendPluginTest::aFileThatIsNotThePluginIsAMessageBox()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QFile impostor(QDir(folder.path()).filePath(TrendWindowPluginFileName()));
    QVERIFY(impostor.open(QIODevice::WriteOnly));
    impostor.write("not a library\n");
    impostor.close();

    TrendWindowLoader loader({folder.path()});
    qttest::BoxRecorder boxes;
    loader.Show(owner_, store_);
    QCOMPARE(boxes.boxes.size(), std::size_t{1});
    QVERIFY2(boxes.boxes.front().text.startsWith(QStringLiteral("The trend window cannot be opened")),
             qPrintable(boxes.boxes.front().text));
    QVERIFY(!loader.Loaded());
    QVERIFY(TrendWindowsOf(owner_).isEmpty());
}

void TrendPluginTest::thePluginOpensTheWindowOnFirstUse()
{
    // The first folder has no plug-in; the second is where the build puts it.
    TrendWindowLoader loader({empty_.path(), QStringLiteral(VEXMOOR_TEST_PLUGIN_FOLDER)});
    qttest::BoxRecorder boxes;
    loader.Show(owner_, store_);
    QVERIFY(loader.Loaded());
    QCOMPARE(boxes.Texts(), QStringList{});
    QTRY_COMPARE(TrendWindowsOf(owner_).size(), 1);
#if defined(__linux__)
    QVERIFY(Mapped(TrendWindowPluginFileName().toStdString()));
    QVERIFY(Mapped("libQt6Charts"));
    QVERIFY(Mapped("libQt6OpenGL"));
#endif

    // One window at a time.
    loader.Show(owner_, store_);
    QCOMPARE(TrendWindowsOf(owner_).size(), 1);
    TrendWindowsOf(owner_).front()->close();
    QTRY_VERIFY(TrendWindowsOf(owner_).isEmpty());
}

QTEST_MAIN(TrendPluginTest)
#include "tst_trend_plugin.moc"
