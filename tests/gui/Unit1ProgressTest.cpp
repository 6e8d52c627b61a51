// Progress during a batch: the row being converted shown, the footer's text, and a window that keeps
// painting (and takes no input) while a row's work runs on its own thread; each row's outcome after it.
#include "GuiSupport.h"

#include <atomic>

#include "convert/Queue.h"
#include "platform/Exception.h"

using namespace gui_testing;
using testsupport::CorpusDir;

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
    std::vector<TRowMark> Marks() {
        std::vector<TRowMark> marks;
        for (int row = 0; row < Form().Queue().Count(); ++row) marks.push_back(Form().Queue().Mark(row));
        return marks;
    }
    // The tip the list asks the window for when the pointer rests on the row.
    std::wstring ShownTip(int row) {
        wchar_t buffer[1024] = L"row text";
        NMLVGETINFOTIPW tip{};
        tip.hdr.hwndFrom = Form().ListView1;
        tip.hdr.code = LVN_GETINFOTIPW;
        tip.pszText = buffer;
        tip.cchTextMax = 1024;
        tip.iItem = row;
        ::SendMessageW(Form().Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&tip));
        return buffer;
    }
};

TEST_F(Progress, EachRowShowsWhatItCameToAndWhy) {
    if (CorpusDir().empty()) GTEST_SKIP() << "the corpus folder ../shared/corpus is absent";
    testsupport::TScratchFolder out;
    const std::wstring old = CorpusDir() + L"\\pages4-file.pages", modern = CorpusDir() + L"\\pages5-file.pages";
    Add({old, modern, old});  // the second copy finds the first one's PDF in the folder
    SetOutputFolder(out.Path());
    Click(*Form().SpeedButton5);
    EXPECT_EQ(Marks(), (std::vector<TRowMark>{TRowMark::rmWritten, TRowMark::rmLaidOut, TRowMark::rmNotWritten}));
    const std::wstring tips[] = {L"Written: Apple's own PDF, copied to " + out.Path() + L"\\pages4-file.pdf",
                                 L"Laid out by pages2pdf: " + out.Path() + L"\\pages5-file.pdf",
                                 L"Not written: a PDF of that name is already in the output folder"};
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(Form().Queue().Tip(row), tips[row]);
        EXPECT_EQ(ShownTip(row), tips[row]);
    }
    // A row added shows nothing; a row removed takes its mark along, the others keep theirs.
    Add({L"C:\\docs\\new.pages"});
    EXPECT_EQ(Form().Queue().Mark(3), TRowMark::rmNone);
    EXPECT_EQ(ShownTip(3), L"row text");
    Select({0});
    RemoveSelectedRows(Form().Queue());
    EXPECT_EQ(Marks(), (std::vector<TRowMark>{TRowMark::rmLaidOut, TRowMark::rmNotWritten, TRowMark::rmNone}));
    EXPECT_EQ(Form().Queue().Tip(0), tips[1]);
}

TEST_F(Progress, ABatchStoppedByAnErrorMarksThatRowAndNoneAfterIt) {
    if (CorpusDir().empty()) GTEST_SKIP() << "the corpus folder ../shared/corpus is absent";
    testsupport::TScratchFolder out, docs;
    const std::wstring broken = docs.Path() + L"\\Broken.pages";
    testsupport::WriteFile(broken, std::string(64, 'x'));
    Add({CorpusDir() + L"\\pages4-file.pages", broken, CorpusDir() + L"\\pages5-file.pages"});
    SetOutputFolder(out.Path());
    Click(*Form().SpeedButton5);
    EXPECT_EQ(Marks(), (std::vector<TRowMark>{TRowMark::rmWritten, TRowMark::rmError, TRowMark::rmNone}));
    const std::wstring tip = Form().Queue().Tip(1);
    ASSERT_EQ(tip.rfind(L"Error: ", 0), 0u);
    ASSERT_FALSE(Boxes.empty());
    EXPECT_NE(Boxes.back().Text.find(tip.substr(7)), std::wstring::npos) << "the box says what the row says";
    // Converted again without the broken row: each row shows this batch's outcome.
    Select({1});
    RemoveSelectedRows(Form().Queue());
    Click(*Form().SpeedButton5);
    EXPECT_EQ(Marks(), (std::vector<TRowMark>{TRowMark::rmNotWritten, TRowMark::rmLaidOut}));
}

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
