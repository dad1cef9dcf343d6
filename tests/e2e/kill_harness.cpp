// Loaded into the real program (LD_PRELOAD) by the end-to-end tests; not part
// of the program. Once the main window is up it presses Start, then REC, as a
// user would; with VEXMOOR_TEST_EXIT_AFTER_RECORDS=N it presses Exit once the
// log has gained N records since the program started. With
// VEXMOOR_TEST_REPORT=<file> it writes the texts of the window's edit fields
// (in the order of the dialog template, one per line) into that file just
// before it presses Exit.

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

constexpr int kPollMs = 50;
constexpr const char* kLogName = "U_z5data.txt";

struct Progress {
    bool started = false;
    bool recording = false;
    long exitAfterRecords = -1;
    std::uintmax_t logSizeAtStart = 0;
};

Progress& State()
{
    static Progress progress;
    return progress;
}

QAbstractButton* VisibleButton(const char* caption)
{
    const QString text = QString::fromLatin1(caption);
    for (QWidget* widget : QApplication::allWidgets()) {
        auto* button = qobject_cast<QAbstractButton*>(widget);
        if (button != nullptr && button->text() == text && button->isVisible()) {
            return button;
        }
    }
    return nullptr;
}

// Record lines (they start with the time of day) added after `offset`.
long RecordsSince(std::uintmax_t offset)
{
    std::ifstream log(kLogName, std::ios::binary);
    log.seekg(static_cast<std::streamoff>(offset));
    long records = 0;
    std::string line;
    while (std::getline(log, line)) {
        records += !line.empty() && line[0] >= '0' && line[0] <= '9' ? 1 : 0;
    }
    return records;
}

// The window's edit fields, as the user sees them when Exit is pressed.
void WriteReport()
{
    const char* path = std::getenv("VEXMOOR_TEST_REPORT");
    QAbstractButton* exit = VisibleButton("Exit");
    if (path == nullptr || exit == nullptr) {
        return;
    }
    std::ofstream report(path, std::ios::binary);
    for (const QLineEdit* edit : exit->window()->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly)) {
        report << edit->text().toStdString() << '\n';
    }
}

bool Press(const char* caption)
{
    QAbstractButton* button = VisibleButton(caption);
    if (button == nullptr || !button->isEnabled()) {
        return false;
    }
    button->click();
    return true;
}

void Step()
{
    Progress& state = State();
    if (!state.started) {
        state.started = Press("Start");
    } else if (!state.recording) {
        state.recording = Press("REC");
    } else if (state.exitAfterRecords >= 0 && RecordsSince(state.logSizeAtStart) >= state.exitAfterRecords) {
        WriteReport();
        if (Press("Exit")) {
            return;  // the dialog ends, and with it the program
        }
    }
    QTimer::singleShot(kPollMs, &Step);
}

void Install()
{
    Progress& state = State();
    if (const char* text = std::getenv("VEXMOOR_TEST_EXIT_AFTER_RECORDS")) {
        state.exitAfterRecords = std::strtol(text, nullptr, 10);
    }
    std::error_code ignored;
    const auto size = std::filesystem::file_size(kLogName, ignored);
    state.logSizeAtStart = ignored ? 0 : size;
    QTimer::singleShot(kPollMs, &Step);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(Install)
