#include "PackageBuilder.h"

#include <zlib.h>

namespace testing_support {
namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

void PutBytes(std::vector<std::uint8_t>& out, const std::string& s) {
    out.insert(out.end(), s.begin(), s.end());
}

}  // namespace

std::vector<std::uint8_t> BuildPackage(const std::vector<TPackageEntry>& entries) {
    std::vector<std::uint8_t> out;
    std::vector<std::uint8_t> central;
    for (const auto& e : entries) {
        const auto crc = static_cast<std::uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(e.Data.data()), static_cast<uInt>(e.Data.size())));
        const auto size = static_cast<std::uint32_t>(e.Data.size());
        const auto offset = static_cast<std::uint32_t>(out.size());
        const bool folder = !e.Name.empty() && e.Name.back() == '/';

        Put32(out, 0x04034b50);  // local header signature
        Put16(out, 20);          // version needed
        Put16(out, 0x0800);      // flags: UTF-8 names
        Put16(out, 0);           // method: stored
        Put16(out, 0);           // time
        Put16(out, 0x21);        // date: 1980-01-01
        Put32(out, crc);
        Put32(out, size);        // compressed size
        Put32(out, size);        // uncompressed size
        Put16(out, static_cast<std::uint32_t>(e.Name.size()));
        Put16(out, 0);           // extra length
        PutBytes(out, e.Name);
        PutBytes(out, e.Data);

        Put32(central, 0x02014b50);  // central header signature
        Put16(central, 20);          // version made by
        Put16(central, 20);          // version needed
        Put16(central, 0x0800);      // flags
        Put16(central, 0);           // method
        Put16(central, 0);           // time
        Put16(central, 0x21);        // date
        Put32(central, crc);
        Put32(central, size);
        Put32(central, size);
        Put16(central, static_cast<std::uint32_t>(e.Name.size()));
        Put16(central, 0);                  // extra length
        Put16(central, 0);                  // comment length
        Put16(central, 0);                  // disk
        Put16(central, 0);                  // internal attributes
        Put32(central, folder ? 0x10 : 0);  // external attributes
        Put32(central, offset);
        PutBytes(central, e.Name);
    }
    const auto centralOffset = static_cast<std::uint32_t>(out.size());
    out.insert(out.end(), central.begin(), central.end());
    Put32(out, 0x06054b50);  // end of central directory
    Put16(out, 0);           // this disk
    Put16(out, 0);           // directory's disk
    Put16(out, static_cast<std::uint32_t>(entries.size()));
    Put16(out, static_cast<std::uint32_t>(entries.size()));
    Put32(out, static_cast<std::uint32_t>(central.size()));
    Put32(out, centralOffset);
    Put16(out, 0);  // comment length
    return out;
}

std::vector<std::uint8_t> PackageWithPdf(const std::string& pdf) {
    return BuildPackage({{"index.xml", "<sl:document/>"},
                         {"QuickLook/", ""},
                         {"QuickLook/Thumbnail.jpg", "\xff\xd8\xff\xe0 not really a jpeg"},
                         {"QuickLook/Preview.pdf", pdf}});
}

std::vector<std::uint8_t> PackageWithoutPdf() {
    return BuildPackage({{"index.xml", "<sl:document/>"}, {"QuickLook/Thumbnail.jpg", "\xff\xd8\xff\xe0 not really a jpeg"}});
}

}  // namespace testing_support
