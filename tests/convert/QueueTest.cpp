#include <gtest/gtest.h>

#include <cwctype>
#include <string>
#include <vector>

#include "convert/Queue.h"

namespace {

// A list of rows with a report-style layout: rows kRowHeight pixels high from the top.
class TFakeList : public IQueueList {
public:
    static constexpr int kRowHeight = 20;
    static constexpr int kWidth = 600;

    struct TRow {
        std::wstring Caption;
        std::wstring Path;
        bool Selected = false;
    };

    int Count() const override { return static_cast<int>(Rows.size()); }
    std::wstring Caption(int row) const override { return Rows.at(Index(row)).Caption; }
    void SetCaption(int row, const std::wstring& caption) override { Rows.at(Index(row)).Caption = caption; }
    std::wstring Path(int row) const override { return Rows.at(Index(row)).Path; }
    bool Selected(int row) const override { return Rows.at(Index(row)).Selected; }
    int Insert(int row, const std::wstring& caption, const std::wstring& path) override {
        EXPECT_GE(row, 0);
        EXPECT_LE(row, Count());
        Rows.insert(Rows.begin() + row, TRow{caption, path, false});
        return row;
    }
    void Delete(int row) override {
        EXPECT_GE(row, 0);
        EXPECT_LT(row, Count());
        Rows.erase(Rows.begin() + row);
    }
    void Clear() override { Rows.clear(); }
    int ItemAt(int x, int y) const override {
        if (x < 0 || x >= kWidth || y < 0) return -1;
        const int row = y / kRowHeight;
        return row < Count() ? row : -1;
    }

