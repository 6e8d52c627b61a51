#pragma once
// What the batch command needs from the front end that runs it. The window implements
// it over ListView1, Edit1 and CheckBox1; tests implement it with a recording fake.

#include <functional>
#include <string>

#include "convert/Conversion.h"

class IBatchFrontEnd {
public:
    virtual ~IBatchFrontEnd() = default;

    virtual int RowCount() const = 0;
    // The row's document path (its first sub-item), 0 <= index < RowCount().
    virtual std::wstring RowPath(int index) const = 0;
    // As typed: never trimmed, no separator added or removed.
    virtual std::wstring OutputFolderText() const = 0;
    // Read afresh for every row.
    virtual bool SameFolderOption() const = 0;
    // Application.MessageBox: returns the Windows identifier of the button pressed.
    virtual int MessageBox(const std::wstring& text, const std::wstring& caption, unsigned flags) = 0;
    // Screen.Cursor: crHourGlass while busy, crDefault otherwise.
    virtual void SetBusyCursor(bool busy) = 0;
    // ShellExecuteW "open" "Explorer.exe" with the folder text as parameters; result ignored.
    virtual void OpenFolder(const std::wstring& folder) = 0;

    // Progress and outcome, row by row. BatchStarted clears what an earlier batch showed;
    // BatchEnded comes before the completion box, whichever way the rows ended.
    virtual void BatchStarted(int count) = 0;
    virtual void RowStarted(int index, int count) = 0;
    virtual void RowFinished(int index, const TDocumentResult& result) = 0;
    // The error that ends the batch at this row, worded as the error display words it.
    virtual void RowFailed(int index, const std::wstring& error) = 0;
    virtual void BatchEnded() = 0;
    // Runs one row's conversion. The window keeps painting meanwhile (and takes no input);
    // whatever the work throws reaches the caller.
    virtual void RunRow(const std::function<void()>& work) = 0;
};
