// One line a person reads stays one line, and the terminal is not told to do anything.

#include <gtest/gtest.h>

#include "convert/Escape.h"
#include "platform/Text.h"

namespace {

TEST(EscapeControlsTest, ControlCharactersAndLineBreakersAreWrittenOut) {
    const struct {
        std::wstring Text;
        std::wstring Line;
    } cases[] = {
        {L"Report.pages", L"Report.pages"},
        {L"C:\\Docs\\Caf\u00e9 \u65e5\u672c.pages", L"C:\\Docs\\Caf\u00e9 \u65e5\u672c.pages"},  // kept
        {L"a\nconverted: b.pages -> b.pdf", L"a\\nconverted: b.pages -> b.pdf"},
        {L"x\x1b[2J\x1b]0;title\x07y", L"x\\x1b[2J\\x1b]0;title\\x07y"},
        {L"\r\t\x7f\x85", L"\\r\\t\\x7f\\x85"},
        {L"invoice\u202Efdp.pages", L"invoice\\u202efdp.pages"},
        {L"one\u2028two", L"one\\u2028two"},
        {std::wstring(L"nul\0here", 8), L"nul\\x00here"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(platform::ToUtf8(c.Text));
        EXPECT_EQ(EscapeControls(c.Text), c.Line);
    }
}

}  // namespace
