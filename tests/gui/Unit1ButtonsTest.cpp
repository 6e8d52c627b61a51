// The banner's buttons: "Add", "Remove", "Remove All" and the context menu, "Convert" end to end,
// "Help", minimise and close.
#include "GuiSupport.h"

using namespace gui_testing;
using testsupport::CorpusDir;
using testsupport::TScratchFolder;

namespace {

TEST_F(MainWindow, AddAppendsTheChosenPathsNumberedInOrder) {
    Add(Docs({1, 2}));
    Add(Docs({3, 4, 1}));
    EXPECT_EQ(Paths(), Docs({1, 2, 3, 4, 1}));
    EXPECT_EQ(Captions(), (std::vector<std::wstring>{L"1", L"2", L"3", L"4", L"5"}));
    EXPECT_EQ(Form().OpenDialog1.FileName, Docs({3})[0]);
}

TEST_F(MainWindow, ACancelledAddAddsNothingAndKeepsTheRememberedName) {
    Add(Docs({1, 2}));
    TOpenDialog::ChooseOverride = [](std::vector<std::wstring>& files) {
        files = {L"C:\\ignored.pages"};
        return false;
    };
    Click(*Form().SpeedButton2);
    EXPECT_EQ(Paths(), Docs({1, 2}));
    EXPECT_EQ(Form().OpenDialog1.FileName, Docs({1})[0]);
}

TEST_F(MainWindow, RemoveTakesTheSelectedRowsAndRenumbers) {
    AddNumbered(5);
    Select({1, 3});
    Click(*Form().SpeedButton3);
    EXPECT_EQ(Paths(), Docs({1, 3, 5}));
    EXPECT_EQ(Captions(), (std::vector<std::wstring>{L"1", L"2", L"3"}));
}

TEST_F(MainWindow, RemoveWithNothingSelectedChangesNothing) {
    AddNumbered(5);
    Click(*Form().SpeedButton3);
    EXPECT_EQ(Paths(), Docs({1, 2, 3, 4, 5}));
}

TEST_F(MainWindow, RemoveAllEmptiesTheQueue) {
    AddNumbered(3);
    Click(*Form().SpeedButton4);
    EXPECT_EQ(Queue().Count(), 0);
}

TEST_F(MainWindow, ContextMenuItemsDoWhatTheButtonsDo) {
    TOpenDialog::ChooseOverride = [](std::vector<std::wstring>& files) {
        files = Docs({1, 2, 3});
        return true;
    };
    ::SendMessageW(Form().Handle(), WM_COMMAND, MAKEWPARAM(TForm2::Add1, 0), 0);
    EXPECT_EQ(Paths(), Docs({1, 2, 3}));
    Select({0});
    ::SendMessageW(Form().Handle(), WM_COMMAND, MAKEWPARAM(TForm2::Remove1, 0), 0);
    EXPECT_EQ(Paths(), Docs({2, 3}));
    EXPECT_EQ(Captions(), (std::vector<std::wstring>{L"1", L"2"}));
    ::SendMessageW(Form().Handle(), WM_COMMAND, MAKEWPARAM(TForm2::RemoveAll1, 0), 0);
    EXPECT_EQ(Queue().Count(), 0);
}

TEST_F(MainWindow, HelpOpensThePageBesideTheProgram) {
    Click(*Form().SpeedButton7);
    ASSERT_EQ(ShellCalls.size(), 1u);
    EXPECT_EQ(ShellCalls[0].Verb, L"<default>");
    EXPECT_EQ(ShellCalls[0].File, TForm2::HelpFilePath());
    EXPECT_TRUE(ShellCalls[0].File.ends_with(L"\\help.html"));
}

TEST_F(MainWindow, MinimiseButtonMinimisesOnceAndThenDoesNothing) {
    Click(*Form().SpeedButton6);
    EXPECT_TRUE(::IsIconic(Form().Handle()));
    Click(*Form().SpeedButton6);
    EXPECT_TRUE(::IsIconic(Form().Handle()));
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(MainWindow, CloseButtonClosesAtOnceWithRowsQueued) {
    AddNumbered(2);
    Click(*Form().SpeedButton10);
    EXPECT_FALSE(::IsWindowVisible(Form().Handle()));
    EXPECT_TRUE(Pump());  // the quit message ends the loop
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(MainWindow, NoButtonKeepsItsHoverFrameAfterAClickWithThePointerElsewhere) {
    ::SetCursorPos(2, 2);  // far from the window
    Pump();
    AddNumbered(2);
    for (TSpeedButton* button : {Form().SpeedButton3.get(), Form().SpeedButton4.get()}) {
        // The pointer came over the button, pressed it and left while it was held: no leave was seen.
        ::SendMessageW(button->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(4, 4));
        ASSERT_TRUE(button->Hot());
        Click(*button);
        EXPECT_FALSE(button->Hot());
    }
    EXPECT_EQ(Queue().Count(), 0);
}

// The batch's own cases are the engine suite's; this one runs it through the window's controls.
TEST_F(MainWindow, ConvertRunsTheBatchOverTheListAndTheFolderField) {
    if (CorpusDir().empty()) GTEST_SKIP() << "the corpus folder ../shared/corpus is absent";
    TScratchFolder outRoot;
    Add({CorpusDir() + L"\\pages4-file.pages"});
    const std::wstring out = outRoot.Path() + L"\\made\\here";
    SetOutputFolder(out);
    Click(*Form().SpeedButton5);
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, L"Successed to convert pages to pdf!");
    EXPECT_EQ(Boxes[0].Caption, L"Congratulation");
    EXPECT_EQ(Boxes[0].Flags, UINT(MB_OK));
    EXPECT_EQ(testsupport::Sha256Hex(testsupport::ReadFile(out + L"\\pages4-file.pdf")),
              "2f0fbb960085cb95b9f96e78d818bde51019fbd69f1fcf61149ddf1b62563ef7");
    ASSERT_EQ(ShellCalls.size(), 1u);
    EXPECT_EQ(ShellCalls[0].Verb, L"open");
    EXPECT_EQ(ShellCalls[0].File, L"Explorer.exe");
    EXPECT_EQ(ShellCalls[0].Parameters, out);
    EXPECT_EQ(Screen.Cursor(), crDefault);
    EXPECT_EQ(Queue().Count(), 1);
}

}  // namespace
