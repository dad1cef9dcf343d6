#include "platform/DataExchange.h"
#include "res/resource.h"
#include "support/FakeHost.h"
#include "support/TestEnv.h"
#include "ui/VexmoorDlg.h"

#include <gtest/gtest.h>

#include <limits>
#include <ostream>
#include <string>

namespace vexmoor {
namespace {

using namespace res;

struct ParseCase {
    const char* name;
    std::string text;
    std::optional<std::int32_t> value;
};

void PrintTo(const ParseCase& c, std::ostream* out)
{
    *out << c.name;
}

class IntegerField : public testing::TestWithParam<ParseCase> {};

TEST_P(IntegerField, Parses)
{
    EXPECT_EQ(platform::ParseDialogInteger(GetParam().text), GetParam().value)
        << '"' << GetParam().text << '"';
}

constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
constexpr auto kMin = std::numeric_limits<std::int32_t>::min();

INSTANTIATE_TEST_SUITE_P(
    Texts, IntegerField,
    testing::Values(ParseCase{"letters", "abc", std::nullopt}, ParseCase{"empty", "", std::nullopt},
                    ParseCase{"one_blank", " ", std::nullopt}, ParseCase{"plus_zero", "+0", std::nullopt},
                    ParseCase{"minus_zero", "-0", std::nullopt},
                    ParseCase{"blank_and_letter_after", "5 s", std::nullopt},
                    ParseCase{"letter_after_digits", "12a", std::nullopt},
                    ParseCase{"hexadecimal", "0x10", std::nullopt},
                    ParseCase{"decimal_point", "1.5", std::nullopt}, ParseCase{"blanks_around", " 12 ", 12},
                    ParseCase{"tabs_around", "\t42\t", 42}, ParseCase{"leading_zeros", "007", 7},
                    ParseCase{"negative", "-3", -3}, ParseCase{"plus_sign", "+8", 8},
                    ParseCase{"zero", "0", 0}, ParseCase{"double_zero", "00", 0},
                    ParseCase{"above_the_32_bit_range", "99999999999", kMax},
                    ParseCase{"below_the_32_bit_range", "-99999999999", kMin},
                    ParseCase{"thirty_digits", "123456789012345678901234567890", kMax},
                    // Only the first 31 characters count: the 'x' is never seen.
                    ParseCase{"only_31_characters_count", "1" + std::string(30, ' ') + "x", 1},
                    ParseCase{"nul_ends_the_text", std::string("5\0x", 3), 5}),
    [](const testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

// The main dialog's twelve bindings through a headless window.
class Exchange : public testing::Test {
protected:
    test::FakeFramework framework;
    platform::TableLibraryLoader loader{{}, false};
    test::FixedClock clock;
    CVexmoorDlg dialog{DialogServices{framework, loader, clock}};
    test::FakeHost host{&dialog};

    Exchange() { dialog.AttachHost(&host); }
};

TEST_F(Exchange, PushWritesEveryMemberIntoItsControl)
{
    dialog.m_t1C = "+25.500   ";
    dialog.m_r2 = "109.1300 ";
    dialog.m_deviceStatus = "Quorvantex Z5 v1.0  ";
    dialog.m_intervalSec = -3;
    dialog.m_ch1Active = 1;
    dialog.m_ch2Active = 0;
    dialog.UpdateData(false);
    EXPECT_EQ(host.texts[IDC_T1_CELSIUS], "+25.500   ");
    EXPECT_EQ(host.texts[IDC_R2], "109.1300 ");
    EXPECT_EQ(host.texts[IDC_DEVICE_STATUS], "Quorvantex Z5 v1.0  ");
    EXPECT_EQ(host.texts[IDC_INTERVAL], "-3");
    EXPECT_EQ(host.checks[IDC_CH1_ACTIVE], 1);
    EXPECT_EQ(host.checks[IDC_CH2_ACTIVE], 0);
}

TEST_F(Exchange, PullReadsEveryControlBack)
{
    host.texts = {{IDC_T1_CELSIUS, "a"}, {IDC_T1_FAHRENHEIT, "b"}, {IDC_R1, "c"},
                  {IDC_DEVICE_STATUS, "d"}, {IDC_RECORD_STATUS, "e"}, {IDC_INTERVAL, " 12 "},
                  {IDC_T2_CELSIUS, "f"}, {IDC_T2_FAHRENHEIT, "g"}, {IDC_R2, "h"}, {IDC_DIFF, "i"}};
    host.checks = {{IDC_CH1_ACTIVE, 2}, {IDC_CH2_ACTIVE, 1}};
    EXPECT_TRUE(dialog.UpdateData(true));
    EXPECT_EQ(dialog.m_t1C + dialog.m_t1F + dialog.m_r1 + dialog.m_deviceStatus +
                  dialog.m_recordStatus + dialog.m_t2C + dialog.m_t2F + dialog.m_r2 + dialog.m_diff,
              "abcdefghi");
    EXPECT_EQ(dialog.m_intervalSec, 12);
    EXPECT_EQ(dialog.m_ch1Active, 2);
    EXPECT_EQ(dialog.m_ch2Active, 1);
    EXPECT_TRUE(host.boxes.empty());
}

TEST_F(Exchange, FailedPullStopsAtTheIntervalField)
{
    dialog.m_intervalSec = 4;
    dialog.m_t2C = "kept";
    dialog.m_ch2Active = 1;
    host.texts = {{IDC_T1_CELSIUS, "read"}, {IDC_INTERVAL, "abc"}, {IDC_T2_CELSIUS, "not read"}};
    host.checks = {{IDC_CH2_ACTIVE, 0}};

    EXPECT_FALSE(dialog.UpdateData(true));
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "Please enter an integer.");
    EXPECT_EQ(host.boxes[0].icon, platform::BoxIcon::Exclamation);
    EXPECT_EQ(host.focusedControl, IDC_INTERVAL);
    EXPECT_TRUE(host.selectedAll);
    EXPECT_EQ(dialog.m_t1C, "read");
    EXPECT_EQ(dialog.m_intervalSec, 4);
    EXPECT_EQ(dialog.m_t2C, "kept");
    EXPECT_EQ(dialog.m_ch2Active, 1);
}

} // namespace
} // namespace vexmoor
