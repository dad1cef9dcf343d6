#include "SimSettings.h"

#include <array>
#include <charconv>
#include <optional>
#include <type_traits>

namespace vexmoor::sim {

namespace {

constexpr std::array<std::string_view, 14> kEntryPointNames{
    "FT_Open",        "FT_OpenEx",      "FT_ListDevices",    "FT_Close",
    "FT_Read",        "FT_Write",       "FT_ResetDevice",    "FT_Purge",
    "FT_SetTimeouts", "FT_GetQueueStatus", "FT_SetFlowControl", "FT_SetBaudRate",
    "FT_SetDataCharacteristics", "FT_GetStatus",
};

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

// Splits at commas that are not escaped by a backslash; escapes stay in place.
std::vector<std::string_view> SplitPairs(std::string_view settings)
{
    std::vector<std::string_view> pairs;
    std::size_t start = 0;
    for (std::size_t i = 0; i < settings.size(); ++i) {
        if (settings[i] == '\\') {
            ++i;  // the escaped character never splits
        } else if (settings[i] == ',') {
            pairs.push_back(settings.substr(start, i - start));
            start = i + 1;
        }
    }
    pairs.push_back(settings.substr(start));
    return pairs;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::optional<long long> ParseInteger(std::string_view text)
{
    text = Trim(text);
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> ParseDouble(std::string_view text)
{
    text = Trim(text);
    double value = 0.0;
    // from_chars is locale-independent: a decimal point, whatever the locale.
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

std::optional<bool> ParseBool(std::string_view text)
{
    text = Trim(text);
    if (text.empty() || text == "1" || text == "true" || text == "yes" || text == "on") {
        return true;
    }
    if (text == "0" || text == "false" || text == "no" || text == "off") {
        return false;
    }
    return std::nullopt;
}

std::optional<SensorState> ParseSensor(std::string_view text)
{
    text = Trim(text);
    if (text == "present" || text == "ok") {
        return SensorState::Present;
    }
    if (text == "missing" || text == "none") {
        return SensorState::Missing;
    }
    if (text == "over" || text == "over-range" || text == "overrange") {
        return SensorState::OverRange;
    }
    return std::nullopt;
}

bool IsEntryPointName(std::string_view name)
{
    for (const auto known : kEntryPointNames) {
        if (known == name) {
            return true;
        }
    }
    return false;
}

} // namespace

std::string UnescapeSimText(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\\' || i + 1 == text.size()) {
            out.push_back(c);
            continue;
        }
        const char e = text[++i];
        switch (e) {
        case 'r': out.push_back('\r'); break;
        case 'n': out.push_back('\n'); break;
        case 't': out.push_back('\t'); break;
        case '0': out.push_back('\0'); break;
        case 'x':
            if (i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
                out.push_back(static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2])));
                i += 2;
            } else {
                out += "\\x";
            }
            break;
        default: out.push_back(e); break;  // "\\", "\,", and anything else: itself
        }
    }
    return out;
}

SimSettingsResult ParseSimSettings(std::string_view settings)
{
    SimSettingsResult result;
    Script& script = result.options.script;
    bool repliesScripted = false;

    for (const std::string_view rawPair : SplitPairs(settings)) {
        if (Trim(rawPair).empty()) {
            continue;
        }
        const std::size_t equals = rawPair.find('=');
        const std::string_view key = Trim(rawPair.substr(0, equals));
        const std::string_view value =
            equals == std::string_view::npos ? std::string_view() : rawPair.substr(equals + 1);
        const bool hasValue = equals != std::string_view::npos;
        const auto fail = [&](std::string_view why) {
            result.errors.push_back(std::string(rawPair) + ": " + std::string(why));
        };
        const auto integer = [&](auto& field, long long min) {
            const auto parsed = ParseInteger(value);
            if (!parsed || *parsed < min) {
                fail("expected an integer of at least " + std::to_string(min));
            } else {
                field = static_cast<std::remove_reference_t<decltype(field)>>(*parsed);
            }
        };
        const auto flag = [&](bool& field) {
            const auto parsed = ParseBool(value);
            if (!parsed) {
                fail("expected 1 or 0");
            } else {
                field = *parsed;
            }
        };
        const auto sensor = [&](SensorState& field) {
            const auto parsed = ParseSensor(value);
            if (!parsed) {
                fail("expected present, missing or over");
            } else {
                field = *parsed;
            }
        };
        const auto celsius = [&](double& field) {
            const auto parsed = ParseDouble(value);
            if (!parsed) {
                fail("expected a number of degrees Celsius");
            } else {
                field = *parsed;
            }
        };

        if (key == "open-failures") {
            if (Trim(value) == "always") {
                script.openFailures = -1;
            } else {
                integer(script.openFailures, -1);
            }
        } else if (key == "closed-calls") {
            if (Trim(value) == "refuse") {
                script.refuseCallsWhenClosed = true;
            } else if (Trim(value) == "accept") {
                script.refuseCallsWhenClosed = false;
            } else {
                fail("expected refuse or accept");
            }
        } else if (key == "refuse-baud") {
            flag(script.refuseBaudRate);
        } else if (key == "refuse-data") {
            flag(script.refuseDataCharacteristics);
        } else if (key == "greeting" && hasValue) {
            script.greeting = UnescapeSimText(value);
        } else if (key == "identify-status4") {
            flag(script.firstIdentifyReadStatus4);
        } else if (key == "sensor1") {
            sensor(script.sensor1);
        } else if (key == "sensor2") {
            sensor(script.sensor2);
        } else if (key == "base1") {
            celsius(script.baseCelsius1);
        } else if (key == "base2") {
            celsius(script.baseCelsius2);
        } else if (key == "reply-delay-ms") {
            integer(script.replyDelayMs, 0);
        } else if (key == "silent-after") {
            integer(script.silentAfterReplies, -1);
        } else if (key == "read-fail-after") {
            integer(script.readFailAfterReplies, -1);
        } else if (key == "write-fail-after") {
            integer(script.writeFailAfterReplies, -1);
        } else if (key == "write-fail-status") {
            integer(script.writeFailStatus, 0);
        } else if (key == "reply" && hasValue) {
            const std::string bytes = UnescapeSimText(value);
            script.scriptedReplies.push_back(ScriptedReply{{bytes.begin(), bytes.end()}, 0});
            repliesScripted = true;
        } else if (key == "missing") {
            std::string_view names = value;
            while (true) {
                const std::size_t colon = names.find(':');
                const std::string_view name = Trim(names.substr(0, colon));
                if (IsEntryPointName(name)) {
                    script.missingEntryPoints.insert(std::string(name));
                } else {
                    fail("unknown entry point '" + std::string(name) + "'");
                }
                if (colon == std::string_view::npos) {
                    break;
                }
                names.remove_prefix(colon + 1);
            }
        } else if (key == "trace") {
            flag(result.options.trace);
        } else {
            fail("unknown key");
        }
    }

    // Scripted replies take the reply delay, wherever it stands in the text.
    if (repliesScripted) {
        for (auto& reply : script.scriptedReplies) {
            reply.delayMs = script.replyDelayMs;
        }
    }
    return result;
}

} // namespace vexmoor::sim
