// Application.MessageBox, placed on the active window's monitor; the default and the start-up error displays.
#include "app/Application.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/Resource.h"
#include "platform/Text.h"

TMessageBoxFunc MessageBoxHook = &::MessageBoxW;

std::wstring ErrorDisplayText(const std::wstring& message) {
    if (!message.empty() && message.back() > L'.') return message + L".";
    return message;
}

RECT MessageBoxRectOnMonitor(const RECT& box, const RECT& monitor, const RECT& work) {
    const long centreX = (box.left + box.right) / 2, centreY = (box.top + box.bottom) / 2;
    if (centreX >= monitor.left && centreX < monitor.right && centreY >= monitor.top && centreY < monitor.bottom)
        return box;
    const long width = box.right - box.left, height = box.bottom - box.top;
    const long left = std::max(work.left, work.left + (work.right - work.left - width) / 2);
    const long top = std::max(work.top, work.top + (work.bottom - work.top - height) / 2);
    return RECT{left, top, left + width, top + height};
}

namespace {

bool MonitorOfWindow(HWND window, TMonitorRects& rects) {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (!::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info)) return false;
    rects.Monitor = info.rcMonitor;
    rects.Work = info.rcWork;
    return true;
}

}  // namespace

TMonitorOfFunc MonitorOfHook = &MonitorOfWindow;

namespace {

std::wstring LoadText(UINT id, const wchar_t* fallback) {
    const wchar_t* text = nullptr;
    // A length of 0 asks for a pointer into the resource itself, which is not null-terminated.
    const int length = ::LoadStringW(::GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 ? std::wstring(text, static_cast<std::size_t>(length)) : std::wstring(fallback);
}

// The box being shown and the monitor it belongs on. Boxes can nest (a box's own loop runs
// handlers), so each placer remembers the one it covers.
struct TBoxPlacement {
    TMonitorRects Target{};
    bool Placed = false;
};
TBoxPlacement* CurrentPlacement = nullptr;

// The box is a dialog of this thread; it is activated once the system has placed it.
LRESULT CALLBACK PlaceBoxHook(int code, WPARAM wParam, LPARAM lParam) {
    TBoxPlacement* placement = CurrentPlacement;
    if (code == HCBT_ACTIVATE && placement && !placement->Placed) {
        HWND box = reinterpret_cast<HWND>(wParam);
        wchar_t className[16] = {};
        ::GetClassNameW(box, className, 16);
        if (std::wstring(className) == L"#32770") {
            placement->Placed = true;
            RECT r;
            if (::GetWindowRect(box, &r)) {
                const RECT to = MessageBoxRectOnMonitor(r, placement->Target.Monitor, placement->Target.Work);
                if (to.left != r.left || to.top != r.top)
                    ::SetWindowPos(box, nullptr, to.left, to.top, 0, 0,
                                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            }
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// While it lives, the first dialog activated on this thread goes to the owner's monitor.
class TBoxPlacer {
public:
    explicit TBoxPlacer(HWND owner) : FPrevious(CurrentPlacement) {
        if (!owner || !MonitorOfHook(owner, FPlacement.Target)) return;
        FHook = ::SetWindowsHookExW(WH_CBT, &PlaceBoxHook, nullptr, ::GetCurrentThreadId());
        if (FHook) CurrentPlacement = &FPlacement;
    }
    TBoxPlacer(const TBoxPlacer&) = delete;
    TBoxPlacer& operator=(const TBoxPlacer&) = delete;
    ~TBoxPlacer() {
        if (!FHook) return;
        ::UnhookWindowsHookEx(FHook);
        CurrentPlacement = FPrevious;
    }

private:
    TBoxPlacement* FPrevious;
    TBoxPlacement FPlacement;
    HHOOK FHook = nullptr;
};

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
        const TBoxPlacer placer(owner);
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
    const std::wstring path = ProgramFilePath();
    const std::size_t slash = path.find_last_of(L'\\');
    // A C++ exception carries no raising address, so the offset is reported as 0.
    const std::wstring text = StartupErrorText(className, path.substr(slash == std::wstring::npos ? 0 : slash + 1), 0, message);
    MessageBoxHook(nullptr, text.c_str(), LoadText(IDS_STARTUP_ERROR_CAPTION, L"Application Error").c_str(),
                   MB_TASKMODAL | MB_ICONERROR);
    ::ExitProcess(1);
}