    std::vector<TRow> Rows;

private:
    static std::size_t Index(int row) { return static_cast<std::size_t>(row); }
};

std::wstring PathOf(wchar_t letter) { return std::wstring(L"C:\\Docs\\") + letter + L".pages"; }

// One letter per row, "ABCDE": the letter names the document, lower case marks a selected row.
// Captions are set to the positions, as the queue keeps them.
TFakeList ListOf(const std::wstring& state) {
    TFakeList list;
    for (wchar_t c : state) {
        const auto upper = static_cast<wchar_t>(std::towupper(c));
        list.Rows.push_back({std::to_wstring(list.Rows.size() + 1), PathOf(upper), c != upper});
    }
    return list;
}

// The inverse of ListOf; a caption that is not the row's position shows as "?" after it.
std::wstring StateOf(const TFakeList& list) {
    std::wstring state;
    for (std::size_t i = 0; i < list.Rows.size(); ++i) {
        const TFakeList::TRow& row = list.Rows[i];
        const wchar_t letter = row.Path.size() > 8 ? row.Path[8] : L'#';
        state += row.Selected ? static_cast<wchar_t>(std::towlower(letter)) : letter;
        if (row.Caption != std::to_wstring(i + 1)) state += L'?';
    }
    return state;
}

int YOfRow(int row1Based) { return (row1Based - 1) * TFakeList::kRowHeight + TFakeList::kRowHeight / 2; }

struct TDropCase {
    const char* Name;
    const wchar_t* Before;
    bool NoteDrag;            // a drag-over came before the drop
    bool DeselectBeforeDrop;  // the selection was cleared after the drag-over
    bool FromList;            // the dragged object is the queue's own list
    int Target;               // 1-based row under the drop point; 0 for the space below the last row
    const wchar_t* After;
    bool Moved;               // what the drop reports
};

const TDropCase kDropCases[] = {
    {"row 1 onto row 4", L"aBCDE", true, false, true, 4, L"BCADE", true},
    {"row 5 onto row 2", L"ABCDe", true, false, true, 2, L"AEBCD", true},
    {"onto itself keeps the order, unselected", L"AbCDE", true, false, true, 2, L"ABCDE", true},
    {"onto the next row keeps the order", L"AbCDE", true, false, true, 3, L"ABCDE", true},
    {"two rows down moves it one place", L"AbCDE", true, false, true, 4, L"ACBDE", true},
    {"onto the last row lands before it", L"aBCDE", true, false, true, 5, L"BCDAE", true},
    {"below the last row does nothing", L"aBCDE", true, false, true, 0, L"aBCDE", false},
    {"only the first selected row moves", L"AbCdE", true, false, true, 1, L"BACdE", true},
    {"first selected moves past a later one", L"aBcDE", true, false, true, 5, L"BcDAE", true},
    {"no drag-over, no record", L"aBCDE", false, false, true, 4, L"aBCDE", false},
    {"nothing selected at drag-over", L"ABCDE", true, false, true, 4, L"ABCDE", false},
    {"nothing selected at drop", L"aBCDE", true, true, true, 4, L"ABCDE", false},
    {"source is not the queue's list", L"aBCDE", true, false, false, 4, L"aBCDE", false},
    {"single row onto itself", L"a", true, false, true, 1, L"A", true},
};

TEST(QueueTest, MoveByDropHasItsExactNetEffect) {
    for (const TDropCase& c : kDropCases) {
        SCOPED_TRACE(c.Name);
        TFakeList list = ListOf(c.Before);
        TQueueDrag drag;
        if (c.NoteDrag) {
            EXPECT_TRUE(NoteDraggedRow(list, drag));
        }
        if (c.DeselectBeforeDrop) {
            for (TFakeList::TRow& row : list.Rows) row.Selected = false;
        }
        const int y = c.Target == 0 ? list.Count() * TFakeList::kRowHeight + 5 : YOfRow(c.Target);

        const bool changed = MoveByDrop(list, drag, c.FromList, 40, y);

        EXPECT_EQ(StateOf(list), c.After);
        EXPECT_EQ(changed, c.Moved);
        EXPECT_FALSE(drag.HasRow()) << "the drop ends the drag";
    }
}

TEST(QueueTest, DragOverAcceptsAndRecordsTheFirstSelectedRow) {
    TFakeList list = ListOf(L"ABcDe");
    TQueueDrag drag;
    EXPECT_TRUE(NoteDraggedRow(list, drag));
    EXPECT_EQ(drag.Row(), 2);

    list.Rows[2].Selected = false;
    list.Rows[4].Selected = false;
    EXPECT_TRUE(NoteDraggedRow(list, drag));
    EXPECT_FALSE(drag.HasRow()) << "each drag-over records afresh";
}

TEST(QueueTest, ASecondDropWithoutDragOverDoesNothing) {
    TFakeList list = ListOf(L"aBCDE");
    TQueueDrag drag;
    NoteDraggedRow(list, drag);
    ASSERT_TRUE(MoveByDrop(list, drag, true, 40, YOfRow(4)));
    ASSERT_EQ(StateOf(list), L"BCADE");

    list.Rows[0].Selected = true;
    EXPECT_FALSE(MoveByDrop(list, drag, true, 40, YOfRow(4)));
    EXPECT_EQ(StateOf(list), L"bCADE");
}

TEST(QueueTest, ARecordPastTheEndOfTheListChangesNothing) {
    TFakeList list = ListOf(L"aBC");
    TQueueDrag drag;
    drag.Record(4);
    EXPECT_FALSE(MoveByDrop(list, drag, true, 40, YOfRow(2)));
    EXPECT_EQ(StateOf(list), L"aBC");
}

TEST(QueueTest, AddingNumbersNewRowsAfterTheExistingOnes) {
    TFakeList list = ListOf(L"Ab");
    AddDocuments(list, {PathOf(L'C'), PathOf(L'D'), PathOf(L'E')});
    EXPECT_EQ(StateOf(list), L"AbCDE");
    ASSERT_EQ(list.Rows.size(), 5u);
    EXPECT_EQ(list.Rows[2].Caption, L"3");
    EXPECT_EQ(list.Rows[4].Caption, L"5");
}

TEST(QueueTest, AddingNothingChangesNothing) {
    TFakeList list = ListOf(L"Ab");
    AddDocuments(list, {});
    EXPECT_EQ(StateOf(list), L"Ab");
}

TEST(QueueTest, APathAddedTwiceStandsInTwoRows) {
    TFakeList list;
    AddDocuments(list, {PathOf(L'A')});
    AddDocuments(list, {PathOf(L'A')});
    EXPECT_EQ(StateOf(list), L"AA");
    EXPECT_EQ(list.Path(0), list.Path(1));
}

TEST(QueueTest, AddingKeepsOddPathsAsGiven) {
    TFakeList list;
    const std::vector<std::wstring> paths = {L"", L"  D:\\x y\\Report.v2.pages ", L"\\\\server\\share\\a.pages"};
    AddDocuments(list, paths);
    ASSERT_EQ(list.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(list.Path(i), paths[static_cast<std::size_t>(i)]);
        EXPECT_EQ(list.Caption(i), std::to_wstring(i + 1));
    }
}

TEST(QueueTest, RemovingSelectedRowsRenumbersTheRest) {
    struct TCase {
        const wchar_t* Before;
        const wchar_t* After;
    };
    const TCase cases[] = {
        {L"AbCdE", L"ACE"},
        {L"ABCDE", L"ABCDE"},
        {L"abcde", L""},
        {L"aBCDe", L"BCD"},
        {L"", L""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.Before)));
        TFakeList list = ListOf(c.Before);
        RemoveSelectedRows(list);
        EXPECT_EQ(StateOf(list), c.After);
    }
}

TEST(QueueTest, RemoveAllEmptiesAndNumberingStartsAgain) {
    TFakeList list = ListOf(L"AbC");
    RemoveAllRows(list);
    EXPECT_EQ(list.Count(), 0);
    AddDocuments(list, {PathOf(L'D'), PathOf(L'E')});
    EXPECT_EQ(StateOf(list), L"DE");
}

}  // namespace
