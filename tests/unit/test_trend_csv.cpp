// The CSV export: quoting, times, numbers, the bytes of a small session (also
// under a locale with a decimal comma), and writing the file.

#include "support/TestEnv.h"
#include "trend/CsvExport.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <locale>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace vexmoor {
namespace {

namespace fs = std::filesystem;

TEST(CsvExport, FieldsAreQuotedOnlyWhenTheyNeedIt)
{
    const std::vector<std::pair<std::string, std::string>> cases{
        {"", ""},
        {"Valid", "Valid"},
        {"2026-12-10T14:05:09+01:00", "2026-12-10T14:05:09+01:00"},
        {"21,5", "\"21,5\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"\"", "\"\"\"\""},
        {"two\r\nlines", "\"two\r\nlines\""},
        {"line\nfeed", "\"line\nfeed\""},
        {"carriage\rreturn", "\"carriage\rreturn\""},
        {" spaces stay ", " spaces stay "},
    };
    for (const auto& [text, field] : cases) {
        EXPECT_EQ(CsvField(text), field) << text;
    }
}

TEST(CsvExport, LocalTimesWithTheirOffset)
{
    const std::vector<std::pair<platform::WallTime, std::string>> cases{
        {{1796907909000, 3600}, "2026-12-10T14:05:09+01:00"},
        {{1796907909999, 3600}, "2026-12-10T14:05:09+01:00"},       // to the second, never rounded up
        {{1792889999000, 7200}, "2026-10-25T02:59:59+02:00"},       // the last summer second ...
        {{1792890000000, 3600}, "2026-10-25T02:00:00+01:00"},       // ... and the hour again in winter
        {{1772331000000, -12600}, "2026-02-28T22:40:00-03:30"},     // the day before, west of UTC
        {{1782930600000, 20700}, "2026-07-02T00:15:00+05:45"},      // the day after, east of UTC
        {{1772331000000, 0}, "2026-03-01T02:10:00+00:00"},
        {{951782400000, 0}, "2000-02-29T00:00:00+00:00"},           // a leap day of a century
        {{0, 0}, "1970-01-01T00:00:00+00:00"},
        {{-1, 0}, "1969-12-31T23:59:59+00:00"},
        {{1796907909000, 3630}, "2026-12-10T14:05:09+01:00"},       // offsets in whole minutes
    };
    for (const auto& [time, text] : cases) {
        EXPECT_EQ(IsoLocalTime(time), text) << time.utcMs << " " << time.utcOffsetSec;
    }
}

TEST(CsvExport, NumbersAreTheShortestExactDecimalsWithAPoint)
{
    const std::vector<std::pair<double, std::string>> cases{
        {21.5, "21.5"},  {-0.125, "-0.125"}, {100.0, "100"},       {110.25, "110.25"},
        {0.1, "0.1"},    {1e-7, "0.0000001"}, {-273.15, "-273.15"}, {138.5055, "138.5055"},
        {1234567.0, "1234567"},
    };
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(CsvNumber(value), text) << text;
    }
}

// A clock that gives the times it is told, one per reading.
class ScriptedWallClock final : public platform::Clock {
public:
    explicit ScriptedWallClock(std::vector<platform::WallTime> times) : times_(std::move(times)) {}
    platform::WallTime Now() override { return times_.at(next_++); }

private:
    std::vector<platform::WallTime> times_;
    std::size_t next_ = 0;
};

DecodedReply Reply(ReplyOutcome outcome, double celsius = 0.0, double ohms = 0.0)
{
    DecodedReply reply;
    reply.outcome = outcome;
    reply.celsius = celsius;
    reply.ohms = ohms;
    return reply;
}

// A small session across the end of summer time and two far-off zones, with
// a reading of each outcome.
struct SmallSession {
    ScriptedWallClock clock{{
        {1796907909000, 3600},
        {1796907910250, 3600},
        {1796907911000, 3600},
        {1792889999000, 7200},
        {1792890000000, 3600},
        {1772331000000, -12600},
        {1782930600000, 20700},
    }};
    TrendStore store{clock};

    SmallSession()
    {
        store.OnReading(1, Reply(ReplyOutcome::Valid, 21.5, 108.3));
        store.OnReading(2, Reply(ReplyOutcome::Valid, -0.125, 99.95));
        store.OnReading(1, Reply(ReplyOutcome::NoSensor));
        store.OnReading(2, Reply(ReplyOutcome::Overflow));
        store.OnReading(1, Reply(ReplyOutcome::BadFrame));
        store.OnReading(2, Reply(ReplyOutcome::OtherStatus));
        store.OnReading(1, Reply(ReplyOutcome::Valid, 100.0, 138.5055));
    }
};

