// The modern reader and damaged documents: broken references and indices are named, and objects
// named over and over exhaust the read budget.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ModernDocumentBuilder.h"

using namespace iwork;
using namespace testsupport;

TEST(ModernReader, DamagedReferencesAndIndicesAreNamed) {
    struct TCase {
        const char* Name;
        std::function<void(TDocumentBuilder&)> Build;
        const char* Expected;
    };
    const std::vector<TCase> cases = {
        {"missing paragraph style",
         [](TDocumentBuilder& b) { b.Body(Storage("x").Message(5, ObjectTable({{0, 999}}))); },
         "Object 999, a paragraph style, is missing"},
        {"paragraph style of the wrong type",
         [](TDocumentBuilder& b) {
             const auto s = b.Add(kStorage, Storage("y"));
             b.Body(Storage("x").Message(5, ObjectTable({{0, s}})));
         },
         "Object 100 should be a paragraph style but is a text storage"},
        {"index past the end",
         [](TDocumentBuilder& b) { b.Body(Storage("abc").Message(8, ObjectTable({{0, 0}, {9, 0}}))); },
         "Text storage 100's character styles point to character 9, past the end of its 3 characters"},
        {"decreasing indices",
         [](TDocumentBuilder& b) { b.Body(Storage("abcdef").Message(5, ObjectTable({{4, 0}, {2, 0}}))); },
         "Text storage 100's paragraph styles go back from character 4 to 2"},
        {"missing attachment",
         [](TDocumentBuilder& b) { b.Body(Storage("\xEF\xBF\xBC").Message(9, ObjectTable({{0, 555}}))); },
         "Text storage 100 has an attachment, object 555, that is missing"},
        {"missing body", [](TDocumentBuilder& b) { b.Root.Reference(4, 777); }, "Object 777, a body text, is missing"},
        {"a text box that holds itself",
         [](TDocumentBuilder& b) {
             // 100 the box's storage, 101 the box, 102 its attachment inside its own text.
             b.Add(kStorage, Storage("\xEF\xBF\xBC").Message(9, ObjectTable({{0, 102}})));
             b.Add(kTextBox, TextBox(DrawableRecord(0, 0, 9, 9, 0), 100));
             b.Add(kDrawableAttachment, TProtoWriter().Reference(1, 101));
             b.Body(Storage("\xEF\xBF\xBC").Message(9, ObjectTable({{0, 102}})));
         },
         "Object 101 contains itself"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TDocumentBuilder b;
        c.Build(b);
        EXPECT_EQ(Message([&] { b.Read(); }), c.Expected);
    }
}

TEST(ModernReader, LargeObjectsNamedOverAndOverExhaustTheBudget) {
    // A damaged document can name one storage from thousands of places: each reading after the
    // first costs the storage's size, a section's masters copied to the next cost their text, and
    // a shape costs its path's segments each time.
    const std::string big(50000, 'x');  // the 81st reading passes the budget of 4 million
    const std::string huge(1'600'000, 'y');  // a copy costs 100,000
    auto marks = [](int count) {
        std::string text;
        for (int i = 0; i < count; ++i) text += "\xEF\xBF\xBC";
        return text;
    };
    auto entries = [](int count, std::uint64_t object) {
        TProtoWriter table;
        for (int i = 0; i < count; ++i) table.Message(1, TProtoWriter().Varint(1, i).Reference(2, object));
        return table;
    };
    struct TCase {
        const char* Name;
        std::function<void(TDocumentBuilder&, int)> Build;
        int Many = 100;  // times named: 3 read well
    };
    const std::vector<TCase> cases = {
        {"sections naming one master",
         [&](TDocumentBuilder& b, int count) {
             const auto master = b.Add(kPageMaster, TProtoWriter().Reference(1, b.Add(kStorage, Storage(big))));
             const auto section = b.Add(kSection, TProtoWriter().Reference(25, master));
             b.Body(Storage(std::string(count, '\n')).Message(17, entries(count, section)));
         }},
        {"sections the same as the previous one",
         [&](TDocumentBuilder& b, int count) {
             const auto master = b.Add(kPageMaster, TProtoWriter().Reference(1, b.Add(kStorage, Storage(huge))));
             const auto first = b.Add(kSection, TProtoWriter().Reference(25, master));
             const auto same = b.Add(kSection, TProtoWriter().Bool(17, true));
             TProtoWriter table = entries(1, first);
             for (int i = 1; i < count; ++i) table.Message(1, TProtoWriter().Varint(1, i).Reference(2, same));
             b.Body(Storage(std::string(count, '\n')).Message(17, table));
         }},
        {"one text box attached over and over",
         [&](TDocumentBuilder& b, int count) {
             const auto box = b.Add(kTextBox, TextBox(DrawableRecord(0, 0, 90, 20, 0), b.Add(kStorage, Storage(big))));
             b.Body(Storage(marks(count)).Message(9, entries(count, b.Add(kDrawableAttachment,
                                                                           TProtoWriter().Reference(1, box)))));
         }},
        {"footnotes sharing one text",
         [&](TDocumentBuilder& b, int count) {
             const auto text = b.Add(kStorage, Storage(big));
             TProtoWriter table;
             for (int i = 0; i < count; ++i)
                 table.Message(1, TProtoWriter().Varint(1, i).Reference(2, b.Add(kFootnote,
                                                                                  TProtoWriter().Reference(2, text))));
             b.Body(Storage(marks(count)).Message(16, table));
         }},
        {"a polygon on every page, four times",
         [&](TDocumentBuilder& b, int count) {
             // A 100-sided polygon: a tiny message, 101 segments of 4 units each.
             const TProtoWriter polygon = TProtoWriter().Varint(1, 1).Float(2, 100).Message(3, Size(100, 50));
             const auto shape = b.Add(3004, TProtoWriter()
                                                .Message(1, DrawableRecord(10, 10, 100, 50, 5))
                                                .Message(3, TProtoWriter().Message(4, polygon)));
             TProtoWriter floating;
             for (int page = 0; page * 4 < count; ++page) {
                 TProtoWriter group;
                 group.Varint(1, page);
                 for (int k = 0; k < 4 && page * 4 + k < count; ++k)
                     group.Message(4, TProtoWriter().Reference(1, shape));
                 floating.Message(1, group);
             }
             b.Root.Reference(3, b.Add(kFloating, floating));
         },
         10000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TDocumentBuilder few;
        c.Build(few, 3);
        EXPECT_EQ(Message([&] { few.Read(); }), "no error");
        TDocumentBuilder many;
        c.Build(many, c.Many);
        EXPECT_EQ(Message([&] { many.Read(); }),
                  "The document asks for more objects, table cells and text than any real document holds");
    }
}
