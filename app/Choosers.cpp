// OpenDialog1 (the file chooser behind SpeedButton2 "Add") and BrowsFolder's folder picker (SpeedButton1 "...").
#include "app/Choosers.h"

#include <commdlg.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <uxtheme.h>

#include "app/WinOwners.h"

std::function<bool(std::vector<std::wstring>& files)> TOpenDialog::ChooseOverride;
int TOpenDialog::ForceDialogKind = -1;
std::function<std::wstring(const std::wstring& folder)> BrowseFolderOverride;

namespace {

// "name|pattern|name|pattern" as the two dialogs want it.
std::vector<std::pair<std::wstring, std::wstring>> ParseFilter(const std::wstring& filter) {
    std::vector<std::wstring> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t bar = filter.find(L'|', start);
        parts.push_back(filter.substr(start, bar == std::wstring::npos ? std::wstring::npos : bar - start));
        if (bar == std::wstring::npos) break;
        start = bar + 1;
    }
    std::vector<std::pair<std::wstring, std::wstring>> types;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) types.emplace_back(parts[i], parts[i + 1]);
    return types;
}

bool UseItemDialog() {
    // The common item dialog needs Vista or later with visual styles active.
    OSVERSIONINFOW vi{};
    vi.dwOSVersionInfoSize = sizeof(vi);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    ::GetVersionExW(&vi);
#pragma GCC diagnostic pop
    return vi.dwMajorVersion >= 6 && ::IsAppThemed() && ::IsThemeActive();
}

std::wstring ItemText(IShellItem* item) {
    wchar_t* text = nullptr;
    if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &text)) &&
        FAILED(item->GetDisplayName(SIGDN_NORMALDISPLAY, &text)))
        return {};
    TTaskMemOwner<wchar_t> owner(text);
    return text ? std::wstring(text) : std::wstring();
}

// Places the older dialog centred across its monitor, a third of the free height above.
UINT_PTR CALLBACK OldDialogHook(HWND wnd, UINT msg, WPARAM, LPARAM lParam) {
    if (msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == CDN_INITDONE) {
        HWND dialog = ::GetParent(wnd);
        RECT r;
        ::GetWindowRect(dialog, &r);
        MONITORINFO mi{};
        mi.cbSize = sizeof(mi);
        HWND owner = ::GetWindow(dialog, GW_OWNER);
        ::GetMonitorInfoW(::MonitorFromWindow(owner ? owner : dialog, MONITOR_DEFAULTTONEAREST), &mi);
        const int w = r.right - r.left, h = r.bottom - r.top;
        const int x = mi.rcWork.left + (mi.rcWork.right - mi.rcWork.left - w) / 2;
        const int y = mi.rcWork.top + (mi.rcWork.bottom - mi.rcWork.top - h) / 3;
        ::SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOACTIVATE | SWP_NOSIZE | SWP_NOZORDER);
    }
    return 0;
}

}  // namespace

std::vector<std::wstring> SplitOpenFileNameBuffer(const wchar_t* buffer) {
    std::vector<std::wstring> entries;
    for (const wchar_t* p = buffer; *p; p += entries.back().size() + 1) entries.emplace_back(p);
    if (entries.size() <= 1) return entries;
    std::wstring folder = entries.front();
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    std::vector<std::wstring> files;
    for (std::size_t i = 1; i < entries.size(); ++i) {
        const std::wstring& name = entries[i];
        const bool rooted = (!name.empty() && name[0] == L'\\') || (name.size() > 3 && name[1] == L':' && name[2] == L'\\');
        files.push_back(rooted ? name : folder + name);
    }
    return files;
}

bool TOpenDialog::Execute(HWND owner) {
    std::vector<std::wstring> files;
    bool ok;
    if (ChooseOverride) ok = ChooseOverride(files);
    else if (ForceDialogKind >= 0 ? ForceDialogKind == 1 : UseItemDialog()) ok = ExecuteItemDialog(owner, files);
    else ok = ExecuteOldDialog(owner, files);
    if (!ok || files.empty()) return false;
    Files = std::move(files);
    FileName = Files.front();
    return true;
}

