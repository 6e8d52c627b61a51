#pragma once
// The application shell: the application object (start-up, the message loop, minimising, ending;
// Application.cpp), the screen object's busy cursor (Application.cpp), and the message boxes with
// the error displays (MessageBoxes.cpp).

#include <windows.h>
#undef MessageBox

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Exception.h"

class TForm2;

// Every message box of the program goes through this pointer; tests replace it to record
// the boxes and answer them at once.
using TMessageBoxFunc = int(WINAPI*)(HWND owner, const wchar_t* text, const wchar_t* caption, UINT flags);
extern TMessageBoxFunc MessageBoxHook;

// Opening the output folder and the help page goes through this pointer, for the same reason.
using TShellExecuteFunc = HINSTANCE(WINAPI*)(HWND owner, const wchar_t* verb, const wchar_t* file,
                                             const wchar_t* parameters, const wchar_t* folder, int show);
extern TShellExecuteFunc ShellExecuteHook;

// The monitor a window is on and that monitor's work area; false when unknown. Message boxes
// go to the active window's monitor through this pointer; tests replace it to stand in a monitor.
struct TMonitorRects {
    RECT Monitor;
    RECT Work;
};
using TMonitorOfFunc = bool (*)(HWND window, TMonitorRects& rects);
extern TMonitorOfFunc MonitorOfHook;

// Cursor numbers of the screen-wide override.
enum TCursor : short { crDefault = 0, crHourGlass = -11 };

// The items named on a command line, the program's own name (the first) left out.
std::vector<std::wstring> CommandLineItems(const wchar_t* commandLine);

// The program file's full path.
std::wstring ProgramFilePath();

// The title rule: the file name after the last "\", cut at its first ".", every character
// after the first lower-cased. The path is read into 256 units, so a longer one is cut first.
std::wstring TitleFromModulePath(const std::wstring& path);

// The "." rule of the error display: a full stop is added when the message is not empty and
// its last character sorts above ".".
std::wstring ErrorDisplayText(const std::wstring& message);

// Where a message box goes so that it shows on the active window's monitor: left as the system
// placed it when its centre already lies on that monitor, else centred on the monitor's work area
// (kept inside it, its top-left corner first, when it is the larger).
RECT MessageBoxRectOnMonitor(const RECT& box, const RECT& monitor, const RECT& work);

// The text of the "Application Error" box.
std::wstring StartupErrorText(const char* className, const std::wstring& moduleName,
                              std::uintptr_t offset, const std::wstring& message);

class TScreen {
public:
    TCursor Cursor() const noexcept { return FCursor; }
    void SetCursor(TCursor value);
    // WM_SETCURSOR helper for the program's windows: true when the override was applied.
    bool ApplyOverride(HWND wnd, LPARAM hitTestAndMessage) const;

private:
    TCursor FCursor = crDefault;
};

class TApplication {
public:
    TApplication();
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;
    ~TApplication();

    // COM for the GUI thread, single-threaded apartment.
    void Initialize();
    bool MainFormOnTaskBar = false;
    // Creates a window into form; the application owns it, and the first one becomes the main
    // window. Tests name the working folder's parent; the program leaves it to the engine's default.
    void CreateForm(TForm2*& form, const std::wstring* workingFolderParent = nullptr);
    // Shows the main window as the start command asks and runs the loop until the quit message.
    void Run();
    void Terminate();
    void Minimize();
    int MessageBox(const std::wstring& text, const std::wstring& caption, UINT flags);
    // Call inside a catch block: the exception being handled goes to ShowException, EAbort
    // excepted. sender is the object whose message handling failed (informational).
    void HandleException(const void* sender);
    void ShowException(const Exception& e);
    // One message of the loop: false when the quit message came.
    bool ProcessMessage();

    const std::wstring& Title() const noexcept { return FTitle; }
    HICON Icon() const noexcept { return FIcon; }
    HWND MainWindow() const noexcept;
    TForm2* MainForm() const noexcept { return FForms.empty() ? nullptr : FForms.front().get(); }
    // For tests: frees every window CreateForm made, without ending the program.
    void DestroyForms() noexcept;

private:
    std::wstring FTitle;
    HICON FIcon = nullptr;
    bool FOleInitialized = false;
    bool FComInitialized = false;
    // In creation order; the first is the main window.
    std::vector<std::unique_ptr<TForm2>> FForms;
};

extern TApplication Application;
extern TScreen Screen;

// The start-up error display: "Application Error", no owner, then the process ends with 1.
[[noreturn]] void ShowStartupErrorAndExit(const std::exception& e);
