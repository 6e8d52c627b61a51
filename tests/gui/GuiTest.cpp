// The real main window, driven through its messages and handlers under Wine.
#include <gtest/gtest.h>

#include "app/Application.h"
#include "app/Unit1.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <dlgs.h>
#include <commdlg.h>
#include <shlobj.h>
#include <filesystem>
#include <string>
#include <vector>

using testing_support::CorpusDir;
using testing_support::FileExists;
using testing_support::ScratchFolder;

namespace {

struct TBox {
    std::wstring Text, Caption;
    UINT Flags;
};
std::vector<TBox> Boxes;
// Called while a box is up, to look at the program's state at that moment.
std::function<void()> WhileBoxIsUp;

int WINAPI RecordBox(HWND, const wchar_t* text, const wchar_t* caption, UINT flags) {
    Boxes.push_back({text, caption, flags});
    if (WhileBoxIsUp) WhileBoxIsUp();
    return IDOK;
}

struct TShellCall {
    std::wstring Verb, File, Parameters;
};
std::vector<TShellCall> ShellCalls;

HINSTANCE WINAPI RecordShell(HWND, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters, const wchar_t*,
                             int) {
    ShellCalls.push_back({verb ? verb : L"<default>", file ? file : L"", parameters ? parameters : L""});
    return reinterpret_cast<HINSTANCE>(42);
}

class TGuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        Application.Initialize();
        Application.MainFormOnTaskBar = true;
        MessageBoxHook = &RecordBox;
        ShellExecuteHook = &RecordShell;
    }
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new TGuiEnvironment);

std::wstring WindowText(HWND wnd) {
    wchar_t text[1024] = {};
    ::GetWindowTextW(wnd, text, 1024);
    return text;
}

// Runs every message already queued; reports whether the quit message was among them.
bool Pump() {
    bool quit = false;
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quit = true;
            continue;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return quit;
}

// A mouse click as the button's window receives it: press and release inside.
void Click(const TSpeedButton& button) {
    ::SendMessageW(button.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    ::SendMessageW(button.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
}

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        Boxes.clear();
        ShellCalls.clear();
        WhileBoxIsUp = nullptr;
        TOpenDialog::ChooseOverride = nullptr;
        BrowseFolderOverride = nullptr;
        const std::wstring parent = FAppData.Path();
        Application.CreateForm(Form2, &parent);
        ASSERT_NE(Form2, nullptr);
        ::ShowWindow(Form2->Handle(), SW_SHOW);
        ::UpdateWindow(Form2->Handle());
        Pump();
    }
    void TearDown() override {
        TOpenDialog::ChooseOverride = nullptr;
        BrowseFolderOverride = nullptr;
        Application.DestroyMainForm();
        Pump();
    }

    TForm2& Form() { return *Form2; }
    IQueueList& Queue() { return Form2->Queue(); }

    // Adds the paths as the "Add" button does after a confirmed choice.
    void Add(std::vector<std::wstring> paths) {
        TOpenDialog::ChooseOverride = [paths](std::vector<std::wstring>& files) {
            files = paths;
            return true;
        };
        Click(*Form().SpeedButton2);
        TOpenDialog::ChooseOverride = nullptr;
    }
    void AddNumbered(int n) {
        std::vector<std::wstring> paths;
        for (int i = 1; i <= n; ++i) paths.push_back(L"C:\\docs\\d" + std::to_wstring(i) + L".pages");
        Add(paths);
    }
    std::vector<std::wstring> Paths() {
        std::vector<std::wstring> paths;
        for (int i = 0; i < Queue().Count(); ++i) paths.push_back(Queue().Path(i));
        return paths;
    }
    std::vector<std::wstring> Captions() {
        std::vector<std::wstring> captions;
        for (int i = 0; i < Queue().Count(); ++i) captions.push_back(Queue().Caption(i));
        return captions;
    }
    void Select(std::initializer_list<int> rows) {
        ListView_SetItemState(Form().ListView1, -1, 0, LVIS_SELECTED);
        for (int row : rows) ListView_SetItemState(Form().ListView1, row, LVIS_SELECTED, LVIS_SELECTED);
    }
    // The middle of a row, in the list's client coordinates, from the list itself.
    POINT RowPoint(int row) {
        RECT r{};
        r.left = LVIR_BOUNDS;
        EXPECT_TRUE(::SendMessageW(Form().ListView1, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&r)));
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    // One drag through the window's handlers: drag-over at the point, then the drop.
    void DragOnto(POINT p) {
        bool accept = false;
        Form().ListView1DragOver(Form().ListView1, Form().ListView1, p.x, p.y, accept);
        EXPECT_TRUE(accept);
        Form().ListView1DragDrop(Form().ListView1, Form().ListView1, p.x, p.y);
    }
    void SetOutputFolder(const std::wstring& text) { ::SetWindowTextW(Form().Edit1, text.c_str()); }

    ScratchFolder FAppData;
};

