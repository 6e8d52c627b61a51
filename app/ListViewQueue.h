#pragma once
// TListViewQueue: the queue's rows as ListView1 holds them, for the queue operations of convert/.

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "convert/Queue.h"

// What a row's icon says: its state in the batch running now or in the last one.
enum class TRowMark { rmNone, rmWorking, rmWritten, rmLaidOut, rmNotWritten, rmError };

class TListViewQueue final : public IQueueList {
public:
    HWND Handle = nullptr;

    int Count() const override;
    std::wstring Caption(int row) const override;
    void SetCaption(int row, const std::wstring& caption) override;
    std::wstring Path(int row) const override;
    bool Selected(int row) const override;
    int Insert(int row, const std::wstring& caption, const std::wstring& path) override;
    void Delete(int row) override;
    void Clear() override;
    int ItemAt(int x, int y) const override;

    // The row's icon and its tooltip text (empty: no tooltip).
    void SetMark(int row, TRowMark mark, const std::wstring& tip);
    // Every row back to no icon and no tooltip.
    void ClearMarks();
};
