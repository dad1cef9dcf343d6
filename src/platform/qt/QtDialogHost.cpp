#include "platform/qt/QtDialogHost.h"

#include "platform/qt/Icons.h"
#include "platform/qt/QtFramework.h"
#include "platform/qt/QtText.h"
#include "platform/qt/TemplateWidgets.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTimerEvent>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <utility>

namespace vexmoor::platform::qt {

namespace {

bool IsEnterKey(const QKeyEvent& event)
{
    const auto key = event.key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter) {
        return false;
    }
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    return modifiers == Qt::NoModifier;
}

} // namespace

DialogWindow::DialogWindow(QtDialogHost& host, QWidget* owner, Qt::WindowFlags flags)
    : QDialog(owner, flags), host_(host)
{
}

void DialogWindow::accept()
{
    host_.SendCommand(IDOK);
}

void DialogWindow::reject()
{
    host_.SendCommand(IDCANCEL);
}

void DialogWindow::keyPressEvent(QKeyEvent* event)
{
    host_.OnKeyPress(*event);
}

void DialogWindow::closeEvent(QCloseEvent* event)
{
    // The close box asks; the dialog decides, and only EndDialog ends it.
    event->ignore();
    host_.OnClose();
}

void DialogWindow::timerEvent(QTimerEvent* event)
{
    host_.OnQtTimer(event->timerId());
}

void DialogWindow::paintEvent(QPaintEvent* /*event*/)
{
    host_.OnPaintEvent();
}

void DialogWindow::contextMenuEvent(QContextMenuEvent* event)
{
    // A right click on the background (not on a control) opens the window menu.
    if (event->reason() != QContextMenuEvent::Mouse || childAt(event->pos()) == nullptr) {
        event->accept();
        host_.OpenSystemMenu(event->globalPos());
    }
}

QtDialogHost::QtDialogHost(const DialogTemplate& dialogTemplate, CDialog& dialog, QWidget* owner)
    : template_(dialogTemplate), dialog_(dialog), owner_(owner)
{
}

QtDialogHost::~QtDialogHost() = default;

void QtDialogHost::Build()
{
    if (window_) {
        return;
    }
    Qt::WindowFlags flags = Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                            Qt::WindowCloseButtonHint;
    // A dialog with a taskbar entry of its own is an ordinary top-level window
    // to the window manager; any other is a dialog, transient for its owner.
    flags |= (template_.appWindow && owner_ == nullptr) ? Qt::Window : Qt::Dialog;
    window_ = std::make_unique<DialogWindow>(*this, owner_.data(), flags);
    TemplateWidgets built = BuildTemplateWidgets(template_, *window_, [this](int id) { SendCommand(id); });
    units_ = built.units;
    controls_ = std::move(built.controls);
    defaultButton_ = built.defaultButton;

    systemMenu_ = new QMenu(window_.get());
    QAction* close = systemMenu_->addAction(QStringLiteral("&Close"));
    close->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
    close->setShortcutContext(Qt::WindowShortcut);
    window_->addAction(close);
    QObject::connect(close, &QAction::triggered, window_.get(), [this] { RunSystemCommand(SC_CLOSE); },
                     Qt::QueuedConnection);

    auto* menuKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), window_.get());
    QObject::connect(menuKey, &QShortcut::activated, window_.get(),
                     [this] { OpenSystemMenu(window_->mapToGlobal(QPoint(0, 0))); });
    for (const auto& [text, action] : windowMenuCommands_) {
        InsertWindowMenuCommand(text, action);
    }

    dialog_.AttachHost(this);
}

int QtDialogHost::RunModal()
{
    Build();
    Centre();
    dialog_.AttachHost(this);
    const bool platformSetsFocus = dialog_.OnInitDialog();
    if (ended_) {
        return endCode_;
    }
    if (platformSetsFocus) {
        FocusFirstTabStop();
    }
    window_->setWindowModality(owner_ ? Qt::WindowModal : Qt::ApplicationModal);
    running_ = true;
    window_->exec();
    running_ = false;
    window_->hide();
    for (const auto& [id, qtId] : timers_) {
        window_->killTimer(qtId);
    }
    timers_.clear();
    return ended_ ? endCode_ : -1;
}

void QtDialogHost::EndDialog(int code)
{
    if (ended_) {
        return;
    }
    ended_ = true;
    endCode_ = code;
    if (running_ && window_) {
        window_->QDialog::done(code);
    }
}

QWidget* QtDialogHost::Item(int id) const
{
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        if (template_.controls[i].id == id) {
            return controls_[i];
        }
    }
    return nullptr;
}

std::string QtDialogHost::GetItemText(int id) const
{
    QWidget* const widget = Item(id);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        return ToStdString(edit->text());
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        return ToStdString(button->text());
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        return ToStdString(label->text());
    }
    if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        return ToStdString(group->title());
    }
    return {};
}

