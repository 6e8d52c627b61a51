// Writes the modern-document fuzzer's seeds into the folder given first: whole documents as one
// decompressed archive stream each. Small documents are built here with the test writer (text and
// styles, lists, attachments, sections, a table, floating objects); every further argument is an
// unpacked real document, whose .iwa files below it are decompressed and joined into one stream.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "iwork/IwaArchive.h"
#include "iwork/ModernReader.h"
#include "iwork/ObjectStore.h"
#include "iwork/DocumentFields.h"
#include "iwork/ObjectTypes.h"
#include "platform/Exception.h"
#include "support/IwaWriter.h"
#include "support/ModernMessages.h"

namespace fs = std::filesystem;
using namespace testsupport;

namespace {

using namespace iwork::types;
using namespace iwork::fields;

// A built seed the reader refuses would leave its part of the reader to chance: say so.
void Check(const char* name, const TBytes& archives) {
    try {
        iwork::TObjectStore store;
        store.AddArchives(archives);
        const doc::TDocument d = iwork::ReadModernDocument(store, iwork::TModernPackage());
        std::fprintf(stderr, "%s: %zu paragraphs, %zu drawables, %zu tables\n", name, d.Body.Paragraphs.size(),
                     d.Drawables.size(), d.Tables.size());
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s is refused: %s\n", name, e.what());
    }
}

void Save(const std::string& path, const TBytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A Letter page with inch margins, and the package's data list naming the files the fuzzer puts
// in Data/.
class TBuilder : public TModernObjects {
public:
    TBuilder() {
        Root.Float(document::kLeftMargin, 72).Float(document::kRightMargin, 72);
        Root.Float(document::kTopMargin, 72).Float(document::kBottomMargin, 72);
    }
    TBytes Archives() const {
        std::vector<TIwaObject> objects = Objects(kPagesDocument);
        TProtoWriter data;
        using namespace data_file;
        data.Message(package_metadata::kDataFiles,
                     TProtoWriter().Varint(kIdentifier, 12).String(kPreferredFileName, "image.png").String(kFileName, "image.png"));
        data.Message(package_metadata::kDataFiles, TProtoWriter().Varint(kIdentifier, 13).String(kPreferredFileName, "broken.jpg"));
        objects.emplace_back(2, kPackageMetadata, data.Data());
        return IwaArchives(objects);
    }
};

TBytes TextAndLists() {
    TBuilder b;
    const auto body =
        b.Add(kParagraphStyle, TProtoWriter()
                                   .Message(1, StyleRecord("Body"))
                                   .Message(11, TProtoWriter().Float(3, 11).String(5, "Georgia"))
                                   .Message(12, TProtoWriter().Varint(1, 3).Float(11, 20).Float(21, 6).Message(
                                                    13, TProtoWriter().Float(2, 1.5f))));
    const auto heading = b.Add(kParagraphStyle, Style("Heading", body, TProtoWriter().Float(3, 24).Bool(1, true)));
    const auto bold = b.Add(kCharacterStyle, Style("", 0, TProtoWriter().Bool(1, true).Bool(2, true)));
    TProtoWriter numbered;
    numbered.Message(1, StyleRecord("Numbered"))
        .PackedVarints(11, {3, 2})
        .PackedFloats(12, {1.8f, 1.5f})
        .PackedFloats(13, {0, 18})
        .PackedVarints(15, {1, 0})
        .String(16, "")
        .String(16, "\xE2\x80\x93");
    const auto list = b.Add(kListStyle, numbered);
    const auto link = b.Add(kHyperlink, TProtoWriter().String(2, "https://example.com/a b"));
    const auto dropCap = b.Add(kDropCapStyle, TProtoWriter()
                                                  .Message(11, TProtoWriter().Varint(1, 1))
                                                  .Message(12, TProtoWriter().Message(1, TProtoWriter().Varint(2, 3).Varint(10, 1))));
    b.Body(Storage("Title\nSome body text that is long enough to wrap over more than one line of the page, "
                   "with\ttabs and a forced\xE2\x80\xA8line break.\na\nb\nc\x05"
                   "After the break\n\xE4\xB8\xAD\xE6\x96\x87 text\n")
               .Message(5, ObjectTable({{0, heading}, {6, body}}))
               .Message(7, ObjectTable({{121, list}, {127, 0}}))
               .Message(6, DataTable({{121, 0, 0}, {123, 1, 0}, {125, 0, 0}}))
               .Message(14, DataTable({{121, 1, 0}}))
               .Message(8, ObjectTable({{11, bold}, {15, 0}}))
               .Message(11, ObjectTable({{0, 0}, {11, link}, {40, 0}}))
               .Message(28, ObjectTable({{0, 0}, {6, dropCap}})));
    return b.Archives();
}

TBytes Attachments() {
    TBuilder b;
    TProtoWriter image;
    image.Message(1, DrawableRecord(300, 400, 100, 50, 0))
        .Message(11, TProtoWriter().Varint(1, 12))
        .Message(12, TProtoWriter().Varint(1, 13))
        .Message(9, Size(800, 400));
    const auto picture = b.Add(kImage, image);
    const auto pictureAt = b.Add(kDrawableAttachment, TProtoWriter().Reference(1, picture));
    const auto pageNumber =
        b.Add(kNumberAttachment, TProtoWriter().Message(1, TProtoWriter().Varint(2, 0)).String(3, "7"));
    const auto pageCount = b.Add(kNumberAttachment, TProtoWriter().Message(1, TProtoWriter().Varint(2, 1)));
    const auto note = b.Add(kFootnoteReference, TProtoWriter().Reference(2, b.Add(kTextStorage, Storage("A note."))));
    const auto chart = b.Add(kChartDrawable, TProtoWriter().Message(1, DrawableRecord(0, 0, 200, 100, 0)));
    const auto chartAt = b.Add(kDrawableAttachment, TProtoWriter().Reference(1, chart));
    const auto inside = b.Add(kTextStorage, Storage("Inside a box"));
    const auto box = b.Add(kShapeInfo, TextBox(DrawableRecord(72, 300, 200, 60, 2), inside));
    const auto boxAt = b.Add(kDrawableAttachment, TProtoWriter().Reference(1, box));
    // "See P here. Page N of M, note* chart C anchor B"
    b.Body(Storage("See \xEF\xBF\xBC here.\nPage \xEF\xBF\xBC of \xEF\xBF\xBC, note \xEF\xBF\xBC"
                   "\nchart \xEF\xBF\xBC anchor \xEF\xBF\xBC")
               .Message(9, ObjectTable({{4, pictureAt}, {17, pageNumber}, {22, pageCount}, {38, chartAt}, {47, boxAt}}))
               .Message(16, ObjectTable({{30, note}})));
    b.Root.Reference(7, b.Add(kSettings, TProtoWriter().Varint(30, 0).Varint(33, 12)));
    return b.Archives();
}

TBytes Sections() {
    TBuilder b;
    auto master = [&](const std::string& header, const std::string& footer) {
        TProtoWriter m;
        for (const std::string& text : {header, std::string(), std::string()})
            m.Reference(1, b.Add(kTextStorage, Storage(text)));
        for (const std::string& text : {std::string(), footer, std::string()})
            m.Reference(2, b.Add(kTextStorage, Storage(text)));
        return b.Add(kPageMaster, m);
    };
    const auto cover = master("Cover", ""), odd = master("Odd", "Page \xEF\xBF\xBC");
    const auto first = b.Add(kSection, TProtoWriter().Bool(18, true).Reference(23, cover).Reference(25, odd));
    const auto second = b.Add(kSection, TProtoWriter().Bool(17, true).Bool(19, true).Varint(21, 1).Varint(22, 5));
    b.Body(Storage("one\ntwo\x04three\nfour").Message(17, ObjectTable({{0, first}, {8, second}})));
    return b.Archives();
}

// A tile record: version 5, the type, flags, then the fields.
TBytes CellRecord(std::uint8_t type, std::uint32_t flags, std::initializer_list<std::uint32_t> ids) {
    TBytes r = {5, type, 0, 0, 0, 0, 0, 0};
    for (int i = 0; i < 4; ++i) r.push_back(static_cast<std::uint8_t>(flags >> (8 * i)));
    for (std::uint32_t id : ids)
        for (int i = 0; i < 4; ++i) r.push_back(static_cast<std::uint8_t>(id >> (8 * i)));
    return r;
}

TBytes Table() {
    TBuilder b;
    TProtoWriter strings;
    strings.Varint(1, 1).Varint(2, 10);
    int key = 1;
    for (const char* s : {"Name", "Price", "Both columns"})
        strings.Message(3, TProtoWriter().Varint(1, key++).Varint(2, 1).String(3, s));
    const auto stringList = b.Add(kTableDataList, strings);
    TBytes row0 = CellRecord(3, 0x8, {1}), second = CellRecord(3, 0x8, {2});
    const auto secondAt = static_cast<std::uint16_t>(row0.size());
    row0.insert(row0.end(), second.begin(), second.end());
    TBytes row1 = CellRecord(2, 0x2, {});
    const double value = 1234.5;
    const auto* v = reinterpret_cast<const std::uint8_t*>(&value);
    row1.insert(row1.end(), v, v + 8);
    const TBytes row2 = CellRecord(3, 0x8, {3});
    auto rowInfo = [](std::uint64_t row, const TBytes& buffer, std::initializer_list<std::uint16_t> offsets) {
        TBytes o;
        for (std::uint16_t x : offsets) {
            o.push_back(x & 0xFF);
            o.push_back(x >> 8);
        }
        return TProtoWriter().Varint(1, row).Varint(2, offsets.size()).Varint(5, 5).Bytes(6, buffer).Bytes(7, o);
    };
    TProtoWriter tile;
    tile.Message(5, rowInfo(0, row0, {0, secondAt}))
        .Message(5, rowInfo(1, row1, {0xFFFF, 0}))
        .Message(5, rowInfo(2, row2, {0, 0xFFFF}));
    const auto tileId = b.Add(kTile, tile);
    const auto columns = b.Add(kHeaderStorageBucket, TProtoWriter().Message(2, TProtoWriter().Varint(1, 1).Float(2, 150)));
    TProtoWriter store;
    store.Message(3, TProtoWriter().Message(1, TProtoWriter().Varint(1, 0).Reference(2, tileId)))
        .Reference(2, columns)
        .Reference(4, stringList);
    TProtoWriter tract;
    tract.Message(3, TProtoWriter().Varint(1, 0).Varint(2, 1)).Message(4, TProtoWriter().Varint(1, 2));
    TProtoWriter node;
    node.Varint(1, 67).Message(40, tract);
    TProtoWriter formula;
    formula.Message(1, TProtoWriter().Message(1, node));
    TProtoWriter merges;
    merges.Message(2, TProtoWriter().Message(3, TProtoWriter().Varint(1, 1).Message(2, formula)));
    const auto tableStyle =
        b.Add(kTableStyle, Style("Plain", 0, TProtoWriter().Bool(38, true).Message(60, TProtoWriter().Float(2, 0.5f))));
    TProtoWriter model;
    model.String(1, "id").Reference(3, tableStyle).Message(4, store);
    model.Varint(6, 3).Varint(7, 2).String(8, "Prices").Varint(9, 1).Double(16, 20).Double(17, 100).Message(47, merges);
    const auto modelId = b.Add(kTableModel, model);
    const auto table =
        b.Add(kTableInfo, TProtoWriter().Message(1, DrawableRecord(0, 0, 250, 60, 0)).Reference(2, modelId));
    const auto attachment = b.Add(kDrawableAttachment, TProtoWriter().Reference(1, table));
    b.Body(Storage("Before\n\xEF\xBF\xBC\nAfter").Message(9, ObjectTable({{7, attachment}})));
    return b.Archives();
}

TBytes Floating() {
    TBuilder b;
    const auto text = b.Add(kTextStorage, Storage("Floating text"));
    const auto back = b.Add(kShapeInfo, TextBox(DrawableRecord(10, 10, 50, 20, 5), text));
    const TProtoWriter red = TProtoWriter().Varint(1, 1).Float(3, 1).Float(4, 0).Float(5, 0);
    const auto redStyle =
        b.Add(kShapeStyle, Style("Red", 0, TProtoWriter().Message(1, TProtoWriter().Message(1, red))));
    const TProtoWriter roundedRect = TProtoWriter().Varint(1, 0).Float(2, 10).Message(3, Size(100, 40));
    TProtoWriter shape;
    shape.Message(1, DrawableRecord(3, 10, 100, 40, 5))
        .Reference(2, redStyle)
        .Message(3, TProtoWriter().Message(4, roundedRect));
    const auto other = b.Add(kShape, shape);
    TProtoWriter image;
    image.Message(1, DrawableRecord(100, 200, 120, 80, 5)).Message(11, TProtoWriter().Varint(1, 12));
    const auto picture = b.Add(kImage, image);
    auto entry = [](std::uint64_t id) { return TProtoWriter().Reference(1, id); };
    TProtoWriter floating;
    floating.Message(1, TProtoWriter().Varint(1, 1).Message(2, entry(back)).Message(4, entry(picture)));
    floating.Message(1, TProtoWriter().Varint(1, 0).Message(4, entry(other)));
    b.Root.Reference(3, b.Add(kFloatingDrawables, floating));
    b.Root.Reference(7, b.Add(kSettings, TProtoWriter().Bool(1, false)));
    return b.Archives();
}

// Objects named from many places (sections sharing a master, one text box attached again and
// again, footnotes sharing a text): small here, for mutations to grow.
TBytes Shared() {
    TBuilder b;
    std::string header;
    for (int i = 0; i < 40; ++i) header += "header words \xEF\xBF\xBC ";
    const auto number = b.Add(kNumberAttachment, TProtoWriter().Message(1, TProtoWriter().Varint(2, 0)));
    const auto headerText = b.Add(kTextStorage, Storage(header).Message(9, ObjectTable({{13, number}})));
    const auto master = b.Add(kPageMaster, TProtoWriter().Reference(1, headerText).Reference(2, headerText));
    const auto section = b.Add(kSection, TProtoWriter().Reference(25, master));
    const auto same = b.Add(kSection, TProtoWriter().Bool(17, true).Bool(19, true));
    const auto boxText = b.Add(kTextStorage, Storage("Text in a box that is attached again and again"));
    const auto box = b.Add(kShapeInfo, TextBox(DrawableRecord(0, 0, 90, 20, 0), boxText));
    const auto boxAt = b.Add(kDrawableAttachment, TProtoWriter().Reference(1, box));
    const auto noteText = b.Add(kTextStorage, Storage("A shared note."));
    std::string body;
    TProtoWriter sections, attachments, notes;
    for (std::uint32_t i = 0; i < 16; ++i) {
        const std::uint32_t at = 4 * i;  // "\xEF\xBF\xBC" (1 unit) + "\xEF\xBF\xBC" + "\x05" + "\n"
        body += "\xEF\xBF\xBC\xEF\xBF\xBC\x05\n";
        sections.Message(1, TProtoWriter().Varint(1, at).Reference(2, i % 4 == 0 ? section : same));
        attachments.Message(1, TProtoWriter().Varint(1, at).Reference(2, boxAt));
        notes.Message(
            1, TProtoWriter().Varint(1, at + 1).Reference(2, b.Add(kFootnoteReference, TProtoWriter().Reference(2, noteText))));
    }
    b.Body(Storage(body).Message(17, sections).Message(9, attachments).Message(16, notes));
    return b.Archives();
}

// Every .iwa below folder, in a fixed order, decompressed and joined.
TBytes JoinedArchives(const fs::path& folder) {
    std::vector<fs::path> files;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file() && e.path().extension() == ".iwa") files.push_back(e.path());
    std::sort(files.begin(), files.end());
    TBytes joined;
    for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        const TBytes bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        try {
            const TBytes archives = iwork::DecompressIwa(bytes);
            joined.insert(joined.end(), archives.begin(), archives.end());
        } catch (const Exception& e) {
            std::fprintf(stderr, "%s: %s\n", file.c_str(), e.what());
        }
    }
    return joined;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s folder [unpacked-document-folder...]\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    const std::pair<const char*, TBytes> built[] = {
        {"text-and-lists", TextAndLists()}, {"attachments", Attachments()},
        {"sections", Sections()},           {"table", Table()},
        {"floating", Floating()},           {"shared", Shared()},
    };
    for (const auto& [name, archives] : built) {
        Check(name, archives);
        Save(folder + "/" + name + ".archives", archives);
    }
    for (int i = 2; i < argc; ++i) {
        const TBytes joined = JoinedArchives(argv[i]);
        if (!joined.empty()) Save(folder + "/document-" + fs::path(argv[i]).filename().string() + ".archives", joined);
    }
    return 0;
}