std::vector<std::wstring> Docs(std::initializer_list<int> numbers) {
    std::vector<std::wstring> paths;
    for (int n : numbers) paths.push_back(L"C:\\docs\\d" + std::to_wstring(n) + L".pages");
    return paths;
}

}  // namespace

TEST(ApplicationShell, TitleComesFromTheProgramFileName) {
    const struct {
        const wchar_t* path;
        const wchar_t* title;
    } cases[] = {
        {L"C:\\Tools\\ConvertTool.EXE", L"Converttool"},
        {L"C:\\Tools\\My.Tool.exe", L"My"},
        {L"Z:\\build\\app\\Project2.exe", L"Project2"},
        {L"C:\\a.b\\noext", L"noext"},
        {L"PLAIN", L"Plain"},
    };
    for (const auto& c : cases) EXPECT_EQ(TitleFromModulePath(c.path), c.title) << c.path;
    // A path is read into 256 units, the last one the terminator: 255 characters are kept.
    const std::wstring longPath = L"C:\\" + std::wstring(249, L'x') + L"\\Abcdef.exe";
    EXPECT_EQ(TitleFromModulePath(longPath), L"Ab");
    EXPECT_EQ(Application.Title(), L"gui_tests");
}

TEST(ApplicationShell, ErrorDisplayAddsAFullStopAfterALetterOrDigit) {
    const struct {
        const wchar_t* message;
        const wchar_t* shown;
    } cases[] = {
        {L"data error", L"data error."},
        {L"Item not found", L"Item not found."},
        {L"Invalid ZStream operation!", L"Invalid ZStream operation!"},
        {L"x.", L"x."},
        {L"", L""},
        {L"error 3", L"error 3."},
        {L"(quoted)", L"(quoted)"},
        {L"trailing space ", L"trailing space "},
        {L"\u00e9t\u00e9", L"\u00e9t\u00e9."},
    };
    for (const auto& c : cases) {
        Boxes.clear();
        try {
            throw EZipException(c.message);
        } catch (...) {
            Application.HandleException(nullptr);
        }
        ASSERT_EQ(Boxes.size(), 1u) << c.message;
        EXPECT_EQ(Boxes[0].Text, c.shown);
        EXPECT_EQ(Boxes[0].Caption, Application.Title());
        EXPECT_EQ(Boxes[0].Flags, UINT(MB_OK | MB_ICONERROR));
    }
    Boxes.clear();
    try {
        throw EAbort(L"silent");
    } catch (...) {
        Application.HandleException(nullptr);
    }
    EXPECT_TRUE(Boxes.empty());
}

TEST(ApplicationShell, StartupErrorTextNamesClassModuleOffsetAndMessage) {
    EXPECT_EQ(StartupErrorText("EZipException", L"Project2.exe", 0x1234, L"data error"),
              L"Exception EZipException in module Project2.exe at 00001234.\r\ndata error.\r\n");
    EXPECT_EQ(StartupErrorText("Exception", L"Project2.exe", 0, L"done."),
              L"Exception Exception in module Project2.exe at 00000000.\r\ndone.\r\n");
    EXPECT_EQ(StartupErrorText("Exception", L"Project2.exe", 0, L""),
              L"Exception Exception in module Project2.exe at 00000000.\r\n\r\n");
    EXPECT_EQ(StartupErrorText("E", L"m", 0, std::wstring(2000, L'a')).size(), 1024u);
}

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

TEST(ApplicationShell, BusyCursorIsRestoredByOneDefault) {
    Screen.SetCursor(crHourGlass);
    Screen.SetCursor(crHourGlass);
    EXPECT_EQ(Screen.Cursor(), crHourGlass);
    Screen.SetCursor(crDefault);
    EXPECT_EQ(Screen.Cursor(), crDefault);
}

