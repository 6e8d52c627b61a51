// libFuzzer target for the whole modern-document path: arbitrary bytes taken as the decompressed
// archives of a document (or as an .iwa file, when they begin as one does), read into the model,
// and the model laid out. Fonts are fakes with fixed metrics, so that runs are fast and the same
// on every machine; with P2P_FUZZ_SYSTEM_FONTS=1 the installed fonts serve instead and every
// laid-out document is written as a PDF too.
// Refusals are Exceptions; anything else escaping, a sanitizer report, a hang or runaway memory
// is a finding, and so is a laid-out page with a coordinate that is not finite.

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "iwork/IwaArchive.h"
#include "iwork/ModernReader.h"
#include "iwork/ObjectStore.h"
#include "layout/Layout.h"
#include "layout/SystemFonts.h"
#include "pdf/PdfWriter.h"
#include "platform/Exception.h"
#include "platform/Text.h"
#include "tests/layout/FakeFonts.h"

namespace fs = std::filesystem;

namespace {

std::wstring EnginePath(const fs::path& native) {
    std::wstring w = platform::FromUtf8(native.string());
    for (auto& c : w) {
        if (c == L'/') c = L'\\';
    }
    return w;
}

void Save(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A package's folders for the reader: Data/ holds a picture and a damaged one, under the names
// the dictionary offers, so that documents naming them reach the picture code.
struct TScratch {
    TScratch() {
        const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        Root = base / ("p2p-modern-fuzz-" + std::to_string(::getpid()));
        fs::remove_all(Root);
        fs::create_directories(Root / "Index");
        fs::create_directories(Root / "Data");
        // A 1x1 PNG.
        Save(Root / "Data" / "image.png",
             {0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44, 0x52, 0x00,
              0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00, 0x00, 0x1f, 0x15, 0xc4, 0x89, 0x00,
              0x00, 0x00, 0x0d, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9c, 0x63, 0x00, 0x01, 0x00, 0x00, 0x05, 0x00, 0x01,
              0x0d, 0x0a, 0x2d, 0xb4, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82});
        Save(Root / "Data" / "broken.jpg", {0xff, 0xd8, 0xff, 0xe0, 0x00, 0x10, 'J', 'F', 'I', 'F'});
        Package.IndexFolder = EnginePath(Root / "Index");
        Package.DataFolder = EnginePath(Root / "Data");
        Package.Title = L"fuzz";
        PdfPath = EnginePath(Root / "out.pdf");
    }
    ~TScratch() {
        std::error_code ec;
        fs::remove_all(Root, ec);
    }
    fs::path Root;
    iwork::TModernPackage Package;
    std::wstring PdfPath;
};

bool Finite(const doc::TPoint& p) {
    return std::isfinite(p.X) && std::isfinite(p.Y);
}
bool Finite(const doc::TRect& r) {
    return std::isfinite(r.X) && std::isfinite(r.Y) && std::isfinite(r.Width) && std::isfinite(r.Height);
}
bool Finite(const std::vector<doc::TPathSegment>& path) {
    for (const auto& s : path)
        if (!Finite(s.P) || !Finite(s.C1) || !Finite(s.C2)) return false;
    return true;
}

struct TItemCheck {
    bool operator()(const layout::TTextItem& t) const {
        return t.Font && std::isfinite(t.X) && std::isfinite(t.Y) && std::isfinite(t.Size) &&
               std::isfinite(t.CharSpacing) && std::isfinite(t.WordSpacing);
    }
    bool operator()(const layout::TLineItem& l) const {
        return Finite(l.From) && Finite(l.To) && std::isfinite(l.Stroke.Width);
    }
    bool operator()(const layout::TPathItem& p) const { return Finite(p.Path); }
    bool operator()(const layout::TLinkItem& l) const { return Finite(l.Area); }
    bool operator()(const layout::TImageItem& i) const {
        return Finite(i.Frame) && Finite(i.Clip) && Finite(i.ClipPath) && std::isfinite(i.Rotation);
    }
};

void Check(const layout::TLaidOutDocument& out) {
    if (out.Pages.empty()) {
        std::fprintf(stderr, "laid out without a page\n");
        std::abort();
    }
    for (std::size_t p = 0; p < out.Pages.size(); ++p) {
        const layout::TPage& page = out.Pages[p];
        if (!std::isfinite(page.Width) || !std::isfinite(page.Height) || page.Width <= 0 || page.Height <= 0) {
            std::fprintf(stderr, "page %zu has no sane size\n", p);
            std::abort();
        }
        for (std::size_t i = 0; i < page.Items.size(); ++i) {
            if (!std::visit(TItemCheck{}, page.Items[i])) {
                std::fprintf(stderr, "page %zu item %zu (kind %zu) is not finite\n", p, i, page.Items[i].index());
                std::abort();
            }
        }
    }
}

bool SystemFonts() {
    const char* value = std::getenv("P2P_FUZZ_SYSTEM_FONTS");
    return value && std::string(value) == "1";
}

void ReadAndLayOut(const iwork::TObjectStore& store, const TScratch& scratch) {
    static const bool system = SystemFonts();
    try {
        const doc::TDocument document = iwork::ReadModernDocument(store, scratch.Package);
        if (system) {
            static const std::unique_ptr<layout::IFontProvider> fonts =
                layout::MakeSystemFontProvider(EnginePath(scratch.Root / "fonts") + L"\\");
            const layout::TLaidOutDocument out = layout::LayOut(document, *fonts);
            Check(out);
            pdf::WritePdf(out, scratch.PdfPath);
        } else {
            // A fresh provider per input: what one input matched does not change the next.
            testsupport::TFakeFonts fonts;
            Check(layout::LayOut(document, fonts));
        }
    } catch (const Exception&) {
        // EDamagedDocument, ENotPagesDocument, EPasswordProtected, EPdfError...: a clear refusal.
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const TScratch scratch;
    std::vector<std::uint8_t> archives;
    const std::span<const std::uint8_t> file(data, size);
    // An .iwa file's first chunk header is 0x00; an archive stream's first byte is its header's length.
    if (size > 0 && data[0] == 0 && iwork::ClassifyIwa(file) == iwork::TIwaCompression::icSnappy) {
        try {
            archives = iwork::DecompressIwa(file);
        } catch (const Exception&) {
            return 0;
        }
    } else {
        archives.assign(data, data + size);
    }
    iwork::TObjectStore store;
    try {
        store.AddArchives(std::move(archives));
    } catch (const Exception&) {
        // The objects before the damage are read on: more of the reader is reached than a refused file reaches.
    }
    ReadAndLayOut(store, scratch);
    return 0;
}
