// The "Save PDF to" box GroupBox1: SpeedButton1 "..." (SpeedButton1Click, BrowsFolder), CheckBox1Click, Edit1's IME,
// and the box's settings remembered between runs.
#include "app/Unit1.h"
#include "app/Settings.h"

#include <imm.h>

#include <vector>

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

void TForm2::SpeedButton1Click(void*) {
    const std::wstring TmpPath = BrowsFolder(L"");
    if (!TmpPath.empty()) ::SetWindowTextW(Edit1, TmpPath.c_str());
}

void TForm2::RestoreSettings() {
    TWindowSettings settings;
    if (!LoadSettings(settings)) {
        ::SetWindowTextW(Edit1, DefaultOutputFolder().c_str());
        return;
    }
    ::SetWindowTextW(Edit1, settings.OutputFolder.c_str());
    ::SendMessageW(CheckBox1, BM_SETCHECK, settings.SameFolder ? BST_CHECKED : BST_UNCHECKED, 0);
    CheckBox1Click(CheckBox1);
    OpenDialog1.InitialDir = settings.LastFolder;
}

void TForm2::SaveWindowSettings() {
    TWindowSettings settings;
    settings.OutputFolder = FBatchFrontEnd.OutputFolderText();
    settings.SameFolder = FBatchFrontEnd.SameFolderOption();
    const auto slash = OpenDialog1.FileName.find_last_of(L'\\');
    settings.LastFolder = slash == std::wstring::npos ? OpenDialog1.InitialDir : OpenDialog1.FileName.substr(0, slash);
    SaveSettings(settings);
}

std::wstring TForm2::BrowsFolder(const std::wstring& Folder) { return BrowseForFolder(Folder); }

void TForm2::CheckBox1Click(void*) {
    const bool enable = !FBatchFrontEnd.SameFolderOption();
    ::EnableWindow(Edit1, enable ? TRUE : FALSE);
    SpeedButton1->SetEnabled(enable);
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
