#pragma once
// The window's remembered settings under HKEY_CURRENT_USER, and the output folder offered when none is.

#include <functional>
#include <string>

struct TWindowSettings {
    std::wstring OutputFolder;
    bool SameFolder = false;
    // The folder the file chooser last chose from.
    std::wstring LastFolder;
};

// The key under HKEY_CURRENT_USER; tests use one of their own.
extern std::wstring SettingsKey;

// False, with settings untouched, when nothing was saved.
bool LoadSettings(TWindowSettings& settings);
// Quietly does nothing when the registry cannot be written: a setting is a convenience.
void SaveSettings(const TWindowSettings& settings);

// "D:\output" where D: is a fixed drive that can be written to, else the user's Documents folder
// + "\pages2pdf".
std::wstring DefaultOutputFolder();

// Test seam: whether the drive root (e.g. "D:\") is fixed and writable.
extern std::function<bool(const std::wstring& root)> WritableFixedDriveHook;
bool IsWritableFixedDrive(const std::wstring& root);
