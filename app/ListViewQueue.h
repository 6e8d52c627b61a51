#pragma once
// TListViewQueue: the queue's rows as ListView1 holds them, for the queue operations of convert/.

#include <windows.h>
#include <commctrl.h>

#include <string>

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
};
