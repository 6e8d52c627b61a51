// The window as made: its shape, size and place, its components, the working folder, and moving by the banner.
#include "GuiSupport.h"

#include <filesystem>

using namespace gui_testing;

namespace {

TEST_F(MainWindow, IsBorderlessAndTitledForm2) {
    HWND wnd = Form().Handle();
    ASSERT_TRUE(::IsWindow(wnd));
    EXPECT_EQ(WindowText(wnd), L"Form2");
    const LONG style = ::GetWindowLongW(wnd, GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME));
}

TEST_F(MainWindow, HasTheDesignSizeAndIsCentredOnTheScreen) {
    RECT r;
    ::GetWindowRect(Form().Handle(), &r);
    EXPECT_EQ(r.right - r.left, Form().Scale(684));
    EXPECT_EQ(r.bottom - r.top, Form().Scale(525));
    EXPECT_EQ(r.left, (::GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2);
    EXPECT_EQ(r.top, (::GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2);
}

TEST_F(MainWindow, CornersAreCutAlongATenPixelEllipse) {
    HWND wnd = Form().Handle();
    RECT r;
    ::GetWindowRect(wnd, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    HRGN region = ::CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(::GetWindowRgn(wnd, region), ERROR);
    const struct {
        const char* what;
        POINT p;
        bool inside;
    } cases[] = {
        {"top-left corner", {0, 0}, false},
        {"top-right corner", {w - 1, 0}, false},
        {"bottom-left corner", {0, h - 1}, false},
        {"bottom-right corner", {w - 1, h - 1}, false},
        {"inside the top-left curve", {5, 5}, true},
        {"middle of the top edge", {w / 2, 0}, true},
        {"middle of the right edge", {w - 1, h / 2}, true},
    };
    for (const auto& c : cases) EXPECT_EQ(::PtInRegion(region, c.p.x, c.p.y) != FALSE, c.inside) << c.what;
    ::DeleteObject(region);
}

TEST_F(MainWindow, StartsWithAnEmptyQueueAndTheDefaultOutputFolder) {
    EXPECT_EQ(Queue().Count(), 0);
    EXPECT_EQ(WindowText(Form().Edit1), L"D:\\output");
    EXPECT_FALSE(SameFolderOptionTicked());
    EXPECT_TRUE(::IsWindowEnabled(Form().Edit1));
    EXPECT_TRUE(Form().SpeedButton1->Enabled());
    EXPECT_TRUE(Form().OpenDialog1.FileName.empty());
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(MainWindow, BannerButtonsCarryTheirCaptions) {
    const struct {
        const TSpeedButton* button;
        const wchar_t* caption;
    } cases[] = {
        {Form().SpeedButton2.get(), L"Add"},      {Form().SpeedButton3.get(), L"Remove"},
        {Form().SpeedButton4.get(), L"Remove All"}, {Form().SpeedButton5.get(), L"Convert"},
        {Form().SpeedButton7.get(), L"Help"},     {Form().SpeedButton6.get(), L""},
        {Form().SpeedButton10.get(), L""},        {Form().SpeedButton1.get(), L"..."},
    };
    for (const auto& c : cases) EXPECT_EQ(c.button->Caption(), c.caption);
}

TEST_F(MainWindow, ListIsAReportWithNoAndPathColumns) {
    HWND list = Form().ListView1;
    const LONG listStyle = ::GetWindowLongW(list, GWL_STYLE);
    EXPECT_EQ(listStyle & LVS_TYPEMASK, LVS_REPORT);
    EXPECT_FALSE(listStyle & LVS_SINGLESEL);
    EXPECT_TRUE(ListView_GetExtendedListViewStyle(list) & LVS_EX_FULLROWSELECT);
    const struct {
        const wchar_t* heading;
        int width;
    } columns[] = {{L"No.", 50}, {L"Path", 500}};
    for (int i = 0; i < 2; ++i) {
        wchar_t heading[32] = {};
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT;
        col.pszText = heading;
        col.cchTextMax = 32;
        ListView_GetColumn(list, i, &col);
        EXPECT_STREQ(heading, columns[i].heading);
        EXPECT_EQ(ListView_GetColumnWidth(list, i), Form().Scale(columns[i].width)) << columns[i].heading;
    }
}

TEST_F(MainWindow, FormCreateMakesTheWorkingFolderBelowTheApplicationDataFolder) {
    // A folder of the window's own there, so command-line runs can convert at the same time.
    const std::wstring root = FAppData.Path() + L"\\Lumbrook\\";
    EXPECT_EQ(Form().Engine().tempDir.substr(0, root.size()), root);
    EXPECT_GT(Form().Engine().tempDir.size(), root.size());
    EXPECT_TRUE(std::filesystem::is_directory(Form().Engine().tempDir));
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

}  // namespace
