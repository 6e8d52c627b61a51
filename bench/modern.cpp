// The modern-document benchmark: writes a long Pages 5-style document, and times reading it
// into the document model.
//   bench_modern generate FILE.pages [PAGES]   a package of about PAGES pages of styled text
//   bench_modern read INDEX_FOLDER [ROUNDS]    load + model, best of ROUNDS; peak memory
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "iwork/IwaArchive.h"
#include "iwork/ModernReader.h"
#include "iwork/ObjectStore.h"
#include "platform/Text.h"
#include "support/IwaWriter.h"

using namespace testing_support;

namespace {

constexpr const char* kVersion = "modern-1";
constexpr std::uint64_t kRoot = 1, kStylesheet = 3, kSettings = 4, kBody = 10;
constexpr std::uint64_t kBodyStyle = 20, kHeadingStyle = 21, kEmphasis = 30, kStrong = 31;

TProtoWriter Style(const char* name, std::uint64_t id) {
    TProtoWriter info;
    info.String(1, name).String(2, "bench-" + std::to_string(id));
    return info;
}

TProtoWriter Entry(std::uint64_t at, std::uint64_t ref) {
    TProtoWriter e;
    e.Varint(1, at);
    if (ref != 0) e.Reference(2, ref);
    return e;
}

// Words of a made-up language, so that line breaking and measuring do real work.
std::string Words(std::mt19937& random, int count) {
    static const char* const syllables[] = {"lo", "rem", "ip", "sum", "do", "lor", "sit", "a", "met", "con",
                                            "sec", "te", "tur", "ad", "pi", "sc", "ing", "e", "lit", "sed"};
    std::string text;
    for (int w = 0; w < count; ++w) {
        if (w > 0) text += (random() % 13 == 0) ? ", " : " ";
        const int n = 1 + static_cast<int>(random() % 4);
        for (int s = 0; s < n; ++s) text += syllables[random() % 20];
    }
    return text + ".";
}

int Generate(const std::string& path, int pages) {
    std::mt19937 random(20131022);
    std::string text;
    TProtoWriter paragraphStyles, characterStyles;
    // About 520 words a page in 11 pt body text, a heading every third page.
    for (int page = 0; page < pages; ++page) {
        if (page % 3 == 0) {
            paragraphStyles.Message(1, Entry(text.size(), kHeadingStyle));
            text += "Chapter " + std::to_string(page / 3 + 1) + "\n";
        }
        for (int p = 0; p < 6; ++p) {
            paragraphStyles.Message(1, Entry(text.size(), kBodyStyle));
            std::string paragraph = Words(random, 80 + static_cast<int>(random() % 20));
            const std::size_t emphasis = paragraph.find(' ', paragraph.size() / 3);
            characterStyles.Message(1, Entry(text.size() + emphasis + 1, p % 2 ? kEmphasis : kStrong));
            characterStyles.Message(1, Entry(text.size() + emphasis + 12, 0));
            text += paragraph + "\n";
        }
    }
    TProtoWriter body;
    body.Varint(1, 0);
    for (std::size_t at = 0; at < text.size(); at += 60000) body.String(3, text.substr(at, 60000));
    body.Message(5, paragraphStyles).Message(8, characterStyles);

    TProtoWriter bodyProps, headingProps;
    bodyProps.Message(11, TProtoWriter().Float(3, 11).String(5, "HelveticaNeue"))
        .Message(12, TProtoWriter().Varint(1, 4).Float(20, 6));
    headingProps.Message(11, TProtoWriter().Bool(1, true).Float(3, 18).String(5, "HelveticaNeue-Bold"))
        .Message(12, TProtoWriter().Varint(1, 0).Bool(10, true).Float(21, 12).Float(20, 6).Varint(27, 0));

    std::vector<TIwaObject> objects;
    TProtoWriter root;
    root.Reference(2, kStylesheet).Reference(4, kBody).Reference(7, kSettings);
    root.Float(30, 595.28f).Float(31, 841.89f).Float(32, 72).Float(33, 72).Float(34, 72).Float(35, 72);
    objects.emplace_back(kRoot, 10000, root, std::vector<std::uint64_t>{kStylesheet, kBody, kSettings});
    objects.emplace_back(kSettings, 10012, TProtoWriter().Bool(1, true));
    TProtoWriter stylesheet;
    for (const std::uint64_t id : {kBodyStyle, kHeadingStyle, kEmphasis, kStrong}) stylesheet.Reference(1, id);
    objects.emplace_back(kStylesheet, 401, stylesheet);
    objects.emplace_back(kBody, 2001, body, std::vector<std::uint64_t>{kBodyStyle, kHeadingStyle, kEmphasis, kStrong});
    objects.emplace_back(kBodyStyle, 2022, TProtoWriter().Message(1, Style("Body", kBodyStyle)).Raw(bodyProps.Data()));
    objects.emplace_back(kHeadingStyle, 2022,
                         TProtoWriter().Message(1, Style("Heading", kHeadingStyle)).Raw(headingProps.Data()));
    objects.emplace_back(kEmphasis, 2021,
                         TProtoWriter().Message(1, Style("Emphasis", kEmphasis)).Message(11, TProtoWriter().Bool(2, true)));
    objects.emplace_back(kStrong, 2021,
                         TProtoWriter().Message(1, Style("Strong", kStrong)).Message(11, TProtoWriter().Bool(1, true)));

    TModernPackageFiles files;
    files.Document = std::move(objects);
    const TBytes zip = ModernPackageZip(files);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(zip.data()), static_cast<std::streamsize>(zip.size()));
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
    }
    std::printf("%s: %d pages, %zu characters of text, %zu bytes\n", path.c_str(), pages, text.size(), zip.size());
    return 0;
}

