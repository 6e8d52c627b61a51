// The file chooser OpenDialog1 and the folder picker, the real dialogs answered from their own loops.
#include "GuiSupport.h"

#include <commdlg.h>
#include <dlgs.h>
#include <shlobj.h>

using namespace gui_testing;
using testsupport::CorpusDir;

namespace {

// A literal with embedded nulls, all of it but the literal's own terminator.
template <std::size_t N>
std::wstring Buf(const wchar_t (&text)[N]) {
    return std::wstring(text, N - 1);
}

TEST(Choosers, OlderDialogBufferSplitsIntoFullPaths) {
    using V = std::vector<std::wstring>;
    const struct {
        std::wstring buffer;  // entries separated by nulls, a second null at the end
        V files;
    } cases[] = {
        {Buf(L"C:\\a\\x.pages\0"), V{L"C:\\a\\x.pages"}},
        {Buf(L"C:\\a\0x.pages\0y.pages\0"), V{L"C:\\a\\x.pages", L"C:\\a\\y.pages"}},
        {Buf(L"C:\\\0x.pages\0y.pages\0"), V{L"C:\\x.pages", L"C:\\y.pages"}},
        {Buf(L"C:\\a\0\\\\srv\\b.pages\0D:\\z.pages\0D:\\\0"),
         V{L"\\\\srv\\b.pages", L"D:\\z.pages", L"C:\\a\\D:\\"}},
        {std::wstring(), V{}},
    };
    for (const auto& c : cases) {
        const std::wstring buffer = c.buffer + std::wstring(2, L'\0');
        EXPECT_EQ(SplitOpenFileNameBuffer(buffer.c_str()), c.files);
    }
}

TEST_F(MainWindow, RealFolderPickerShowsItsTitleAndACancelKeepsTheText) {
    SetOutputFolder(L"E:\\kept");
    TDialogAnswer answer;
    answer.Answer = [](HWND dialog) { ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); };
    WithDialogAnswer(answer, [&] { Click(*Form().SpeedButton1); });
    ASSERT_TRUE(answer.Answered);
    EXPECT_TRUE(Contains(answer.SeenTexts, L"Please Choose a Folder"));
    EXPECT_EQ(WindowText(Form().Edit1), L"E:\\kept");
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(MainWindow, RealFolderPickerPutsTheChosenFolderIntoTheField) {
    const struct {
        const wchar_t* folder;
        const wchar_t* shown;
    } cases[] = {
        {L"C:\\windows", L"C:\\windows"},
        {L"C:\\", L"C:\\"},
    };
    for (const auto& c : cases) {
        TDialogAnswer answer;
        answer.Answer = [&c](HWND dialog) {
            ::SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(c.folder));
            ::PostMessageW(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        };
        WithDialogAnswer(answer, [&] { Click(*Form().SpeedButton1); });
        ASSERT_TRUE(answer.Answered);
        EXPECT_TRUE(::lstrcmpiW(WindowText(Form().Edit1).c_str(), c.shown) == 0)
            << "shown: " << testing::PrintToString(WindowText(Form().Edit1));
    }
}

// Both dialogs: the common item dialog of newer systems and the older explorer-style one.
class RealFileChooser : public MainWindow, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        if (CorpusDir().empty()) GTEST_SKIP() << "the corpus folder ../shared/corpus is absent";
        MainWindow::SetUp();
        TOpenDialog::ForceDialogKind = GetParam();
        FDoc = CorpusDir() + L"\\pages4-file.pages";
    }
    void TearDown() override {
        TOpenDialog::ForceDialogKind = -1;
        MainWindow::TearDown();
    }
    void ChooseTheDocument() {
        TDialogAnswer answer;
        answer.Answer = [this](HWND dialog) {
            // The file name field of the explorer-style dialog.
            ::SetDlgItemTextW(dialog, ::GetDlgItem(dialog, edt1) ? edt1 : cmb13, FDoc.c_str());
            ::PostMessageW(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        };
        WithDialogAnswer(answer, [&] { Click(*Form().SpeedButton2); });
        ASSERT_TRUE(answer.Answered);
    }
    std::wstring FDoc;
};

TEST_P(RealFileChooser, AddsTheChosenDocumentAndRemembersIt) {
    ChooseTheDocument();
    EXPECT_EQ(Paths(), std::vector<std::wstring>{FDoc});
    EXPECT_EQ(Form().OpenDialog1.FileName, FDoc);
}

TEST_P(RealFileChooser, OffersTheLastChoiceAgainAndACancelAddsNothing) {
    ChooseTheDocument();
    TDialogAnswer cancel;
    cancel.Answer = [](HWND dialog) { ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); };
    WithDialogAnswer(cancel, [&] { Click(*Form().SpeedButton2); });
    ASSERT_TRUE(cancel.Answered);
    // The dialog may show the offered name without its folder, opening in that folder.
    EXPECT_TRUE(Contains(cancel.SeenTexts, FDoc) || Contains(cancel.SeenTexts, L"pages4-file.pages"))
        << "the last choice is offered as the file name";
    EXPECT_EQ(Paths(), std::vector<std::wstring>{FDoc});
}

INSTANTIATE_TEST_SUITE_P(BothDialogs, RealFileChooser, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<int>& kind) {
                             return std::string(kind.param == 1 ? "CommonItemDialog" : "OlderDialog");
                         });

}  // namespace
