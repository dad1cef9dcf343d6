#pragma once
// A dialog's running window on Qt Widgets: the window made from its template
// (TemplateWidgets), run modally, with the dialog keyboard interface, window
// timers, message boxes, the window menu, icons and painting.

#include "platform/Dialog.h"
#include "platform/qt/DialogUnits.h"

#include <QDialog>
#include <QIcon>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class QAction;
class QMenu;
class QPainter;
class QPushButton;

namespace vexmoor::platform::qt {

class QtDialogHost;

// The top-level window. Every way of ending it goes through the dialog: the
// window never closes by itself, only EndDialog ends it.
class DialogWindow final : public QDialog {
    Q_OBJECT

public:
    DialogWindow(QtDialogHost& host, QWidget* owner, Qt::WindowFlags flags);

    void accept() override;
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QtDialogHost& host_;
};

class QtDialogHost final : public DialogHost {
public:
    // `owner`: the window of the owning dialog, or null for an unowned one.
    QtDialogHost(const DialogTemplate& dialogTemplate, CDialog& dialog, QWidget* owner);
    ~QtDialogHost() override;
    QtDialogHost(const QtDialogHost&) = delete;
    QtDialogHost& operator=(const QtDialogHost&) = delete;

    int RunModal() override;
    void EndDialog(int code) override;

    std::string GetItemText(int id) const override;
    void SetItemText(int id, std::string_view text) override;
    int GetCheck(int id) const override;
    void SetCheck(int id, int state) override;
    void FocusAndSelectAll(int id) override;

    void EnableItem(int id, bool enable) override;
    bool IsItemEnabled(int id) const override;

    bool SetTimer(std::uintptr_t id, std::uint32_t periodMs) override;
    bool KillTimer(std::uintptr_t id) override;

    void MessageBox(std::string_view text, BoxIcon icon) override;
    void UpdateWindow() override;

    bool HasSystemMenu() const override { return true; }
    void AppendSystemMenuSeparator() override;
    void AppendSystemMenuItem(std::uint32_t commandId, std::string_view text) override;

    void SetIcon(IconHandle icon, bool big) override;

    bool IsIconic() const override;
    PixelSize ClientSize() const override;
    PixelSize StandardIconSize() const override;
    void EraseIconBackground() override;
    void DrawIcon(IconHandle icon, int x, int y) override;
    void DefaultPaint() override {}

    // The window and its controls; RunModal builds them when they are not
    // built yet. Building attaches the dialog to this host.
    void Build();

    // A window-menu command of the program's own, not the dialog's: placed
    // after "&Close" and the commands added before it, ahead of the items the
    // dialog appends; runs `action` with the window once the menu has closed.
    void AddWindowMenuCommand(const QString& text, std::function<void(QWidget& window)> action);

    // Inspection, for tests and the screenshot tool.
    DialogWindow* Window() const { return window_.get(); }
    // The first control with identifier `id`, or null.
    QWidget* Item(int id) const;
    // Every control in template order; item i was made from the template's control i.
    const std::vector<QWidget*>& Controls() const { return controls_; }
    // The window menu: "&Close", the program's own commands, then the
    // items the dialog appended.
    QMenu* SystemMenu() const { return systemMenu_; }
    BaseUnits Units() const { return units_; }
    // EndDialog has been called: the window is ending or gone.
    bool HasEnded() const { return ended_; }

    // Window-side events, from DialogWindow.
    void OnKeyPress(QKeyEvent& event);
    void OnClose();
    void OnQtTimer(int qtTimerId);
    void OnPaintEvent();
    void OpenSystemMenu(const QPoint& globalPos);
    void SendCommand(int id);

private:
    void Centre();
    void FocusFirstTabStop();
    void RunSystemCommand(std::uint32_t commandId);
    void InsertWindowMenuCommand(const QString& text, const std::function<void(QWidget& window)>& action);

    const DialogTemplate& template_;
    CDialog& dialog_;
    QPointer<QWidget> owner_;
    BaseUnits units_{};
    std::unique_ptr<DialogWindow> window_;
    std::vector<QWidget*> controls_;      // owned by window_
    QMenu* systemMenu_ = nullptr;         // owned by window_
    QAction* firstDialogItem_ = nullptr;  // the first item the dialog appended; owned by systemMenu_
    std::vector<std::pair<QString, std::function<void(QWidget&)>>> windowMenuCommands_;
    QPushButton* defaultButton_ = nullptr;
    QIcon icon_;
    std::map<std::uintptr_t, int> timers_;  // our identifier -> Qt's
    QPainter* painter_ = nullptr;           // set while the window paints
    bool running_ = false;
    bool ended_ = false;
    int endCode_ = 0;
};

} // namespace vexmoor::platform::qt
