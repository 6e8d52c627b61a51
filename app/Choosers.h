#pragma once
// The file chooser OpenDialog1 ("Add", SpeedButton2) and the folder picker ("...", SpeedButton1).

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// OpenDialog1: Pages documents, several at once; remembers the first chosen path.
class TOpenDialog {
public:
    std::wstring Filter = L"pages document|*.pages";
    std::wstring FileName;
    // Where the chooser opens when FileName names no folder; empty leaves it to the system.
    std::wstring InitialDir;
    std::vector<std::wstring> Files;

    // True when the user confirmed a choice (Files and FileName then hold it).
    bool Execute(HWND owner);

    // Test seam: when set it stands in for the dialog, filling the paths and answering
    // whether the choice was confirmed.
    static std::function<bool(std::vector<std::wstring>& files)> ChooseOverride;
    // Test seam: which dialog to use, in place of the platform test (0 older, 1 common item).
    static int ForceDialogKind;

private:
    bool ExecuteItemDialog(HWND owner, std::vector<std::wstring>& files);
    bool ExecuteOldDialog(HWND owner, std::vector<std::wstring>& files);
};

// The split rules of the older dialog's result buffer: one entry is a full path; otherwise
// a folder followed by names, each joined to it unless already rooted.
std::vector<std::wstring> SplitOpenFileNameBuffer(const wchar_t* buffer);

// The folder picker's callback: selects the initial folder when the dialog starts.
int CALLBACK BrowseCallbackProc(HWND Wnd, UINT uMsg, LPARAM lParam, LPARAM lpData);

// The folder picker: the chosen folder's path, or empty when cancelled.
std::wstring BrowseForFolder(const std::wstring& folder);

// Test seam for the folder picker: when set it answers in place of the dialog.
extern std::function<std::wstring(const std::wstring& folder)> BrowseFolderOverride;
