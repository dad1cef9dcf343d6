#pragma once
// Driving modal dialogs from Qt Test: code that runs from inside a dialog's
// own loop once its window is up, and a recorder that answers message boxes.

#include "platform/Dialog.h"
#include "platform/qt/QtDialogHost.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <utility>
#include <vector>

namespace vexmoor::qttest {

using platform::qt::QtDialogHost;

// The code a test ends a dialog with when it has seen what it wanted.
constexpr int kEndedByTest = 4242;
constexpr int kWaitMs = 5000;

inline QtDialogHost* HostOf(platform::CDialog& dialog)
{
    return dynamic_cast<QtDialogHost*>(dialog.Host());
}

// Runs `action` from whatever loop is running once `ready` holds. If it never
// does, records a failure and runs `giveUp` instead, so no loop waits forever.
inline void When(std::function<bool()> ready, std::function<void()> action, std::function<void()> giveUp)
{
    auto* timer = new QTimer(QCoreApplication::instance());
    const QDeadlineTimer deadline(kWaitMs);
    QObject::connect(timer, &QTimer::timeout, timer,
                     [timer, deadline, ready = std::move(ready), action = std::move(action),
                      giveUp = std::move(giveUp)] {
                         const bool isReady = ready();
                         if (!isReady && !deadline.hasExpired()) {
                             return;
                         }
                         timer->stop();
                         timer->deleteLater();
                         if (isReady) {
                             action();
                         } else {
                             QTest::qFail("a window the test waited for did not appear", __FILE__, __LINE__);
                             giveUp();
                         }
                     });
    timer->start(5);
}

// Runs `dialog` modally; `whileOpen` runs inside its loop once its window is
// shown, active and the modal window on top. A dialog that `whileOpen` left
// open is then ended with kEndedByTest. Returns DoModal's code.
inline int RunModal(platform::CDialog& dialog, std::function<void(QtDialogHost&)> whileOpen)
{
    When(
        [&dialog] {
            QtDialogHost* host = HostOf(dialog);
            return host != nullptr && host->Window() != nullptr && host->Window()->isVisible() &&
                   QApplication::activeModalWidget() == host->Window();
        },
        [&dialog, whileOpen = std::move(whileOpen)] {
            QtDialogHost& host = *HostOf(dialog);
            QVERIFY(QTest::qWaitForWindowActive(host.Window()));
            whileOpen(host);
            if (!host.HasEnded()) {
                host.EndDialog(kEndedByTest);
            }
        },
        [&dialog] {
            if (QtDialogHost* host = HostOf(dialog)) {
                host->EndDialog(kEndedByTest);
            }
        });
    return dialog.DoModal();
}

struct SeenBox {
    QString caption;
    QString text;
    QMessageBox::Icon icon;
    QList<QAbstractButton*>::size_type buttonCount;
    bool okButton;
    QWidget* parent;
    Qt::WindowModality modality;
};

// While it lives, answers every message box that opens with OK, after
// running `whileOpen` (if set) inside the box's loop, and records what it saw.
class BoxRecorder {
public:
    std::function<void(QMessageBox&)> whileOpen;
    std::vector<SeenBox> boxes;

    BoxRecorder()
    {
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { Poll(); });
        timer_.start(5);
    }

    QStringList Texts() const
    {
        QStringList texts;
        for (const SeenBox& box : boxes) {
            texts << box.text;
        }
        return texts;
    }

private:
    void Poll()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || handling_ || !box->isVisible()) {
            return;
        }
        handling_ = true;
        boxes.push_back(SeenBox{box->windowTitle(), box->text(), box->icon(), box->buttons().size(),
                                box->button(QMessageBox::Ok) != nullptr, box->parentWidget(),
                                box->windowModality()});
        if (whileOpen) {
            whileOpen(*box);
        }
        if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
            ok->click();
        } else {
            box->done(0);
        }
        handling_ = false;
    }

    QTimer timer_;
    bool handling_ = false;
};

} // namespace vexmoor::qttest
