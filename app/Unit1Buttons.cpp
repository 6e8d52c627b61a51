// The banner's buttons: SpeedButton2 Add, 3 Remove, 4 Remove All, 5 Convert, 7 Help, 6 minimise, 10 close.
#include "app/Application.h"
#include "app/Unit1.h"

#include <shellapi.h>

#include "convert/Batch.h"

void TForm2::SpeedButton2Click(void*) {
    if (OpenDialog1.Execute(FHandle)) AddDocuments(FQueue, OpenDialog1.Files);
}

void TForm2::SpeedButton3Click(void*) { RemoveSelectedRows(FQueue); }

void TForm2::SpeedButton4Click(void*) { RemoveAllRows(FQueue); }

void TForm2::SpeedButton5Click(void*) { ConvertBatch(FEngine, FBatchFrontEnd); }

void TForm2::SpeedButton7Click(void*) {
    const std::wstring path = HelpFilePath();
    const HINSTANCE result = ShellExecuteHook(FHandle, nullptr, path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    // No handler for web pages, or the page is missing: the user can still find it.
    if (reinterpret_cast<INT_PTR>(result) <= 32) {
        Application.MessageBox(L"The help page could not be opened. It is at: " + path, Application.Title(),
                               MB_OK | MB_ICONINFORMATION);
    }
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

void TForm2::Close() {
    SaveWindowSettings();
    ::ShowWindow(FHandle, SW_HIDE);
    Application.Terminate();
}

std::wstring TForm2::HelpFilePath() {
    const std::wstring path = ProgramFilePath();
    return path.substr(0, path.find_last_of(L'\\') + 1) + L"help.html";
}
