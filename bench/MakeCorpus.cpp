// Writes the benchmark corpus: Pages '09-like packages built from a fixed seed, so every run
// (and every machine) benchmarks the same bytes.
//
//   bench_make_corpus DIR
//
// DIR/large.pages        ~200 MB: deflated index.xml, many stored JPEG-like images, a ~5 MB Preview.pdf
// DIR/batch/doc-NNN.pages 400 documents of 100-300 KB
// DIR/tiny.pages         20,000 entries of tens of bytes in nested folders
// DIR/corpus.stamp       written last; holds what --version prints (a partial corpus has none)

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "support/ZipWriter.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kVersion = "bench-corpus 2";
constexpr std::uint64_t kSeed = 0x7A6E5D4C3B2A1908ULL;

using testsupport::TBytes;

// xoshiro256**: fast enough to fill 200 MB in a blink, and identical on every platform.
class TRandom {
public:
    explicit TRandom(std::uint64_t seed) {
        for (auto& s : FState) {
            seed += 0x9E3779B97F4A7C15ULL;  // splitmix64 spreads one seed over the four words
            std::uint64_t z = seed;
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
            s = z ^ (z >> 31);
        }
    }

    std::uint64_t Next() {
        const std::uint64_t result = Rotl(FState[1] * 5, 7) * 9;
        const std::uint64_t t = FState[1] << 17;
        FState[2] ^= FState[0];
        FState[3] ^= FState[1];
        FState[1] ^= FState[2];
        FState[0] ^= FState[3];
        FState[2] ^= t;
        FState[3] = Rotl(FState[3], 45);
        return result;
    }

    // Uniform in [lo, hi].
    std::uint64_t Between(std::uint64_t lo, std::uint64_t hi) { return lo + Next() % (hi - lo + 1); }

    // Log-uniform in [lo, hi]: many small values, a few large ones, as photos in a document are.
    std::uint64_t LogBetween(double lo, double hi) {
        const double u = static_cast<double>(Next() >> 11) / 9007199254740992.0;
        return static_cast<std::uint64_t>(lo * std::pow(hi / lo, u));
    }

    bool Chance(unsigned percent) { return Next() % 100 < percent; }

    void Fill(std::uint8_t* out, std::size_t n) {
        while (n >= 8) {
            const std::uint64_t v = Next();
            for (int i = 0; i < 8; ++i) out[i] = static_cast<std::uint8_t>(v >> (8 * i));
            out += 8;
            n -= 8;
        }
        const std::uint64_t v = Next();
        for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(v >> (8 * i));
    }

private:
    static std::uint64_t Rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    std::array<std::uint64_t, 4> FState{};
};

void Append(TBytes& b, std::string_view s) {
    b.insert(b.end(), s.begin(), s.end());
}

// A package as macOS' archiver writes it: made by Unix, Unix modes, one fixed time (so the bytes
// never change), no UTF-8 flag. The writer refuses what would need ZIP64.
class TCorpusZip {
public:
    explicit TCorpusZip(const fs::path& path) : FWriter(path) {}

    void Stored(const std::string& name, const TBytes& data) { Add(name, data, testsupport::kZipStored, false); }
    void Deflated(const std::string& name, const TBytes& data, bool descriptor) {
        Add(name, data, testsupport::kZipDeflated, descriptor);
    }
    void Folder(const std::string& name) { Add(name + "/", {}, testsupport::kZipStored, false); }
    std::size_t Entries() const { return FWriter.EntryCount(); }
    std::uint64_t Finish() { return FWriter.Finish().Size; }

private:
    // 2011-06-14 10:30:00, the Pages '09 era.
    static constexpr std::uint32_t kDosTime = (10 << 11) | (30 << 5);
    static constexpr std::uint32_t kDosDate = ((2011 - 1980) << 9) | (6 << 5) | 14;

    void Add(const std::string& name, const TBytes& data, std::uint16_t method, bool descriptor) {
        testsupport::TZipEntry entry = testsupport::MakeEntry(name, std::string(data.begin(), data.end()), method,
                                                              descriptor ? testsupport::kZipFlagDescriptor : 0);
        entry.ModifiedDateTime = (kDosDate << 16) | kDosTime;
        const bool folder = !name.empty() && name.back() == '/';
        entry.ExternalAttributes = folder ? (040755u << 16) | 0x10 : 0100644u << 16;
        FWriter.Add(entry);
    }

