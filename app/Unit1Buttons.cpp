// TForm2: the buttons' handlers, the batch's front end, the folder controls and Edit1's input method.
#include "app/Application.h"
#include "app/Unit1.h"

#include <imm.h>
#include <shellapi.h>

#include <vector>
#include "convert/Batch.h"

namespace {

// Edit1's input method, by the name its keyboard layout registers.
constexpr wchar_t kImeName[] = L"\u4e2d\u6587 (\u7b80\u4f53) - \u8c37\u6b4c\u62fc\u97f3\u8f93\u5165\u6cd5";

std::wstring ImeName(HKL layout) {
    wchar_t name[256] = {};
    const UINT n = ::ImmGetDescriptionW(layout, name, 255);
    return std::wstring(name, n);
}

bool SameTextIgnoringCase(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), static_cast<int>(a.size()), b.c_str(),
                            static_cast<int>(b.size())) == CSTR_EQUAL;
}

}  // namespace

void TForm2::SpeedButton5Click(void*) { ConvertBatch(*this, *this); }

void TForm2::SpeedButton7Click(void*) {
    ShellExecuteHook(FHandle, nullptr, HelpFilePath().c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void TForm2::SpeedButton6Click(void*) {
    try {
        Application.Minimize();
    } catch (...) {
    }
}

void TForm2::SpeedButton10Click(void*) {
    try {
        Close();
    } catch (...) {
    }
}

void TForm2::SpeedButton1Click(void*) {
    const std::wstring TmpPath = BrowsFolder(L"");
    if (!TmpPath.empty()) ::SetWindowTextW(Edit1, TmpPath.c_str());
}

std::wstring TForm2::BrowsFolder(const std::wstring& Folder) { return BrowseForFolder(Folder); }

void TForm2::CheckBox1Click(void*) {
    const BOOL enable = SameFolderOption() ? FALSE : TRUE;
    ::EnableWindow(Edit1, enable);
    SpeedButton1->SetEnabled(enable != FALSE);
}

std::wstring TForm2::HelpFilePath() {
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    DWORD n;
    while ((n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()))) >= buffer.size())
        buffer.resize(buffer.size() * 2);
    std::wstring path(buffer.data(), n);
    return path.substr(0, path.find_last_of(L'\\') + 1) + L"help.html";
}

int TForm2::RowCount() const { return FQueue.Count(); }

std::wstring TForm2::RowPath(int index) const { return FQueue.Path(index); }

std::wstring TForm2::OutputFolderText() const {
    const int length = ::GetWindowTextLengthW(Edit1);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(Edit1, text.data(), length + 1)));
    return text;
}

bool TForm2::SameFolderOption() const { return ::SendMessageW(CheckBox1, BM_GETCHECK, 0, 0) == BST_CHECKED; }

int TForm2::MessageBox(const std::wstring& text, const std::wstring& caption, unsigned flags) {
    return Application.MessageBox(text, caption, flags);
}

void TForm2::SetBusyCursor(bool busy) { Screen.SetCursor(busy ? crHourGlass : crDefault); }

void TForm2::OpenFolder(const std::wstring& folder) {
    ShellExecuteHook(FHandle, L"open", L"Explorer.exe", folder.c_str(), nullptr, SW_SHOWNORMAL);
}

// The preference takes effect on East Asian systems with an input method installed.
void TForm2::Edit1Enter() {
    if (!::GetSystemMetrics(SM_DBCSENABLED)) return;
    if (!FLayoutsKnown) {
        FDefaultLayout = ::GetKeyboardLayout(0);
        FLayoutsKnown = true;
    }
    if (SameTextIgnoringCase(kImeName, ImeName(FDefaultLayout))) return;
    const int count = ::GetKeyboardLayoutList(0, nullptr);
    std::vector<HKL> layouts(static_cast<std::size_t>(count > 0 ? count : 0));
    if (count > 0) ::GetKeyboardLayoutList(count, layouts.data());
    HKL chosen = nullptr;
    bool anyIme = false;
    for (HKL layout : layouts) {
        if (!::ImmIsIME(layout)) continue;
        anyIme = true;
        if (!chosen && SameTextIgnoringCase(kImeName, ImeName(layout))) chosen = layout;
    }
    if (!anyIme) return;
    ::ActivateKeyboardLayout(chosen ? chosen : FDefaultLayout, KLF_ACTIVATE);
}

void TForm2::Edit1Exit() {
    if (!FLayoutsKnown || !::GetSystemMetrics(SM_DBCSENABLED)) return;
    if (SameTextIgnoringCase(kImeName, ImeName(FDefaultLayout))) return;
    ::ActivateKeyboardLayout(FDefaultLayout, KLF_ACTIVATE);
}
