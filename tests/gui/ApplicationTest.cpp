// The application shell: the title, the error displays, the busy cursor, message boxes and CreateForm.
#include "GuiSupport.h"

using namespace gui_testing;

namespace {

TEST(ApplicationShell, TitleComesFromTheProgramFileName) {
    const struct {
        std::wstring path;
        const wchar_t* title;
    } cases[] = {
        {L"C:\\Tools\\ConvertTool.EXE", L"Converttool"},
        {L"C:\\Tools\\My.Tool.exe", L"My"},
        {L"Z:\\build\\app\\Project2.exe", L"Project2"},
        {L"C:\\a.b\\noext", L"noext"},
        {L"PLAIN", L"Plain"},
        // A path is read into 256 units, the last one the terminator: 255 characters are kept.
        {L"C:\\" + std::wstring(249, L'x') + L"\\Abcdef.exe", L"Ab"},
    };
    for (const auto& c : cases) EXPECT_EQ(TitleFromModulePath(c.path), c.title) << c.path;
}

TEST(ApplicationShell, TitleOfThisProgramIsItsFileName) { EXPECT_EQ(Application.Title(), L"gui_tests"); }

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
}

TEST(ApplicationShell, ErrorDisplayIsSilentForEAbort) {
    Boxes.clear();
    try {
        throw EAbort(L"silent");
    } catch (...) {
        Application.HandleException(nullptr);
    }
    EXPECT_TRUE(Boxes.empty());
}

