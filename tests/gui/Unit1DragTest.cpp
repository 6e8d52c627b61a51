// The row drag of ListView1: the drop handlers, the 5-pixel threshold, the pointers, cancelling, real mouse input.
#include "GuiSupport.h"

using namespace gui_testing;

namespace {

// One drag through the window's handlers: drag-over at the point, then the drop.
class DragHandlers : public MainWindow {
protected:
    void DragOnto(POINT p) {
        bool accept = false;
        Form().ListView1DragOver(Form().ListView1, Form().ListView1, p.x, p.y, accept);
        EXPECT_TRUE(accept);
        Form().ListView1DragDrop(Form().ListView1, Form().ListView1, p.x, p.y);
    }
};

TEST_F(DragHandlers, DropMovesTheFirstSelectedRowBeforeTheTarget) {
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
}

TEST_F(DragHandlers, TheMovedRowIsUnselectedAndTheOthersKeepTheirSelection) {
    AddNumbered(5);
    Select({1, 3});
    DragOnto(RowPoint(0));
    EXPECT_FALSE(Queue().Selected(0));  // the moved copy of row 2
    EXPECT_TRUE(Queue().Selected(3));   // row 4, still selected
}

TEST_F(DragHandlers, DropBelowTheLastRowChangesNothing) {
    AddNumbered(5);
    Select({0});
    POINT below = RowPoint(4);
    below.y += 60;
    DragOnto(below);
    EXPECT_EQ(Paths(), Docs({1, 2, 3, 4, 5}));
}

TEST_F(DragHandlers, DropWithoutADragOverBeforeItChangesNothing) {
    AddNumbered(5);
    Select({0});
    const POINT target = RowPoint(3);
    Form().ListView1DragDrop(Form().ListView1, Form().ListView1, target.x, target.y);
    EXPECT_EQ(Paths(), Docs({1, 2, 3, 4, 5}));
}

TEST_F(DragHandlers, SomethingOtherThanTheListIsAcceptedButMovesNothing) {
    AddNumbered(5);
    Select({0});
    const POINT target = RowPoint(3);
    bool accept = false;
    Form().ListView1DragOver(Form().ListView1, Form().Edit1, target.x, target.y, accept);
    EXPECT_TRUE(accept);
    Form().ListView1DragDrop(Form().ListView1, Form().Edit1, target.x, target.y);
    EXPECT_EQ(Paths(), Docs({1, 2, 3, 4, 5}));
}

// The drag as the window plays it: LVN_BEGINDRAG from the list, then pointer moves and a release.
class RowDrag : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        AddNumbered(5);
    }
    HWND List() { return Form().ListView1; }
    POINT ToScreen(POINT p) {
        ::ClientToScreen(List(), &p);
        return p;
    }
    void MoveTo(POINT screen) {
        ::SetCursorPos(screen.x, screen.y);
        POINT client = screen;
        ::ScreenToClient(Form().Handle(), &client);
        ::SendMessageW(Form().Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(client.x, client.y));
    }
    // The list's report that a press on the row left its drag-detection area; returns where the pointer is.
    POINT BeginDrag(int row) {
        const POINT start = ToScreen(RowPoint(row));
        ::SetCursorPos(start.x, start.y);
        NMLISTVIEW info{};
        info.hdr.hwndFrom = List();
        info.hdr.idFrom = static_cast<UINT_PTR>(::GetDlgCtrlID(List()));
        info.hdr.code = LVN_BEGINDRAG;
        info.iItem = row;
        info.ptAction = RowPoint(row);
        ::SendMessageW(Form().Handle(), WM_NOTIFY, info.hdr.idFrom, reinterpret_cast<LPARAM>(&info));
        return start;
    }
    void Release(UINT message = WM_LBUTTONUP) { ::SendMessageW(Form().Handle(), message, 0, 0); }
};

