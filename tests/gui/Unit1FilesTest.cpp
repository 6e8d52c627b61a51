// Files from Explorer and the command line, the footer's note, and the keyboard's shortcuts.
#include "GuiSupport.h"

#include <shlobj.h>

#include <cstring>
#include <filesystem>

using namespace gui_testing;
using testsupport::TScratchFolder;
using testsupport::ToNative;
using testsupport::WriteFile;

namespace {

// A real drop as Explorer hands it over: a DROPFILES block with wide names, ended by an empty one.
HGLOBAL MakeDrop(const std::vector<std::wstring>& items) {
    std::wstring names;
    for (const auto& item : items) names += item + L'\0';
    names += L'\0';
    HGLOBAL memory = ::GlobalAlloc(GHND, sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(::GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), names.data(), names.size() * sizeof(wchar_t));
    ::GlobalUnlock(memory);
    return memory;
}

// Documents as files and as a bundle, a folder holding documents at two depths, and things that are not.
struct TDropFixture {
    TScratchFolder Root;
    TDropFixture() {
        for (const wchar_t* folder : {L"bundle.pages", L"more\\deeper", L"empty"})
            std::filesystem::create_directories(ToNative(Root / folder));
        WriteFile(Root / L"bundle.pages\\Index.zip", std::string("x"));
        WriteFile(Root / L"one.pages", std::string("x"));
        WriteFile(Root / L"readme.txt", std::string("x"));
        WriteFile(Root / L"more\\two.PAGES", std::string("x"));
        WriteFile(Root / L"more\\notes.txt", std::string("x"));
        WriteFile(Root / L"more\\deeper\\three.pages", std::string("x"));
    }
};

class FilesAndKeys : public MainWindow {
protected:
    std::wstring Note() { return WindowText(Form().Label1); }

    // Real key presses through the system's queue, with focus on the given control.
    void Press(HWND focus, WORD key, bool ctrl = false) {
        ::SetForegroundWindow(Form().Handle());
        ::SetFocus(focus);
        Pump();
        if (ctrl) SendKey(VK_CONTROL, 0);
        SendKey(key, 0);
        SendKey(key, KEYEVENTF_KEYUP);
        if (ctrl) SendKey(VK_CONTROL, KEYEVENTF_KEYUP);
        Pump();
    }

