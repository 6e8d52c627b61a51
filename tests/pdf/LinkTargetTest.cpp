// What a hyperlink in the PDF may open.

#include <gtest/gtest.h>

#include "pdf/LinkTarget.h"

TEST(LinkTargetTest, WebAndMailAddressesOnlyAndAlwaysAscii) {
    const struct {
        std::wstring Target;
        std::string Uri;  // empty: no link
    } cases[] = {
        {L"https://example.com/a?b=1#c", "https://example.com/a?b=1#c"},
        {L"HTTP://Example.com", "HTTP://Example.com"},
        {L"mailto:me@example.com", "mailto:me@example.com"},
        {L"tel:+441234", "tel:+441234"},
        {L"ftp://files.example.com/x", "ftp://files.example.com/x"},
        {L"  https://example.com/a b  ", "https://example.com/a%20b"},
        {L"https://example.com/\u00e9t\u00e9", "https://example.com/%C3%A9t%C3%A9"},
        {L"https://example.com/{x}|\"<>\\", "https://example.com/%7Bx%7D%7C%22%3C%3E%5C"},
        {L"https://example.com/100%25", "https://example.com/100%25"},
        {L"www.example.com", "http://www.example.com"},
        {L"javascript:alert(1)", ""},
        {L"file:///C:/Windows/System32/cmd.exe", ""},
        {L"C:\\Users\\me\\a.pdf", ""},
        {L"#bookmark", ""},
        {L"example.com", ""},
        {L"https://example.com/\nnext", ""},
        {L"", ""},
        {L"https://example.com/" + std::wstring(9000, L'a'), ""},
    };
    for (const auto& c : cases) EXPECT_EQ(pdf::LinkUri(c.Target), c.Uri) << std::string(c.Target.begin(), c.Target.end());
}
