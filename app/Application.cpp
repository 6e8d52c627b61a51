#include "app/Application.h"

#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include <cstdio>
#include <vector>

#include "app/Resource.h"
#include "app/Unit1.h"
#include "platform/Text.h"

TMessageBoxFunc MessageBoxHook = &::MessageBoxW;
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

std::wstring ErrorDisplayText(const std::wstring& message) {
    if (!message.empty() && message.back() > L'.') return message + L".";
    return message;
}

namespace {

std::wstring LoadText(UINT id, const wchar_t* fallback) {
    const wchar_t* text = nullptr;
    // A length of 0 asks for a pointer into the resource itself, which is not null-terminated.
    const int length = ::LoadStringW(::GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 ? std::wstring(text, static_cast<std::size_t>(length)) : std::wstring(fallback);
}

std::wstring ModulePath() {
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n < buffer.size()) return std::wstring(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace

std::wstring StartupErrorText(const char* className, const std::wstring& moduleName,
                              std::uintptr_t offset, const std::wstring& message) {
    const std::wstring format = LoadText(IDS_STARTUP_ERROR_FORMAT, L"Exception %s in module %s at %p.\r\n%s%s\r\n");
    std::wstring address(9, L'\0');
    std::swprintf(address.data(), address.size(), L"%08X", static_cast<unsigned>(offset));
    address.resize(8);
    const std::wstring args[] = {
        platform::FromUtf8(className), moduleName.substr(0, 260), address, message,
        (!message.empty() && message.back() != L'.') ? L"." : L"",
    };
    // The format's five placeholders in order; the pointer one takes the pre-formatted offset.
    std::wstring text;
    std::size_t next = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == L'%' && i + 1 < format.size() && (format[i + 1] == L's' || format[i + 1] == L'p')) {
            if (next < std::size(args)) text += args[next++];
            ++i;
        } else {
            text += format[i];
        }
    }
    if (text.size() > 1024) text.resize(1024);
    return text;
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
    FTitle = TitleFromModulePath(ModulePath());
    FIcon = ::LoadIconW(::GetModuleHandleW(nullptr), L"MAINICON");
}

TApplication::~TApplication() {
    FMainForm.reset();
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
    form = created.get();
    if (!FMainForm) FMainForm = std::move(created);
}

HWND TApplication::MainWindow() const noexcept { return FMainForm ? FMainForm->Handle() : nullptr; }

void TApplication::DestroyMainForm() noexcept { FMainForm.reset(); }

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

int TApplication::MessageBox(const std::wstring& text, const std::wstring& caption, UINT flags) {
    HWND active = ::GetActiveWindow();
    HWND owner = active ? active : MainWindow();
    HWND focus = ::GetFocus();

    // The other visible, enabled top-level windows of this thread stay disabled while the box is up.
    struct TDisabled { HWND Owner; std::vector<HWND> Windows; } disabled{owner, {}};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND wnd, LPARAM param) WINAPI -> BOOL {
            auto* d = reinterpret_cast<TDisabled*>(param);
            if (wnd != d->Owner && ::IsWindowVisible(wnd) && ::IsWindowEnabled(wnd)) {
                ::EnableWindow(wnd, FALSE);
                d->Windows.push_back(wnd);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&disabled));

    int result = 0;
    try {
        result = MessageBoxHook(owner, text.c_str(), caption.c_str(), flags);
    } catch (...) {
        result = 0;
    }
    for (HWND wnd : disabled.Windows)
        if (::IsWindow(wnd)) ::EnableWindow(wnd, TRUE);
    if (active && ::IsWindow(active)) ::SetActiveWindow(active);
    if (focus && ::IsWindow(focus)) ::SetFocus(focus);
    return result;
}

void TApplication::HandleException(const void*) {
    // A drag or button press in progress is cancelled before anything is shown.
    if (HWND capture = ::GetCapture()) ::SendMessageW(capture, WM_CANCELMODE, 0, 0);
    try {
        throw;
    } catch (const EAbort&) {
        // Silent by design.
    } catch (const Exception& e) {
        ShowException(e);
    } catch (const std::exception& e) {
        ShowException(Exception(platform::FromUtf8(e.what())));
    } catch (...) {
        ShowException(Exception(L"Unknown error"));
    }
}

void TApplication::ShowException(const Exception& e) {
    MessageBox(ErrorDisplayText(e.Message()), FTitle, MB_OK | MB_ICONERROR);
}

void ShowStartupErrorAndExit(const std::exception& e) {
    std::wstring message;
    const char* className = "Exception";
    if (const auto* ex = dynamic_cast<const Exception*>(&e)) {
        message = ex->Message();
        className = ex->ClassName();
    } else {
        message = platform::FromUtf8(e.what());
    }
    const std::wstring path = ModulePath();
    const std::size_t slash = path.find_last_of(L'\\');
    // A C++ exception carries no raising address, so the offset is reported as 0.
    const std::wstring text = StartupErrorText(className, path.substr(slash == std::wstring::npos ? 0 : slash + 1), 0, message);
    MessageBoxHook(nullptr, text.c_str(), LoadText(IDS_STARTUP_ERROR_CAPTION, L"Application Error").c_str(),
                   MB_TASKMODAL | MB_ICONERROR);
    ::ExitProcess(1);
}
