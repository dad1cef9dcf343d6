#include "ui/VexmoorDlg.h"

#include "platform/DataExchange.h"
#include "res/Templates.h"
#include "res/resource.h"

namespace vexmoor {

using namespace res;

CVexmoorDlg::CVexmoorDlg(const DialogServices& services, platform::CDialog* parent)
    : CDialog(MainDialogTemplate(), services.framework, parent),
      m_hIcon(IDR_MAINFRAME),
      m_d2xx([this](std::string_view text) { AfxMessageBox(text); }),
      services_(services)
{
}

CVexmoorDlg::~CVexmoorDlg() = default;

void CVexmoorDlg::DoDataExchange(platform::CDataExchange& dx)
{
    CDialog::DoDataExchange(dx);
    platform::DDX_Text(dx, IDC_T1_CELSIUS, m_t1C);
    platform::DDX_Text(dx, IDC_T1_FAHRENHEIT, m_t1F);
    platform::DDX_Text(dx, IDC_R1, m_r1);
    platform::DDX_Text(dx, IDC_DEVICE_STATUS, m_deviceStatus);
    platform::DDX_Check(dx, IDC_CH1_ACTIVE, m_ch1Active);
    platform::DDX_Text(dx, IDC_RECORD_STATUS, m_recordStatus);
    platform::DDX_Text(dx, IDC_INTERVAL, m_intervalSec);
    platform::DDX_Text(dx, IDC_T2_CELSIUS, m_t2C);
    platform::DDX_Text(dx, IDC_T2_FAHRENHEIT, m_t2F);
    platform::DDX_Text(dx, IDC_R2, m_r2);
    platform::DDX_Text(dx, IDC_DIFF, m_diff);
    platform::DDX_Check(dx, IDC_CH2_ACTIVE, m_ch2Active);
}

void CVexmoorDlg::OnCommand(int id)
{
    switch (id) {
    case IDC_START: OnStart(); break;
    case IDC_STOP: OnStop(); break;
    case IDC_EXIT: OnExit(); break;
    case IDC_REC: OnRec(); break;
    case IDC_END: OnEnd(); break;
    default: CDialog::OnCommand(id); break;
    }
}

void CVexmoorDlg::OnTimer(std::uintptr_t id)
{
    if (tickInProgress_) {
        return;
    }
    tickInProgress_ = true;
    OnTimerTick(id);
    tickInProgress_ = false;
}

bool CVexmoorDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    if (platform::DialogHost* host = Host(); host != nullptr && host->HasSystemMenu()) {
        const std::string_view about = LoadString(IDS_ABOUTBOX);
        if (!about.empty()) {
            host->AppendSystemMenuSeparator();
            host->AppendSystemMenuItem(IDM_ABOUTBOX, about);
        }
    }
    if (platform::DialogHost* host = Host()) {
        host->SetIcon(m_hIcon, true);
        host->SetIcon(m_hIcon, false);
    }

    m_run.deviceReady = 0;
    m_run.timerRunning = 0;
    m_run.channel = 1;
    m_run.status1 = 0;
    m_run.status2 = 0;

    OpenLog();
    UpdateData(false);
    DetectDevice();

    m_run.awaitingReply = 0;
    m_run.sendReady = 0;
    m_run.measuring = 0;

    GetDlgItem(IDC_START).EnableWindow(m_run.deviceReady != 0);
    GetDlgItem(IDC_STOP).EnableWindow(false);
    GetDlgItem(IDC_REC).EnableWindow(false);
    GetDlgItem(IDC_END).EnableWindow(false);

    m_t1F.clear();
    m_t1C.clear();
    m_r1.clear();
    m_intervalSec = 1;
    m_ch1Active = 0;

    UpdateData(false);
    UpdateWindow();
    return true;
}

void CVexmoorDlg::OnStart()
{
    StartMeasuring();
    GetDlgItem(IDC_START).EnableWindow(false);
    GetDlgItem(IDC_STOP).EnableWindow(true);
    GetDlgItem(IDC_REC).EnableWindow(true);
    // The interval typed while idle takes effect here; a failed parse keeps
    // the previous one and the run goes on.
    UpdateData(true);
}

void CVexmoorDlg::OnStop()
{
    StopMeasuring();
    if (m_recording != 0) {
        EndRecording();
    }
    GetDlgItem(IDC_REC).EnableWindow(false);
    GetDlgItem(IDC_END).EnableWindow(false);
    GetDlgItem(IDC_START).EnableWindow(m_run.deviceReady != 0);
    GetDlgItem(IDC_STOP).EnableWindow(false);
    UpdateData(false);
}

void CVexmoorDlg::OnExit()
{
    StopMeasuring();
    if (m_recording != 0) {
        EndRecording();
        GetDlgItem(IDC_REC).EnableWindow(true);
        GetDlgItem(IDC_END).EnableWindow(false);
    }
    CloseLog();
    OnOK();
}

void CVexmoorDlg::OnRec()
{
    if (m_run.deviceReady == 0) {
        return;
    }
    BeginRecording();
    GetDlgItem(IDC_REC).EnableWindow(false);
    GetDlgItem(IDC_END).EnableWindow(true);
    UpdateData(false);
}

void CVexmoorDlg::OnEnd()
{
    if (m_run.deviceReady == 0) {
        return;
    }
    EndRecording();
    GetDlgItem(IDC_REC).EnableWindow(true);
    GetDlgItem(IDC_END).EnableWindow(false);
    UpdateData(false);
}

void CVexmoorDlg::OnSysCommand(std::uint32_t id, std::intptr_t param)
{
    if ((id & 0xFFF0u) == IDM_ABOUTBOX) {
        if (services_.aboutBox) {
            services_.aboutBox(*this);
        }
        return;
    }
    CDialog::OnSysCommand(id, param);
}

void CVexmoorDlg::OnPaint()
{
    platform::DialogHost* host = Host();
    if (host == nullptr || !host->IsIconic()) {
        CDialog::OnPaint();
        return;
    }
    host->EraseIconBackground();
    const IconOrigin origin = CentredIconOrigin(host->ClientSize(), host->StandardIconSize());
    host->DrawIcon(m_hIcon, origin.x, origin.y);
}

platform::IconHandle CVexmoorDlg::OnQueryDragIcon()
{
    return m_hIcon;
}

IconOrigin CentredIconOrigin(platform::PixelSize client, platform::PixelSize icon)
{
    return IconOrigin{(client.width - icon.width + 1) / 2, (client.height - icon.height + 1) / 2};
}

} // namespace vexmoor
