// pages2pdf run as a user runs it: a separate process, its own current folder, and a
// scratch HOME and XDG_CACHE_HOME so the user's real working folder is never touched.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "convert/Conversion.h"
#include "convert/PackageBuilder.h"
#include "platform/Folders.h"
#include "platform/Text.h"
#include "platform/posix/PathTranslation.h"
#include "support/TestSupport.h"

using namespace testsupport;
using platform::ToNativePath;

namespace {

struct TRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ToolRunTest : public ::testing::Test {
protected:
    void SetUp() override { platform::ForceDirectories(scratch / L"work\\docs"); }

    // Runs the tool in scratch/work with args given as UTF-8.
    TRun Run(const std::vector<std::string>& args) {
        return Run(args, {"HOME=" + ToNativePath(scratch / L"home"), "XDG_CACHE_HOME=" + cache});
    }
    TRun Run(const std::vector<std::string>& args, std::vector<std::string> env) {
        const std::string outFile = ToNativePath(scratch / L"stdout.txt");
        const std::string errFile = ToNativePath(scratch / L"stderr.txt");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addchdir_np(&actions, work.c_str());

        env.push_back("PATH=/usr/bin:/bin");
        env.push_back("LANG=C.UTF-8");
        std::vector<char*> envp;
        for (auto& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        std::string tool = PAGES2PDF_TOOL;
        std::vector<std::string> argStore = args;
        std::vector<char*> argv = {tool.data()};
        for (auto& a : argStore) argv.push_back(a.data());
        argv.push_back(nullptr);

        TRun run;
        pid_t pid = 0;
        const int spawned = posix_spawn(&pid, tool.c_str(), &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        EXPECT_EQ(spawned, 0) << "cannot start " << tool;
        if (spawned != 0) return run;
        int wstatus = 0;
        waitpid(pid, &wstatus, 0);
        run.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
        run.out = Slurp(outFile);
        run.err = Slurp(errFile);
        return run;
    }
    std::wstring Doc(const std::wstring& name, const std::vector<std::uint8_t>& bytes) {
        const std::wstring path = scratch / (L"work\\docs\\" + name);
        WriteFile(path, bytes);
        return path;
    }

    TScratchFolder scratch;
    std::string work = ToNativePath(scratch / L"work");
    std::string cache = ToNativePath(scratch / L"cache");
};

TEST_F(ToolRunTest, HelpVersionAndUsageErrors) {
    const struct {
        std::vector<std::string> args;
        int status;
        std::string outStart;
        std::string errStart;
    } cases[] = {
        {{"--version"}, 0, "pages2pdf 1.0.0\n", ""},
        {{"--help"}, 0, "usage: pages2pdf [-o DIR | --output DIR] [--exact-only] [--] FILE...\n", ""},
        {{}, 2, "", "pages2pdf: no document given\nusage: pages2pdf"},
        {{"-x", "a.pages"}, 2, "", "pages2pdf: unknown option -x\nusage:"},
        {{"-o", "a\\b", "a.pages"}, 2, "", "pages2pdf: -o a\\b: a path holding \"\\\" can't be used here"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.empty() ? "(none)" : c.args[0]);
        const TRun run = Run(c.args);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.out.substr(0, c.outStart.size()), c.outStart);
        EXPECT_EQ(run.err.substr(0, c.errStart.size()), c.errStart);
        if (c.outStart.empty()) {
            EXPECT_EQ(run.out, "");
        }
        if (c.errStart.empty()) {
            EXPECT_EQ(run.err, "");
        }
    }
    EXPECT_FALSE(FileExists(scratch / L"cache"));  // nothing converted, nothing made
}

TEST_F(ToolRunTest, ConvertsEveryDocumentInOrderAndGoesOnAfterErrors) {
    const std::string unicodeName = "Ünïcødé 文档.pages";
    Doc(L"Good.pages", PackageWithPdf("%PDF good"));
    Doc(L"NoPdf.pages", PackageWithoutPdf());
    Doc(L"bad.pages", std::vector<std::uint8_t>(64, 'x'));
    Doc(platform::FromUtf8(unicodeName), PackageWithPdf("%PDF unicode"));

    const TRun run = Run({"-o", "out", "docs/Good.pages", "docs/NoPdf.pages", "docs/bad.pages",
                          "docs/" + unicodeName, "docs\\x.pages", "docs/../docs/missing.pages"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "converted: docs/Good.pages -> " + work + "/out/Good.pdf\n"
                       "converted: docs/" + unicodeName + " -> " + work + "/out/Ünïcødé 文档.pdf\n");
    const std::string expectedErrStart =
        "not converted: docs/NoPdf.pages: saved by Pages '09 without a PDF preview\n"
        "error: docs/bad.pages: ";
    EXPECT_EQ(run.err.substr(0, expectedErrStart.size()), expectedErrStart);
    EXPECT_NE(run.err.find("\nerror: docs\\x.pages: a path holding \"\\\" can't be used here"), std::string::npos);
    // Engine paths in messages come out the platform's way.
    EXPECT_NE(run.err.find("\nerror: docs/../docs/missing.pages: Cannot open file \"" + work + "/docs/missing.pages\""),
              std::string::npos)
        << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 4);

    EXPECT_EQ(Slurp(work + "/out/Good.pdf"), "%PDF good");
    EXPECT_EQ(Slurp(work + "/out/Ünïcødé 文档.pdf"), "%PDF unicode");
    // The working folder is the scratch one, and the run leaves nothing of its documents in it.
    EXPECT_TRUE(platform::DirectoryExists(scratch / L"cache\\Lumbrook"));
    EXPECT_TRUE(std::filesystem::is_empty(ToNativePath(scratch / L"cache\\Lumbrook")));
}

TEST_F(ToolRunTest, WithoutAnOutputFolderEachPdfGoesBesideItsDocumentAndNeverOverOne) {
    Doc(L"-dash.pages", PackageWithPdf("%PDF dash"));
    const TRun first = Run({"--", "docs/-dash.pages"});
    EXPECT_EQ(first.status, 0);
    EXPECT_EQ(first.out, "converted: docs/-dash.pages -> " + work + "/docs/-dash.pdf\n");
    EXPECT_EQ(first.err, "");

    WriteFile(scratch / L"work\\docs\\-dash.pdf", std::string("changed since"));
    const TRun second = Run({"--", "docs/-dash.pages"});
    EXPECT_EQ(second.status, 1);
    EXPECT_EQ(second.out, "");
    EXPECT_EQ(second.err, "not converted: docs/-dash.pages: a PDF of that name is already beside the document\n");
    EXPECT_EQ(Slurp(work + "/docs/-dash.pdf"), "changed since");
}

// A colon is part of a POSIX name; a name's control characters are written out, so no name
// forges a line of its own or sends the terminal a command.
TEST_F(ToolRunTest, NamesKeepTheirColonsAndCannotForgeLines) {
    Doc(L"Meeting 10:30.pages", PackageWithPdf("%PDF ten"));
    Doc(L"Meeting 11:30.pages", PackageWithPdf("%PDF eleven"));
    const std::string forged = "x\nconverted: y.pages -> y.pdf\x1b[2J.pages";
    Doc(platform::FromUtf8(forged), PackageWithoutPdf());

    const TRun run = Run({"docs/Meeting 10:30.pages", "docs/Meeting 11:30.pages", "docs/" + forged});
    EXPECT_EQ(run.out, "converted: docs/Meeting 10:30.pages -> " + work + "/docs/Meeting 10:30.pdf\n"
                       "converted: docs/Meeting 11:30.pages -> " + work + "/docs/Meeting 11:30.pdf\n");
    EXPECT_EQ(Slurp(work + "/docs/Meeting 10:30.pdf"), "%PDF ten");
    EXPECT_EQ(Slurp(work + "/docs/Meeting 11:30.pdf"), "%PDF eleven");
    EXPECT_EQ(run.err, "not converted: docs/x\\nconverted: y.pages -> y.pdf\\x1b[2J.pages: "
                       "saved by Pages '09 without a PDF preview\n");
}

TEST_F(ToolRunTest, AnotherConversionHoldingTheWorkingFolderStopsTheToolBeforeAnything) {
    const std::wstring doc = Doc(L"Good.pages", PackageWithPdf("%PDF good"));
    TConversionEngine other{scratch / L"cache"};
    other.SetUpWorkingFolder();
    const platform::TProcessLock held = other.LockWorkingFolder();

    const TRun run = Run({"-o", work + "/out", ToNativePath(doc)});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "pages2pdf: Another conversion is using the working folder. Try again when it has finished.\n");
    EXPECT_FALSE(FileExists(scratch / L"work\\out"));
}

TEST_F(ToolRunTest, NoLocalApplicationDataFolderConvertsNothing) {
    const std::wstring doc = Doc(L"Good.pages", PackageWithPdf("%PDF good"));
    // A relative XDG_CACHE_HOME is not taken, and there is no HOME to fall back on.
    const TRun run = Run({ToNativePath(doc)}, {"XDG_CACHE_HOME=relative/cache"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "pages2pdf: Cannot find the local application data folder\n");
    EXPECT_FALSE(FileExists(scratch / L"work\\docs\\Good.pdf"));
    EXPECT_FALSE(FileExists(scratch / L"work\\relative"));
}

}  // namespace

namespace {

TEST_F(ToolRunTest, RealDocumentsTextAndLaidOutPdf) {
    const std::wstring corpus = CorpusDir();
    if (corpus.empty()) GTEST_SKIP() << "../shared/corpus is absent";
    const std::string pages5 = ToNativePath(corpus + L"\\pages5-file.pages");
    const std::string pages4 = ToNativePath(corpus + L"\\pages4-file.pages");

    const TRun text = Run({"--text", pages5, pages4});
    EXPECT_EQ(text.status, 0) << text.err;
    const std::string expected5 =
        "My hovercraft is full of eels.\nM\u00e9 vzn\u00e1\u0161edlo je pln\u00e9 \u00faho\u0159\u016f.\n"
        "M\u00f3j poduszkowiec jest pe\u0142en w\u0119gorzy.\n";
    EXPECT_EQ(text.out.substr(0, expected5.size()), expected5);
    // Then a blank line and the Pages '09 document's words.
    EXPECT_NE(text.out.find(expected5 + "\nLorem ipsum dolor sit amet\n"), std::string::npos);

    const TRun converted = Run({"-o", work + "/out", pages5});
    EXPECT_EQ(converted.status, 0) << converted.err;
    EXPECT_EQ(converted.out, "converted: " + pages5 + " -> " + work +
                                 "/out/pages5-file.pdf (laid out by pages2pdf; Pages 5 and later store no PDF)\n");
    const TRun exact = Run({"--exact-only", "-o", work + "/exact", pages5});
    EXPECT_EQ(exact.status, 1);
    EXPECT_EQ(exact.err, "not converted: " + pages5 + ": no PDF inside (documents saved by Pages 5 or later carry none)\n");
}

}  // namespace