    testsupport::TZipWriter FWriter;
};

// --- Content that looks like what Pages '09 writes --------------------------------------------

constexpr std::array<std::string_view, 64> kWords = {
    "the",      "of",        "and",      "to",        "in",       "report",   "quarter",  "revenue",
    "customer", "project",   "schedule", "design",    "review",   "budget",   "team",     "market",
    "growth",   "analysis",  "summary",  "proposal",  "results",  "meeting",  "approved", "pending",
    "north",    "south",     "region",   "product",   "service",  "contract", "delivery", "invoice",
    "estimate", "forecast",  "priority", "milestone", "research", "pilot",    "launch",   "feedback",
    "survey",   "interview", "draft",    "final",     "appendix", "figure",   "table",    "chapter",
    "is",       "was",       "with",     "for",       "on",       "that",     "by",       "from",
    "this",     "which",     "will",     "have",      "our",      "their",    "more",     "than"};

void AppendWords(std::string& s, TRandom& rng, std::uint64_t count) {
    for (std::uint64_t i = 0; i < count; ++i) {
        if (i) s += ' ';
        s += kWords[rng.Next() % kWords.size()];
    }
}

// index.xml-like text: styles, geometry with numbers, paragraphs of words with spans.
TBytes MakeXml(TRandom& rng, std::size_t target) {
    std::string s;
    s.reserve(target + 4096);
    s += "<?xml version=\"1.0\"?>\n"
         "<sl:document xmlns:sfa=\"http://developer.apple.com/namespaces/sfa\" "
         "xmlns:sf=\"http://developer.apple.com/namespaces/sf\" "
         "xmlns:sl=\"http://developer.apple.com/namespaces/sl\" sl:version=\"92008102400\" "
         "sfa:ID=\"SLDocument-1\" sl:app=\"Pages 4.3 (1048)\">\n<sl:stylesheet sfa:ID=\"SFSStylesheet-1\">\n";
    char buf[512];
    std::uint64_t id = 100;
    while (s.size() < target) {
        const std::uint64_t kind = rng.Next() % 10;
        // Every draw in its own statement: the order of a call's arguments is unspecified, and
        // compilers differ, which would change the corpus from one compiler to the next.
        if (kind == 0) {
            const auto parent = static_cast<unsigned long long>(rng.Between(1, id));
            const auto fontSize = static_cast<unsigned long long>(rng.Between(8, 36));
            std::snprintf(
                buf, sizeof buf,
                "<sf:characterstyle sf:ident=\"SFWPCharacterStyle-%llu\" sf:parent-ident=\"SFWPCharacterStyle-%llu\" "
                "sfa:ID=\"SFWPCharacterStyle-%llu\"><sf:property-map><sf:fontSize><sf:number sfa:number=\"%llu\" "
                "sfa:type=\"f\"/></sf:fontSize></sf:property-map></sf:characterstyle>\n",
                static_cast<unsigned long long>(id), parent, static_cast<unsigned long long>(id), fontSize);
            s += buf;
            ++id;
        } else if (kind == 1) {
            unsigned long long v[6];
            const std::uint64_t bounds[6][2] = {{40, 2400}, {40, 1800}, {0, 612}, {0, 9999}, {0, 792}, {0, 9999}};
            for (int k = 0; k < 6; ++k) v[k] = rng.Between(bounds[k][0], bounds[k][1]);
            std::snprintf(
                buf, sizeof buf,
                "<sf:drawable-image sfa:ID=\"SFDImageInfo-%llu\"><sf:geometry sfa:ID=\"SFDAffineGeometry-%llu\">"
                "<sf:naturalSize sfa:w=\"%llu\" sfa:h=\"%llu\"/><sf:position sfa:x=\"%llu.%04llu\" "
                "sfa:y=\"%llu.%04llu\"/></sf:geometry></sf:drawable-image>\n",
                static_cast<unsigned long long>(id), static_cast<unsigned long long>(id + 1), v[0], v[1], v[2], v[3],
                v[4], v[5]);
            s += buf;
            id += 2;
        } else {
            std::snprintf(buf, sizeof buf, "<sf:p sf:style=\"paragraph-style-%llu\">",
                          static_cast<unsigned long long>(rng.Between(1, 40)));
            s += buf;
            AppendWords(s, rng, rng.Between(8, 40));
            if (rng.Chance(40)) {
                std::snprintf(buf, sizeof buf, " <sf:span sf:style=\"SFWPCharacterStyle-%llu\">",
                              static_cast<unsigned long long>(rng.Between(100, id)));
                s += buf;
                AppendWords(s, rng, rng.Between(1, 6));
                s += "</sf:span>";
            }
            s += "<sf:br/></sf:p>\n";
        }
    }
    s += "</sl:stylesheet>\n</sl:document>\n";
    return TBytes(s.begin(), s.end());
}

