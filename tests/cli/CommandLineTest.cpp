#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "platform/Text.h"

namespace {

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
        std::string trace;
        for (const auto& a : c.Args) trace.append("[").append(platform::ToUtf8(a)).append("] ");
        SCOPED_TRACE(trace);
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