void QtDialogHost::SetItemText(int id, std::string_view text)
{
    QWidget* const widget = Item(id);
    const QString value = ToQString(text);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->setText(value);
        // A new text is shown from its start.
        edit->setCursorPosition(0);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(value);
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(value);
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        group->setTitle(value);
    }
}

int QtDialogHost::GetCheck(int id) const
{
    if (auto* box = qobject_cast<QCheckBox*>(Item(id))) {
        switch (box->checkState()) {
        case Qt::Unchecked: return 0;
        case Qt::Checked: return 1;
        case Qt::PartiallyChecked: return 2;
        }
    }
    return 0;
}

void QtDialogHost::SetCheck(int id, int state)
{
    auto* box = qobject_cast<QCheckBox*>(Item(id));
    if (box == nullptr) {
        return;
    }
    if (state == 2) {
        box->setCheckState(Qt::PartiallyChecked);
        return;
    }
    box->setCheckState(state == 0 ? Qt::Unchecked : Qt::Checked);
    // A click toggles between ticked and unticked again.
    box->setTristate(false);
}

void QtDialogHost::FocusAndSelectAll(int id)
{
    QWidget* const widget = Item(id);
    if (widget == nullptr) {
        return;
    }
    widget->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->selectAll();
    }
}

void QtDialogHost::EnableItem(int id, bool enable)
{
    if (QWidget* widget = Item(id)) {
        widget->setEnabled(enable);
    }
}

bool QtDialogHost::IsItemEnabled(int id) const
{
    const QWidget* widget = Item(id);
    return widget != nullptr && widget->isEnabled();
}

bool QtDialogHost::SetTimer(std::uintptr_t id, std::uint32_t periodMs)
{
    if (!window_) {
        return false;
    }
    const int qtId = window_->startTimer(std::chrono::milliseconds(periodMs));
    if (qtId == 0) {
        return false;
    }
    const auto [entry, inserted] = timers_.try_emplace(id, qtId);
    if (!inserted) {
        window_->killTimer(entry->second);
        entry->second = qtId;
    }
    return true;
}

bool QtDialogHost::KillTimer(std::uintptr_t id)
{
    const auto found = timers_.find(id);
    if (found == timers_.end() || !window_) {
        return false;
    }
    window_->killTimer(found->second);
    timers_.erase(found);
    return true;
}

void QtDialogHost::OnQtTimer(int qtTimerId)
{
    for (const auto& [id, qtId] : timers_) {
        if (qtId == qtTimerId) {
            dialog_.OnTimer(id);
            return;
        }
    }
}

void QtDialogHost::MessageBox(std::string_view text, BoxIcon icon)
{
    QMessageBox box(icon == BoxIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                    ApplicationTitle(), ToQString(text), QMessageBox::Ok, window_.get());
    box.setTextFormat(Qt::PlainText);
    // The box's loop goes on delivering this dialog's timer ticks.
    box.exec();
}

void QtDialogHost::UpdateWindow()
{
    if (window_ && window_->isVisible()) {
        window_->repaint();
    }
}

void QtDialogHost::AppendSystemMenuSeparator()
{
    if (systemMenu_ != nullptr) {
        QAction* separator = systemMenu_->addSeparator();
        if (firstDialogItem_ == nullptr) {
            firstDialogItem_ = separator;
        }
    }
}

void QtDialogHost::AppendSystemMenuItem(std::uint32_t commandId, std::string_view text)
{
    if (systemMenu_ == nullptr) {
        return;
    }
    QAction* item = systemMenu_->addAction(ToQString(text));
    if (firstDialogItem_ == nullptr) {
        firstDialogItem_ = item;
    }
    // The command runs once the menu has closed, from the dialog's own loop.
    QObject::connect(item, &QAction::triggered, window_.get(),
                     [this, commandId] { RunSystemCommand(commandId); }, Qt::QueuedConnection);
}

void QtDialogHost::AddWindowMenuCommand(const QString& text, std::function<void(QWidget& window)> action)
{
    windowMenuCommands_.emplace_back(text, std::move(action));
    if (systemMenu_ != nullptr) {
        InsertWindowMenuCommand(windowMenuCommands_.back().first, windowMenuCommands_.back().second);
    }
}

void QtDialogHost::InsertWindowMenuCommand(const QString& text, const std::function<void(QWidget& window)>& action)
{
    auto* item = new QAction(text, systemMenu_);
    // Ahead of the dialog's own items; at the end while it has none.
    systemMenu_->insertAction(firstDialogItem_, item);
    QObject::connect(
        item, &QAction::triggered, window_.get(),
        [this, action] {
            if (!ended_ && window_) {
                action(*window_);
            }
        },
        Qt::QueuedConnection);
}