bool TOpenDialog::ExecuteItemDialog(HWND owner, std::vector<std::wstring>& files) {
    TComPtr<IFileOpenDialog> dialog;
    if (FAILED(::CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileOpenDialog,
                                  dialog.put_void())))
        return ExecuteOldDialog(owner, files);
    const auto types = ParseFilter(Filter);
    std::vector<COMDLG_FILTERSPEC> fileTypes;
    for (const auto& [name, pattern] : types) fileTypes.push_back({name.c_str(), pattern.c_str()});
    if (!fileTypes.empty()) {
        dialog->SetFileTypes(static_cast<UINT>(fileTypes.size()), fileTypes.data());
        dialog->SetFileTypeIndex(1);
    }
    // Replaces the dialog's default options: no must-exist checks, the current folder may change.
    dialog->SetOptions(FOS_ALLOWMULTISELECT);
    if (!FileName.empty()) dialog->SetFileName(FileName.c_str());
    if (FileName.find(L'\\') == std::wstring::npos && !InitialDir.empty()) {
        TComPtr<IShellItem> folder;
        if (SUCCEEDED(::SHCreateItemFromParsingName(InitialDir.c_str(), nullptr, IID_IShellItem, folder.put_void())))
            dialog->SetFolder(folder.get());
    }
    if (FAILED(dialog->Show(owner))) return false;
    TComPtr<IShellItemArray> items;
    if (FAILED(dialog->GetResults(items.put()))) return false;
    DWORD count = 0;
    items->GetCount(&count);
    for (DWORD i = 0; i < count; ++i) {
        TComPtr<IShellItem> item;
        if (SUCCEEDED(items->GetItemAt(i, item.put()))) files.push_back(ItemText(item.get()));
    }
    return true;
}

bool TOpenDialog::ExecuteOldDialog(HWND owner, std::vector<std::wstring>& files) {
    Files.clear();
    std::wstring filter;
    for (const auto& [name, pattern] : ParseFilter(Filter)) filter += name + L'\0' + pattern + L'\0';
    filter += L'\0';
    constexpr DWORD kBufferChars = 65519 + 2;
    std::vector<wchar_t> buffer(kBufferChars, L'\0');
    FileName.copy(buffer.data(), std::min<std::size_t>(FileName.size(), kBufferChars - 2));
    wchar_t emptyTitle[1] = L"";
    wchar_t emptyFolder[1] = L"";
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = kBufferChars;
    ofn.lpstrInitialDir = InitialDir.empty() ? emptyFolder : InitialDir.c_str();
    ofn.lpstrTitle = emptyTitle;
    ofn.Flags = OFN_ENABLEHOOK | OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT | OFN_ENABLESIZING | OFN_EXPLORER;
    ofn.lpfnHook = &OldDialogHook;
    if (!::GetOpenFileNameW(&ofn)) return false;
    files = SplitOpenFileNameBuffer(buffer.data());
    return true;
}

int CALLBACK BrowseCallbackProc(HWND Wnd, UINT uMsg, LPARAM, LPARAM lpData) {
    if (uMsg == BFFM_INITIALIZED) ::SendMessageW(Wnd, BFFM_SETSELECTIONW, TRUE, lpData);
    return 0;
}

std::wstring BrowseForFolder(const std::wstring& folder) {
    if (BrowseFolderOverride) return BrowseFolderOverride(folder);
    wchar_t TitleName[] = L"Please Choose a Folder";
    wchar_t DisplayName[MAX_PATH + 1] = {};
    wchar_t TempPath[MAX_PATH + 1] = {};
    const std::wstring initial = folder;
    BROWSEINFOW BrowseInfo;
    ::ZeroMemory(&BrowseInfo, sizeof(BrowseInfo));
    BrowseInfo.hwndOwner = ::GetActiveWindow();
    BrowseInfo.pidlRoot = nullptr;
    BrowseInfo.pszDisplayName = DisplayName;
    BrowseInfo.lpszTitle = TitleName;
    BrowseInfo.ulFlags = BIF_RETURNONLYFSDIRS;
    BrowseInfo.lpfn = &BrowseCallbackProc;
    BrowseInfo.lParam = reinterpret_cast<LPARAM>(initial.c_str());
    BrowseInfo.iImage = 0;
    TTaskMemOwner<ITEMIDLIST> lpItemID(::SHBrowseForFolderW(&BrowseInfo));
    if (!lpItemID) return {};
    // A path that can't be had leaves the output folder text as it was.
    if (!::SHGetPathFromIDListW(lpItemID.get(), TempPath)) return {};
    return std::wstring(TempPath, ::wcsnlen(TempPath, MAX_PATH + 1));
}