    std::vector<int> SelectedRows() {
        std::vector<int> rows;
        for (int i = 0; i < Queue().Count(); ++i)
            if (Queue().Selected(i)) rows.push_back(i);
        return rows;
    }
};

TEST_F(FilesAndKeys, DroppedFilesAreQueuedInOrderAndTheRestIsNoted) {
    TDropFixture fixture;
    const TScratchFolder& root = fixture.Root;
    for (const bool onList : {true, false}) {
        Click(*Form().SpeedButton4);
        Add(Docs({1}));
        HWND target = onList ? Form().ListView1 : Form().Handle();
        ::SendMessageW(target, WM_DROPFILES,
                       reinterpret_cast<WPARAM>(MakeDrop({root / L"bundle.pages", root / L"readme.txt",
                                                          root / L"more", root / L"one.pages", root / L"empty",
                                                          root / L"missing.pages"})),
                       0);
        EXPECT_EQ(Paths(), (std::vector<std::wstring>{Docs({1})[0], root / L"bundle.pages", root / L"more\\two.PAGES",
                                                      root / L"more\\deeper\\three.pages", root / L"one.pages"}))
            << (onList ? "on the list" : "on the window");
        EXPECT_EQ(Captions(), (std::vector<std::wstring>{L"1", L"2", L"3", L"4", L"5"}));
        EXPECT_EQ(Note(), L"3 dropped items were not Pages documents");
        EXPECT_TRUE(::IsWindowVisible(Form().Label1));
    }
    // A drop of documents alone clears the note.
    ::SendMessageW(Form().ListView1, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({root / L"one.pages"})), 0);
    EXPECT_EQ(Queue().Count(), 6);
    EXPECT_EQ(Note(), L"");
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(FilesAndKeys, TheNoteIsEmptyAtStart) { EXPECT_EQ(Note(), L""); }

TEST_F(FilesAndKeys, DocumentsOnTheCommandLineAreQueued) {
    TDropFixture fixture;
    const TScratchFolder& root = fixture.Root;
    const std::wstring line = L"\"C:\\Program Files\\pages2pdf\\Project2.exe\" \"" + root / L"one.pages" + L"\" \"" +
                              (root / L"more") + L"\" \"" + root / L"readme.txt" + L"\"";
    const std::vector<std::wstring> items = CommandLineItems(line.c_str());
    ASSERT_EQ(items, (std::vector<std::wstring>{root / L"one.pages", root / L"more", root / L"readme.txt"}));
    Form().OpenItems(items, TItemsSource::isCommandLine);
    EXPECT_EQ(Paths(), (std::vector<std::wstring>{root / L"one.pages", root / L"more\\two.PAGES",
                                                  root / L"more\\deeper\\three.pages"}));
    EXPECT_EQ(Note(), L"1 item given to the program was not a Pages document");

    EXPECT_TRUE(CommandLineItems(L"Project2.exe").empty());
    EXPECT_TRUE(CommandLineItems(L"").empty());
    Form().OpenItems(CommandLineItems(L"Project2.exe"));
    EXPECT_EQ(Queue().Count(), 3);
    EXPECT_EQ(Note(), L"");
}

TEST_F(FilesAndKeys, DeleteAndCtrlAActOnTheListOnly) {
    AddNumbered(5);
    Select({1, 3});
    Press(Form().ListView1, VK_DELETE);
    EXPECT_EQ(Paths(), Docs({1, 3, 5}));
    EXPECT_EQ(Captions(), (std::vector<std::wstring>{L"1", L"2", L"3"}));
    Press(Form().ListView1, 'A', true);
    EXPECT_EQ(SelectedRows(), (std::vector<int>{0, 1, 2}));

    // In the folder field the keys are the field's own.
    Select({0});
    ::SetWindowTextW(Form().Edit1, L"C:\\out");
    Press(Form().Edit1, VK_DELETE);
    Press(Form().Edit1, 'A', true);
    EXPECT_EQ(Queue().Count(), 3);
    EXPECT_EQ(SelectedRows(), (std::vector<int>{0}));
}

TEST_F(FilesAndKeys, CtrlOAddsF1HelpsF5ConvertsFromAnyControl) {
    for (HWND focus : {Form().ListView1, Form().Edit1, Form().CheckBox1}) {
        Click(*Form().SpeedButton4);
        Boxes.clear();
        ShellCalls.clear();
        TOpenDialog::ChooseOverride = [](std::vector<std::wstring>& files) {
            files = Docs({1, 2});
            return true;
        };
        Press(focus, 'O', true);
        TOpenDialog::ChooseOverride = nullptr;
        EXPECT_EQ(Paths(), Docs({1, 2}));

        Press(focus, VK_F1);
        ASSERT_EQ(ShellCalls.size(), 1u);
        EXPECT_EQ(ShellCalls[0].File, TForm2::HelpFilePath());

        // The documents are missing, so "Convert" reports an error; F5 must report the same.
        TScratchFolder out;
        SetOutputFolder(out.Path());
        Click(*Form().SpeedButton5);
        const std::vector<TBox> byButton = Boxes;
        ASSERT_FALSE(byButton.empty());
        Boxes.clear();
        Press(focus, VK_F5);
        ASSERT_EQ(Boxes.size(), byButton.size());
        EXPECT_EQ(Boxes[0].Text, byButton[0].Text);
    }
}

HINSTANCE WINAPI FailingShell(HWND, const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*, int) {
    return reinterpret_cast<HINSTANCE>(SE_ERR_NOASSOC);
}

TEST_F(FilesAndKeys, HelpThatCannotBeOpenedSaysWhereThePageIs) {
    const TShellExecuteFunc saved = ShellExecuteHook;
    ShellExecuteHook = &FailingShell;
    Click(*Form().SpeedButton7);
    ShellExecuteHook = saved;
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, L"The help page could not be opened. It is at: " + TForm2::HelpFilePath());
    EXPECT_EQ(Boxes[0].Caption, Application.Title());
    EXPECT_EQ(Boxes[0].Flags, UINT(MB_OK | MB_ICONINFORMATION));
}

}  // namespace
