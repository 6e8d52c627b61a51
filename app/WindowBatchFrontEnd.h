#pragma once
// TWindowBatchFrontEnd: what the "Convert" batch reads from ListView1, Edit1 and CheckBox1, and
// what it shows through the application shell (boxes, busy cursor, the file manager), and the
// batch's progress: the row being converted and the footer's "Converting 3 of 14: Name.pages".

#include <windows.h>
#undef MessageBox

#include <string>

#include "app/ListViewQueue.h"
#include "convert/BatchFrontEnd.h"

class TWindowBatchFrontEnd final : public IBatchFrontEnd {
public:
    // The window's controls, once it has made them; owner is the window itself.
    void Attach(HWND owner, TListViewQueue& queue, HWND outputFolderEdit, HWND sameFolderCheckBox);
    // The footer's note, where the batch says which document it is converting.
    void AttachNote(HWND note) { FNote = note; }

    int RowCount() const override;
    std::wstring RowPath(int index) const override;
    std::wstring OutputFolderText() const override;
    bool SameFolderOption() const override;
    int MessageBox(const std::wstring& text, const std::wstring& caption, unsigned flags) override;
    void SetBusyCursor(bool busy) override;
    void OpenFolder(const std::wstring& folder) override;
    void BatchStarted(int count) override;
    void RowStarted(int index, int count) override;
    void RowFinished(int index, const TDocumentResult& result) override;
    void RowFailed(int index, const std::wstring& error) override;
    void BatchEnded() override;
    void RunRow(const std::function<void()>& work) override;

private:
    HWND FOwner = nullptr;
    TListViewQueue* FQueue = nullptr;
    HWND FOutputFolderEdit = nullptr;
    HWND FSameFolderCheckBox = nullptr;
    HWND FNote = nullptr;
};
