// The window's remembered settings (the registry) and the default output folder.
#include "app/Settings.h"

#include <windows.h>
#include <shlobj.h>

std::wstring SettingsKey = L"Software\\pages2pdf";
std::function<bool(const std::wstring& root)> WritableFixedDriveHook;

namespace {

constexpr wchar_t kOutputFolder[] = L"OutputFolder", kSameFolder[] = L"SameFolder", kLastFolder[] = L"LastFolder";

class TKey {
public:
    explicit TKey(bool create) {
        const LSTATUS status =
            create ? ::RegCreateKeyExW(HKEY_CURRENT_USER, SettingsKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                       &FKey, nullptr)
                   : ::RegOpenKeyExW(HKEY_CURRENT_USER, SettingsKey.c_str(), 0, KEY_READ, &FKey);
        if (status != ERROR_SUCCESS) FKey = nullptr;
    }
    TKey(const TKey&) = delete;
    TKey& operator=(const TKey&) = delete;
    ~TKey() {
        if (FKey) ::RegCloseKey(FKey);
    }
    HKEY get() const { return FKey; }

private:
    HKEY FKey = nullptr;
};

bool ReadText(HKEY key, const wchar_t* name, std::wstring& text) {
    DWORD type = 0, bytes = 0;
    if (::RegQueryValueExW(key, name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS || type != REG_SZ) return false;
    std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &bytes) != ERROR_SUCCESS)
        return false;
    value.resize(bytes / sizeof(wchar_t));
    while (!value.empty() && value.back() == L'\0') value.pop_back();
    text = value;
    return true;
}

void WriteText(HKEY key, const wchar_t* name, const std::wstring& text) {
    ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

}  // namespace

bool LoadSettings(TWindowSettings& settings) {
    TKey key(false);
    if (!key.get()) return false;
    TWindowSettings read;
    if (!ReadText(key.get(), kOutputFolder, read.OutputFolder)) return false;
    DWORD same = 0, bytes = sizeof(same), type = 0;
    if (::RegQueryValueExW(key.get(), kSameFolder, nullptr, &type, reinterpret_cast<BYTE*>(&same), &bytes) ==
            ERROR_SUCCESS &&
        type == REG_DWORD)
        read.SameFolder = same != 0;
    ReadText(key.get(), kLastFolder, read.LastFolder);
    settings = read;
    return true;
}

void SaveSettings(const TWindowSettings& settings) {
    TKey key(true);
    if (!key.get()) return;
    WriteText(key.get(), kOutputFolder, settings.OutputFolder);
    const DWORD same = settings.SameFolder ? 1 : 0;
    ::RegSetValueExW(key.get(), kSameFolder, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&same), sizeof(same));
    WriteText(key.get(), kLastFolder, settings.LastFolder);
}

bool IsWritableFixedDrive(const std::wstring& root) {
    if (::GetDriveTypeW(root.c_str()) != DRIVE_FIXED) return false;
    // A probe file, gone again when its handle closes.
    const std::wstring probe = root + L"pages2pdf-probe.tmp";
    HANDLE file = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(file);
    return true;
}

std::wstring DefaultOutputFolder() {
    const std::wstring root = L"D:\\";
    if (WritableFixedDriveHook ? WritableFixedDriveHook(root) : IsWritableFixedDrive(root)) return L"D:\\output";
    wchar_t documents[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents)))
        return L"D:\\output";
    return std::wstring(documents) + L"\\pages2pdf";
}