TEST_F(MainWindow, StartsBorderlessRoundCorneredAndEmpty) {
    HWND wnd = Form().Handle();
    ASSERT_TRUE(::IsWindow(wnd));
    EXPECT_EQ(WindowText(wnd), L"Form2");
    const LONG style = ::GetWindowLongW(wnd, GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME));
    RECT r;
    ::GetWindowRect(wnd, &r);
    EXPECT_EQ(r.right - r.left, Form().Scale(684));
    EXPECT_EQ(r.bottom - r.top, Form().Scale(525));
    EXPECT_EQ(r.left, (::GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2);
    EXPECT_EQ(r.top, (::GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2);

    HRGN region = ::CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(::GetWindowRgn(wnd, region), ERROR);
    const int w = r.right - r.left, h = r.bottom - r.top;
    EXPECT_FALSE(::PtInRegion(region, 0, 0));
    EXPECT_FALSE(::PtInRegion(region, w - 1, 0));
    EXPECT_FALSE(::PtInRegion(region, 0, h - 1));
    EXPECT_FALSE(::PtInRegion(region, w - 1, h - 1));
    EXPECT_TRUE(::PtInRegion(region, 5, 5));
    EXPECT_TRUE(::PtInRegion(region, w / 2, 0));
    EXPECT_TRUE(::PtInRegion(region, w - 1, h / 2));
    ::DeleteObject(region);

    EXPECT_EQ(Queue().Count(), 0);
    EXPECT_EQ(WindowText(Form().Edit1), L"D:\\output");
    EXPECT_FALSE(Form().SameFolderOption());
    EXPECT_TRUE(::IsWindowEnabled(Form().Edit1));
    EXPECT_TRUE(Form().SpeedButton1->Enabled());
    EXPECT_TRUE(Form().OpenDialog1.FileName.empty());
    EXPECT_EQ(Form().SpeedButton5->Caption(), L"Convert");

    const LONG listStyle = ::GetWindowLongW(Form().ListView1, GWL_STYLE);
    EXPECT_EQ(listStyle & LVS_TYPEMASK, LVS_REPORT);
    EXPECT_FALSE(listStyle & LVS_SINGLESEL);
    EXPECT_TRUE(ListView_GetExtendedListViewStyle(Form().ListView1) & LVS_EX_FULLROWSELECT);
    EXPECT_EQ(ListView_GetColumnWidth(Form().ListView1, 0), Form().Scale(50));
    EXPECT_EQ(ListView_GetColumnWidth(Form().ListView1, 1), Form().Scale(500));
    wchar_t heading[32] = {};
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT;
    col.pszText = heading;
    col.cchTextMax = 32;
    ListView_GetColumn(Form().ListView1, 0, &col);
    EXPECT_STREQ(heading, L"No.");
    ListView_GetColumn(Form().ListView1, 1, &col);
    EXPECT_STREQ(heading, L"Path");

    // The working folder was made below the application-data folder given.
    EXPECT_EQ(Form().tempDir, FAppData.Path() + L"\\Lumbrook\\");
    EXPECT_TRUE(std::filesystem::is_directory(Form().tempDir));
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(MainWindow, TabVisitsTheListTheFolderFieldAndTheOption) {
    HWND wnd = Form().Handle();
    EXPECT_EQ(::GetNextDlgTabItem(wnd, Form().ListView1, FALSE), Form().Edit1);
    EXPECT_EQ(::GetNextDlgTabItem(wnd, Form().Edit1, FALSE), Form().CheckBox1);
    EXPECT_EQ(::GetNextDlgTabItem(wnd, Form().CheckBox1, FALSE), Form().ListView1);
}

TEST_F(MainWindow, ContextMenuHoldsAddRemoveAndRemoveAll) {
    HMENU menu = Form().PopupMenu1.get();
    ASSERT_EQ(::GetMenuItemCount(menu), 3);
    const struct {
        UINT id;
        const wchar_t* text;
    } items[] = {{TForm2::Add1, L"Add"}, {TForm2::Remove1, L"Remove"}, {TForm2::RemoveAll1, L"Remove All"}};
    for (int i = 0; i < 3; ++i) {
        wchar_t text[32] = {};
        ::GetMenuStringW(menu, static_cast<UINT>(i), text, 32, MF_BYPOSITION);
        EXPECT_STREQ(text, items[i].text);
        EXPECT_EQ(::GetMenuItemID(menu, i), items[i].id);
        EXPECT_FALSE(::GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED));
    }
}

TEST_F(MainWindow, AddAppendsTheChosenPathsNumberedInOrder) {
    Add(Docs({1, 2}));
    Add(Docs({3, 4, 1}));
    EXPECT_EQ(Paths(), Docs({1, 2, 3, 4, 1}));
    EXPECT_EQ(Captions(), (std::vector<std::wstring>{L"1", L"2", L"3", L"4", L"5"}));
    EXPECT_EQ(Form().OpenDialog1.FileName, Docs({3})[0]);

    // A cancelled choice adds nothing and keeps the remembered name.
    TOpenDialog::ChooseOverride = [](std::vector<std::wstring>& files) {
        files = {L"C:\\ignored.pages"};
        return false;
    };
    Click(*Form().SpeedButton2);
    EXPECT_EQ(Queue().Count(), 5);
    EXPECT_EQ(Form().OpenDialog1.FileName, Docs({3})[0]);
}

TEST_F(MainWindow, RemoveTakesTheSelectedRowsAndRenumbers) {
    AddNumbered(5);
    Click(*Form().SpeedButton3);  // nothing selected: nothing changes
    EXPECT_EQ(Queue().Count(), 5);

    Select({1, 3});
    Click(*Form().SpeedButton3);
    EXPECT_EQ(Paths(), Docs({1, 3, 5}));
    EXPECT_EQ(Captions(), (std::vector<std::wstring>{L"1", L"2", L"3"}));

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

TEST_F(MainWindow, DropMovesTheFirstSelectedRowBeforeTheTarget) {
    const struct {
        std::initializer_list<int> selected;
        int target;
        std::initializer_list<int> order;
    } cases[] = {
        {{0}, 3, {2, 3, 1, 4, 5}},
        {{4}, 1, {1, 5, 2, 3, 4}},
        {{2}, 2, {1, 2, 3, 4, 5}},  // onto itself
        {{2}, 3, {1, 2, 3, 4, 5}},  // onto the row just below
        {{0}, 4, {2, 3, 4, 1, 5}},  // onto the last row: just before it
        {{1, 3}, 0, {2, 1, 3, 4, 5}},
    };
    for (const auto& c : cases) {
        Click(*Form().SpeedButton4);
        AddNumbered(5);
        Select(c.selected);
        DragOnto(RowPoint(c.target));
        EXPECT_EQ(Paths(), Docs(c.order)) << "target " << c.target;
        EXPECT_EQ(Captions(), (std::vector<std::wstring>{L"1", L"2", L"3", L"4", L"5"}));
    }
    // With rows 2 and 4 selected, old row 4 keeps its selection and the moved row has none.
    EXPECT_FALSE(Queue().Selected(0));
    EXPECT_TRUE(Queue().Selected(3));
}

TEST_F(MainWindow, DropOutsideRowsOrWithoutARecordChangesNothing) {
    AddNumbered(5);
    Select({0});
    POINT below = RowPoint(4);
    below.y += 60;
    DragOnto(below);
    EXPECT_EQ(Paths(), Docs({1, 2, 3, 4, 5}));

    // A drop with no drag-over before it has no recorded row.
    const POINT target = RowPoint(3);
    Form().ListView1DragDrop(Form().ListView1, Form().ListView1, target.x, target.y);
    EXPECT_EQ(Paths(), Docs({1, 2, 3, 4, 5}));

    // Something other than the list dropped.
    bool accept = false;
    Form().ListView1DragOver(Form().ListView1, Form().Edit1, target.x, target.y, accept);
    EXPECT_TRUE(accept);
    Form().ListView1DragDrop(Form().ListView1, Form().Edit1, target.x, target.y);
    EXPECT_EQ(Paths(), Docs({1, 2, 3, 4, 5}));
}

TEST_F(MainWindow, RowDragWaitsForFivePixelsThenDropsWhereTheMouseIs) {
    AddNumbered(5);
    Select({0});
    HWND list = Form().ListView1;
    auto toScreen = [list](POINT p) {
        ::ClientToScreen(list, &p);
        return p;
    };
    auto moveTo = [&](POINT screen) {
        ::SetCursorPos(screen.x, screen.y);
        POINT client = screen;
        ::ScreenToClient(Form().Handle(), &client);
        ::SendMessageW(Form().Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(client.x, client.y));
    };
    auto beginDrag = [&](int row) {
        const POINT start = toScreen(RowPoint(row));
        ::SetCursorPos(start.x, start.y);
        NMLISTVIEW info{};
        info.hdr.hwndFrom = list;
        info.hdr.idFrom = static_cast<UINT_PTR>(::GetDlgCtrlID(list));
        info.hdr.code = LVN_BEGINDRAG;
        info.iItem = row;
        info.ptAction = RowPoint(row);
        ::SendMessageW(Form().Handle(), WM_NOTIFY, info.hdr.idFrom, reinterpret_cast<LPARAM>(&info));
        return start;
    };

    // A short move and a release: a click, nothing moves.
    POINT start = beginDrag(0);
    ASSERT_EQ(Form().DragState(), TForm2::TDragState::Ready);
    moveTo(POINT{start.x + 3, start.y + 3});
    EXPECT_EQ(Form().DragState(), TForm2::TDragState::Ready);
    ::SendMessageW(Form().Handle(), WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(Form().DragState(), TForm2::TDragState::None);
    EXPECT_EQ(Paths(), Docs({1, 2, 3, 4, 5}));

    // Past the threshold, over row 4, released: row 1 goes before row 4.
    beginDrag(0);
    moveTo(toScreen(RowPoint(3)));
    EXPECT_EQ(Form().DragState(), TForm2::TDragState::Dragging);
    EXPECT_EQ(ListView_GetItemState(list, 3, LVIS_DROPHILITED), UINT(LVIS_DROPHILITED));
    ::SendMessageW(Form().Handle(), WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(Paths(), Docs({2, 3, 1, 4, 5}));
    EXPECT_EQ(ListView_GetItemState(list, 2, LVIS_DROPHILITED), 0u);

    // Escape cancels; so does a release over the output-folder box.
    Select({4});
    beginDrag(4);
    moveTo(toScreen(RowPoint(0)));
    ::SendMessageW(list, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(Form().DragState(), TForm2::TDragState::None);
    ::SendMessageW(Form().Handle(), WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(Paths(), Docs({2, 3, 1, 4, 5}));

    beginDrag(4);
    RECT edit;
    ::GetWindowRect(Form().Edit1, &edit);
    moveTo(POINT{edit.left + 5, edit.top + 5});
    EXPECT_EQ(Form().DragState(), TForm2::TDragState::Dragging);
    ::SendMessageW(Form().Handle(), WM_RBUTTONUP, 0, 0);
    EXPECT_EQ(Form().DragState(), TForm2::TDragState::None);
    EXPECT_EQ(Paths(), Docs({2, 3, 1, 4, 5}));

    // A row that is not selected starts no drag.
    Select({1});
    beginDrag(0);
    EXPECT_EQ(Form().DragState(), TForm2::TDragState::None);
}

TEST_F(MainWindow, SameFolderOptionGreysTheFolderControlsAndKeepsTheText) {
    SetOutputFolder(L"E:\\pdfs");
    ::SendMessageW(Form().CheckBox1, BM_CLICK, 0, 0);
    EXPECT_TRUE(Form().SameFolderOption());
    EXPECT_FALSE(::IsWindowEnabled(Form().Edit1));
    EXPECT_FALSE(Form().SpeedButton1->Enabled());
    EXPECT_EQ(WindowText(Form().Edit1), L"E:\\pdfs");
    ::SendMessageW(Form().CheckBox1, BM_CLICK, 0, 0);
    EXPECT_FALSE(Form().SameFolderOption());
    EXPECT_TRUE(::IsWindowEnabled(Form().Edit1));
    EXPECT_TRUE(Form().SpeedButton1->Enabled());
    EXPECT_EQ(WindowText(Form().Edit1), L"E:\\pdfs");
}

TEST_F(MainWindow, FolderPickerResultReplacesTheFolderTextUnlessCancelled) {
    std::wstring initial = L"unset";
    BrowseFolderOverride = [&](const std::wstring& folder) {
        initial = folder;
        return std::wstring(L"C:\\");
    };
    Click(*Form().SpeedButton1);
    EXPECT_EQ(initial, L"");
    EXPECT_EQ(WindowText(Form().Edit1), L"C:\\");
    BrowseFolderOverride = [](const std::wstring&) { return std::wstring(); };
    Click(*Form().SpeedButton1);
    EXPECT_EQ(WindowText(Form().Edit1), L"C:\\");
}

TEST_F(MainWindow, MessageBoxDisablesTheOtherWindowsAndRestoresFocus) {
    HWND other = ::CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                   ::GetModuleHandleW(nullptr), nullptr);
    ::SetForegroundWindow(Form().Handle());
    ::SetActiveWindow(Form().Handle());
    ::SetFocus(Form().Edit1);
    bool otherEnabledDuringBox = true;
    WhileBoxIsUp = [&] { otherEnabledDuringBox = ::IsWindowEnabled(other) != FALSE; };
    Application.MessageBox(L"text", L"caption", MB_OK);
    WhileBoxIsUp = nullptr;
    EXPECT_FALSE(otherEnabledDuringBox);
    EXPECT_TRUE(::IsWindowEnabled(other));
    EXPECT_EQ(::GetFocus(), Form().Edit1);
    ::DestroyWindow(other);
}

TEST_F(MainWindow, ErrorDisplayCancelsAPressInProgressFirst) {
    // A button held down holds the mouse; the error display takes it away before the box.
    ::SendMessageW(Form().SpeedButton2->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    ASSERT_EQ(::GetCapture(), Form().SpeedButton2->Handle());
    HWND captureDuringBox = reinterpret_cast<HWND>(1);
    WhileBoxIsUp = [&] { captureDuringBox = ::GetCapture(); };
    try {
        throw EReadError(L"Stream read error");
    } catch (...) {
        Application.HandleException(nullptr);
    }
    WhileBoxIsUp = nullptr;
    EXPECT_EQ(captureDuringBox, nullptr);
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, L"Stream read error.");
    // The release that follows is no click.
    TOpenDialog::ChooseOverride = [](std::vector<std::wstring>& files) {
        files = {L"C:\\x.pages"};
        return true;
    };
    ::SendMessageW(Form().SpeedButton2->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    EXPECT_EQ(Queue().Count(), 0);
}

TEST_F(MainWindow, HelpOpensThePageBesideTheProgram) {
    Click(*Form().SpeedButton7);
    ASSERT_EQ(ShellCalls.size(), 1u);
    EXPECT_EQ(ShellCalls[0].Verb, L"<default>");
    EXPECT_EQ(ShellCalls[0].File, TForm2::HelpFilePath());
    EXPECT_TRUE(ShellCalls[0].File.ends_with(L"\\help.html"));
}

TEST_F(MainWindow, MinimiseAndCloseButtons) {
    Click(*Form().SpeedButton6);
    EXPECT_TRUE(::IsIconic(Form().Handle()));
    Click(*Form().SpeedButton6);  // already minimised: nothing happens
    EXPECT_TRUE(::IsIconic(Form().Handle()));
    ::ShowWindow(Form().Handle(), SW_RESTORE);

    AddNumbered(2);
    Click(*Form().SpeedButton10);
    EXPECT_FALSE(::IsWindowVisible(Form().Handle()));
    EXPECT_TRUE(Pump());  // the quit message ends the loop
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(MainWindow, ConvertWithAnEmptyQueueDoesNothing) {
    SetOutputFolder(L"");
    Click(*Form().SpeedButton5);
    EXPECT_TRUE(Boxes.empty());
    EXPECT_TRUE(ShellCalls.empty());
}

TEST_F(MainWindow, ConvertWithoutAFolderTextShowsTheNoteBox) {
    AddNumbered(1);
    SetOutputFolder(L"");
    Click(*Form().SpeedButton5);
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, L"Note!");
    EXPECT_EQ(Boxes[0].Caption, L"Please set the saving path!");
    EXPECT_EQ(Boxes[0].Flags, UINT(MB_OK));
    EXPECT_TRUE(ShellCalls.empty());
}

class MainWindowBatch : public MainWindow {
protected:
    void SetUp() override {
        if (CorpusDir().empty()) GTEST_SKIP() << "the corpus folder ../shared/corpus is absent";
        MainWindow::SetUp();
    }
    std::wstring Corpus(const wchar_t* name) { return CorpusDir() + L"\\" + name; }
    ScratchFolder FOut;
};

TEST_F(MainWindowBatch, AllWrittenShowsTheSuccessBoxAndOpensTheFolder) {
    Add({Corpus(L"pages4-file.pages")});
    const std::wstring out = FOut.Path() + L"\\made\\here";
    SetOutputFolder(out);
    Click(*Form().SpeedButton5);
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, L"Successed to convert pages to pdf!");
    EXPECT_EQ(Boxes[0].Caption, L"Congratulation");
    EXPECT_EQ(Boxes[0].Flags, UINT(MB_OK));
    EXPECT_EQ(testing_support::Sha256Hex(testing_support::ReadFile(out + L"\\pages4-file.pdf")),
              "2f0fbb960085cb95b9f96e78d818bde51019fbd69f1fcf61149ddf1b62563ef7");
    ASSERT_EQ(ShellCalls.size(), 1u);
    EXPECT_EQ(ShellCalls[0].Verb, L"open");
    EXPECT_EQ(ShellCalls[0].File, L"Explorer.exe");
    EXPECT_EQ(ShellCalls[0].Parameters, out);
    EXPECT_EQ(Screen.Cursor(), crDefault);
    EXPECT_EQ(Queue().Count(), 1);
}

TEST_F(MainWindowBatch, RowsNotWrittenAreListedInTheFinishedBox) {
    // A modern document is laid out and counts as written.
    Add({Corpus(L"pages4-file.pages"), Corpus(L"pages5-file.pages"), Corpus(L"pages4-file.pages")});
    SetOutputFolder(FOut.Path());
    Click(*Form().SpeedButton5);
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Caption, L"Conversion finished");
    EXPECT_EQ(Boxes[0].Flags, UINT(MB_OK | MB_ICONWARNING));
    EXPECT_EQ(Boxes[0].Text,
              L"Converted 2 of 3 documents.\r\n"
              L"pages4-file.pages: a PDF of that name is already in the output folder");
    EXPECT_TRUE(FileExists(FOut.Path() + L"\\pages4-file.pdf"));
    EXPECT_TRUE(FileExists(FOut.Path() + L"\\pages5-file.pdf"));
    ASSERT_EQ(ShellCalls.size(), 1u);
}

TEST_F(MainWindowBatch, AnErrorEndsTheBatchAtItsRowAndIsShown) {
    const std::wstring notZip = FOut.Path() + L"\\broken.pages";
    testing_support::WriteFile(notZip, std::string("this is not a zip package"));
    const std::wstring out = FOut.Path() + L"\\out";
    Add({Corpus(L"pages4-file.pages"), notZip, Corpus(L"pages5-file.pages")});
    SetOutputFolder(out);
    Click(*Form().SpeedButton5);
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Caption, Application.Title());
    EXPECT_EQ(Boxes[0].Flags, UINT(MB_OK | MB_ICONERROR));
    ASSERT_FALSE(Boxes[0].Text.empty());
    EXPECT_EQ(Boxes[0].Text.back(), L'.');
    EXPECT_TRUE(FileExists(out + L"\\pages4-file.pdf"));
    EXPECT_TRUE(ShellCalls.empty());
    EXPECT_EQ(Screen.Cursor(), crDefault);
    EXPECT_EQ(Queue().Count(), 3);
}

TEST_F(MainWindowBatch, SameFolderOptionWritesBesideTheDocument) {
    const std::wstring doc = FOut.Path() + L"\\docs\\Report.v2.pages";
    testing_support::WriteFile(doc, testing_support::ReadFile(Corpus(L"pages4-file.pages")));
    const std::wstring out = FOut.Path() + L"\\unused";
    Add({doc});
    SetOutputFolder(out);
    ::SendMessageW(Form().CheckBox1, BM_CLICK, 0, 0);
    Click(*Form().SpeedButton5);
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, L"Successed to convert pages to pdf!");
    EXPECT_TRUE(ShellCalls.empty());
    EXPECT_TRUE(std::filesystem::is_directory(out));  // made although nothing goes there
    EXPECT_TRUE(FileExists(FOut.Path() + L"\\docs\\Report.v2.pdf"));
}

namespace {

void SendMouse(DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    ::SendInput(1, &input, sizeof(input));
}

void SendKey(WORD key, DWORD flags) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = flags;
    ::SendInput(1, &input, sizeof(input));
}

// Moves the pointer in small steps, letting the window see every step.
void GlideTo(POINT from, POINT to) {
    for (int i = 1; i <= 10; ++i) {
        ::SetCursorPos(from.x + (to.x - from.x) * i / 10, from.y + (to.y - from.y) * i / 10);
        SendMouse(MOUSEEVENTF_MOVE);
        Pump();
    }
}

}  // namespace

TEST_F(MainWindow, RealMouseDragMovesARowUnlessCtrlWasHeldAtThePress) {
    for (const bool ctrl : {false, true}) {
        Click(*Form().SpeedButton4);
        AddNumbered(5);
        HWND list = Form().ListView1;
        ::SetForegroundWindow(Form().Handle());
        Pump();
        POINT from = RowPoint(0), to = RowPoint(3);
        ::ClientToScreen(list, &from);
        ::ClientToScreen(list, &to);
        ::SetCursorPos(from.x, from.y);
        SendMouse(MOUSEEVENTF_MOVE);
        Pump();
        if (ctrl) SendKey(VK_CONTROL, 0);
        SendMouse(MOUSEEVENTF_LEFTDOWN);
        Pump();
        if (ctrl) SendKey(VK_CONTROL, KEYEVENTF_KEYUP);
        GlideTo(from, to);
        SendMouse(MOUSEEVENTF_LEFTUP);
        Pump();
        EXPECT_EQ(Form().DragState(), TForm2::TDragState::None);
        EXPECT_EQ(Paths(), ctrl ? Docs({1, 2, 3, 4, 5}) : Docs({2, 3, 1, 4, 5})) << (ctrl ? "with Ctrl" : "plain");
    }
}

TEST_F(MainWindow, OnlyALeftPressOnTheBannerMovesTheWindow) {
    const struct {
        const char* what;
        DWORD down, up;
        POINT design;  // where the press is, in design pixels of the window
        bool moves;
    } cases[] = {
        {"left on the banner", MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, {450, 20}, true},
        {"right on the banner", MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, {450, 20}, false},
        {"left on the background", MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, {300, 377}, false},
        {"left on the footer", MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, {300, 510}, false},
    };
    HWND wnd = Form().Handle();
    for (const auto& c : cases) {
        ::SetForegroundWindow(wnd);
        Pump();
        RECT before;
        ::GetWindowRect(wnd, &before);
        const POINT from{before.left + Form().Scale(c.design.x), before.top + Form().Scale(c.design.y)};
        ::SetCursorPos(from.x, from.y);
        SendMouse(MOUSEEVENTF_MOVE);
        Pump();
        // The whole gesture is queued before the press is handled: the system's move loop reads it.
        SendMouse(c.down);
        for (int i = 1; i <= 10; ++i) {
            ::SetCursorPos(from.x - 4 * i, from.y + 3 * i);
            SendMouse(MOUSEEVENTF_MOVE);
        }
        SendMouse(c.up);
        Pump();
        RECT after;
        ::GetWindowRect(wnd, &after);
        EXPECT_EQ(after.left - before.left, c.moves ? -40 : 0) << c.what;
        EXPECT_EQ(after.top - before.top, c.moves ? 30 : 0) << c.what;
    }
}

namespace {

// Answers the next dialog of this thread from inside its own modal loop: a timer fires once
// the dialog idles, and the answer is given to whatever dialog is then open.
struct TDialogAnswer {
    std::function<void(HWND dialog)> Answer;
    std::wstring SeenTitle;
    std::vector<std::wstring> SeenTexts;
    bool Answered = false;
    bool StillOpen = false;
};
TDialogAnswer* PendingAnswer = nullptr;

HWND OpenDialogOfThisThread() {
    HWND found = nullptr;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND wnd, LPARAM param) WINAPI -> BOOL {
            wchar_t cls[64] = {};
            ::GetClassNameW(wnd, cls, 64);
            if (std::wstring(cls) == L"#32770" && ::IsWindowVisible(wnd)) {
                *reinterpret_cast<HWND*>(param) = wnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

void CALLBACK AnswerDialog(HWND, UINT, UINT_PTR id, DWORD) {
    HWND dialog = OpenDialogOfThisThread();
    if (!dialog || !PendingAnswer) return;
    if (PendingAnswer->Answered) {
        // The answer did not close it: give up rather than hang.
        PendingAnswer->StillOpen = true;
        ::KillTimer(nullptr, id);
        ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    PendingAnswer->Answered = true;
    PendingAnswer->SeenTitle = WindowText(dialog);
    ::EnumChildWindows(
        dialog,
        [](HWND child, LPARAM param) WINAPI -> BOOL {
            reinterpret_cast<std::vector<std::wstring>*>(param)->push_back(WindowText(child));
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&PendingAnswer->SeenTexts));
    PendingAnswer->Answer(dialog);
}

// Runs action (which opens a dialog) with answer ready for the dialog.
void WithDialogAnswer(TDialogAnswer& answer, const std::function<void()>& action) {
    PendingAnswer = &answer;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 500, &AnswerDialog);
    action();
    ::KillTimer(nullptr, timer);
    PendingAnswer = nullptr;
    EXPECT_FALSE(answer.StillOpen) << "the dialog stayed open after its answer";
}

bool Contains(const std::vector<std::wstring>& texts, const std::wstring& text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

}  // namespace

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
    void TearDown() override {
        TOpenDialog::ForceDialogKind = -1;
        MainWindow::TearDown();
    }
};

TEST_P(RealFileChooser, AddsTheChosenDocumentAndRemembersIt) {
    TOpenDialog::ForceDialogKind = GetParam();
    const std::wstring corpus = CorpusDir();
    if (corpus.empty()) GTEST_SKIP() << "the corpus folder ../shared/corpus is absent";
    const std::wstring doc = corpus + L"\\pages4-file.pages";
    TDialogAnswer answer;
    answer.Answer = [doc](HWND dialog) {
        // The file name field of the explorer-style dialog.
        ::SetDlgItemTextW(dialog, ::GetDlgItem(dialog, edt1) ? edt1 : cmb13, doc.c_str());
        ::PostMessageW(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    };
    WithDialogAnswer(answer, [&] { Click(*Form().SpeedButton2); });
    ASSERT_TRUE(answer.Answered);
    EXPECT_EQ(Paths(), std::vector<std::wstring>{doc});
    EXPECT_EQ(Form().OpenDialog1.FileName, doc);

    TDialogAnswer cancel;
    cancel.Answer = [](HWND dialog) { ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); };
    WithDialogAnswer(cancel, [&] { Click(*Form().SpeedButton2); });
    ASSERT_TRUE(cancel.Answered);
    // The dialog may show the offered name without its folder, opening in that folder.
    EXPECT_TRUE(Contains(cancel.SeenTexts, doc) || Contains(cancel.SeenTexts, L"pages4-file.pages"))
        << "the last choice is offered as the file name";
    EXPECT_EQ(Paths(), std::vector<std::wstring>{doc});
}

INSTANTIATE_TEST_SUITE_P(BothDialogs, RealFileChooser, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<int>& kind) {
                             return std::string(kind.param == 1 ? "CommonItemDialog" : "OlderDialog");
                         });

namespace {

constexpr char kStartupErrorChild[] = "--startup-error-child";

// The child's boxes go to its standard output: text, caption and flags, one per line.
int WINAPI PrintBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT flags) {
    const std::wstring line = std::wstring(text) + L"|" + caption + L"|" + std::to_wstring(flags) +
                              L"|" + (owner ? L"owned" : L"no owner");
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size() * sizeof(wchar_t)),
                &written, nullptr);
    return IDOK;
}

}  // namespace

