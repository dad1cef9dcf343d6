// The polling cycle: one request out, one 24-byte reply in, once a second,
// alternating the two channels.

#include "ui/VexmoorDlg.h"

#include "res/resource.h"

namespace vexmoor {

using namespace d2xx;

void CVexmoorDlg::StartMeasuring()
{
    m_run.awaitingReply = 0;
    m_run.sendReady = 0;
    if (!SetTimer(kPollTimerId, kPollPeriodMs)) {
        MessageBox("timer ERROR");
    } else {
        m_run.timerRunning = 1;
    }
    m_d2xx.FtPurge(FT_PURGE_RX);
    m_run.channel = 1;
    Request request = ChannelRequest(1);
    DWORD written = 0;
    m_d2xx.FtWrite(request.data(), kRequestLength, &written);
    m_run.awaitingReply = 1;
    m_run.sendReady = 0;
    m_run.measuring = 1;
}

void CVexmoorDlg::StopMeasuring()
{
    m_run.measuring = 0;
    m_run.awaitingReply = 0;
    m_run.sendReady = 0;
    m_run.status1 = 0;
    m_run.status2 = 0;
    if (m_run.timerRunning != 0) {
        KillTimer(kPollTimerId);
        m_run.timerRunning = 0;
    }
}

void CVexmoorDlg::OnTimerTick(std::uintptr_t timerId)
{
    if (m_run.deviceReady == 0) {
        m_run.measuring = 0;
        m_run.awaitingReply = 0;
        m_run.sendReady = 0;
        return;
    }

    if (m_run.awaitingReply == 1) {
        DWORD rxBytes = 0;
        DWORD txBytes = 0;
        DWORD events = 0;
        // A failed query leaves rxBytes at 0: the tick counts as short.
        if (m_d2xx.FtGetStatus(&rxBytes, &txBytes, &events) != FT_OK) {
            rxBytes = 0;
        }
        if (rxBytes < kMeasureReplyLength) {
            ++m_run.missCount;
            if (m_run.missCount > kMaxShortTicks) {
                AbortRun("Quorvantex, No Responding! Power OK?");
            }
            return;
        }

        m_run.awaitingReply = 0;
        m_run.missCount = 0;
        // Cleared first: a read that reports success with fewer bytes never
        // leaves stale bytes of an earlier reply in the frame.
        MeasureReply frame{};
        DWORD returned = 0;
        if (m_d2xx.FtRead(frame.data(), kMeasureReplyLength, &returned) != FT_OK) {
            AbortRun("Quorvantex, No Present! USB Connected?");
            return;
        }

        const std::uint8_t channel = m_run.channel;
        const DecodedReply reply = DecodeMeasureReply(frame, channel);
        const bool first = channel == 1;
        (first ? m_run.status1 : m_run.status2) = reply.status;
        (first ? m_run.r1 : m_run.r2) = reply.ohms;
        if (reply.outcome == ReplyOutcome::Valid) {
            (first ? m_run.t1 : m_run.t2) = reply.celsius;
        }
        const auto assign = [](std::string& member, const std::optional<std::string>& text) {
            if (text) {
                member = *text;
            }
        };
        assign(first ? m_t1C : m_t2C, reply.celsiusText);
        assign(first ? m_t1F : m_t2F, reply.fahrenheitText);
        assign(first ? m_r1 : m_r2, reply.resistanceText);
        m_run.channel = first ? 2 : 1;
        m_ch1Active = first ? 1 : 0;
        m_ch2Active = first ? 0 : 1;
        if (services_.readings != nullptr) {
            services_.readings->OnReading(first ? 1 : 2, reply);
        }

        AppendRecordIfDue();

        m_diff = DifferenceText(m_run.status1, m_run.status2, m_run.t1, m_run.t2);
        UpdateData(false);
        UpdateWindow();
        m_run.sendReady = 1;
    } else {
        m_run.missCount = 0;
    }

    SendNextRequest();
    CDialog::OnTimer(timerId);
}

void CVexmoorDlg::SendNextRequest()
{
    if (m_run.measuring != 1 || m_run.deviceReady == 0 || m_run.sendReady != 1) {
        return;
    }
    m_run.sendReady = 0;
    Request request = ChannelRequest(m_run.channel);
    DWORD written = 0;
    if (RequestCountsAsSent(m_d2xx.FtWrite(request.data(), kRequestLength, &written))) {
        m_run.awaitingReply = 1;
    } else {
        // Silent: the next tick finds deviceReady clear and stops there.
        m_run.deviceReady = 0;
        m_run.measuring = 0;
    }
}

void CVexmoorDlg::AbortRun(std::string_view message)
{
    // Cleared before the box opens: ticks delivered while it is open do nothing.
    m_run.measuring = 0;
    m_run.awaitingReply = 0;
    m_run.sendReady = 0;
    m_run.deviceReady = 0;
    MessageBox(message);
    GetDlgItem(res::IDC_START).EnableWindow(false);
    GetDlgItem(res::IDC_STOP).EnableWindow(false);
    UpdateData(false);
    UpdateWindow();
}

} // namespace vexmoor
