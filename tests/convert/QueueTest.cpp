#include <gtest/gtest.h>

#include <cwctype>
#include <string>
#include <vector>

#include "convert/Queue.h"

namespace {

// A list of rows with a report-style layout: rows kRowHeight pixels high from the top.
class FakeList : public IQueueList {
public:
    static constexpr int kRowHeight = 20;
    static constexpr int kWidth = 600;

    struct Row {
        std::wstring caption;
        std::wstring path;
        bool selected = false;
    };

    int Count() const override { return static_cast<int>(rows.size()); }
    std::wstring Caption(int row) const override { return rows.at(Index(row)).caption; }
    void SetCaption(int row, const std::wstring& caption) override { rows.at(Index(row)).caption = caption; }
    std::wstring Path(int row) const override { return rows.at(Index(row)).path; }
    bool Selected(int row) const override { return rows.at(Index(row)).selected; }
    int Insert(int row, const std::wstring& caption, const std::wstring& path) override {
        EXPECT_GE(row, 0);
        EXPECT_LE(row, Count());
        rows.insert(rows.begin() + row, Row{caption, path, false});
        return row;
    }
    void Delete(int row) override {
        EXPECT_GE(row, 0);
        EXPECT_LT(row, Count());
        rows.erase(rows.begin() + row);
    }
    void Clear() override { rows.clear(); }
    int ItemAt(int x, int y) const override {
        if (x < 0 || x >= kWidth || y < 0) return -1;
        const int row = y / kRowHeight;
        return row < Count() ? row : -1;
    }

