// The "Save PDF to" box: the same-folder option, "..." with the folder picker, the batch reading the box, and
// the settings remembered between runs.
#include "GuiSupport.h"

#include <shlobj.h>

#include "app/Settings.h"

using namespace gui_testing;

namespace {

TEST_F(MainWindow, SameFolderOptionGreysTheFolderControlsAndKeepsTheText) {
    SetOutputFolder(L"E:\\pdfs");
    ::SendMessageW(Form().CheckBox1, BM_CLICK, 0, 0);
    EXPECT_TRUE(SameFolderOptionTicked());
    EXPECT_FALSE(::IsWindowEnabled(Form().Edit1));
    EXPECT_FALSE(Form().SpeedButton1->Enabled());
    EXPECT_EQ(WindowText(Form().Edit1), L"E:\\pdfs");
}

TEST_F(MainWindow, UntickingTheOptionEnablesTheFolderControlsWithTheTextUnchanged) {
    SetOutputFolder(L"E:\\pdfs");
    ::SendMessageW(Form().CheckBox1, BM_CLICK, 0, 0);
    ::SendMessageW(Form().CheckBox1, BM_CLICK, 0, 0);
    EXPECT_FALSE(SameFolderOptionTicked());
    EXPECT_TRUE(::IsWindowEnabled(Form().Edit1));
    EXPECT_TRUE(Form().SpeedButton1->Enabled());
    EXPECT_EQ(WindowText(Form().Edit1), L"E:\\pdfs");
}

TEST_F(MainWindow, FolderPickerStartsEmptyAndItsResultReplacesTheFolderText) {
    std::wstring initial = L"unset";
    BrowseFolderOverride = [&](const std::wstring& folder) {
        initial = folder;
        return std::wstring(L"C:\\");
    };
    Click(*Form().SpeedButton1);
    EXPECT_EQ(initial, L"");
    EXPECT_EQ(WindowText(Form().Edit1), L"C:\\");
}

TEST_F(MainWindow, ACancelledFolderPickerKeepsTheFolderText) {
    SetOutputFolder(L"E:\\kept");
    BrowseFolderOverride = [](const std::wstring&) { return std::wstring(); };
    Click(*Form().SpeedButton1);
    EXPECT_EQ(WindowText(Form().Edit1), L"E:\\kept");
}

TEST_F(MainWindow, TheBatchReadsTheBoxAsItStands) {
    Add(Docs({1, 2}));
    SetOutputFolder(L"E:\\typed as is\\");
    TWindowBatchFrontEnd& batch = Form().BatchFrontEnd();
    EXPECT_EQ(batch.RowCount(), 2);
    EXPECT_EQ(batch.RowPath(1), Docs({2})[0]);
    EXPECT_EQ(batch.OutputFolderText(), L"E:\\typed as is\\");
    EXPECT_FALSE(batch.SameFolderOption());
    ::SendMessageW(Form().CheckBox1, BM_CLICK, 0, 0);
    EXPECT_TRUE(batch.SameFolderOption());
}

}  // namespace

// Remembered settings and the folder offered when nothing is remembered.
namespace {

class RememberedSettings : public gui_testing::MainWindow {
protected:
    // The window closed and made afresh, as at the next start.
    void Reopen() {
        Application.DestroyForms();
        const std::wstring parent = FAppData.Path();
        Application.CreateForm(Form2, &parent);
        ASSERT_NE(Form2, nullptr);
    }
    void TearDown() override {
        WritableFixedDriveHook = [](const std::wstring&) { return true; };
        MainWindow::TearDown();
    }
};

TEST_F(RememberedSettings, FolderOptionAndChooserFolderComeBackAfterClose) {
    Add({L"C:\\letters\\a.pages"});
    SetOutputFolder(L"C:\\pdf out");
    ::SendMessageW(Form().CheckBox1, BM_SETCHECK, BST_CHECKED, 0);
    Form().CheckBox1Click(Form().CheckBox1);
    gui_testing::Click(*Form().SpeedButton10);
    gui_testing::Pump();
    Reopen();
    EXPECT_EQ(gui_testing::WindowText(Form().Edit1), L"C:\\pdf out");
    EXPECT_TRUE(SameFolderOptionTicked());
    EXPECT_FALSE(::IsWindowEnabled(Form().Edit1));
    EXPECT_EQ(Form().OpenDialog1.InitialDir, L"C:\\letters");

    // Unticked and changed, then closed again: the new state is what comes back.
    ::SendMessageW(Form().CheckBox1, BM_SETCHECK, BST_UNCHECKED, 0);
    Form().CheckBox1Click(Form().CheckBox1);
    SetOutputFolder(L"C:\\other");
    gui_testing::Click(*Form().SpeedButton10);
    gui_testing::Pump();
    Reopen();
    EXPECT_EQ(gui_testing::WindowText(Form().Edit1), L"C:\\other");
    EXPECT_FALSE(SameFolderOptionTicked());
    EXPECT_TRUE(::IsWindowEnabled(Form().Edit1));
    EXPECT_EQ(Form().OpenDialog1.InitialDir, L"C:\\letters");
}

TEST_F(RememberedSettings, TheEndOfTheSessionSavesThemTooThoughNoCloseComes) {
    SetOutputFolder(L"C:\\at shutdown");
    ::SendMessageW(Form().Handle(), WM_ENDSESSION, FALSE, 0);  // the session goes on: nothing saved
    Reopen();
    EXPECT_NE(gui_testing::WindowText(Form().Edit1), L"C:\\at shutdown");
    SetOutputFolder(L"C:\\at shutdown");
    ::SendMessageW(Form().Handle(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    Reopen();
    EXPECT_EQ(gui_testing::WindowText(Form().Edit1), L"C:\\at shutdown");
}

TEST_F(RememberedSettings, WithNothingSavedTheFieldOffersDOnlyWhereItIsAFixedWritableDrive) {
    wchar_t documents[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents)));
    for (const bool usable : {false, true}) {
        std::wstring asked;
        WritableFixedDriveHook = [&](const std::wstring& root) {
            asked = root;
            return usable;
        };
        Reopen();
        EXPECT_EQ(asked, L"D:\\");
        EXPECT_EQ(gui_testing::WindowText(Form().Edit1),
                  usable ? std::wstring(L"D:\\output") : std::wstring(documents) + L"\\pages2pdf");
    }
}

TEST(DriveProbe, AFixedWritableDriveIsToldFromAMissingOne) {
    wchar_t system[MAX_PATH] = {};
    ::GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring root = std::wstring(system).substr(0, 3);
    EXPECT_TRUE(IsWritableFixedDrive(root)) << "the system drive " << testing::PrintToString(root);
    EXPECT_FALSE(::GetFileAttributesW((root + L"pages2pdf-probe.tmp").c_str()) != INVALID_FILE_ATTRIBUTES);
    wchar_t missing = 0;
    const DWORD drives = ::GetLogicalDrives();
    for (wchar_t letter = L'Q'; letter <= L'Z' && !missing; ++letter)
        if (!(drives & (1u << (letter - L'A')))) missing = letter;
    ASSERT_NE(missing, 0);
    EXPECT_FALSE(IsWritableFixedDrive(std::wstring(1, missing) + L":\\"));
}

}  // namespace
