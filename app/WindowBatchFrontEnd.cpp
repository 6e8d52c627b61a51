// TWindowBatchFrontEnd: the batch's questions answered from the window's controls.
#include "app/WindowBatchFrontEnd.h"

#include <shellapi.h>

#include "app/Application.h"

void TWindowBatchFrontEnd::Attach(HWND owner, TListViewQueue& queue, HWND outputFolderEdit,
                                  HWND sameFolderCheckBox) {
    FOwner = owner;
    FQueue = &queue;
    FOutputFolderEdit = outputFolderEdit;
    FSameFolderCheckBox = sameFolderCheckBox;
}

int TWindowBatchFrontEnd::RowCount() const { return FQueue->Count(); }

std::wstring TWindowBatchFrontEnd::RowPath(int index) const { return FQueue->Path(index); }

std::wstring TWindowBatchFrontEnd::OutputFolderText() const {
    const int length = ::GetWindowTextLengthW(FOutputFolderEdit);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(FOutputFolderEdit, text.data(), length + 1)));
    return text;
}

bool TWindowBatchFrontEnd::SameFolderOption() const {
    return ::SendMessageW(FSameFolderCheckBox, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

int TWindowBatchFrontEnd::MessageBox(const std::wstring& text, const std::wstring& caption, unsigned flags) {
    return Application.MessageBox(text, caption, flags);
}

void TWindowBatchFrontEnd::SetBusyCursor(bool busy) { Screen.SetCursor(busy ? crHourGlass : crDefault); }

void TWindowBatchFrontEnd::OpenFolder(const std::wstring& folder) {
    ShellExecuteHook(FOwner, L"open", L"Explorer.exe", folder.c_str(), nullptr, SW_SHOWNORMAL);
}

void TWindowBatchFrontEnd::BatchStarted(int) {}

void TWindowBatchFrontEnd::RowStarted(int, int) {}

void TWindowBatchFrontEnd::RowFinished(int, const TDocumentResult&) {}

void TWindowBatchFrontEnd::RowFailed(int, const std::wstring&) {}

void TWindowBatchFrontEnd::BatchEnded() {}

void TWindowBatchFrontEnd::RunRow(const std::function<void()>& work) { work(); }
