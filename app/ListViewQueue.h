#pragma once
// TListViewQueue: the queue's rows as ListView1 holds them, for the queue operations of convert/.

#include <windows.h>
#include <commctrl.h>

#include <map>
#include <string>

#include "app/RowMarks.h"
#include "app/WinOwners.h"
#include "convert/Queue.h"

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

    // Makes the icons the marks show, size pixels square, and gives them to the list.
    void ShowMarks(int size);
    // The row's icon and its tooltip text (empty: no tooltip).
    void SetMark(int row, TRowMark mark, const std::wstring& tip);
    TRowMark Mark(int row) const;
    std::wstring Tip(int row) const;
    // Every row back to no icon and no tooltip.
    void ClearMarks();

private:
    struct TImageListCloser {
        void operator()(HIMAGELIST h) const noexcept { ImageList_Destroy(h); }
    };
    using TImageListOwner = TOwner<HIMAGELIST, TImageListCloser>;

    LPARAM RowId(int row) const;

    TImageListOwner FMarkImages;
    // Tooltips by the rows' ids, so they follow their rows when others are inserted or removed.
    std::map<LPARAM, std::wstring> FTips;
    LPARAM FNextId = 1;
};
