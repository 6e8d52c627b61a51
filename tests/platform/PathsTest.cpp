#include <gtest/gtest.h>

#include "platform/Paths.h"
#include "platform/Text.h"

using namespace platform;

namespace {

struct TSplitCase {
    const wchar_t* Input;
    const wchar_t* Path;  // ExtractFilePath
    const wchar_t* Name;  // ExtractFileName
    const wchar_t* Dir;   // ExtractFileDir
};

const TSplitCase kSplitCases[] = {
    {L"C:\\Docs\\Report.pages", L"C:\\Docs\\", L"Report.pages", L"C:\\Docs"},
    {L"C:\\Report.pages", L"C:\\", L"Report.pages", L"C:\\"},
#ifdef _WIN32
    {L"C:Report.pages", L"C:", L"Report.pages", L"C:"},
    {L"\\Docs\\Meeting 10:30.pages", L"\\Docs\\Meeting 10:", L"30.pages", L"\\Docs\\Meeting 10:"},
#else
    // A colon is part of a POSIX name, not a drive's mark.
    {L"C:Report.pages", L"", L"C:Report.pages", L""},
    {L"\\Docs\\Meeting 10:30.pages", L"\\Docs\\", L"Meeting 10:30.pages", L"\\Docs"},
#endif
    {L"Report.pages", L"", L"Report.pages", L""},
    {L"a/b/c.txt", L"", L"a/b/c.txt", L""},  // "/" separates nothing
    {L"\\\\server\\x", L"\\\\server\\", L"x", L"\\\\server"},
    {L"\\\\x", L"\\\\", L"x", L"\\\\"},
    {L"\\top", L"\\", L"top", L"\\"},
    {L"dir\\", L"dir\\", L"", L"dir"},
    {L"", L"", L"", L""},
};

TEST(PathsTest, SplitsAtTheLastBackslashOrWindowsColon) {
    for (const auto& c : kSplitCases) {
        SCOPED_TRACE(ToUtf8(c.Input));
        EXPECT_EQ(ExtractFilePath(c.Input), c.Path);
        EXPECT_EQ(ExtractFileName(c.Input), c.Name);
        EXPECT_EQ(ExtractFileDir(c.Input), c.Dir);
    }
}

TEST(PathsTest, TrimRemovesSpacesAndControlCharacters) {
    EXPECT_EQ(Trim(L" \t\r\n x y \x1f"), L"x y");
    EXPECT_EQ(Trim(L" \x01 "), L"");
    EXPECT_EQ(Trim(L"\u00a0x\u00a0"), L"\u00a0x\u00a0");  // above U+0020: kept
}

TEST(PathsTest, LowerCaseTouchesOnlyAsciiLetters) {
    EXPECT_EQ(LowerCase(L"PREVIEW.PDF"), L"preview.pdf");
    EXPECT_EQ(LowerCase(L"\u00c4BC[@]"), L"\u00c4bc[@]");
}

TEST(PathsTest, PosIsOneBasedAndZeroWhenAbsentOrEmpty) {
    EXPECT_EQ(Pos(L".pdf", L"preview.pdf"), 8u);
    EXPECT_EQ(Pos(L".", L"my.report.v2.pages"), 3u);
    EXPECT_EQ(Pos(L".pdf", L"preview.PDF"), 0u);
    EXPECT_EQ(Pos(L"", L"abc"), 0u);
    EXPECT_EQ(Pos(L"a", L""), 0u);
}

}  // namespace
