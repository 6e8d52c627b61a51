// Hostile documents for bench/hostile.sh: each asks for work or memory out of proportion to its
// bytes, and the converter must answer each with a PDF or a clear reason within its goals. They
// are made here with the tests' writers, never stored.
//   bench_hostile DIR    writes every case into DIR as NAME.pages and lists the names
#include <snappy.h>
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#endif
#include <stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "iwork/DocumentFields.h"
#include "iwork/ObjectTypes.h"
#include "iwork/StorageFields.h"
#include "iwork/TableFields.h"
#include "support/IwaWriter.h"
#include "support/PngWriter.h"
#include "support/ZipWriter.h"

using namespace testsupport;
namespace types = iwork::types;
namespace fields = iwork::fields;

namespace {

const std::string kMark = "\xEF\xBF\xBC";  // where an attachment stands in the text

// A document's objects, numbered from 100; the root is object 1.
class TBuilder {
public:
    std::uint64_t Add(std::uint32_t type, const TProtoWriter& payload) {
        Files.Document.emplace_back(FNext, type, payload.Data());
        return FNext++;
    }
    // The body: a text storage holding text, with its tables (field -> table) added by more.
    void Body(const std::string& text, const std::function<void(TProtoWriter&)>& more = {}) {
        TProtoWriter storage;
        storage.Varint(fields::storage::kKind, 0).String(fields::storage::kText, text);
        if (more) more(storage);
        const std::uint64_t body = Add(types::kTextStorage, storage);
        Files.Document.emplace_back(1, types::kPagesDocument,
                                    TProtoWriter()
                                        .Float(fields::document::kPageWidth, 612)
                                        .Float(fields::document::kPageHeight, 792)
                                        .Reference(fields::document::kBodyStorage, body)
                                        .Data());
    }
    // A file of Data/ named in the package's data list.
    void AddData(std::uint64_t id, const std::string& name, TBytes bytes) {
        FDataList.Message(fields::package_metadata::kDataFiles,
                          TProtoWriter()
                              .Varint(fields::data_file::kIdentifier, id)
                              .String(fields::data_file::kPreferredFileName, name)
                              .String(fields::data_file::kFileName, name));
        Files.OtherFiles.emplace_back("Data/" + name, std::move(bytes));
        Files.Metadata = {TIwaObject(2, types::kPackageMetadata, FDataList.Data())};
    }
    TBytes Package() const { return ModernPackageZip(Files); }

    TModernPackageFiles Files;

private:
    std::uint64_t FNext = 100;
    TProtoWriter FDataList;
};

TProtoWriter Size(float w, float h) { return TProtoWriter().Float(1, w).Float(2, h); }

// An inline picture of data file dataId, w x h points.
TProtoWriter Picture(std::uint64_t dataId, float w, float h) {
    return TProtoWriter()
        .Message(1, TProtoWriter()
                        .Message(1, TProtoWriter().Message(1, Size(0, 0)).Message(2, Size(w, h)))
                        .Message(3, TProtoWriter().Varint(1, 0)))
        .Message(11, TProtoWriter().Varint(1, dataId))
        .Message(9, Size(w, h));
}

// An attachment table {1 entries {1 index, 2 object}} with entry i at character i.
TProtoWriter Entries(const std::vector<std::uint64_t>& objects) {
    TProtoWriter table;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        TProtoWriter entry;
        entry.Varint(1, i);
        if (objects[i] != 0) entry.Reference(2, objects[i]);
        table.Message(1, entry);
    }
    return table;
}

// A body of pictures, one after the other, each showing a data file.
TBytes Pictures(const std::vector<std::uint64_t>& dataIds, TBuilder& b) {
    std::vector<std::uint64_t> attachments;
    std::string text;
    for (std::uint64_t id : dataIds) {
        const auto picture = b.Add(types::kImage, Picture(id, 200, 150));
        attachments.push_back(b.Add(types::kDrawableAttachment, TProtoWriter().Reference(1, picture)));
        text += kMark;
    }
    b.Body(text, [&](TProtoWriter& s) { s.Message(fields::storage::kAttachments, Entries(attachments)); });
    return b.Package();
}

// A table of rows x columns with no cell content; more adds the model's own fields.
std::uint64_t EmptyTable(TBuilder& b, std::uint64_t rows, std::uint64_t columns,
                         const std::function<void(TProtoWriter&)>& more = {}) {
    TProtoWriter model;
    model.String(1, "id")
        .Message(fields::table_model::kDataStore, TProtoWriter())
        .Varint(fields::table_model::kRows, rows)
        .Varint(fields::table_model::kColumns, columns);
    if (more) more(model);
    const auto modelId = b.Add(types::kTableModel, model);
    const auto table = b.Add(types::kTableInfo,
                             TProtoWriter()
                                 .Message(1, TProtoWriter().Message(
                                                 1, TProtoWriter().Message(1, Size(0, 0)).Message(2, Size(400, 60))))
                                 .Reference(fields::table_info::kModel, modelId));
    return b.Add(types::kDrawableAttachment, TProtoWriter().Reference(1, table));
}

