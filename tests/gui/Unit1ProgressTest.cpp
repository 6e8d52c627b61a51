// Progress during a batch: the row being converted shown, the footer's text, and a window that keeps
// painting (and takes no input) while a row's work runs on its own thread.
#include "GuiSupport.h"

#include <atomic>

#include "platform/Exception.h"

using namespace gui_testing;

namespace {

std::atomic<int> gPaints{0}, gTimers{0};

LRESULT CALLBACK CountingProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        ::BeginPaint(wnd, &ps);
        ::EndPaint(wnd, &ps);
        ++gPaints;
        return 0;
    }
    return ::DefWindowProcW(wnd, msg, wParam, lParam);
}

void CALLBACK CountTimer(HWND, UINT, UINT_PTR, DWORD) { ++gTimers; }

// Waits, on the row's thread, for what only the window's thread can make happen.
bool WaitFor(const std::function<bool()>& condition) {
    for (int i = 0; i < 2000; ++i) {
        if (condition()) return true;
        ::Sleep(10);
    }
    return false;
}

class Progress : public MainWindow {
protected:
    std::wstring Note() { return WindowText(Form().Label1); }
};

TEST_F(Progress, TheRowBeingConvertedIsShownAndNamedInTheFooter) {
    AddNumbered(40);
    HWND list = Form().ListView1;
    TWindowBatchFrontEnd& ui = Form().BatchFrontEnd();
    ui.RowStarted(34, 40);
    EXPECT_EQ(Note(), L"Converting 35 of 40: d35.pages");
    const int top = static_cast<int>(::SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
    const int perPage = static_cast<int>(::SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
    EXPECT_LE(top, 34);
    EXPECT_GT(top + perPage, 34);
    ui.BatchEnded();
    EXPECT_EQ(Note(), L"");
}

TEST_F(Progress, TheWindowPaintsWhileARowIsConvertedAndDropsInput) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = CountingProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"pages2pdf-paint-counter";
    ::RegisterClassW(&wc);
    HWND counter = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                     wc.hInstance, nullptr);
    ASSERT_TRUE(counter);
    Pump();
    AddNumbered(3);
    Select({0});
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, CountTimer);
    gTimers = 0;
    bool painted = false, timed = false;
    HWND window = Form().Handle(), list = Form().ListView1;
    Form().BatchFrontEnd().RunRow([&] {
        // Input that reaches the window during the row: a Delete key on the list, a click.
        ::PostMessageW(list, WM_KEYDOWN, VK_DELETE, 0);
        ::PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        ::PostMessageW(window, WM_APP + 7, 0, 0);
        const int before = gPaints;
        ::InvalidateRect(counter, nullptr, TRUE);
        painted = WaitFor([&] { return gPaints > before; });
        timed = WaitFor([] { return gTimers >= 3; });
    });
    ::KillTimer(nullptr, timer);
    EXPECT_TRUE(painted);
    EXPECT_TRUE(timed);
    MSG msg;
    EXPECT_FALSE(::PeekMessageW(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_NOREMOVE));
    EXPECT_FALSE(::PeekMessageW(&msg, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_NOREMOVE));
    // Other messages wait for the batch's end.
    EXPECT_TRUE(::PeekMessageW(&msg, window, WM_APP + 7, WM_APP + 7, PM_REMOVE));
    Pump();
    EXPECT_EQ(Queue().Count(), 3);
    ::DestroyWindow(counter);
}

TEST_F(Progress, WhatARowsWorkThrowsReachesTheBatch) {
    TWindowBatchFrontEnd& ui = Form().BatchFrontEnd();
    try {
        ui.RunRow([] { throw EZipException(L"The package is damaged."); });
        ADD_FAILURE() << "nothing thrown";
    } catch (const EZipException& e) {
        EXPECT_EQ(e.Message(), L"The package is damaged.");
    }
    int runs = 0;
    ui.RunRow([&] { ++runs; });
    EXPECT_EQ(runs, 1);
}

}  // namespace
