// The suite's shared helpers and its main: the hooks, the pump, input, dialog answers, the fixture.
#include "GuiSupport.h"

#include <shlwapi.h>

#include <algorithm>

#include "app/Settings.h"

namespace gui_testing {

std::vector<TBox> Boxes;
std::function<void()> WhileBoxIsUp;
std::vector<TShellCall> ShellCalls;

int WINAPI RecordBox(HWND, const wchar_t* text, const wchar_t* caption, UINT flags) {
    Boxes.push_back({text, caption, flags});
    if (WhileBoxIsUp) WhileBoxIsUp();
    return IDOK;
}

namespace {

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
        // Settings of the suite's own, and a D: drive the window may use unless a test says otherwise.
        SettingsKey = kTestSettingsKey;
        WritableFixedDriveHook = [](const std::wstring&) { return true; };
    }
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new TGuiEnvironment);

}  // namespace

std::wstring WindowText(HWND wnd) {
    wchar_t text[1024] = {};
    ::GetWindowTextW(wnd, text, 1024);
    return text;
}

void ForgetSettings() { ::SHDeleteKeyW(HKEY_CURRENT_USER, kTestSettingsKey); }

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

void Click(const TSpeedButton& button) {
    ::SendMessageW(button.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    ::SendMessageW(button.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
}

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

void GlideTo(POINT from, POINT to) {
    for (int i = 1; i <= 10; ++i) {
        ::SetCursorPos(from.x + (to.x - from.x) * i / 10, from.y + (to.y - from.y) * i / 10);
        SendMouse(MOUSEEVENTF_MOVE);
        Pump();
    }
}

std::vector<std::wstring> Docs(std::initializer_list<int> numbers) {
    std::vector<std::wstring> paths;
    for (int n : numbers) paths.push_back(L"C:\\docs\\d" + std::to_wstring(n) + L".pages");
    return paths;
}

namespace {

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
    ::GetWindowRect(dialog, &PendingAnswer->SeenRect);
    ::EnumChildWindows(
        dialog,
        [](HWND child, LPARAM param) WINAPI -> BOOL {
            reinterpret_cast<std::vector<std::wstring>*>(param)->push_back(WindowText(child));
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&PendingAnswer->SeenTexts));
    PendingAnswer->Answer(dialog);
}

}  // namespace

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

void MainWindow::SetUp() {
    Boxes.clear();
    ShellCalls.clear();
    WhileBoxIsUp = nullptr;
    TOpenDialog::ChooseOverride = nullptr;
    BrowseFolderOverride = nullptr;
    ForgetSettings();
    const std::wstring parent = FAppData.Path();
    Application.CreateForm(Form2, &parent);
    ASSERT_NE(Form2, nullptr);
    ::ShowWindow(Form2->Handle(), SW_SHOW);
    ::UpdateWindow(Form2->Handle());
    Pump();
}

void MainWindow::TearDown() {
    TOpenDialog::ChooseOverride = nullptr;
    BrowseFolderOverride = nullptr;
    WhileBoxIsUp = nullptr;
    Application.DestroyForms();
    Pump();
}

void MainWindow::Add(std::vector<std::wstring> paths) {
    TOpenDialog::ChooseOverride = [paths](std::vector<std::wstring>& files) {
        files = paths;
        return true;
    };
    Click(*Form().SpeedButton2);
    TOpenDialog::ChooseOverride = nullptr;
}

void MainWindow::AddNumbered(int n) {
    std::vector<std::wstring> paths;
    for (int i = 1; i <= n; ++i) paths.push_back(L"C:\\docs\\d" + std::to_wstring(i) + L".pages");
    Add(paths);
}

std::vector<std::wstring> MainWindow::Paths() {
    std::vector<std::wstring> paths;
    for (int i = 0; i < Queue().Count(); ++i) paths.push_back(Queue().Path(i));
    return paths;
}

std::vector<std::wstring> MainWindow::Captions() {
    std::vector<std::wstring> captions;
    for (int i = 0; i < Queue().Count(); ++i) captions.push_back(Queue().Caption(i));
    return captions;
}

void MainWindow::Select(std::initializer_list<int> rows) {
    ListView_SetItemState(Form().ListView1, -1, 0, LVIS_SELECTED);
    for (int row : rows) ListView_SetItemState(Form().ListView1, row, LVIS_SELECTED, LVIS_SELECTED);
}

POINT MainWindow::RowPoint(int row) {
    RECT r{};
    r.left = LVIR_BOUNDS;
    EXPECT_TRUE(::SendMessageW(Form().ListView1, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&r)));
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

namespace {

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

}  // namespace gui_testing

// The program's own entry is not linked here: this main runs the tests, or, as a child
// process, lets an error escape the start-up sequence.
int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == gui_testing::kStartupErrorChild) {
        MessageBoxHook = &gui_testing::PrintBox;
        try {
            throw EZipException(L"Error reading zip file");
        } catch (const std::exception& e) {
            ShowStartupErrorAndExit(e);
        }
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
