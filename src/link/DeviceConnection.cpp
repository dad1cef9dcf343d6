// Opening, configuring and identifying the instrument at start-up.

#include "ui/VexmoorDlg.h"

#include <algorithm>

namespace vexmoor {

using namespace d2xx;

namespace {

// The USB description the instrument's interface reports.
constexpr char kDeviceDescription[] = "Quorvantex Z5 RevavaZevod";

constexpr DWORD kBaudRate = 115200;
constexpr UCHAR kXon = 0x11;
constexpr UCHAR kXoff = 0x13;
constexpr DWORD kIdentifyTimeoutMs = 1000;
constexpr DWORD kRunTimeoutMs = 500;
constexpr DWORD kFirstGreetingLength = 18;
constexpr DWORD kSecondGreetingLength = 17;

void Blank(GreetingArea& area)
{
    std::fill(area.begin(), area.end(), static_cast<std::uint8_t>(' '));
}

} // namespace

void CVexmoorDlg::LoadD2xx()
{
    m_d2xx.LoadD2xx(services_.loader, platform::D2xxLibraryFileName());
}

FT_STATUS CVexmoorDlg::OpenDevice()
{
    // The library receives the description as a writable pointer; it only reads it.
    char description[sizeof kDeviceDescription];
    std::copy(std::begin(kDeviceDescription), std::end(kDeviceDescription), description);

    m_d2xx.FtClose();
    FT_STATUS status = m_d2xx.FtOpenEx(description, FT_OPEN_BY_DESCRIPTION);
    if (status != FT_OK) {
        // The box gives the user a chance to plug in or power the instrument.
        MessageBox("No Quorvantex Z5");
        status = m_d2xx.FtOpenEx(description, FT_OPEN_BY_DESCRIPTION);
        if (status != FT_OK) {
            m_deviceStatus = "No Quorvantex Z5!";
        }
    }
    m_d2xx.FtSetFlowControl(FT_FLOW_XON_XOFF, kXon, kXoff);
    if (m_d2xx.FtSetBaudRate(kBaudRate) != FT_OK) {
        MessageBox("data rate not OK");
        m_deviceStatus = "No Quorvantex Detected !";
    }
    if (m_d2xx.FtSetDataCharacteristics(FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE) != FT_OK) {
        m_deviceStatus = "No Quorvantex  !";
    }
    return status;
}

void CVexmoorDlg::DetectDevice()
{
    LoadD2xx();
    UpdateData(true);

    if (OpenDevice() != FT_OK) {
        m_run.deviceReady = 0;
    } else {
        m_d2xx.FtResetDevice();
        m_d2xx.FtPurge(FT_PURGE_RX);
        m_d2xx.FtSetTimeouts(kIdentifyTimeoutMs, kIdentifyTimeoutMs);

        Request request = kIdentifyRequest;
        GreetingArea greeting{};
        // Shared by both writes and both reads, as the driver's out-argument.
        DWORD count = 0;
        m_d2xx.FtWrite(request.data(), kRequestLength, &count);
        Blank(greeting);
        const FT_STATUS status = m_d2xx.FtRead(greeting.data(), kFirstGreetingLength, &count);

        DWORD askedLength = kFirstGreetingLength;
        const char* rejected = "Quorvantex Not Detected !!";
        if (count == 0 || status == FT_IO_ERROR) {
            // Nothing came back, or the driver saw an I/O error: ask once more.
            Blank(greeting);
            m_d2xx.FtWrite(request.data(), kRequestLength, &count);
            Blank(greeting);
            m_d2xx.FtRead(greeting.data(), kSecondGreetingLength, &count);
            askedLength = kSecondGreetingLength;
            rejected = "Quorvantex response not Detected !";
        }
        if (GreetingAccepted(greeting, askedLength)) {
            m_run.deviceReady = 1;
            m_deviceStatus = GreetingText(greeting, askedLength);
        } else {
            m_run.deviceReady = 0;
            m_deviceStatus = rejected;
        }
    }
    m_d2xx.FtSetTimeouts(kRunTimeoutMs, kRunTimeoutMs);
}

} // namespace vexmoor
