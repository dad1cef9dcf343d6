// The program's resources against rows typed out independently of them
// (support/TemplateRows.h): templates 102 and 100 row by row, string 101 and
// the version record.

#include "res/Templates.h"
#include "support/TemplateRows.h"

#include <gtest/gtest.h>

#include <span>
#include <string>

namespace vexmoor {
namespace {

using test::TemplateHead;
using test::TemplateRow;

std::string Describe(const platform::ControlTemplate& control)
{
    return test::Describe(control.id, control.kind, control.caption, control.rect, control.styles, control.iconId);
}

// The window itself: identifier, caption, place and size, font, taskbar button.
void ExpectHead(const platform::DialogTemplate& actual, const TemplateHead& written)
{
    EXPECT_EQ(actual.id, written.id);
    EXPECT_EQ(actual.caption, written.caption);
    EXPECT_EQ(actual.rect.x, written.rect.x);
    EXPECT_EQ(actual.rect.y, written.rect.y);
    EXPECT_EQ(actual.rect.width, written.rect.width);
    EXPECT_EQ(actual.rect.height, written.rect.height);
    EXPECT_EQ(actual.font.face, written.fontFace);
    EXPECT_EQ(actual.font.pointSize, written.fontPoints);
    EXPECT_EQ(actual.appWindow, written.taskbarButton);
}

// Every control in template order, compared as a whole row.
void ExpectRows(const platform::DialogTemplate& actual, std::span<const TemplateRow> written)
{
    ASSERT_EQ(actual.controls.size(), written.size());
    for (std::size_t i = 0; i < written.size(); ++i) {
        const TemplateRow& row = written[i];
        const platform::ControlTemplate& control = actual.controls[i];
        SCOPED_TRACE("control #" + std::to_string(i + 1));
        if (row.caption) {
            EXPECT_EQ(Describe(control),
                      test::Describe(row.id, row.kind, *row.caption, row.rect, row.styles, row.iconId));
        } else {
            // A text of the program's own wording: one line, not empty.
            EXPECT_EQ(Describe(control),
                      test::Describe(row.id, row.kind, control.caption, row.rect, row.styles, row.iconId));
            EXPECT_FALSE(control.caption.empty());
            EXPECT_EQ(control.caption.find_first_of("\r\n"), std::string_view::npos);
        }
        if (row.id != -1) {
            EXPECT_EQ(actual.Find(row.id), &control);  // addressed identifiers are unique
        }
    }
}

TEST(Templates, MainDialogRowByRow)
{
    ExpectHead(res::MainDialogTemplate(), test::kMainDialogHead);
    ExpectRows(res::MainDialogTemplate(), test::kMainDialogRows);
}

TEST(Templates, AboutBoxRowByRow)
{
    ExpectHead(res::AboutBoxTemplate(), test::kAboutBoxHead);
    ExpectRows(res::AboutBoxTemplate(), test::kAboutBoxRows);
    // The rights notice is the version record's rights line.
    EXPECT_EQ(res::AboutBoxTemplate().controls[2].caption, res::Version().legalCopyright);
}

TEST(Templates, StringTableAndVersionRecord)
{
    EXPECT_EQ(res::LoadString(101), "&About Vexmoor...");
    for (const int other : {0, 100, 102, 128}) {
        EXPECT_EQ(res::LoadString(other), "") << other;
    }

    const res::VersionRecord& version = res::Version();
    EXPECT_EQ(version.fileVersion, "1, 0, 0, 1");
    EXPECT_EQ(version.productVersion, "1, 0, 0, 1");
    EXPECT_EQ(version.internalName, "Vexmoor");
    EXPECT_EQ(version.originalFilename, "Vexmoor.EXE");
    EXPECT_EQ(version.productName, "Vexmoor Application");
    EXPECT_FALSE(version.fileDescription.empty());
    EXPECT_FALSE(version.legalCopyright.empty());
}

} // namespace
} // namespace vexmoor