// °C and ohms are empty for a reading that is not valid: no temperature was
// read, and the ohms the decoder leaves (0.0) are no measurement.
constexpr const char* kGoldenCsv =
    "Time,Sensor,Celsius,Ohms,Outcome\r\n"
    "2026-12-10T14:05:09+01:00,1,21.5,108.3,Valid\r\n"
    "2026-12-10T14:05:10+01:00,2,-0.125,99.95,Valid\r\n"
    "2026-12-10T14:05:11+01:00,1,,,NoSensor\r\n"
    "2026-10-25T02:59:59+02:00,2,,,Overflow\r\n"
    "2026-10-25T02:00:00+01:00,1,,,BadFrame\r\n"
    "2026-02-28T22:40:00-03:30,2,,,OtherStatus\r\n"
    "2026-07-02T00:15:00+05:45,1,100,138.5055,Valid\r\n";

TEST(CsvExport, SmallSessionBytes)
{
    SmallSession session;
    EXPECT_EQ(CsvText(session.store), kGoldenCsv);
}

// Writes numbers with a decimal comma and groups thousands with points.
class CommaDecimal final : public std::numpunct<char> {
protected:
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

// Makes a decimal-comma locale the process's, for the C library and for C++
// streams, and puts back what was there before.
class CommaLocale {
public:
    CommaLocale() : previousGlobal_(std::locale())
    {
        if (const char* current = std::setlocale(LC_ALL, nullptr)) {
            previousC_ = current;
        }
        // German is what scripts/install-deps makes sure of; the others are
        // tried on systems that have them instead.
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "German_Germany.1252", "de-DE"}) {
            if (std::setlocale(LC_ALL, name) != nullptr && *std::localeconv()->decimal_point == ',') {
                cName_ = name;
                break;
            }
        }
        // The locale owns the facet and deletes it with its last copy.
        std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
    }
    ~CommaLocale()
    {
        std::locale::global(previousGlobal_);
        std::setlocale(LC_ALL, previousC_.c_str());
    }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

    const std::optional<std::string>& CName() const { return cName_; }

private:
    std::locale previousGlobal_;
    std::string previousC_ = "C";
    std::optional<std::string> cName_;
};

TEST(CsvExport, SmallSessionBytesUnderADecimalCommaLocale)
{
    SmallSession session;
    CommaLocale comma;

    // The locale is in force: streams and printf would write commas.
    std::ostringstream stream;
    stream << 1234.5;
    EXPECT_EQ(stream.str(), "1.234,5");
    if (comma.CName()) {
        char printed[16] = {};
        std::snprintf(printed, sizeof printed, "%.1f", 21.5);
        EXPECT_STREQ(printed, "21,5") << *comma.CName();
    } else {
#if defined(__linux__)
        ADD_FAILURE() << "no C locale with a decimal comma: scripts/install-deps generates de_DE.UTF-8";
#endif
    }

    EXPECT_EQ(CsvText(session.store), kGoldenCsv);
}

std::vector<fs::path> Entries(const fs::path& dir)
{
    std::vector<fs::path> entries;
    for (const auto& entry : fs::directory_iterator(dir)) {
        entries.push_back(entry.path().filename());
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

TEST(CsvExport, SavingWritesTheBytesAndReplacesAnOlderFile)
{
    test::ScopedWorkDir dir;
    SmallSession session;
    const fs::path target = dir.Path() / "trend.csv";
    {
        std::FILE* old = std::fopen(target.string().c_str(), "wb");
        ASSERT_NE(old, nullptr);
        std::fputs("an older, longer file that must not show through at the end of the new one\n", old);
        std::fclose(old);
    }
    // A leftover of an interrupted save is not overwritten either.
    {
        std::FILE* leftover = std::fopen((dir.Path() / "trend.csv.part").string().c_str(), "wb");
        ASSERT_NE(leftover, nullptr);
        std::fclose(leftover);
    }

    EXPECT_EQ(SaveCsv(session.store, target), "");
    EXPECT_EQ(test::ReadFileBytes(target), kGoldenCsv);
    EXPECT_EQ(Entries(dir.Path()), (std::vector<fs::path>{"trend.csv", "trend.csv.part"}));
    EXPECT_EQ(fs::file_size(dir.Path() / "trend.csv.part"), 0u);
}

TEST(CsvExport, AFailedSaveReportsItselfAndLeavesEverythingAsItWas)
{
    test::ScopedWorkDir dir;
    SmallSession session;
    fs::create_directory(dir.Path() / "folder");
    fs::create_directory(dir.Path() / "folder" / "inside");

    const std::vector<std::pair<const char*, fs::path>> cases{
        {"a missing directory", dir.Path() / "missing" / "trend.csv"},
        {"a directory as the file", dir.Path() / "folder"},
    };
    for (const auto& [name, target] : cases) {
        SCOPED_TRACE(name);
        const std::string error = SaveCsv(session.store, target);
        EXPECT_NE(error, "");
        EXPECT_NE(error.find(target.filename().string()), std::string::npos) << error;
        EXPECT_EQ(CsvText(session.store), kGoldenCsv);  // nothing kept is lost
        EXPECT_EQ(Entries(dir.Path()), (std::vector<fs::path>{"folder"}));  // no partial file left
        EXPECT_TRUE(fs::is_directory(dir.Path() / "folder" / "inside"));
    }
}

} // namespace
} // namespace vexmoor
