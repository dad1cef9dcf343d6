#pragma once
// The trend's readings as comma-separated values (RFC 4180) for spreadsheets:
// a header row, then one row per reading with its local date and time in ISO
// 8601 with the UTC offset, the sensor, °C, ohms and the outcome. Numbers are
// written with a decimal point whatever the locale; °C and ohms are empty
// for a reading that is not valid. Lines end in CR LF.

#include "trend/TrendStore.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace vexmoor {

// The field as it stands in a row: as it is, or, when it holds a comma, a
// double quote, a CR or a LF, between double quotes with each double quote
// doubled.
std::string CsvField(std::string_view text);

// "2026-12-10T14:05:09+01:00": the local time of the instant to the second,
// and the offset in whole minutes.
std::string IsoLocalTime(const platform::WallTime& time);

// "Valid", "NoSensor", "Overflow", "OtherStatus", "BadFrame".
std::string_view OutcomeWord(ReplyOutcome outcome);

// The shortest decimal text that reads back as the same double, with a
// point and without exponent: "21.5", "-0.125", "110".
std::string CsvNumber(double value);

std::string CsvHeader();
std::string CsvRow(const Reading& reading);
// The header and every reading kept, oldest first.
std::string CsvText(const TrendStore& store);

// Writes the CSV text of `store` to `path`: first into a new file beside it,
// which then replaces `path`, so a failure leaves whatever was there before.
// Returns an empty text on success, else what went wrong.
std::string SaveCsv(const TrendStore& store, const std::filesystem::path& path);

} // namespace vexmoor
