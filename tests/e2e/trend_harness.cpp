// Loaded into the real program (LD_PRELOAD) by the trend plug-in test; not
// part of the program. It talks with the test through files in the working
// directory:
//   dialog-shown   written once the main dialog is on the screen
//   open-trend     made by the test: the harness then chooses "&Trend..." in
//                  the main dialog's window menu, as a user would
//   trend-shown    written once the trend window is on the screen
//   trend-box      the text of a message box that opened instead (answered OK)

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

namespace {

constexpr int kPollMs = 50;

struct Progress {
    bool dialogShown = false;
    bool trendAsked = false;
    bool done = false;
};

Progress& State()
{
    static Progress progress;
    return progress;
}

// Written whole under another name, then renamed: the test never reads half.
void Report(const QString& name, const QString& text)
{
    QFile file(name + QStringLiteral(".part"));
    if (file.open(QIODevice::WriteOnly)) {
        file.write(text.toUtf8());
        file.close();
        QFile::rename(name + QStringLiteral(".part"), name);
    }
}

bool WindowShown(const QString& title)
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && widget->windowTitle() == title) {
            return true;
        }
    }
    return false;
}

QAction* WindowMenuItem(const QString& text)
{
    for (QWidget* widget : QApplication::allWidgets()) {
        if (auto* menu = qobject_cast<QMenu*>(widget)) {
            for (QAction* action : menu->actions()) {
                if (action->text() == text) {
                    return action;
                }
            }
        }
    }
    return nullptr;
}

void Step()
{
    Progress& state = State();
    if (!state.dialogShown && WindowShown(QStringLiteral("Vexmoor"))) {
        state.dialogShown = true;
        Report(QStringLiteral("dialog-shown"), QString());
    }
    if (state.dialogShown && !state.trendAsked && QFile::exists(QStringLiteral("open-trend"))) {
        if (QAction* item = WindowMenuItem(QStringLiteral("&Trend..."))) {
            item->trigger();
            state.trendAsked = true;
        }
    }
    if (state.trendAsked && !state.done) {
        if (WindowShown(QStringLiteral("Vexmoor Trend"))) {
            Report(QStringLiteral("trend-shown"), QString());
            state.done = true;
        } else if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                   box != nullptr && box->isVisible()) {
            Report(QStringLiteral("trend-box"), box->text());
            state.done = true;
            box->button(QMessageBox::Ok)->click();
        }
    }
    QTimer::singleShot(kPollMs, &Step);
}

void Install()
{
    QTimer::singleShot(kPollMs, &Step);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(Install)
