// TListViewQueue: rows of ListView1 read and written through the list control's messages.
#include "app/ListViewQueue.h"

#include <vector>

#include "platform/Exception.h"

namespace {

std::wstring ItemText(HWND list, int row, int column) {
    std::vector<wchar_t> buffer(512);
    for (;;) {
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(buffer.size());
        const auto n = static_cast<std::size_t>(
            ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
        if (n + 1 < buffer.size()) return std::wstring(buffer.data(), n);
        buffer.resize(buffer.size() * 4);
    }
}

void SetItemText(HWND list, int row, int column, const std::wstring& text) {
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    ::SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

}  // namespace

int TListViewQueue::Count() const { return ListView_GetItemCount(Handle); }

std::wstring TListViewQueue::Caption(int row) const { return ItemText(Handle, row, 0); }

void TListViewQueue::SetCaption(int row, const std::wstring& caption) { SetItemText(Handle, row, 0, caption); }

std::wstring TListViewQueue::Path(int row) const { return ItemText(Handle, row, 1); }

bool TListViewQueue::Selected(int row) const { return ListView_GetItemState(Handle, row, LVIS_SELECTED) != 0; }

int TListViewQueue::Insert(int row, const std::wstring& caption, const std::wstring& path) {
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_STATE;
    item.iItem = row;
    item.pszText = const_cast<wchar_t*>(caption.c_str());
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    const int at = static_cast<int>(::SendMessageW(Handle, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (at < 0) throw EListError(L"Failed to insert list item");
    SetItemText(Handle, at, 1, path);
    return at;
}

void TListViewQueue::Delete(int row) { ListView_DeleteItem(Handle, row); }

void TListViewQueue::Clear() { ListView_DeleteAllItems(Handle); }

int TListViewQueue::ItemAt(int x, int y) const {
    LVHITTESTINFO hit{};
    hit.pt = POINT{x, y};
    const int row = ListView_HitTest(Handle, &hit);
    return (row >= 0 && (hit.flags & LVHT_ONITEM)) ? row : -1;
}

void TListViewQueue::SetMark(int, TRowMark, const std::wstring&) {}

void TListViewQueue::ClearMarks() {}