    std::vector<Row> rows;

private:
    static std::size_t Index(int row) { return static_cast<std::size_t>(row); }
};

std::wstring PathOf(wchar_t letter) { return std::wstring(L"C:\\Docs\\") + letter + L".pages"; }

// One letter per row, "ABCDE": the letter names the document, lower case marks a selected row.
// Captions are set to the positions, as the queue keeps them.
FakeList ListOf(const std::wstring& state) {
    FakeList list;
    for (wchar_t c : state) {
        const auto upper = static_cast<wchar_t>(std::towupper(c));
        list.rows.push_back({std::to_wstring(list.rows.size() + 1), PathOf(upper), c != upper});
    }
    return list;
}

// The inverse of ListOf; a caption that is not the row's position shows as "?" after it.
std::wstring StateOf(const FakeList& list) {
    std::wstring state;
    for (std::size_t i = 0; i < list.rows.size(); ++i) {
        const FakeList::Row& row = list.rows[i];
        const wchar_t letter = row.path.size() > 8 ? row.path[8] : L'#';
        state += row.selected ? static_cast<wchar_t>(std::towlower(letter)) : letter;
        if (row.caption != std::to_wstring(i + 1)) state += L'?';
    }
    return state;
}

int YOfRow(int row1Based) { return (row1Based - 1) * FakeList::kRowHeight + FakeList::kRowHeight / 2; }

struct DropCase {
    const char* name;
    const wchar_t* before;
    bool noteDrag;            // a drag-over came before the drop
    bool deselectBeforeDrop;  // the selection was cleared after the drag-over
    bool fromList;            // the dragged object is the queue's own list
    int target;               // 1-based row under the drop point; 0 for the space below the last row
    const wchar_t* after;
    bool moved;               // what the drop reports
};

const DropCase kDropCases[] = {
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
    for (const DropCase& c : kDropCases) {
        SCOPED_TRACE(c.name);
        FakeList list = ListOf(c.before);
        TQueueDrag drag;
        if (c.noteDrag) {
            EXPECT_TRUE(NoteDraggedRow(list, drag));
        }
        if (c.deselectBeforeDrop) {
            for (FakeList::Row& row : list.rows) row.selected = false;
        }
        const int y = c.target == 0 ? list.Count() * FakeList::kRowHeight + 5 : YOfRow(c.target);

        const bool changed = MoveByDrop(list, drag, c.fromList, 40, y);

        EXPECT_EQ(StateOf(list), c.after);
        EXPECT_EQ(changed, c.moved);
        EXPECT_FALSE(drag.HasRow()) << "the drop ends the drag";
    }
}

TEST(QueueTest, DragOverAcceptsAndRecordsTheFirstSelectedRow) {
    FakeList list = ListOf(L"ABcDe");
    TQueueDrag drag;
    EXPECT_TRUE(NoteDraggedRow(list, drag));
    EXPECT_EQ(drag.Row(), 2);

    list.rows[2].selected = false;
    list.rows[4].selected = false;
    EXPECT_TRUE(NoteDraggedRow(list, drag));
    EXPECT_FALSE(drag.HasRow()) << "each drag-over records afresh";
}

TEST(QueueTest, ASecondDropWithoutDragOverDoesNothing) {
    FakeList list = ListOf(L"aBCDE");
    TQueueDrag drag;
    NoteDraggedRow(list, drag);
    ASSERT_TRUE(MoveByDrop(list, drag, true, 40, YOfRow(4)));
    ASSERT_EQ(StateOf(list), L"BCADE");

    list.rows[0].selected = true;
    EXPECT_FALSE(MoveByDrop(list, drag, true, 40, YOfRow(4)));
    EXPECT_EQ(StateOf(list), L"bCADE");
}

TEST(QueueTest, ARecordPastTheEndOfTheListChangesNothing) {
    FakeList list = ListOf(L"aBC");
    TQueueDrag drag;
    drag.Record(4);
    EXPECT_FALSE(MoveByDrop(list, drag, true, 40, YOfRow(2)));
    EXPECT_EQ(StateOf(list), L"aBC");
}

TEST(QueueTest, AddingNumbersNewRowsAfterTheExistingOnes) {
    FakeList list = ListOf(L"Ab");
    AddDocuments(list, {PathOf(L'C'), PathOf(L'D'), PathOf(L'E')});
    EXPECT_EQ(StateOf(list), L"AbCDE");
    ASSERT_EQ(list.rows.size(), 5u);
    EXPECT_EQ(list.rows[2].caption, L"3");
    EXPECT_EQ(list.rows[4].caption, L"5");
}

TEST(QueueTest, AddingNothingChangesNothing) {
    FakeList list = ListOf(L"Ab");
    AddDocuments(list, {});
    EXPECT_EQ(StateOf(list), L"Ab");
}

TEST(QueueTest, APathAddedTwiceStandsInTwoRows) {
    FakeList list;
    AddDocuments(list, {PathOf(L'A')});
    AddDocuments(list, {PathOf(L'A')});
    EXPECT_EQ(StateOf(list), L"AA");
    EXPECT_EQ(list.Path(0), list.Path(1));
}

TEST(QueueTest, AddingKeepsOddPathsAsGiven) {
    FakeList list;
    const std::vector<std::wstring> paths = {L"", L"  D:\\x y\\Report.v2.pages ", L"\\\\server\\share\\a.pages"};
    AddDocuments(list, paths);
    ASSERT_EQ(list.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(list.Path(i), paths[static_cast<std::size_t>(i)]);
        EXPECT_EQ(list.Caption(i), std::to_wstring(i + 1));
    }
}

TEST(QueueTest, RemovingSelectedRowsRenumbersTheRest) {
    struct Case {
        const wchar_t* before;
        const wchar_t* after;
    };
    const Case cases[] = {
        {L"AbCdE", L"ACE"},
        {L"ABCDE", L"ABCDE"},
        {L"abcde", L""},
        {L"aBCDe", L"BCD"},
        {L"", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.before)));
        FakeList list = ListOf(c.before);
        RemoveSelectedRows(list);
        EXPECT_EQ(StateOf(list), c.after);
    }
}

TEST(QueueTest, RemoveAllEmptiesAndNumberingStartsAgain) {
    FakeList list = ListOf(L"AbC");
    RemoveAllRows(list);
    EXPECT_EQ(list.Count(), 0);
    AddDocuments(list, {PathOf(L'D'), PathOf(L'E')});
    EXPECT_EQ(StateOf(list), L"DE");
}

}  // namespace
