#include "pages09/IndexFile.h"

#include <zlib.h>

#include <cstdint>
#include <optional>

#include "document/Errors.h"
#include "document/Limits.h"
#include "platform/Exception.h"
#include "platform/Paths.h"
#include "zip/FileStream.h"
#include "zip/ZDecompressionStream.h"

namespace pages09 {
namespace {

// The gzip wrapper around deflate data, which zlib checks (header and trailer) with these window bits.
constexpr int kGzipWindowBits = 16 + MAX_WBITS;

bool IsGzip(TStream& file) {
    std::uint8_t magic[2] = {};
    const bool gzip = file.Read(magic, sizeof magic) == sizeof magic && magic[0] == 0x1F && magic[1] == 0x8B;
    file.SetPosition(0);
    return gzip;
}

// Everything source gives, refused once it passes the limit on index.xml's size.
std::string ReadBounded(TStream& source) {
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const std::int32_t n = source.Read(buffer, sizeof buffer);
        if (n <= 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
        if (bytes.size() > doc::limits::kMaxXmlBytes) throw doc::EDamagedDocument(L"index.xml is too large");
    }
    return bytes;
}

// Whole only when the gzip data reaches its own end: a file cut short inflates without an error.
std::string Gunzip(TStream& file) {
    std::string xml;
    bool whole = false;
    try {
        TZDecompressionStream gzip(file, kGzipWindowBits);
        xml = ReadBounded(gzip);
        whole = gzip.Ended();
    } catch (const EZLibError&) {
    }
    if (!whole) throw doc::EDamagedDocument(L"index.xml.gz is truncated or corrupt");
    return xml;
}

}  // namespace

std::string ReadIndexXml(const std::wstring& path) {
    // Shared: a document folder is read in place, perhaps by several conversions at once.
    std::optional<TFileStream> file;
    try {
        file.emplace(path, fmOpenRead | fmShareDenyWrite);
    } catch (const EFOpenError&) {
        throw doc::EDamagedDocument(L"cannot open " + platform::ExtractFileName(path));
    }
    return IsGzip(*file) ? Gunzip(*file) : ReadBounded(*file);
}

}  // namespace pages09
