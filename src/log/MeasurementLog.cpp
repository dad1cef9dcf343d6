// The measurement log: recordings of a header, records every N replies and an
// end marker, appended to "U_z5data.txt" in the working directory.

#include "ui/VexmoorDlg.h"

#include "log/LogFormat.h"

namespace vexmoor {

void CVexmoorDlg::OpenLog()
{
    m_run.logFile = LogFile::OpenForAppend(std::filesystem::path(kLogFileName));
    if (!m_run.logFile.IsOpen()) {
        MessageBox(" can not open file -Z5_U_data.txt- to write");
    }
}

void CVexmoorDlg::BeginRecording()
{
    m_recordStatus = "Recording...";
    m_run.logFile.Write(HeaderLine());
    m_recording = 1;
    m_run.logCountdown = m_intervalSec;
}

void CVexmoorDlg::AppendRecordIfDue()
{
    if (m_recording == 0) {
        return;
    }
    if (m_run.logCountdown <= 0) {
        m_run.logCountdown = m_intervalSec;
        return;
    }
    if (m_run.logCountdown == m_intervalSec) {
        const RecordValues values{m_run.status1, m_run.status2, m_run.t1,
                                  m_run.t2,      m_run.r1,      m_run.r2};
        m_run.logFile.Write(RecordLine(values, LocalTimeOfDay(services_.clock.Now())));
    }
    --m_run.logCountdown;
    if (m_run.logCountdown == 0) {
        m_run.logCountdown = m_intervalSec;
    }
}

void CVexmoorDlg::EndRecording()
{
    m_recordStatus = " ";
    m_recording = 0;
    m_run.logFile.Write(EndMarkerLine());
}

void CVexmoorDlg::CloseLog()
{
    m_run.logFile.Close();
}

} // namespace vexmoor
