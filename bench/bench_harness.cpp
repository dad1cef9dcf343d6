// Preloaded (LD_PRELOAD) into the program or a floor program by
// process_bench; not part of the program. VEXMOOR_BENCH_MODE says what it does:
//   shown    end the process as soon as its first window has been painted
//   trend-shown  choose "&Trend..." in the window menu as soon as the first
//           window has been painted, and end the process as soon as the
//           trend window has been painted
//   record   press Start, then REC, and leave the program running
//   record-trend  the same, then open the trend window
//   wakeups  count the timer events of the dialog window and the main
//            thread's wake-ups for VEXMOOR_BENCH_SECONDS idle, then press
//            Start and count as long again while running; write the counts
//            to VEXMOOR_BENCH_REPORT and press Exit
//   (other)  nothing: the process runs as it would

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QMenu>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

QAbstractButton* EnabledButton(const char* caption)
{
    for (QWidget* widget : QApplication::allWidgets()) {
        auto* button = qobject_cast<QAbstractButton*>(widget);
        if (button != nullptr && button->text() == QLatin1String(caption) && button->isVisible() &&
            button->isEnabled()) {
            return button;
        }
    }
    return nullptr;
}

// Chooses the window-menu item "&Trend..." of the main dialog.
void ChooseTrend()
{
    for (QWidget* widget : QApplication::allWidgets()) {
        if (auto* menu = qobject_cast<QMenu*>(widget)) {
            for (QAction* action : menu->actions()) {
                if (action->text() == QLatin1String("&Trend...")) {
                    action->trigger();
                    return;
                }
            }
        }
    }
}

// The calling thread's voluntary context switches: one per wake-up from a wait.
long VoluntarySwitches()
{
    std::ifstream status("/proc/thread-self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0) {
            return std::strtol(line.c_str() + 24, nullptr, 10);
        }
    }
    return -1;
}

struct Counts {
    long dialogTimerEvents = 0;  // QTimerEvents delivered to a dialog window (the poll timer)
    long otherTimerEvents = 0;   // every other QTimerEvent (Qt's own timers)
    long switches = 0;
};

class Watcher final : public QObject {
public:
    std::string mode;
    int seconds = 10;
    bool painted = false;
    bool trendPainted = false;
    Counts counts;

    bool eventFilter(QObject* target, QEvent* event) override
    {
        if (event->type() == QEvent::Timer) {
            (qobject_cast<QDialog*>(target) != nullptr ? counts.dialogTimerEvents : counts.otherTimerEvents)++;
        } else if (event->type() == QEvent::Paint && !painted && target->isWidgetType() &&
                   static_cast<QWidget*>(target)->isWindow()) {
            painted = true;
            OnFirstPaint();
        } else if (event->type() == QEvent::Paint && mode == "trend-shown" && !trendPainted &&
                   target->isWidgetType() &&
                   static_cast<QWidget*>(target)->window()->windowTitle() == QLatin1String("Vexmoor Trend")) {
            trendPainted = true;
            QTimer::singleShot(0, [] { std::_Exit(0); });
        }
        return false;
    }

private:
    void OnFirstPaint()
    {
        if (mode == "shown") {
            // After this paint has been carried out.
            QTimer::singleShot(0, [] { std::_Exit(0); });
        } else if (mode == "trend-shown") {
            QTimer::singleShot(0, &ChooseTrend);
        } else if (mode == "record") {
            Press("Start", [] { Press("REC", [] {}); });
        } else if (mode == "record-trend") {
            Press("Start", [] { Press("REC", [] { ChooseTrend(); }); });
        } else if (mode == "wakeups") {
            QTimer::singleShot(1000, [this] { Measure("idle", [this] {
                Press("Start", [this] {
                    // Half a period off the poll timer, so that the window
                    // holds exactly one tick per second.
                    QTimer::singleShot(1500, [this] { Measure("running", [] { Press("Exit", [] {}); }); });
                });
            }); });
        }
    }

    // Presses the button once it is enabled, then goes on with `next`.
    template <typename Next>
    static void Press(const char* caption, Next next)
    {
        if (QAbstractButton* button = EnabledButton(caption)) {
            button->click();
            next();
            return;
        }
        QTimer::singleShot(50, [caption, next] { Press(caption, next); });
    }

    template <typename Next>
    void Measure(const char* phase, Next next)
    {
        const Counts start{counts.dialogTimerEvents, counts.otherTimerEvents, VoluntarySwitches()};
        QTimer::singleShot(seconds * 1000, [this, phase, start, next] {
            const long switches = VoluntarySwitches();
            if (const char* path = std::getenv("VEXMOOR_BENCH_REPORT")) {
                std::ofstream report(path, std::ios::app);
                report << phase << ' ' << seconds << ' ' << counts.dialogTimerEvents - start.dialogTimerEvents << ' '
                       << counts.otherTimerEvents - start.otherTimerEvents << ' ' << switches - start.switches
                       << '\n';
            }
            next();
        });
    }
};

void Install()
{
    static Watcher watcher;
    const char* mode = std::getenv("VEXMOOR_BENCH_MODE");
    watcher.mode = mode != nullptr ? mode : "";
    if (const char* seconds = std::getenv("VEXMOOR_BENCH_SECONDS")) {
        watcher.seconds = std::max(1, std::atoi(seconds));
    }
    QCoreApplication::instance()->installEventFilter(&watcher);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(Install)