TEST_F(RowDrag, AMoveShortOfFivePixelsAndAReleaseIsOnlyAClick) {
    Select({0});
    const POINT start = BeginDrag(0);
    ASSERT_EQ(Form().DragState(), TForm2::TDragState::drReady);
    MoveTo(POINT{start.x + 4, start.y + 4});
    EXPECT_EQ(Form().DragState(), TForm2::TDragState::drReady);
    Release();
    EXPECT_EQ(Form().DragState(), TForm2::TDragState::drNone);
    EXPECT_EQ(Paths(), Docs({1, 2, 3, 4, 5}));
}

TEST_F(RowDrag, FivePixelsEitherWayStartTheDrag) {
    const POINT steps[] = {{5, 0}, {0, 5}, {-5, 0}, {0, -5}};
    for (const POINT step : steps) {
        Select({2});
        const POINT start = BeginDrag(2);
        MoveTo(POINT{start.x + step.x, start.y + step.y});
        EXPECT_EQ(Form().DragState(), TForm2::TDragState::drDragging) << step.x << "," << step.y;
        ::SendMessageW(List(), WM_KEYDOWN, VK_ESCAPE, 0);
    }
}

TEST_F(RowDrag, AReleaseOverARowDropsBeforeItAndClearsTheHighlight) {
    Select({0});
    BeginDrag(0);
    MoveTo(ToScreen(RowPoint(3)));
    EXPECT_EQ(Form().DragState(), TForm2::TDragState::drDragging);
    EXPECT_EQ(ListView_GetItemState(List(), 3, LVIS_DROPHILITED), UINT(LVIS_DROPHILITED));
    Release();
    EXPECT_EQ(Paths(), Docs({2, 3, 1, 4, 5}));
    for (int row = 0; row < 5; ++row) EXPECT_EQ(ListView_GetItemState(List(), row, LVIS_DROPHILITED), 0u) << row;
}

TEST_F(RowDrag, ThePointerShowsTheDragCursorOverTheListAndNoDropElsewhere) {
    Select({0});
    BeginDrag(0);
    MoveTo(ToScreen(RowPoint(3)));
    ASSERT_EQ(Form().DragState(), TForm2::TDragState::drDragging);
    ASSERT_NE(Form().DragCursor(), nullptr);
    EXPECT_EQ(::GetCursor(), Form().DragCursor()) << "over a row";
    RECT edit;
    ::GetWindowRect(Form().Edit1, &edit);
    MoveTo(POINT{edit.left + 5, edit.top + 5});
    EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_NO)) << "over the folder field";
    MoveTo(ToScreen(RowPoint(1)));
    EXPECT_EQ(::GetCursor(), Form().DragCursor()) << "back over a row";
    Release();
    EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_ARROW)) << "after the drop";
}

TEST_F(RowDrag, EscapeCancelsTheDrag) {
    Select({4});
    BeginDrag(4);
    MoveTo(ToScreen(RowPoint(0)));
    ::SendMessageW(List(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(Form().DragState(), TForm2::TDragState::drNone);
    Release();
    EXPECT_EQ(Paths(), Docs({1, 2, 3, 4, 5}));
}

TEST_F(RowDrag, ARightReleaseOverTheOutputFolderBoxEndsTheDragWithoutEffect) {
    Select({4});
    BeginDrag(4);
    RECT edit;
    ::GetWindowRect(Form().Edit1, &edit);
    MoveTo(POINT{edit.left + 5, edit.top + 5});
    EXPECT_EQ(Form().DragState(), TForm2::TDragState::drDragging);
    Release(WM_RBUTTONUP);
    EXPECT_EQ(Form().DragState(), TForm2::TDragState::drNone);
    EXPECT_EQ(Paths(), Docs({1, 2, 3, 4, 5}));
}

TEST_F(RowDrag, ARowThatIsNotSelectedStartsNoDrag) {
    Select({1});
    BeginDrag(0);
    EXPECT_EQ(Form().DragState(), TForm2::TDragState::drNone);
}

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
        EXPECT_EQ(Form().DragState(), TForm2::TDragState::drNone);
        EXPECT_EQ(Paths(), ctrl ? Docs({1, 2, 3, 4, 5}) : Docs({2, 3, 1, 4, 5})) << (ctrl ? "with Ctrl" : "plain");
    }
}

}  // namespace