TEST(ApplicationShell, StartupErrorTextNamesClassModuleOffsetAndMessage) {
    const struct {
        const char* className;
        std::uintptr_t offset;
        const wchar_t* message;
        const wchar_t* text;
    } cases[] = {
        {"EZipException", 0x1234, L"data error",
         L"Exception EZipException in module Project2.exe at 00001234.\r\ndata error.\r\n"},
        {"Exception", 0, L"done.", L"Exception Exception in module Project2.exe at 00000000.\r\ndone.\r\n"},
        {"Exception", 0, L"", L"Exception Exception in module Project2.exe at 00000000.\r\n\r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StartupErrorText(c.className, L"Project2.exe", c.offset, c.message), c.text) << c.className;
}

TEST(ApplicationShell, StartupErrorTextIsCutAt1024Characters) {
    EXPECT_EQ(StartupErrorText("E", L"m", 0, std::wstring(2000, L'a')).size(), 1024u);
}

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

TEST(ApplicationShell, BusyCursorIsRestoredByOneDefault) {
    Screen.SetCursor(crHourGlass);
    Screen.SetCursor(crHourGlass);
    EXPECT_EQ(Screen.Cursor(), crHourGlass);
    Screen.SetCursor(crDefault);
    EXPECT_EQ(Screen.Cursor(), crDefault);
}

TEST(MessageBoxPlacement, BoxGoesToTheActiveWindowsMonitorUnlessAlreadyThere) {
    const RECT primary{0, 0, 1024, 768}, primaryWork{0, 0, 1024, 738};
    const RECT right{1024, 0, 2048, 768}, rightWork{1024, 0, 2048, 738};
    const RECT left{-1280, -200, 0, 824}, leftWork{-1280, -200, 0, 784};
    const struct {
        const char* what;
        RECT box, monitor, work, placed;
    } cases[] = {
        {"on the primary, active window on the primary", {412, 319, 612, 419}, primary, primaryWork,
         {412, 319, 612, 419}},
        {"on the primary, active window on the right", {412, 319, 612, 419}, right, rightWork,
         {1436, 319, 1636, 419}},
        {"on the primary, active window on the left", {412, 319, 612, 419}, left, leftWork,
         {-740, 242, -540, 342}},
        {"already on the right", {1100, 10, 1300, 110}, right, rightWork, {1100, 10, 1300, 110}},
        {"centre just inside the right monitor", {924, 300, 1126, 400}, right, rightWork, {924, 300, 1126, 400}},
        {"centre just short of it", {822, 300, 1024, 400}, right, rightWork, {1435, 319, 1637, 419}},
        {"wider than the monitor's work area", {0, 0, 1200, 100}, right, rightWork, {1024, 319, 2224, 419}},
    };
    for (const auto& c : cases) {
        const RECT placed = MessageBoxRectOnMonitor(c.box, c.monitor, c.work);
        EXPECT_EQ(placed.left, c.placed.left) << c.what;
        EXPECT_EQ(placed.top, c.placed.top) << c.what;
        EXPECT_EQ(placed.right, c.placed.right) << c.what;
        EXPECT_EQ(placed.bottom, c.placed.bottom) << c.what;
    }
}

// Monitors as the system lists them.
std::vector<RECT> Monitors() {
    std::vector<RECT> monitors;
    ::EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR, HDC, LPRECT r, LPARAM param) WINAPI -> BOOL {
            reinterpret_cast<std::vector<RECT>*>(param)->push_back(*r);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

TEST_F(MainWindow, ARealBoxShowsOnTheMonitorOfTheActiveWindow) {
    // Under one monitor this checks only that the box stays on it; the two-monitor run moves the window.
    const std::vector<RECT> monitors = Monitors();
    ASSERT_FALSE(monitors.empty());
    const RECT target = monitors.back();
    HWND wnd = Form().Handle();
    ::SetWindowPos(wnd, nullptr, target.left + 20, target.top + 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ::SetForegroundWindow(wnd);
    ::SetActiveWindow(wnd);
    Pump();
    MessageBoxHook = &::MessageBoxW;
    TDialogAnswer answer;
    answer.Answer = [](HWND dialog) { ::PostMessageW(dialog, WM_COMMAND, IDOK, 0); };
    WithDialogAnswer(answer, [] { Application.MessageBox(L"Where am I?", L"Placement", MB_OK); });
    MessageBoxHook = &RecordBox;
    ASSERT_TRUE(answer.Answered);
    EXPECT_EQ(answer.SeenTitle, L"Placement");
    const POINT centre{(answer.SeenRect.left + answer.SeenRect.right) / 2,
                       (answer.SeenRect.top + answer.SeenRect.bottom) / 2};
    EXPECT_TRUE(::PtInRect(&target, centre)) << "box centre " << centre.x << "," << centre.y << " on "
                                             << monitors.size() << " monitor(s)";
}

// A second monitor stood in by a corner of the one screen (the virtual display has only one).
bool StandInSecondMonitor(HWND, TMonitorRects& rects) {
    rects.Monitor = RECT{600, 400, 1000, 760};
    rects.Work = RECT{600, 400, 1000, 740};
    return true;
}

TEST_F(MainWindow, ARealBoxMovesToTheActiveWindowsMonitorWhenTheSystemPutItElsewhere) {
    ::SetForegroundWindow(Form().Handle());
    ::SetActiveWindow(Form().Handle());
    Pump();
    const TMonitorOfFunc realMonitorOf = MonitorOfHook;
    MessageBoxHook = &::MessageBoxW;
    MonitorOfHook = &StandInSecondMonitor;
    TDialogAnswer answer;
    answer.Answer = [](HWND dialog) { ::PostMessageW(dialog, WM_COMMAND, IDOK, 0); };
    WithDialogAnswer(answer, [] { Application.MessageBox(L"Where am I?", L"Placement", MB_OK); });
    MonitorOfHook = realMonitorOf;
    MessageBoxHook = &RecordBox;
    ASSERT_TRUE(answer.Answered);
    const RECT& box = answer.SeenRect;
    const int width = box.right - box.left, height = box.bottom - box.top;
    ASSERT_LE(width, 400) << "the box fits the stand-in monitor";
    EXPECT_EQ(box.left, 600 + (400 - width) / 2);
    EXPECT_EQ(box.top, 400 + (340 - height) / 2);
}

TEST_F(MainWindow, MessageBoxDisablesTheOtherWindowsWhileUp) {
    HWND other = ::CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                   ::GetModuleHandleW(nullptr), nullptr);
    ::SetForegroundWindow(Form().Handle());
    ::SetActiveWindow(Form().Handle());
    bool otherEnabledDuringBox = true;
    WhileBoxIsUp = [&] { otherEnabledDuringBox = ::IsWindowEnabled(other) != FALSE; };
    Application.MessageBox(L"text", L"caption", MB_OK);
    EXPECT_FALSE(otherEnabledDuringBox);
    EXPECT_TRUE(::IsWindowEnabled(other));
    ::DestroyWindow(other);
}

TEST_F(MainWindow, MessageBoxGivesTheFocusBack) {
    ::SetForegroundWindow(Form().Handle());
    ::SetActiveWindow(Form().Handle());
    ::SetFocus(Form().Edit1);
    WhileBoxIsUp = [] { ::SetFocus(nullptr); };
    Application.MessageBox(L"text", L"caption", MB_OK);
    EXPECT_EQ(::GetFocus(), Form().Edit1);
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

TEST_F(MainWindow, AnErrorEscapingAClickHandlerIsShownAndTheWindowStays) {
    TOpenDialog::ChooseOverride = [](std::vector<std::wstring>&) -> bool {
        throw EListError(L"List index out of bounds");
    };
    Click(*Form().SpeedButton2);
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, L"List index out of bounds.");
    EXPECT_EQ(Boxes[0].Caption, Application.Title());
    EXPECT_TRUE(::IsWindowVisible(Form().Handle()));
}

TEST_F(MainWindow, CreateFormTwiceKeepsBothWindowsAndTheFirstAsMain) {
    TForm2* const first = Form2;
    TForm2* second = nullptr;
    const std::wstring parent = FAppData.Path();
    Application.CreateForm(second, &parent);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_TRUE(::IsWindow(second->Handle()));
    EXPECT_TRUE(::IsWindow(first->Handle()));
    EXPECT_EQ(Application.MainForm(), first);
    EXPECT_EQ(Application.MainWindow(), first->Handle());
    EXPECT_EQ(Form2, first);
}

TEST_F(MainWindow, CreateFormTwiceIntoForm2LeavesItOnTheLiveSecondWindow) {
    TForm2* const first = Form2;
    const std::wstring parent = FAppData.Path();
    Application.CreateForm(Form2, &parent);
    ASSERT_NE(Form2, nullptr);
    EXPECT_NE(Form2, first);
    EXPECT_TRUE(::IsWindow(Form2->Handle()));
    EXPECT_EQ(Application.MainForm(), first);
}

}  // namespace