TEST(ApplicationShell, AnErrorEscapingStartUpShowsApplicationErrorAndExitsWithOne) {
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" --startup-error-child";
    SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    ASSERT_TRUE(::CreatePipe(&readEnd, &writeEnd, &sa, 0));
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd;
    si.hStdError = writeEnd;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi));
    ::CloseHandle(writeEnd);
    std::string bytes;
    char buffer[4096];
    DWORD n = 0;
    while (::ReadFile(readEnd, buffer, sizeof(buffer), &n, nullptr) && n > 0) bytes.append(buffer, n);
    ::WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD exitCode = 0;
    ::GetExitCodeProcess(pi.hProcess, &exitCode);
    ::CloseHandle(pi.hProcess);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(readEnd);

    EXPECT_EQ(exitCode, 1u);
    const std::wstring shown(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    EXPECT_EQ(shown,
              L"Exception EZipException in module gui_tests.exe at 00000000.\r\nError reading zip file.\r\n"
              L"|Application Error|8208|no owner");
}

// The program's own entry is not linked here: this main runs the tests, or, as a child
// process, lets an error escape the start-up sequence.
int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == kStartupErrorChild) {
        MessageBoxHook = &PrintBox;
        try {
            throw EZipException(L"Error reading zip file");
        } catch (const std::exception& e) {
            ShowStartupErrorAndExit(e);
        }
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
