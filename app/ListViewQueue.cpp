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
    // A new row shows no mark: the default image would be the first icon.
    item.mask = LVIF_TEXT | LVIF_STATE | LVIF_IMAGE | LVIF_PARAM;
    item.iImage = I_IMAGENONE;
    item.lParam = FNextId++;
    item.iItem = row;
    item.pszText = const_cast<wchar_t*>(caption.c_str());
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    const int at = static_cast<int>(::SendMessageW(Handle, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (at < 0) throw EListError(L"Failed to insert list item");
    SetItemText(Handle, at, 1, path);
    return at;
}

void TListViewQueue::Delete(int row) {
    FTips.erase(RowId(row));
    ListView_DeleteItem(Handle, row);
}

void TListViewQueue::Clear() {
    FTips.clear();
    ListView_DeleteAllItems(Handle);
}

int TListViewQueue::ItemAt(int x, int y) const {
    LVHITTESTINFO hit{};
    hit.pt = POINT{x, y};
    const int row = ListView_HitTest(Handle, &hit);
    return (row >= 0 && (hit.flags & LVHT_ONITEM)) ? row : -1;
}

LPARAM TListViewQueue::RowId(int row) const {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    return ::SendMessageW(Handle, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) ? item.lParam : 0;
}

void TListViewQueue::ShowMarks(int size) {
    FMarkImages.reset(MakeMarkImages(size));
    ListView_SetImageList(Handle, FMarkImages.get(), LVSIL_SMALL);
}

void TListViewQueue::SetMark(int row, TRowMark mark, const std::wstring& tip) {
    if (row < 0 || row >= Count()) return;
    LVITEMW item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    item.iImage = mark == TRowMark::rmNone ? I_IMAGENONE : MarkImageIndex(mark);
    ::SendMessageW(Handle, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    if (tip.empty()) FTips.erase(RowId(row));
    else FTips[RowId(row)] = tip;
}

TRowMark TListViewQueue::Mark(int row) const {
    LVITEMW item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    if (!::SendMessageW(Handle, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return TRowMark::rmNone;
    return MarkOfImageIndex(item.iImage);
}

std::wstring TListViewQueue::Tip(int row) const {
    const auto it = FTips.find(RowId(row));
    return it == FTips.end() ? std::wstring() : it->second;
}

void TListViewQueue::ClearMarks() {
    for (int row = 0, n = Count(); row < n; ++row) SetMark(row, TRowMark::rmNone, L"");
    FTips.clear();
}
