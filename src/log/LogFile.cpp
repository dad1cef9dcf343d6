#include "log/LogFile.h"

#include <ctime>

namespace vexmoor {

LogFile LogFile::OpenForAppend(const std::filesystem::path& path)
{
    LogFile log;
    // Binary: the line ends are written out byte for byte by the formatter.
    std::FILE* file = std::fopen(path.string().c_str(), "ab");
    if (file == nullptr) {
        // Only for a file that does not exist yet: "x" refuses an existing one,
        // so an existing log is never emptied.
        file = std::fopen(path.string().c_str(), "wbx");
    }
    if (file != nullptr) {
        log.file_.reset(file);
        log.state_ = State::Open;
    }
    return log;
}

void LogFile::Write(std::string_view bytes)
{
    if (state_ != State::Open) {
        return;
    }
    std::fwrite(bytes.data(), 1, bytes.size(), file_.get());
    // Each line reaches the operating system at once: a crash or a kill loses
    // nothing already written.
    std::fflush(file_.get());
}

void LogFile::Close()
{
    if (state_ != State::Open) {
        return;
    }
    file_.reset();
    state_ = State::Closed;
}

TimeOfDay SystemClock::LocalTimeOfDay()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#if defined(_WIN32)
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return TimeOfDay{local.tm_hour, local.tm_min, local.tm_sec};
}

} // namespace vexmoor
