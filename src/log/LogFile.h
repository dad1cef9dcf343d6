#pragma once
// The log file as a resource: opened once, appended to, every line handed to
// the operating system as soon as it is written, closed once. Writing to a log
// that never opened or is already closed does nothing.

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string_view>

namespace vexmoor {

class LogFile {
public:
    enum class State { None, Open, Closed };

    LogFile() = default;

    // The first attempt's open: `path` for appending in binary, created when
    // missing; null when it fails.
    using AppendOpener = std::FILE* (*)(const std::filesystem::path& path);
    static std::FILE* OpenAppending(const std::filesystem::path& path);

    // Opens `path` for appending, creating it when missing. A second attempt
    // only ever creates a file that does not exist: it never empties one.
    // `openAppending` stands in for the first attempt in tests, which make it
    // fail on a file that exists to reach the second.
    static LogFile OpenForAppend(const std::filesystem::path& path,
                                 AppendOpener openAppending = &OpenAppending);
    // Creates `path` and opens it for appending; refuses (not open) when
    // anything of that name exists already.
    static LogFile CreateNew(const std::filesystem::path& path);

    State GetState() const { return state_; }
    bool IsOpen() const { return state_ == State::Open; }

    // Writes the bytes as they are and flushes them.
    void Write(std::string_view bytes);
    void Close();

private:
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, Closer> file_;
    State state_ = State::None;
};

} // namespace vexmoor
