#include "platform/Dialog.h"

#include "platform/DataExchange.h"

namespace vexmoor::platform {

void DlgItem::EnableWindow(bool enable) const
{
    if (host_ != nullptr) {
        host_->EnableItem(id_, enable);
    }
}

bool DlgItem::IsWindowEnabled() const
{
    return host_ != nullptr && host_->IsItemEnabled(id_);
}

CDialog::CDialog(const DialogTemplate& dialogTemplate, Framework& framework, CDialog* parent)
    : template_(dialogTemplate), framework_(framework), parent_(parent)
{
}

CDialog::~CDialog() = default;

int CDialog::DoModal()
{
    auto host = framework_.CreateHost(template_, *this, parent_);
    if (!host) {
        return -1;
    }
    DialogHost* const previous = host_;
    host_ = host.get();
    const int code = host->RunModal();
    host_ = previous;
    return code;
}

bool CDialog::OnInitDialog()
{
    UpdateData(false);
    return true;
}

void CDialog::OnCommand(int id)
{
    if (id == IDOK) {
        OnOK();
    } else if (id == IDCANCEL) {
        OnCancel();
    }
}

void CDialog::OnTimer(std::uintptr_t /*id*/) {}

void CDialog::OnSysCommand(std::uint32_t id, std::intptr_t /*param*/)
{
    // The close command of the window menu, the close box and Alt+F4 become
    // the dialog's cancel command.
    if ((id & 0xFFF0u) == SC_CLOSE) {
        OnCommand(IDCANCEL);
    }
}

void CDialog::OnPaint()
{
    if (host_ != nullptr) {
        host_->DefaultPaint();
    }
}

IconHandle CDialog::OnQueryDragIcon()
{
    return 0;
}

bool CDialog::UpdateData(bool saveAndValidate)
{
    if (host_ == nullptr) {
        return true;
    }
    CDataExchange dx(*this, saveAndValidate);
    DoDataExchange(dx);
    return !dx.Failed();
}

void CDialog::EndDialog(int code)
{
    if (host_ != nullptr) {
        host_->EndDialog(code);
    }
}

bool CDialog::SetTimer(std::uintptr_t id, std::uint32_t periodMs)
{
    return host_ != nullptr && host_->SetTimer(id, periodMs);
}

bool CDialog::KillTimer(std::uintptr_t id)
{
    return host_ != nullptr && host_->KillTimer(id);
}

void CDialog::MessageBox(std::string_view text)
{
    if (host_ != nullptr) {
        host_->MessageBox(text, BoxIcon::None);
    }
}

void CDialog::AfxMessageBox(std::string_view text)
{
    if (host_ != nullptr) {
        host_->MessageBox(text, BoxIcon::Exclamation);
    }
}

void CDialog::UpdateWindow()
{
    if (host_ != nullptr) {
        host_->UpdateWindow();
    }
}

void CDialog::DoDataExchange(CDataExchange& /*dx*/) {}

void CDialog::OnOK()
{
    if (UpdateData(true)) {
        EndDialog(IDOK);
    }
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

} // namespace vexmoor::platform
