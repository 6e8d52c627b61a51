// The "Save PDF to" box: the same-folder option, "..." with the folder picker, and the batch reading the box.
#include "GuiSupport.h"

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
