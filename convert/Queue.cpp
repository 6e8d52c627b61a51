#include "convert/Queue.h"

int FirstSelectedRow(const IQueueList& list) {
    const int count = list.Count();
    for (int row = 0; row < count; ++row) {
        if (list.Selected(row)) return row;
    }
    return -1;
}

void AddDocuments(IQueueList& list, const std::vector<std::wstring>& paths) {
    for (const std::wstring& path : paths) {
        list.Insert(list.Count(), std::to_wstring(list.Count() + 1), path);
    }
}

void RemoveSelectedRows(IQueueList& list) {
    bool removed = false;
    // From the last row up, so the positions still to visit do not shift.
    for (int row = list.Count() - 1; row >= 0; --row) {
        if (list.Selected(row)) {
            list.Delete(row);
            removed = true;
        }
    }
    if (removed) RenumberRows(list);
}

void RemoveAllRows(IQueueList& list) { list.Clear(); }

void RenumberRows(IQueueList& list) {
    const int count = list.Count();
    for (int row = 0; row < count; ++row) list.SetCaption(row, std::to_wstring(row + 1));
}

bool NoteDraggedRow(const IQueueList& list, TQueueDrag& drag) {
    drag.Record(FirstSelectedRow(list));
    return true;
}

bool MoveByDrop(IQueueList& list, TQueueDrag& drag, bool sourceIsQueueList, int x, int y) {
    const int recorded = drag.Row();
    drag.Clear();
    if (!sourceIsQueueList) return false;
    const int count = list.Count();
    const int target = list.ItemAt(x, y);
    if (target < 0 || target >= count) return false;
    // A record left over from a longer list must not reach past its end.
    if (recorded < 0 || recorded >= count) return false;
    int first = FirstSelectedRow(list);
    if (first < 0) return false;

    // The copy goes in before the target and then the first selected row goes, so a drop
    // onto the row itself or the one below it keeps the order, and nothing reaches the last
    // place: users know this behaviour, keep it.
    list.Insert(target, list.Caption(recorded), list.Path(recorded));
    if (first >= target) ++first;
    list.Delete(first);
    RenumberRows(list);
    return true;
}
