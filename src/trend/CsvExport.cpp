#include "trend/CsvExport.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <memory>
#include <system_error>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <unistd.h>
#endif

namespace vexmoor {

namespace {

// `value` in decimal, with leading zeros up to `width` digits.
void AppendPadded(std::string& out, std::int64_t value, int width)
{
    if (value < 0) {
        out.push_back('-');
        value = -value;
    }
    std::array<char, 24> digits{};
    const auto [end, error] = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    const auto length = static_cast<int>(end - digits.data());
    if (error != std::errc{}) {
        return;
    }
    out.append(static_cast<std::size_t>(std::max(width - length, 0)), '0');
    out.append(digits.data(), end);
}

std::string PathText(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string ErrorText(int error)
{
    return std::generic_category().message(error);
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Creates `path` for writing; refuses when anything of that name exists.
FilePtr CreateExclusive(const std::filesystem::path& path)
{
#if defined(_WIN32)
    const int fd = ::_wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0) {
        return nullptr;
    }
    std::FILE* file = ::_fdopen(fd, "wb");
    if (file == nullptr) {
        const int saved = errno;
        ::_close(fd);
        errno = saved;
    }
    return FilePtr(file);
#else
    return FilePtr(std::fopen(path.c_str(), "wbx"));
#endif
}

// Hands what the file holds to the disk before it replaces anything.
bool SyncToDisk(std::FILE* file)
{
#if defined(_WIN32)
    return ::_commit(::_fileno(file)) == 0;
#else
    return ::fsync(::fileno(file)) == 0;
#endif
}

} // namespace

std::string CsvField(std::string_view text)
{
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        return std::string(text);
    }
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted.push_back('"');
    for (const char c : text) {
        if (c == '"') {
            quoted.push_back('"');
        }
        quoted.push_back(c);
    }
    quoted.push_back('"');
    return quoted;
}

std::string IsoLocalTime(const platform::WallTime& time)
{
    using namespace std::chrono;
    const std::int64_t offsetMinutes = time.utcOffsetSec / 60;
    // Floors, not truncations: times before 1970 count back from it.
    const sys_seconds local =
        floor<seconds>(sys_time<milliseconds>(milliseconds(time.utcMs))) + minutes(offsetMinutes);
    const sys_days day = floor<days>(local);
    const year_month_day date(day);
    const std::int64_t secondOfDay = (local - day).count();

    std::string text;
    text.reserve(25);
    AppendPadded(text, static_cast<int>(date.year()), 4);
    text.push_back('-');
    AppendPadded(text, static_cast<unsigned>(date.month()), 2);
    text.push_back('-');
    AppendPadded(text, static_cast<unsigned>(date.day()), 2);
    text.push_back('T');
    AppendPadded(text, secondOfDay / 3600, 2);
    text.push_back(':');
    AppendPadded(text, secondOfDay / 60 % 60, 2);
    text.push_back(':');
    AppendPadded(text, secondOfDay % 60, 2);
    text.push_back(offsetMinutes < 0 ? '-' : '+');
    const std::int64_t offset = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    AppendPadded(text, offset / 60, 2);
    text.push_back(':');
    AppendPadded(text, offset % 60, 2);
    return text;
}

std::string_view OutcomeWord(ReplyOutcome outcome)
{
    switch (outcome) {
    case ReplyOutcome::Valid: return "Valid";
    case ReplyOutcome::NoSensor: return "NoSensor";
    case ReplyOutcome::Overflow: return "Overflow";
    case ReplyOutcome::OtherStatus: return "OtherStatus";
    case ReplyOutcome::BadFrame: return "BadFrame";
    }
    return "OtherStatus";
}

std::string CsvNumber(double value)
{
    // Wide enough for the longest shortest fixed form of any double (the
    // smallest subnormal: "0." and 324 digits).
    std::array<char, 400> digits{};
    const auto [end, error] =
        std::to_chars(digits.data(), digits.data() + digits.size(), value, std::chars_format::fixed);
    if (error != std::errc{}) {
        return {};
    }
    return std::string(digits.data(), end);
}

std::string CsvHeader()
{
    return "Time,Sensor,Celsius,Ohms,Outcome\r\n";
}

std::string CsvRow(const Reading& reading)
{
    const bool valid = reading.outcome == ReplyOutcome::Valid;
    std::string row;
    row.reserve(64);
    row += CsvField(IsoLocalTime(reading.time));
    row += ',';
    row += CsvField(reading.channel == 1 ? "1" : "2");
    row += ',';
    row += CsvField(valid ? CsvNumber(reading.celsius) : std::string());
    row += ',';
    row += CsvField(valid ? CsvNumber(reading.ohms) : std::string());
    row += ',';
    row += CsvField(OutcomeWord(reading.outcome));
    row += "\r\n";
    return row;
}

std::string CsvText(const TrendStore& store)
{
    std::string text = CsvHeader();
    for (const Reading& reading : store.Readings()) {
        text += CsvRow(reading);
    }
    return text;
}

std::string SaveCsv(const TrendStore& store, const std::filesystem::path& path)
{
    // The new content goes into "<name>.part" (or "<name>.part1", ...) beside
    // the target first; only a complete file replaces the target.
    std::filesystem::path partial;
    FilePtr file;
    int createError = 0;
    for (int attempt = 0; attempt < 100 && !file; ++attempt) {
        partial = path;
        std::string suffix = ".part";
        if (attempt > 0) {
            AppendPadded(suffix, attempt, 1);
        }
        partial += suffix;
        errno = 0;
        file = CreateExclusive(partial);
        createError = errno;
        if (!file && createError != EEXIST) {
            break;
        }
    }
    if (!file) {
        return "Cannot create " + PathText(partial) + ": " + ErrorText(createError);
    }

    // Gives up: the partial file goes, the target stays as it was.
    const auto fail = [&]() {
        const int error = errno;
        file.reset();
        std::error_code ignored;
        std::filesystem::remove(partial, ignored);
        return "Cannot write " + PathText(partial) + ": " + ErrorText(error);
    };

    constexpr std::size_t kChunk = 64 * 1024;
    std::string chunk = CsvHeader();
    chunk.reserve(kChunk + 256);
    const auto flushChunk = [&]() {
        const bool written = std::fwrite(chunk.data(), 1, chunk.size(), file.get()) == chunk.size();
        chunk.clear();
        return written;
    };
    for (const Reading& reading : store.Readings()) {
        chunk += CsvRow(reading);
        if (chunk.size() >= kChunk && !flushChunk()) {
            return fail();
        }
    }
    if (!flushChunk() || std::fflush(file.get()) != 0 || !SyncToDisk(file.get())) {
        return fail();
    }
    if (std::fclose(file.release()) != 0) {
        return fail();
    }

    std::error_code renamed;
    std::filesystem::rename(partial, path, renamed);
    if (renamed) {
        std::error_code ignored;
        std::filesystem::remove(partial, ignored);
        return "Cannot replace " + PathText(path) + ": " + renamed.message();
    }
    return {};
}

} // namespace vexmoor
