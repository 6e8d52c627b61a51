// pages2pdf run as a user runs it: a separate process, its own current folder, and a
// scratch HOME and XDG_CACHE_HOME so the user's real working folder is never touched.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
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
    TRun Run(const std::vector<std::string>& args) { return Wait(Start(args, "run")); }
    TRun Run(const std::vector<std::string>& args, std::vector<std::string> env) {
        return Wait(Start(args, "run", std::move(env)));
    }

    // A run under way: its process and where its output goes.
    struct TStarted {
        pid_t pid = 0;
        std::string outFile;
        std::string errFile;
    };
    // name tells the output files of runs at the same time apart.
    TStarted Start(const std::vector<std::string>& args, const std::string& name) {
        return Start(args, name, {"HOME=" + ToNativePath(scratch / L"home"), "XDG_CACHE_HOME=" + cache});
    }
    TStarted Start(const std::vector<std::string>& args, const std::string& name, std::vector<std::string> env) {
        TStarted started{0, ToNativePath(scratch / L"") + name + ".out", ToNativePath(scratch / L"") + name + ".err"};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, started.outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, started.errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
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

        const int spawned = posix_spawn(&started.pid, tool.c_str(), &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        EXPECT_EQ(spawned, 0) << "cannot start " << tool;
        if (spawned != 0) started.pid = 0;
        return started;
    }
    static TRun Wait(const TStarted& started) {
        TRun run;
        if (started.pid == 0) return run;
        int wstatus = 0;
        waitpid(started.pid, &wstatus, 0);
        run.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
        run.out = Slurp(started.outFile);
        run.err = Slurp(started.errFile);
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
        {{"--help"}, 0, "usage: pages2pdf [-o DIR | --output DIR] [-r] [-j N] [--json] [--exact-only] [--] FILE...\n", ""},
        {{"-j", "0", "a.pages"}, 2, "", "pages2pdf: -j wants a number of jobs from 1 to 1024, not \"0\"\nusage:"},
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

// The working folders below the cache: one per conversion under way, or left by one that died.
std::vector<std::string> WorkingFolders(const std::string& cache) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(cache + "/Lumbrook", ec)) {
        if (entry.is_directory()) names.push_back(entry.path().filename().string());
    }
    return names;
}

// A tree of documents with equal names in different folders, a bundle (whose insides are never
// walked) and files that are not documents.
class ToolTreeTest : public ToolRunTest {
protected:
    void SetUp() override {
        ToolRunTest::SetUp();
        Doc(L"tree\\a\\Report.pages", PackageWithPdf("%PDF a"));
        Doc(L"tree\\b\\Report.pages", PackageWithPdf("%PDF b"));
        Doc(L"tree\\b\\deeper\\Report.pages", PackageWithPdf("%PDF deeper"));
        Doc(L"tree\\Bundle.pages\\QuickLook\\Preview.pdf", std::vector<std::uint8_t>{'%', 'P', 'D', 'F'});
        Doc(L"tree\\Bundle.pages\\Inside.pages", PackageWithPdf("%PDF inside"));
        Doc(L"tree\\notes.txt", std::vector<std::uint8_t>{'x'});
    }
    std::string ExpectedOut(const std::string& out) const {
        return "converted: docs/tree/a/Report.pages -> " + work + "/" + out + "/tree/a/Report.pdf\n"
               "converted: docs/tree/b/deeper/Report.pages -> " + work + "/" + out + "/tree/b/deeper/Report.pdf\n"
               "converted: docs/tree/b/Report.pages -> " + work + "/" + out + "/tree/b/Report.pdf\n"
               "converted: docs/tree/Bundle.pages -> " + work + "/" + out + "/tree/Bundle.pdf\n";
    }
};

TEST_F(ToolTreeTest, AFolderTreeIsRepeatedInTheOutputFolderSoEqualNamesNeverMeet) {
    for (const char* jobs : {"1", "3"}) {
        SCOPED_TRACE(jobs);
        const std::string out = std::string("out") + jobs;
        const TRun run = Run({"-r", "-j", jobs, "-o", out, "docs/tree"});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, ExpectedOut(out));  // in listing order, whatever finished first
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(Slurp(work + "/" + out + "/tree/a/Report.pdf"), "%PDF a");
        EXPECT_EQ(Slurp(work + "/" + out + "/tree/b/Report.pdf"), "%PDF b");
        EXPECT_EQ(Slurp(work + "/" + out + "/tree/b/deeper/Report.pdf"), "%PDF deeper");
        EXPECT_FALSE(std::filesystem::exists(work + "/" + out + "/tree/Bundle.pages"));
        EXPECT_FALSE(std::filesystem::exists(work + "/" + out + "/tree/Inside.pdf"));
    }

    // Without -o each PDF goes beside its document; a second run writes over none of them.
    const TRun beside = Run({"-r", "docs/tree/b/"});
    EXPECT_EQ(beside.status, 0) << beside.err;
    EXPECT_EQ(beside.out, "converted: docs/tree/b/deeper/Report.pages -> " + work + "/docs/tree/b/deeper/Report.pdf\n"
                          "converted: docs/tree/b/Report.pages -> " + work + "/docs/tree/b/Report.pdf\n");
    const TRun again = Run({"-r", "docs/tree/b"});
    EXPECT_EQ(again.status, 1);
    EXPECT_EQ(again.out, "");

    // Two folders of one name would meet in the output folder: refused before anything is done.
    Doc(L"other\\tree\\c\\Report.pages", PackageWithPdf("%PDF c"));
    const TRun clash = Run({"-r", "-o", "clash", "docs/tree", "docs/other/tree/"});
    EXPECT_EQ(clash.status, 2);
    EXPECT_EQ(clash.err.substr(0, 68), "pages2pdf: -r: the folders docs/tree and docs/other/tree/ have the s");
    EXPECT_FALSE(std::filesystem::exists(work + "/clash"));
}

