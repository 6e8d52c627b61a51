#pragma once
// The document queue. Its rows live only in the window's list control, so the operations
// are written once over IQueueList: the window implements it over ListView1, tests with a fake.
// A row's caption is its 1-based position in decimal, its one sub-item the document's path.

#include <string>
#include <vector>

class IQueueList {
public:
    virtual ~IQueueList() = default;

    virtual int Count() const = 0;
    // The "No." column.
    virtual std::wstring Caption(int row) const = 0;
    virtual void SetCaption(int row, const std::wstring& caption) = 0;
    // The first sub-item: the document's full path.
    virtual std::wstring Path(int row) const = 0;
    virtual bool Selected(int row) const = 0;
    // A new, unselected row at position row (Count() appends); the rows from row on move
    // down one place and keep their selection. Returns the new row's position.
    virtual int Insert(int row, const std::wstring& caption, const std::wstring& path) = 0;
    // Removes the row; the rows after it move up one place and keep their selection.
    virtual void Delete(int row) = 0;
    virtual void Clear() = 0;
    // The row under the point in the list's client coordinates, -1 for none (GetItemAt).
    virtual int ItemAt(int x, int y) const = 0;
};

// The row recorded while a drag passes over the list (the window's ListItem).
class TQueueDrag {
public:
    bool HasRow() const { return FRow >= 0; }
    int Row() const { return FRow; }
    void Record(int row) { FRow = row < 0 ? -1 : row; }
    void Clear() { FRow = -1; }

private:
    int FRow = -1;
};

// Position of the selected row with the lowest position; -1 when nothing is selected.
int FirstSelectedRow(const IQueueList& list);

// Appends one row per path, in the given order, numbered with the new row count. Existing
// rows keep their numbers; a path already queued is queued again.
void AddDocuments(IQueueList& list, const std::vector<std::wstring>& paths);

// Removes every selected row, then renumbers; with nothing selected nothing changes.
void RemoveSelectedRows(IQueueList& list);

void RemoveAllRows(IQueueList& list);

// Sets every row's caption to its 1-based position.
void RenumberRows(IQueueList& list);

// Drag-over: records the first selected row (or none) and returns true, since the list
// accepts whatever is dragged over it.
bool NoteDraggedRow(const IQueueList& list, TQueueDrag& drag);

// Drop at (x, y): when the dragged object is the queue's own list, a row lies under the
// point, a row is recorded and a row is selected, a copy of the recorded row goes in just
// before the target row, the first selected row is removed and every row renumbered.
// The drop ends the drag, so the record is cleared whatever happens.
// Returns whether the queue changed.
bool MoveByDrop(IQueueList& list, TQueueDrag& drag, bool sourceIsQueueList, int x, int y);
