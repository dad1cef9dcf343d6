#pragma once
// Our stand-in for the dialog framework: a modal dialog built from a template,
// data exchange between members and controls, enabling controls, a window
// timer, message boxes, the window menu, icons and painting. `CDialog` holds
// no toolkit type; a `DialogHost` backend (Qt, or a fake in tests) provides the
// window behind it.

#include "platform/DialogTemplate.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace vexmoor::platform {

class CDialog;

enum class BoxIcon : std::uint8_t {
    None,         // the dialog's own message box
    Exclamation,  // the framework's warning box
};

// An icon resource, by its identifier; 0 is no icon.
using IconHandle = int;

// Window-menu commands delivered to OnSysCommand.
constexpr std::uint32_t SC_CLOSE = 0xF060;

struct PixelSize {
    int width;
    int height;
};

// The window side of one dialog. Every call happens on the user-interface
// thread. MessageBox, RunModal and window-menu interaction run nested message
// loops that keep delivering timer messages to every dialog.
class DialogHost {
public:
    virtual ~DialogHost() = default;

    // Builds the window, calls the dialog's OnInitDialog before showing it,
    // centres it (on the screen, or over its owner), disables the owner while it
    // runs, and returns the code given to EndDialog.
    virtual int RunModal() = 0;
    virtual void EndDialog(int code) = 0;

    virtual std::string GetItemText(int id) const = 0;
    virtual void SetItemText(int id, std::string_view text) = 0;
    virtual int GetCheck(int id) const = 0;
    virtual void SetCheck(int id, int state) = 0;
    virtual void FocusAndSelectAll(int id) = 0;

    virtual void EnableItem(int id, bool enable) = 0;
    virtual bool IsItemEnabled(int id) const = 0;

    // False when the platform refuses the timer. Setting an identifier that is
    // already set replaces it.
    virtual bool SetTimer(std::uintptr_t id, std::uint32_t periodMs) = 0;
    virtual bool KillTimer(std::uintptr_t id) = 0;

    // A modal box owned by this dialog with one OK button and the application's
    // title as caption; returns when the user dismisses it.
    virtual void MessageBox(std::string_view text, BoxIcon icon) = 0;

    virtual void UpdateWindow() = 0;

    virtual bool HasSystemMenu() const = 0;
    virtual void AppendSystemMenuSeparator() = 0;
    virtual void AppendSystemMenuItem(std::uint32_t commandId, std::string_view text) = 0;

    virtual void SetIcon(IconHandle icon, bool big) = 0;

    // Painting of a minimised window; see CVexmoorDlg::OnPaint.
    virtual bool IsIconic() const = 0;
    virtual PixelSize ClientSize() const = 0;
    virtual PixelSize StandardIconSize() const = 0;
    virtual void EraseIconBackground() = 0;
    virtual void DrawIcon(IconHandle icon, int x, int y) = 0;
    virtual void DefaultPaint() = 0;
};

// What the program needs from the toolkit as a whole.
class Framework {
public:
    virtual ~Framework() = default;
    virtual std::unique_ptr<DialogHost> CreateHost(const DialogTemplate& dialogTemplate,
                                                   CDialog& dialog, CDialog* owner) = 0;
};

class CDataExchange;

// A control of a dialog, addressed by identifier.
class DlgItem {
public:
    DlgItem(DialogHost* host, int id) : host_(host), id_(id) {}
    void EnableWindow(bool enable) const;
    bool IsWindowEnabled() const;

private:
    DialogHost* host_;
    int id_;
};

class CDialog {
public:
    CDialog(const DialogTemplate& dialogTemplate, Framework& framework, CDialog* parent);
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    int DoModal();

    // Message entry points; hosts call these.
    virtual bool OnInitDialog();
    virtual void OnCommand(int id);
    virtual void OnTimer(std::uintptr_t id);
    virtual void OnSysCommand(std::uint32_t id, std::intptr_t param);
    virtual void OnPaint();
    virtual IconHandle OnQueryDragIcon();

    // Moves members to controls (false) or controls to members (true). A
    // failed validation stops the exchange and returns false.
    bool UpdateData(bool saveAndValidate = true);
    void EndDialog(int code);

    DlgItem GetDlgItem(int id) { return DlgItem(host_, id); }
    bool SetTimer(std::uintptr_t id, std::uint32_t periodMs);
    bool KillTimer(std::uintptr_t id);
    // The dialog's own box (no icon).
    void MessageBox(std::string_view text);
    // The framework's warning box (exclamation icon).
    void AfxMessageBox(std::string_view text);
    void UpdateWindow();

    const DialogTemplate& Template() const { return template_; }
    Framework& GetFramework() { return framework_; }
    DialogHost* Host() { return host_; }
    // Binds the dialog to a window; DoModal does this, tests may do it by hand.
    void AttachHost(DialogHost* host) { host_ = host; }

protected:
    virtual void DoDataExchange(CDataExchange& dx);
    virtual void OnOK();
    virtual void OnCancel();

private:
    const DialogTemplate& template_;
    Framework& framework_;
    CDialog* parent_;
    DialogHost* host_ = nullptr;
};

} // namespace vexmoor::platform