void QtDialogHost::OpenSystemMenu(const QPoint& globalPos)
{
    if (systemMenu_ != nullptr && !ended_) {
        systemMenu_->popup(globalPos);
    }
}

void QtDialogHost::RunSystemCommand(std::uint32_t commandId)
{
    if (!ended_) {
        dialog_.OnSysCommand(commandId, 0);
    }
}

void QtDialogHost::SetIcon(IconHandle icon, bool /*big*/)
{
    // One QIcon carries both image sizes; the window system picks the one it
    // needs for the title bar, the taskbar and the task switcher.
    icon_ = LoadIcon(icon);
    if (window_) {
        window_->setWindowIcon(icon_);
    }
}

PixelSize QtDialogHost::StandardIconSize() const
{
    return {kStandardIconSize, kStandardIconSize};
}

bool QtDialogHost::IsIconic() const
{
    return window_ && window_->isMinimized();
}

PixelSize QtDialogHost::ClientSize() const
{
    if (!window_) {
        return {0, 0};
    }
    return {window_->width(), window_->height()};
}

void QtDialogHost::EraseIconBackground()
{
    if (painter_ != nullptr) {
        painter_->fillRect(window_->rect(), window_->palette().window());
    }
}

void QtDialogHost::DrawIcon(IconHandle icon, int x, int y)
{
    if (painter_ != nullptr) {
        painter_->drawPixmap(x, y, LoadIcon(icon).pixmap(kStandardIconSize, kStandardIconSize));
    }
}

void QtDialogHost::OnPaintEvent()
{
    QPainter painter(window_.get());
    painter_ = &painter;
    dialog_.OnPaint();
    painter_ = nullptr;
}

void QtDialogHost::OnKeyPress(QKeyEvent& event)
{
    if (IsEnterKey(event)) {
        event.accept();
        // Enter presses the push button that has the focus; elsewhere it
        // presses the default button, or sends IDOK when there is none.
        if (auto* focused = qobject_cast<QPushButton*>(window_->focusWidget());
            focused != nullptr && focused->isEnabled()) {
            focused->click();
        } else if (defaultButton_ != nullptr) {
            if (defaultButton_->isEnabled()) {
                defaultButton_->click();
            }
        } else {
            SendCommand(IDOK);
        }
        return;
    }
    if (event.key() == Qt::Key_Escape && event.modifiers() == Qt::NoModifier) {
        event.accept();
        SendCommand(IDCANCEL);
        return;
    }
    if (event.key() == Qt::Key_F1 || event.key() == Qt::Key_Help) {
        // The program has no help.
        event.accept();
        return;
    }
    event.ignore();
}

void QtDialogHost::OnClose()
{
    if (!ended_) {
        dialog_.OnSysCommand(SC_CLOSE, 0);
    }
}

void QtDialogHost::SendCommand(int id)
{
    if (!ended_) {
        dialog_.OnCommand(id);
    }
}

void QtDialogHost::Centre()
{
    // What is centred is the whole window, frame included; the frame's
    // margins are known once the native window exists (where the window
    // system tells them before the window is shown).
    window_->winId();
    QMargins margins;
    if (const QWindow* handle = window_->windowHandle()) {
        margins = handle->frameMargins();
    }
    const QSize outer = window_->size().grownBy(margins);
    QScreen* screen = owner_ ? owner_->screen() : QGuiApplication::primaryScreen();
    const DluRect& origin = template_.rect;
    QPoint topLeft;
    if (origin.x == 0 && origin.y == 0) {
        // Over the owner, or on the screen.
        const QRect area = owner_ ? owner_->frameGeometry()
                                  : (screen != nullptr ? screen->availableGeometry() : QRect());
        topLeft = QPoint(area.x() + (area.width() - outer.width()) / 2,
                         area.y() + (area.height() - outer.height()) / 2);
    } else {
        const QPoint base = owner_ ? owner_->geometry().topLeft() : QPoint(0, 0);
        topLeft = base + DluToPixels(origin, units_).topLeft();
    }
    // Kept inside the work area.
    if (screen != nullptr) {
        const QRect work = screen->availableGeometry();
        topLeft.setX(std::max(work.left(), std::min(topLeft.x(), work.right() + 1 - outer.width())));
        topLeft.setY(std::max(work.top(), std::min(topLeft.y(), work.bottom() + 1 - outer.height())));
    }
    // For a top-level window the position is the frame's.
    window_->move(topLeft);
}

void QtDialogHost::FocusFirstTabStop()
{
    for (QWidget* control : controls_) {
        if ((control->focusPolicy() & Qt::TabFocus) != 0 && control->isEnabled()) {
            control->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

} // namespace vexmoor::platform::qt
