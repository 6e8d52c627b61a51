// Joining entry names to the target folder and the folder-creation rules.

#include <gtest/gtest.h>

#include "ZipTestSupport.h"
#include "platform/Folders.h"
#include "support/TestSupport.h"
#include "zip/PathRules.h"

using namespace testsupport;

TEST(PathRules, Combine) {
    const struct {
        const wchar_t* a;
        const wchar_t* b;
        const wchar_t* expected;
    } cases[] = {
        {L"", L"b", L"b"},          {L"a", L"", L"a"},              {L"C:\\w", L"x\\y", L"C:\\w\\x\\y"},
        {L"C:\\w\\", L"x", L"C:\\w\\x"}, {L"C:\\w/", L"x", L"C:\\w/x"}, {L"C:", L"x", L"C:x"},
        {L"C:\\w", L"\\x", L"\\x"}, {L"C:\\w", L"/x", L"/x"},       {L"C:\\w", L"D:x", L"D:x"},
        {L"C:\\w", L"\\\\?\\D:\\x", L"\\\\?\\D:\\x"}, {L"C:\\w", L"a*?.txt", L"C:\\w\\a*?.txt"},
    };
    for (const auto& c : cases) EXPECT_EQ(TPath::Combine(c.a, c.b), c.expected) << c.a << " + " << c.b;

    for (const wchar_t* bad : {L"a\"b", L"a<b", L"a>b", L"a|b", L"a\tb", L"a\x01"}) {
        EXPECT_EQ(ErrorOf<EArgumentException>([&] { TPath::Combine(L"C:\\w", bad); }), L"Invalid characters in path");
        EXPECT_EQ(ErrorOf<EArgumentException>([&] { TPath::Combine(bad, L"x"); }), L"Invalid characters in path");
    }
}

TEST(PathRules, UnsafeEntryNames) {
    const struct {
        const wchar_t* name;
        bool unsafe;
    } cases[] = {
        {L"", false},          {L"a\\b.txt", false},     {L"a\\..\\b", false},   {L".\\a", false},
        {L"a\\", false},       {L"...txt", false},       {L"a..b", false},       {L"a\\.\\..\\b", false},
        {L"..", true},         {L"..\\x", true},         {L"a\\..\\..\\x", true}, {L"\\x", true},
        {L"C:x", true},        {L"c:\\x", true},         {L"\\\\?\\C:\\x", true}, {L"\\\\srv\\share", true},
        {L".. \\x", true},     {L"...\\x", true},        {L"a\\. .\\..\\x", true},
        {L"CON", true},        {L"a\\nul.txt", true},   {L"Com1", true},        {L"lpt9.x.y", true},
        {L"aux \\b", true},   {L"COM0", false},         {L"console.txt", false}, {L"com10", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsUnsafeEntryName(c.name), c.unsafe) << c.name;
}

TEST(PathRules, NormalizeEntryName) {
    const struct {
        const wchar_t* name;
        const wchar_t* expected;
    } cases[] = {
        {L"a\\b.txt", L"a\\b.txt"}, {L"a\\..\\b", L"b"},     {L".\\a", L"a"},       {L"a\\.\\b\\", L"a\\b\\"},
        {L"a\\\\b", L"a\\b"},       {L"Sub\\", L"Sub\\"},    {L"", L""},            {L"a\\b\\..\\..\\c", L"c"},
    };
    for (const auto& c : cases) EXPECT_EQ(NormalizeEntryName(c.name), c.expected) << c.name;
}

TEST(PathRules, CreateDirectoryMakesEveryMissingFolder) {
    testsupport::TScratchFolder scratch;
    TDirectory::CreateDirectory(scratch / L"a\\b\\c");
    EXPECT_TRUE(platform::DirectoryExists(scratch / L"a\\b\\c"));
    TDirectory::CreateDirectory(scratch / L"a\\b\\c");  // existing: nothing to do
}

TEST(PathRules, CreateDirectoryRefusesBadPaths) {
    testsupport::TScratchFolder scratch;
    EXPECT_EQ(ErrorOf<EPathTooLongException>([&] { TDirectory::CreateDirectory(scratch / std::wstring(300, L'd')); }),
              L"The specified path is too long");
    EXPECT_EQ(ErrorOf<ENotSupportedException>([&] { TDirectory::CreateDirectory(scratch / L"a:b"); }),
              L"The path format is not supported");
    EXPECT_EQ(ErrorOf<EArgumentException>([&] { TDirectory::CreateDirectory(scratch / L"a|b"); }),
              L"Invalid characters in path");
    EXPECT_EQ(ErrorOf<EDirectoryNotFoundException>([&] { TDirectory::CreateDirectory(L"\\\\server\\share\\x"); }),
              L"The drive cannot be found");
}
