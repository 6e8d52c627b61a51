#pragma once
// What the window's tests share: recorded message boxes and shell calls, a message pump, clicks,
// real mouse and keyboard input, answering a real dialog, and the MainWindow fixture.

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/Unit1.h"
#include "support/TestSupport.h"

namespace gui_testing {

struct TBox {
    std::wstring Text, Caption;
    UINT Flags;
};
// Every box shown through MessageBoxHook since the last test began.
extern std::vector<TBox> Boxes;
// Called while a box is up, to look at the program's state at that moment.
extern std::function<void()> WhileBoxIsUp;

struct TShellCall {
    std::wstring Verb, File, Parameters;
};
extern std::vector<TShellCall> ShellCalls;

// The hooks the suite runs with: boxes and shell calls recorded and answered at once.
int WINAPI RecordBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT flags);

// The start-up error test runs this program again with this argument.
inline constexpr char kStartupErrorChild[] = "--startup-error-child";

std::wstring WindowText(HWND wnd);

// The suite's settings key, forgotten before every window is made.
inline constexpr wchar_t kTestSettingsKey[] = L"Software\\pages2pdf-gui-tests";
void ForgetSettings();

// Runs every message already queued; reports whether the quit message was among them.
bool Pump();

// A mouse click as the button's window receives it: press and release inside.
void Click(const TSpeedButton& button);

// Real input through the system's queue.
void SendMouse(DWORD flags);
void SendKey(WORD key, DWORD flags);
// Moves the pointer in small steps, letting the window see every step.
void GlideTo(POINT from, POINT to);

// C:\docs\d<n>.pages for each number.
std::vector<std::wstring> Docs(std::initializer_list<int> numbers);

// Answers the next dialog of this thread from inside its own modal loop: a timer fires once
// the dialog idles, and the answer is given to whatever dialog is then open.
struct TDialogAnswer {
    std::function<void(HWND dialog)> Answer;
    std::wstring SeenTitle;
    std::vector<std::wstring> SeenTexts;
    RECT SeenRect{};
    bool Answered = false;
    bool StillOpen = false;
};
// Runs action (which opens a dialog) with answer ready for the dialog.
void WithDialogAnswer(TDialogAnswer& answer, const std::function<void()>& action);

bool Contains(const std::vector<std::wstring>& texts, const std::wstring& text);

// A fresh main window, shown, over an empty queue, with its own application-data folder.
class MainWindow : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    TForm2& Form() { return *Form2; }
    IQueueList& Queue() { return Form2->Queue(); }

    // Adds the paths as the "Add" button does after a confirmed choice.
    void Add(std::vector<std::wstring> paths);
    void AddNumbered(int n);
    std::vector<std::wstring> Paths();
    std::vector<std::wstring> Captions();
    void Select(std::initializer_list<int> rows);
    // The middle of a row, in the list's client coordinates, from the list itself.
    POINT RowPoint(int row);
    void SetOutputFolder(const std::wstring& text) { ::SetWindowTextW(Form().Edit1, text.c_str()); }
    bool SameFolderOptionTicked() { return Form().BatchFrontEnd().SameFolderOption(); }

    testsupport::TScratchFolder FAppData;
};

}  // namespace gui_testing