// A JPEG frame around incompressible bytes: what a photo's entropy-coded data look like to deflate.
TBytes MakeJpeg(TRandom& rng, std::size_t size) {
    static constexpr std::uint8_t kHead[] = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J',  'F',  'I',  'F',  0x00,
                                             0x01, 0x01, 0x00, 0x00, 0x48, 0x00, 0x48, 0x00, 0x00, 0xFF, 0xDA};
    size = std::max(size, sizeof kHead + 2);
    TBytes b(size);
    std::copy(std::begin(kHead), std::end(kHead), b.begin());
    rng.Fill(b.data() + sizeof kHead, size - sizeof kHead - 2);
    b[size - 2] = 0xFF;
    b[size - 1] = 0xD9;
    return b;
}

// A PDF with real object offsets, an xref table and a trailer; the page streams are random bytes,
// as Flate-compressed content is.
TBytes MakePdf(TRandom& rng, std::size_t size) {
    TBytes b;
    b.reserve(size + 4096);
    Append(b, "%PDF-1.3\n%\xC4\xE5\xF2\xE5\xEB\xA7\xF3\xA0\xD0\xC4\xC6\n");
    std::vector<std::size_t> offsets;
    char buf[160];
    while (b.size() + 1024 < size) {
        offsets.push_back(b.size());
        const std::size_t len = std::min<std::size_t>(rng.Between(2000, 120000), size - b.size() - 512);
        std::snprintf(buf, sizeof buf, "%zu 0 obj\n<< /Length %zu /Filter /FlateDecode >>\nstream\n", offsets.size(),
                      len);
        Append(b, buf);
        const std::size_t at = b.size();
        b.resize(at + len);
        rng.Fill(b.data() + at, len);
        Append(b, "\nendstream\nendobj\n");
    }
    const std::size_t xref = b.size();
    std::snprintf(buf, sizeof buf, "xref\n0 %zu\n0000000000 65535 f \n", offsets.size() + 1);
    Append(b, buf);
    for (std::size_t off : offsets) {
        std::snprintf(buf, sizeof buf, "%010zu 00000 n \n", off);
        Append(b, buf);
    }
    std::snprintf(buf, sizeof buf, "trailer\n<< /Size %zu /Root 1 0 R >>\nstartxref\n%zu\n%%%%EOF\n",
                  offsets.size() + 1, xref);
    Append(b, buf);
    return b;
}

TBytes MakePlist() {
    TBytes b;
    Append(
        b,
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
        "<plist version=\"1.0\">\n<array>\n\t<string>Template: Blank (2010-12-13 14:35)</string>\n"
        "\t<string>M4.3.1048-20110614</string>\n</array>\n</plist>\n");
    return b;
}

// --- The three workloads ----------------------------------------------------------------------

void QuickLook(TCorpusZip& zip, TRandom& rng, std::size_t pdfSize) {
    zip.Stored("QuickLook/Thumbnail.jpg", MakeJpeg(rng, rng.Between(6000, 30000)));
    zip.Stored("QuickLook/Preview.pdf", MakePdf(rng, pdfSize));
    zip.Stored("buildVersionHistory.plist", MakePlist());
}

