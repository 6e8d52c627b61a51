// Application and Screen: Initialize, CreateForm, Run (the message loop), Minimize, Terminate, the busy cursor.
#include "app/Application.h"

#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include "app/Unit1.h"

TShellExecuteFunc ShellExecuteHook = &::ShellExecuteW;

// The screen object before the application object: the application's windows may ask it
// for the cursor as soon as they exist.
TScreen Screen;
TApplication Application;

std::wstring TitleFromModulePath(const std::wstring& path) {
    std::wstring buffer = path.substr(0, 255);
    const std::size_t slash = buffer.find_last_of(L'\\');
    std::wstring name = slash == std::wstring::npos ? buffer : buffer.substr(slash + 1);
    const std::size_t dot = name.find(L'.');
    if (dot != std::wstring::npos) name.resize(dot);
    if (name.size() > 1) ::CharLowerBuffW(name.data() + 1, static_cast<DWORD>(name.size() - 1));
    return name;
}

std::vector<std::wstring> CommandLineItems(const wchar_t* commandLine) {
    std::vector<std::wstring> items;
    // An empty line would be read as the program's own name alone.
    if (!commandLine || !*commandLine) return items;
    int count = 0;
    wchar_t** argv = ::CommandLineToArgvW(commandLine, &count);
    if (!argv) return items;
    for (int i = 1; i < count; ++i) items.emplace_back(argv[i]);
    ::LocalFree(argv);
    return items;
}

std::wstring ProgramFilePath() {
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n < buffer.size()) return std::wstring(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

void TScreen::SetCursor(TCursor value) {
    if (value == FCursor) return;
    FCursor = value;
    if (value != crDefault) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
        return;
    }
    // Back to normal at once, without waiting for the mouse to move.
    POINT p;
    ::GetCursorPos(&p);
    HWND under = ::WindowFromPoint(p);
    if (under && ::GetWindowThreadProcessId(under, nullptr) == ::GetCurrentThreadId()) {
        const LRESULT hit = ::SendMessageW(under, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y));
        ::SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under), MAKELPARAM(hit, WM_MOUSEMOVE));
    } else {
        ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
    }
}

bool TScreen::ApplyOverride(HWND, LPARAM hitTestAndMessage) const {
    if (FCursor == crDefault || LOWORD(hitTestAndMessage) != HTCLIENT) return false;
    ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
    return true;
}

TApplication::TApplication() {
    FOleInitialized = SUCCEEDED(::OleInitialize(nullptr));
    FTitle = TitleFromModulePath(ProgramFilePath());
    FIcon = ::LoadIconW(::GetModuleHandleW(nullptr), L"MAINICON");
}

TApplication::~TApplication() {
    DestroyForms();
    if (FComInitialized) ::CoUninitialize();
    if (FOleInitialized) ::OleUninitialize();
}

void TApplication::Initialize() {
    FComInitialized = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
}

void TApplication::CreateForm(TForm2*& form, const std::wstring* workingFolderParent) {
    form = nullptr;
    auto created = workingFolderParent ? std::make_unique<TForm2>(*workingFolderParent) : std::make_unique<TForm2>();
    FForms.push_back(std::move(created));
    form = FForms.back().get();
}

HWND TApplication::MainWindow() const noexcept { return FForms.empty() ? nullptr : FForms.front()->Handle(); }

void TApplication::DestroyForms() noexcept {
    // The main window last, as it was made first.
    while (!FForms.empty()) FForms.pop_back();
}

void TApplication::Run() {
    HWND main = MainWindow();
    if (!main) return;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    ::GetStartupInfoW(&si);
    const WORD show = (si.dwFlags & STARTF_USESHOWWINDOW) ? si.wShowWindow : SW_SHOWNORMAL;
    if (show == SW_SHOWMAXIMIZED) ::ShowWindow(main, SW_SHOWMAXIMIZED);
    else if (show == SW_SHOWMINNOACTIVE) ::ShowWindow(main, SW_SHOWMINNOACTIVE);
    else ::ShowWindow(main, SW_SHOW);
    ::UpdateWindow(main);
    while (ProcessMessage()) {
    }
}

bool TApplication::ProcessMessage() {
    MSG msg;
    if (::GetMessageW(&msg, nullptr, 0, 0) <= 0) return false;
    try {
        HWND main = MainWindow();
        // The Tab key moves between the list, the folder field and the option.
        if (main && ::IsDialogMessageW(main, &msg)) return true;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    } catch (...) {
        HandleException(this);
    }
    return true;
}

void TApplication::Terminate() { ::PostQuitMessage(0); }

void TApplication::Minimize() {
    HWND main = MainWindow();
    if (!main || ::IsIconic(main)) return;
    ::ShowWindow(main, SW_MINIMIZE);
}