void Tables(TBuilder& b, const std::vector<std::uint64_t>& attachments) {
    std::string text;
    for (std::size_t i = 0; i < attachments.size(); ++i) text += kMark + "\n";
    std::vector<std::uint64_t> entries;
    for (std::uint64_t a : attachments) entries.insert(entries.end(), {a, 0});
    b.Body(text, [&](TProtoWriter& s) { s.Message(fields::storage::kAttachments, Entries(entries)); });
}

// A merge over rows r0-r1 and columns c0-c1, as a colon tract formula of the merge owner.
TProtoWriter MergeFormula(std::uint64_t key, std::uint64_t r0, std::uint64_t r1, std::uint64_t c0, std::uint64_t c1) {
    TProtoWriter tract;
    tract.Message(3, TProtoWriter().Varint(1, c0).Varint(2, c1)).Message(4, TProtoWriter().Varint(1, r0).Varint(2, r1));
    const TProtoWriter node = TProtoWriter().Varint(1, 67).Message(40, tract);
    return TProtoWriter().Varint(1, key).Message(2, TProtoWriter().Message(1, TProtoWriter().Message(1, node)));
}

// --- the cases ------------------------------------------------------------------------------

TBytes Links() {
    // One paragraph of 200,000 letters, every other one a link.
    TBuilder b;
    const auto site = b.Add(types::kHyperlink, TProtoWriter().String(2, "https://example.com/"));
    constexpr std::size_t kLetters = 200'000;
    std::vector<std::uint64_t> entries(kLetters);
    for (std::size_t i = 0; i < kLetters; i += 2) entries[i] = site;
    b.Body(std::string(kLetters, 'a'), [&](TProtoWriter& s) { s.Message(fields::storage::kSmartFields, Entries(entries)); });
    return b.Package();
}

TBytes LinkTargetNamedOften() {
    // A 4 MB link target named by 1,000 entries: 4 GB if each took a copy.
    TBuilder b;
    const auto site = b.Add(types::kHyperlink, TProtoWriter().String(2, "https://example.com/" + std::string(4 << 20, 'x')));
    std::vector<std::uint64_t> entries(1000, site);
    b.Body(std::string(1000, 'a'), [&](TProtoWriter& s) { s.Message(fields::storage::kSmartFields, Entries(entries)); });
    return b.Package();
}

TBytes Merges() {
    // 20,000 merges over the whole of a 100 x 30 table.
    TBuilder b;
    const auto table = EmptyTable(b, 100, 30, [](TProtoWriter& model) {
        TProtoWriter formulas;
        for (std::uint64_t i = 0; i < 20'000; ++i) formulas.Message(3, MergeFormula(i, 0, 99, 0, 29));
        model.Message(fields::table_model::kMergeOwner, TProtoWriter().Message(2, formulas));
    });
    Tables(b, {table});
    return b.Package();
}

TBytes StrokeLayerNamedOften() {
    // One border layer down the whole of a 1,000-row table, named 200,000 times.
    TBuilder b;
    const auto layer = b.Add(types::kStrokeLayer,
                             TProtoWriter().Varint(1, 1).Message(
                                 2, TProtoWriter().Varint(1, 0).Varint(2, 1000).Message(3, TProtoWriter().Float(2, 1))));
    TProtoWriter sidecar;
    for (int i = 0; i < 200'000; ++i) sidecar.Reference(4, layer);
    const auto sidecarId = b.Add(types::kStrokeSidecar, sidecar);
    Tables(b, {EmptyTable(b, 1000, 5, [&](TProtoWriter& m) { m.Reference(fields::table_model::kStrokeSidecar, sidecarId); })});
    return b.Package();
}

TBytes EmptyTables() {
    // Two empty tables of the largest size Pages allows in rows, 30 columns.
    TBuilder b;
    Tables(b, {EmptyTable(b, 65535, 30), EmptyTable(b, 65535, 30)});
    return b.Package();
}

// A picture of width x height pixels, every row a little different (it compresses well but
// not to nothing); with alpha, its edge fades out.
TBytes Photo(int width, int height, bool alpha) {
    const int channels = alpha ? 4 : 3;
    return Png(width, height, channels, [&](int y, std::uint8_t* row) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = row + std::size_t(x) * channels;
            p[0] = std::uint8_t(x * 255 / width);
            p[1] = std::uint8_t(y * 255 / height);
            p[2] = std::uint8_t((x ^ y) & 0xFF);
            if (alpha) p[3] = std::uint8_t(std::min({x, y, width - 1 - x, height - 1 - y, 255}));
        }
    });
}

TBytes OnePictureShownOften() {
    // One 64-megapixel picture shown by 40 pictures.
    TBuilder b;
    b.AddData(12, "big-12.png", Photo(8192, 8192, false));
    return Pictures(std::vector<std::uint64_t>(40, 12), b);
}

