#include <gtest/gtest.h>

#include "platform/Text.h"

using namespace platform;

namespace {

TEST(TextTest, ZipNamesDecodeByTheirFlag) {
    EXPECT_EQ(DecodeZipName("\x81" "ber.pdf", false), L"\u00fcber.pdf");
    EXPECT_EQ(DecodeZipName("\xC3\xBC" "ber.pdf", true), L"\u00fcber.pdf");
    EXPECT_EQ(DecodeZipName("\xC3\xBC", false), L"\u251c\u255d");  // UTF-8 bytes read as CP437
    EXPECT_EQ(DecodeZipName("Data/a.pdf", false), L"Data/a.pdf");
    EXPECT_EQ(DecodeZipName("", true), L"");
}

TEST(TextTest, InvalidUtf8BecomesReplacementCharacters) {
    EXPECT_EQ(DecodeZipName("a\xFF" "b", true), L"a\uFFFD" L"b");
    EXPECT_EQ(FromUtf8("x\xC3"), L"x\uFFFD");  // cut short
}

TEST(TextTest, Utf8RoundTrip) {
    const std::wstring text = L"Pr\u00e9sentation \u6587\u66f8.pages";
    EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
    EXPECT_EQ(ToUtf8(L"\u00fc"), "\xC3\xBC");
}

}  // namespace