// The engine path of a native one.
std::wstring EnginePath(const std::string& native) {
    std::wstring path = platform::FromUtf8(native);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

double PeakMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

std::size_t DecompressedSize(const std::string& iwa) {
    std::ifstream in(iwa, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return bytes.empty() ? 0 : iwork::DecompressIwa(bytes).size();
}

int Read(const std::string& indexFolder, int rounds) {
    const double before = PeakMiB();
    iwork::TModernPackage package;
    package.IndexFolder = EnginePath(indexFolder);
    package.Title = L"bench";
    double best = 1e9;
    std::size_t paragraphs = 0;
    double bestLoad = 1e9, first = 0;
    for (int i = 0; i < rounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const iwork::TObjectStore store = iwork::LoadObjectStore(package.IndexFolder);
        const auto loaded = std::chrono::steady_clock::now();
        const doc::TDocument document = iwork::ReadModernDocument(store, package);
        const auto end = std::chrono::steady_clock::now();
        const double ms = std::chrono::duration<double, std::milli>(end - start).count();
        if (i == 0) first = ms;
        best = std::min(best, ms);
        bestLoad = std::min(bestLoad, std::chrono::duration<double, std::milli>(loaded - start).count());
        paragraphs = document.Body.Paragraphs.size();
    }
    const double peak = PeakMiB();
    // Measured after the peak is taken: it holds the whole stream too.
    const std::size_t decompressed =
        DecompressedSize(indexFolder + "/Document.iwa") + DecompressedSize(indexFolder + "/Metadata.iwa");
    const double mib = static_cast<double>(decompressed) / (1024.0 * 1024.0);
    std::printf("read %zu paragraphs: first round %.1f ms, best %.1f ms of %d (loading the objects %.1f ms)\n",
                paragraphs, first, best, rounds, bestLoad);
    std::printf("decompressed IWA %.1f MiB; peak memory %.1f MiB, %.1f MiB above the %.1f MiB before reading "
                "(%.2f times the IWA)\n",
                mib, peak, peak - before, before, (peak - before) / mib);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "--version") {
        std::printf("%s\n", kVersion);
        return 0;
    }
    if (mode == "generate" && argc >= 3) return Generate(argv[2], argc > 3 ? std::atoi(argv[3]) : 1000);
    if (mode == "read" && argc >= 3) return Read(argv[2], argc > 3 ? std::atoi(argv[3]) : 10);
    std::fprintf(stderr, "usage: bench_modern generate FILE.pages [PAGES] | read INDEX_FOLDER [ROUNDS]\n");
    return 2;
}