TEST_F(ToolTreeTest, RunsAtOnceNeverMeetAndAKilledRunsWorkingFolderGoesWithTheNextRun) {
    // A run held under way: a long list of documents, stopped as soon as its working folder is there.
    std::vector<std::string> many = {"-j", "1", "-o", "held"};
    many.insert(many.end(), 5000, "docs/tree/a/Report.pages");
    const TStarted stuck = Start(many, "stuck");
    for (int i = 0; i < 5000 && WorkingFolders(cache).empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ::kill(stuck.pid, SIGSTOP);
    ASSERT_EQ(WorkingFolders(cache).size(), 1u);

    // Two more at once over the same tree, while it holds its working folder.
    const TStarted first = Start({"-r", "-o", "out1", "docs/tree"}, "first");
    const TStarted second = Start({"-r", "-o", "out2", "docs/tree"}, "second");
    const TRun one = Wait(first), two = Wait(second);
    EXPECT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(two.status, 0) << two.err;
    EXPECT_EQ(one.out, ExpectedOut("out1"));
    EXPECT_EQ(two.out, ExpectedOut("out2"));
    const auto held = WorkingFolders(cache);
    EXPECT_EQ(held.size(), 1u);  // theirs are gone, the waiting run's is untouched

    // Killed, it leaves its folder; the next run removes it.
    ::kill(stuck.pid, SIGKILL);
    ::kill(stuck.pid, SIGCONT);
    EXPECT_EQ(Wait(stuck).status, -1);
    EXPECT_EQ(WorkingFolders(cache), held);
    const TRun next = Run({"-o", "out3", "docs/tree/a/Report.pages"});
    EXPECT_EQ(next.status, 0) << next.err;
    EXPECT_TRUE(std::filesystem::is_empty(cache + "/Lumbrook"));
}

TEST_F(ToolTreeTest, JsonGivesOneObjectPerDocumentAndThePeoplesLinesGoToStandardError) {
    Doc(L"NoPdf.pages", PackageWithoutPdf());
    Doc(L"Tab\tand \"quotes\".pages", PackageWithPdf("%PDF tab"));
    const TRun run =
        Run({"--json", "-j", "2", "-o", "out", "docs/tree/a/Report.pages", "docs/NoPdf.pages",
             "docs/Tab\tand \"quotes\".pages", "docs/missing.pages"});
    EXPECT_EQ(run.status, 1);
    std::vector<nlohmann::json> objects;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) objects.push_back(nlohmann::json::parse(line));
    ASSERT_EQ(objects.size(), 4u) << run.out;

    EXPECT_EQ(objects[0]["path"], "docs/tree/a/Report.pages");
    EXPECT_EQ(objects[0]["outcome"], "converted");
    EXPECT_TRUE(objects[0]["reason"].is_null());
    EXPECT_EQ(objects[0]["output"], work + "/out/Report.pdf");
    EXPECT_EQ(objects[0]["method"], "stored");
    EXPECT_TRUE(objects[0]["pages"].is_null());  // Apple's PDF is copied, not read
    EXPECT_TRUE(objects[0]["left_out"].is_object() && objects[0]["left_out"].empty());
    EXPECT_GE(objects[0]["seconds"].get<double>(), 0.0);

    EXPECT_EQ(objects[1]["outcome"], "not converted");
    EXPECT_EQ(objects[1]["reason"], "saved by Pages '09 without a PDF preview");
    EXPECT_TRUE(objects[1]["output"].is_null());
    EXPECT_TRUE(objects[1]["method"].is_null());

    // A control character in a name comes back as it was.
    EXPECT_EQ(objects[2]["path"], "docs/Tab\tand \"quotes\".pages");
    EXPECT_EQ(objects[2]["output"], work + "/out/Tab\tand \"quotes\".pdf");
    EXPECT_NE(run.out.find("Tab\\u0009and \\\"quotes\\\""), std::string::npos);

    EXPECT_EQ(objects[3]["outcome"], "error");
    EXPECT_EQ(objects[3]["reason"].get<std::string>().substr(0, 16), "Cannot open file");

    // Every line for people is on standard error, in the same order.
    EXPECT_EQ(run.err.substr(0, 36), "converted: docs/tree/a/Report.pages ");
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 4);
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
    const TRun json = Run({"--json", "-o", work + "/json", pages5});
    EXPECT_EQ(json.status, 0) << json.err;
    const auto object = nlohmann::json::parse(json.out);
    EXPECT_EQ(object["method"], "laid out");
    EXPECT_GE(object["pages"].get<int>(), 1);
    EXPECT_EQ(object["output"], work + "/json/pages5-file.pdf");

    const TRun exact = Run({"--exact-only", "-o", work + "/exact", pages5});
    EXPECT_EQ(exact.status, 1);
    EXPECT_EQ(exact.err, "not converted: " + pages5 + ": no PDF inside (documents saved by Pages 5 or later carry none)\n");
}

}  // namespace
