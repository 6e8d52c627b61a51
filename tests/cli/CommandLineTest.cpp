#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "cli/JsonReport.h"
#include "cli/Progress.h"
#include "platform/Text.h"

namespace {

std::string ArgsTrace(const std::vector<std::wstring>& args) {
    std::string trace;
    for (const auto& a : args) trace.append("[").append(platform::ToUtf8(a)).append("] ");
    return trace;
}

TEST(CommandLineTest, OptionsFilesAndUsageErrors) {
    struct TCase {
        std::vector<std::wstring> Args;
        std::wstring Output;  // "" when none
        std::vector<std::wstring> Files;
        std::wstring Error;   // "" when usable
    };
    const TCase cases[] = {
        {{L"a.pages", L"b.pages"}, L"", {L"a.pages", L"b.pages"}, L""},
        {{L"-o", L"out", L"a.pages"}, L"out", {L"a.pages"}, L""},
        {{L"a.pages", L"--output", L"out"}, L"out", {L"a.pages"}, L""},
        {{L"--output=out", L"a.pages"}, L"out", {L"a.pages"}, L""},
        {{L"-oout", L"a.pages"}, L"out", {L"a.pages"}, L""},
        {{L"--", L"-o", L"--help"}, L"", {L"-o", L"--help"}, L""},
        {{L"-", L"a b.pages"}, L"", {L"-", L"a b.pages"}, L""},
        {{}, L"", {}, L"no document given"},
        {{L"-o", L"out"}, L"", {}, L"no document given"},
        {{L"a.pages", L"-o"}, L"", {}, L"option -o needs a folder"},
        {{L"-o", L"x", L"--output", L"y", L"a.pages"}, L"", {}, L"the output folder is given twice"},
        {{L"--output=", L"a.pages"}, L"", {}, L"the output folder is empty"},
        {{L"-x", L"a.pages"}, L"", {}, L"unknown option -x"},
        {{L"--verbose", L"a.pages"}, L"", {}, L"unknown option --verbose"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ArgsTrace(c.Args));
        const TCommandLine parsed = ParseCommandLine(c.Args);
        EXPECT_EQ(parsed.Error, c.Error);
        if (!c.Error.empty()) continue;
        EXPECT_EQ(parsed.OutputFolder.value_or(L""), c.Output);
        EXPECT_EQ(parsed.Files, c.Files);
        EXPECT_FALSE(parsed.Help || parsed.Version);
    }
}

TEST(CommandLineTest, TextAndExactOnlyModes) {
    const TCommandLine text = ParseCommandLine({L"--text", L"a.pages", L"b.pages"});
    EXPECT_EQ(text.Error, L"");
    EXPECT_TRUE(text.Text);
    EXPECT_EQ(text.Files, (std::vector<std::wstring>{L"a.pages", L"b.pages"}));
    const TCommandLine exact = ParseCommandLine({L"--exact-only", L"-o", L"out", L"a.pages"});
    EXPECT_TRUE(exact.ExactOnly);
    EXPECT_FALSE(exact.Text);
    EXPECT_EQ(ParseCommandLine({L"--text", L"-o", L"out", L"a.pages"}).Error,
              L"--text writes to standard output: -o has no use with it");
    EXPECT_EQ(ParseCommandLine({L"--text", L"--exact-only", L"a.pages"}).Error,
              L"--text and --exact-only can't be used together");
    EXPECT_EQ(ParseCommandLine({L"--text"}).Error, L"no document given");
}

TEST(CommandLineTest, HelpAndVersionNeedNoDocument) {
    EXPECT_TRUE(ParseCommandLine({L"--help"}).Help);
    EXPECT_TRUE(ParseCommandLine({L"--version"}).Version);
    EXPECT_EQ(ParseCommandLine({L"--version"}).Error, L"");
}

}  // namespace

namespace {

TEST(CommandLineTest, JobsFoldersAndJson) {
    struct TCase {
        std::vector<std::wstring> Args;
        int Jobs;
        bool Recursive;
        bool Json;
        std::wstring Error;
    };
    const TCase cases[] = {
        {{L"a.pages"}, 0, false, false, L""},
        {{L"-j", L"4", L"a.pages"}, 4, false, false, L""},
        {{L"-j2", L"--jobs=3", L"a.pages"}, 3, false, false, L""},
        {{L"--jobs", L"1", L"-r", L"--json", L"dir"}, 1, true, true, L""},
        {{L"--recursive", L"dir"}, 0, true, false, L""},
        {{L"-j", L"0", L"a.pages"}, 0, false, false, L"-j wants a number of jobs from 1 to 1024, not \"0\""},
        {{L"-j", L"two", L"a.pages"}, 0, false, false, L"-j wants a number of jobs from 1 to 1024, not \"two\""},
        {{L"-j2000", L"a.pages"}, 0, false, false, L"-j wants a number of jobs from 1 to 1024, not \"2000\""},
        {{L"a.pages", L"-j"}, 0, false, false, L"option -j needs a number"},
        {{L"--text", L"--json", L"a.pages"}, 0, false, false, L"--text and --json can't be used together"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ArgsTrace(c.Args));
        const TCommandLine parsed = ParseCommandLine(c.Args);
        EXPECT_EQ(parsed.Error, c.Error);
        if (!c.Error.empty()) continue;
        EXPECT_EQ(parsed.Jobs, c.Jobs);
        EXPECT_EQ(parsed.Recursive, c.Recursive);
        EXPECT_EQ(parsed.Json, c.Json);
    }
}

TEST(JsonReportTest, StringsAreEscapedSoEveryParserTakesThemBack) {
    const struct {
        std::wstring Text;
        std::wstring Json;
    } cases[] = {
        {L"plain.pages", L"\"plain.pages\""},
        {L"say \"hi\"\\now", L"\"say \\\"hi\\\"\\\\now\""},
        {std::wstring(L"a\tb\nc\x01\x1f\x7f", 8), L"\"a\\u0009b\\u000ac\\u0001\\u001f\\u007f\""},
        {std::wstring(1, L'\0'), L"\"\\u0000\""},
        {L"Ünïcødé 文档", L"\"Ünïcødé 文档\""},
        // Half a UTF-16 pair is written as its code unit; a whole pair stays as it is.
        {std::wstring(1, static_cast<wchar_t>(0xD800)) + L"x", L"\"\\ud800x\""},
        {std::wstring(1, static_cast<wchar_t>(0xDC00)), L"\"\\udc00\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(platform::ToUtf8(c.Json));
        EXPECT_EQ(cli::JsonString(c.Text), c.Json);
    }
}

TEST(ProgressTest, TheLineSaysDoneOfTotalTheDocumentTheRateAndTheTimeLeft) {
    EXPECT_EQ(cli::ProgressText(0, 10, L"a.pages", 1.0, 40), L"0/10 a.pages");
    EXPECT_EQ(cli::ProgressText(4, 10, L"b.pages", 2.0, 40), L"4/10 b.pages, 2.0 documents/s, 0:03 left");
    EXPECT_EQ(cli::ProgressText(10, 7210, L"c.pages", 10.0, 40), L"10/7210 c.pages, 1.0 documents/s, 2:00:00 left");
    EXPECT_EQ(cli::ProgressText(1, 2, L"folder/long name.pages", 1.0, 10), L"1/2 ...name.pages, 1.0 documents/s, 0:01 left");
}

}  // namespace