TBytes LargePictureWithAlpha() {
    // One 64-megapixel picture with transparency: what decoding it holds at once.
    TBuilder b;
    b.AddData(12, "clear-12.png", Photo(8192, 8192, true));
    return Pictures({12}, b);
}

TBytes LargePicturesPastTheBudget() {
    // Six different 48-megapixel pictures with transparency: 1.2 GB decoded, past the document's
    // budget, beside some text.
    TBuilder b;
    std::vector<std::uint64_t> ids;
    for (std::uint64_t i = 0; i < 6; ++i) {
        b.AddData(20 + i, "clear-" + std::to_string(20 + i) + ".png", Photo(8000, 6000 + int(i), true));
        ids.push_back(20 + i);
    }
    return Pictures(ids, b);
}

void AppendBytes(void* context, void* data, int size) {
    auto* out = static_cast<TBytes*>(context);
    out->insert(out->end(), static_cast<std::uint8_t*>(data), static_cast<std::uint8_t*>(data) + size);
}

TBytes JpegClaimingTooMuch() {
    // A JPEG whose frame claims 65535 x 65535 pixels.
    std::vector<std::uint8_t> pixels(16 * 16 * 3, 0x80);
    TBytes jpeg;
    stbi_write_jpg_to_func(AppendBytes, &jpeg, 16, 16, 3, pixels.data(), 90);
    for (std::size_t i = 0; i + 9 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            std::fill(jpeg.begin() + std::ptrdiff_t(i + 5), jpeg.begin() + std::ptrdiff_t(i + 9), 0xFF);
            break;
        }
    TBuilder b;
    b.AddData(12, "huge-12.jpg", jpeg);
    return Pictures({12}, b);
}

TBytes ObjectsBomb() {
    // Document.iwa of Snappy chunks that really expand: 64 KiB of zeros each, 1 GiB in all,
    // deflated in the package.
    const std::string zeros(65536, '\0');
    std::string block;
    snappy::Compress(zeros.data(), zeros.size(), &block);
    std::string chunk = {'\0', char(block.size() & 0xFF), char((block.size() >> 8) & 0xFF), char(block.size() >> 16)};
    chunk += block;
    std::string iwa;
    iwa.reserve(chunk.size() * 16384);
    for (int i = 0; i < 16384; ++i) iwa += chunk;
    TZipPackage package;
    for (const auto& [name, bytes] : ModernPackageEntries(TModernPackageFiles{}))
        if (name != "Index/Document.iwa") package.Entries.push_back(MakeEntry(name, std::string(bytes.begin(), bytes.end())));
    package.Entries.push_back(MakeEntry("Index/Document.iwa", iwa, kZipDeflated));
    return ZipBytes(package);
}

TBytes IndexZipClaimingTooMuch() {
    // An Index.zip whose one entry claims 3.75 GiB.
    TZipPackage inner;
    inner.Entries = {MakeEntry("Index/Document.iwa", "x")};
    inner.Entries[0].UncompressedSize = 0xF0000000u;
    const TBytes innerBytes = ZipBytes(inner);
    TZipPackage package;
    package.Entries = {MakeEntry("Index.zip", std::string(innerBytes.begin(), innerBytes.end()))};
    return ZipBytes(package);
}

TBytes UnreadableIwa(const std::string& bytes) {
    TZipPackage package;
    for (const auto& [name, data] : ModernPackageEntries(TModernPackageFiles{}))
        package.Entries.push_back(MakeEntry(name, name == "Index/Document.iwa" ? bytes : std::string(data.begin(), data.end())));
    return ZipBytes(package);
}

struct TCase {
    const char* Name;
    std::function<TBytes()> Make;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_hostile DIR\n");
        return 2;
    }
    const TCase cases[] = {
        {"links-200000", Links},
        {"link-target-named-1000-times", LinkTargetNamedOften},
        {"merges-20000", Merges},
        {"stroke-layer-named-200000-times", StrokeLayerNamedOften},
        {"empty-tables-65535x30", EmptyTables},
        {"picture-64mpx-shown-40-times", OnePictureShownOften},
        {"picture-64mpx-alpha", LargePictureWithAlpha},
        {"pictures-past-the-budget", LargePicturesPastTheBudget},
        {"jpeg-claiming-65535x65535", JpegClaimingTooMuch},
        {"objects-expanding-to-1gib", ObjectsBomb},
        {"index-zip-claiming-3.75gib", IndexZipClaimingTooMuch},
        {"iwa-damaged-first-byte", [] { return UnreadableIwa("\x8F damaged first byte"); }},
        {"iwa-html-error-page", [] { return UnreadableIwa("<html><body>502 Bad Gateway</body></html>"); }},
    };
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    for (const TCase& c : cases) {
        const TBytes bytes = c.Make();
        std::ofstream(dir / (std::string(c.Name) + ".pages"), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        std::printf("%s\n", c.Name);
    }
    return 0;
}