std::uint64_t MakeLarge(const fs::path& path, TRandom& rng) {
    TCorpusZip zip(path);
    QuickLook(zip, rng, 5 * 1024 * 1024);
    zip.Deflated("index.xml", MakeXml(rng, 40 * 1000 * 1000), true);
    std::uint64_t images = 0;
    for (int i = 1; images < 185'000'000; ++i) {
        char name[64];
        const TBytes photo = MakeJpeg(rng, rng.LogBetween(500'000, 10'000'000));
        images += photo.size();
        std::snprintf(name, sizeof name, "Contents/image-%03d.jpg", i);
        zip.Stored(name, photo);
        // The small copy Pages keeps for display, deflated by the archiver to no gain.
        std::snprintf(name, sizeof name, "Contents/image-%03d-small.jpg", i);
        zip.Deflated(name, MakeJpeg(rng, rng.Between(20'000, 120'000)), i % 2 == 0);
    }
    const std::size_t entries = zip.Entries();
    const std::uint64_t size = zip.Finish();
    std::printf("%s: %zu entries, %.1f MB\n", path.filename().c_str(), entries, size / 1e6);
    return size;
}

void MakeBatch(const fs::path& dir, TRandom& rng) {
    fs::create_directories(dir);
    std::uint64_t smallest = UINT64_MAX, largest = 0;
    for (int i = 1; i <= 400; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "doc-%03d.pages", i);
        TCorpusZip zip(dir / name);
        // Aim at a package size, then share it out: a preview of 30-50 %, a few pictures, and index.xml
        // (which deflates to about a sixth) filling the rest.
        const std::uint64_t target = rng.Between(105'000, 295'000);
        std::uint64_t left = target - 2'000;
        const std::uint64_t pdf = target * rng.Between(30, 50) / 100;
        const std::uint64_t thumbnail = rng.Between(6'000, 20'000);
        zip.Stored("QuickLook/Thumbnail.jpg", MakeJpeg(rng, thumbnail));
        zip.Stored("QuickLook/Preview.pdf", MakePdf(rng, pdf));
        zip.Stored("buildVersionHistory.plist", MakePlist());
        left -= std::min(left, pdf + thumbnail);
        const std::uint64_t pictures = rng.Between(0, 2);
        for (std::uint64_t p = 1; p <= pictures && left > 40'000; ++p) {
            char image[64];
            std::snprintf(image, sizeof image, "Contents/picture-%llu.jpg", static_cast<unsigned long long>(p));
            const std::uint64_t size = rng.Between(10'000, left / 2);
            zip.Stored(image, MakeJpeg(rng, size));
            left -= size;
        }
        zip.Deflated("index.xml", MakeXml(rng, std::max<std::uint64_t>(left, 10'000) * 57 / 10), i % 4 == 0);
        const std::uint64_t size = zip.Finish();
        smallest = std::min(smallest, size);
        largest = std::max(largest, size);
    }
    std::printf("batch/: 400 documents, %.0f-%.0f KB each\n", smallest / 1e3, largest / 1e3);
}

void MakeTiny(const fs::path& path, TRandom& rng) {
    TCorpusZip zip(path);
    QuickLook(zip, rng, 60'000);
    zip.Deflated("index.xml", MakeXml(rng, 20'000), false);
    int item = 0;
    for (int section = 1; section <= 20; ++section) {
        char folder[64];
        std::snprintf(folder, sizeof folder, "Data/section-%02d", section);
        zip.Folder(folder);
        for (int part = 1; part <= 10; ++part) {
            char sub[96];
            std::snprintf(sub, sizeof sub, "%s/part-%02d", folder, part);
            zip.Folder(sub);
            for (int k = 0; k < 100; ++k) {
                ++item;
                std::string text = "<item id=\"" + std::to_string(item) + "\">";
                AppendWords(text, rng, rng.Between(1, 8));
                text += "</item>\n";
                const TBytes data(text.begin(), text.end());
                char name[128];
                std::snprintf(name, sizeof name, "%s/item-%05d.xml", sub, item);
                if (rng.Chance(50))
                    zip.Stored(name, data);
                else
                    zip.Deflated(name, data, rng.Chance(30));
            }
        }
    }
    const std::size_t entries = zip.Entries();
    const std::uint64_t size = zip.Finish();
    std::printf("%s: %zu entries (%d tiny files), %.1f MB\n", path.filename().c_str(), entries, item, size / 1e6);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::printf("%s\n", kVersion.data());
        return 0;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n       %s --version\n", argv[0], argv[0]);
        return 2;
    }
    try {
        const fs::path dir = argv[1];
        fs::create_directories(dir);
        fs::remove(dir / "corpus.stamp");
        // One stream per workload, so changing one workload leaves the others' bytes alone.
        TRandom large(kSeed), batch(kSeed + 1), tiny(kSeed + 2);
        MakeLarge(dir / "large.pages", large);
        MakeBatch(dir / "batch", batch);
        MakeTiny(dir / "tiny.pages", tiny);
        std::ofstream stamp(dir / "corpus.stamp");
        stamp << kVersion << '\n';
        if (!stamp.flush()) throw std::runtime_error("cannot write the stamp");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_make_corpus: %s\n", e.what());
        return 1;
    }
    return 0;
}
