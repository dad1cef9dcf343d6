#include "log/LogFile.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#endif

namespace vexmoor {

std::FILE* LogFile::OpenAppending(const std::filesystem::path& path)
{
    // Binary: the line ends are written out byte for byte by the formatter.
    return std::fopen(path.string().c_str(), "ab");
}

LogFile LogFile::OpenForAppend(const std::filesystem::path& path, AppendOpener openAppending)
{
    LogFile log;
    std::FILE* file = openAppending(path);
    if (file == nullptr) {
        // Only for a file that does not exist yet, so an existing log is never
        // emptied.
        return CreateNew(path);
    }
    log.file_.reset(file);
    log.state_ = State::Open;
    return log;
}

LogFile LogFile::CreateNew(const std::filesystem::path& path)
{
    LogFile log;
#if defined(_WIN32)
    // The C runtime MinGW links by default ignores fopen's "x" and would empty
    // an existing file, so the exclusive create is asked of the system itself.
    std::FILE* file = nullptr;
    const int fd = ::_wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_APPEND | _O_BINARY,
                            _S_IREAD | _S_IWRITE);
    if (fd >= 0) {
        file = ::_fdopen(fd, "ab");
        if (file == nullptr) {
            ::_close(fd);
        }
    }
#else
    // "x" refuses a file that exists.
    std::FILE* file = std::fopen(path.string().c_str(), "wbx");
#endif
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

} // namespace vexmoor
