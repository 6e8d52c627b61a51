#include "pdf/Images.h"

#include <stb_image.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "platform/File.h"
#include "platform/FileSystem.h"

namespace pdf {
namespace {

// Beyond these a picture is left out (its thumbnail shows): a decoded picture of 64 million
// pixels already takes 256 MB.
constexpr std::int64_t kMaxFileSize = 512 << 20;
constexpr std::int64_t kMaxPixels = 64 << 20;

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::wstring& path) {
    if (path.empty()) return std::nullopt;
    platform::TErrorCode error = platform::kErrorSuccess;
    platform::TFile file = platform::TFile::OpenReadShared(path, error);
    if (!file) return std::nullopt;
    const std::int64_t size = file.Seek(0, 2);
    if (size <= 0 || size > kMaxFileSize || file.Seek(0, 0) != 0) return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (file.Read(bytes.data(), static_cast<std::int32_t>(size)) != size) return std::nullopt;
    return bytes;
}

std::uint16_t Get16(const std::uint8_t* p) { return std::uint16_t(p[0] << 8 | p[1]); }

// A JPEG a PDF reader decodes as it is: 8-bit samples, Huffman coded, baseline, extended or
// progressive, one, three or four components. Anything else is decoded here, if it can be.
std::optional<TRaster> ParseJpeg(std::vector<std::uint8_t>& bytes) {
    const std::size_t n = bytes.size();
    if (n < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8) return std::nullopt;
    TRaster raster;
    bool adobe = false;
    bool frame = false;
    std::size_t pos = 2;
    while (pos + 4 <= n && !frame) {
        if (bytes[pos] != 0xFF) return std::nullopt;
        const std::uint8_t marker = bytes[pos + 1];
        if (marker == 0xFF) {  // fill byte
            ++pos;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {  // no length field
            pos += 2;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA) return std::nullopt;  // end or scan before any frame
        const std::size_t length = Get16(&bytes[pos + 2]);
        if (length < 2 || pos + 2 + length > n) return std::nullopt;
        const std::uint8_t* segment = &bytes[pos + 4];
        if (marker == 0xEE && length >= 7 && std::memcmp(segment, "Adobe", 5) == 0) adobe = true;
        const bool sof = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (sof) {
            if (marker > 0xC2 || length < 8) return std::nullopt;  // lossless, hierarchical, arithmetic
            const int precision = segment[0];
            raster.Height = Get16(segment + 1);
            raster.Width = Get16(segment + 3);
            const int components = segment[5];
            if (precision != 8 || raster.Height == 0 || raster.Width == 0) return std::nullopt;
            // A PDF reader decodes it whole: held to the limit of the pictures decoded here.
            if (std::int64_t{raster.Width} * raster.Height > kMaxPixels) return std::nullopt;
            if (components == 1)
                raster.ColorSpace = TColorSpace::csGray;
            else if (components == 3)
                raster.ColorSpace = TColorSpace::csRgb;
            else if (components == 4)
                raster.ColorSpace = TColorSpace::csCmyk;
            else
                return std::nullopt;
            frame = true;
        }
        pos += 2 + length;
    }
    if (!frame) return std::nullopt;
    // APP14 may follow the frame header; look on up to the first scan.
    for (; pos + 4 <= n && !adobe && bytes[pos] == 0xFF && bytes[pos + 1] != 0xDA; pos += 2 + Get16(&bytes[pos + 2]))
        if (bytes[pos + 1] == 0xEE && pos + 11 <= n && std::memcmp(&bytes[pos + 4], "Adobe", 5) == 0) adobe = true;
    raster.Jpeg = true;
    raster.InvertedCmyk = adobe && raster.ColorSpace == TColorSpace::csCmyk;
    raster.Data = std::move(bytes);
    return raster;
}

struct TDeflateEnd {
    void operator()(z_stream* z) const noexcept { deflateEnd(z); }
};

struct TStbFree {
    void operator()(stbi_uc* p) const noexcept { stbi_image_free(p); }
};

std::optional<TRaster> Decode(const std::vector<std::uint8_t>& bytes, platform::TExpansionBudget& budget) {
    if (bytes.size() > static_cast<std::size_t>(INT32_MAX)) return std::nullopt;
    const auto length = static_cast<int>(bytes.size());
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(bytes.data(), length, &width, &height, &channels)) return std::nullopt;
    if (width <= 0 || height <= 0 || std::int64_t{width} * height > kMaxPixels) return std::nullopt;
    const auto decoded = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) *
                         static_cast<std::uint64_t>(std::max(channels, 1));
    if (decoded > bytes.size()) budget.Spend(decoded - bytes.size(), L"a picture decoded");
    // Apple's "CgBI" PNGs store blue first; others are untouched.
    stbi_convert_iphone_png_to_rgb_thread(1);
    std::unique_ptr<stbi_uc, TStbFree> pixels(
        stbi_load_from_memory(bytes.data(), length, &width, &height, &channels, 0));
    if (!pixels || channels < 1 || channels > 4) return std::nullopt;

    const bool hasAlpha = channels == 2 || channels == 4;
    const int colorChannels = hasAlpha ? channels - 1 : channels;
    const std::size_t count = std::size_t(width) * std::size_t(height);
    const stbi_uc* p = pixels.get();
    TRaster raster;
    raster.Width = width;
    raster.Height = height;
    raster.ColorSpace = colorChannels == 1 ? TColorSpace::csGray : TColorSpace::csRgb;
    if (!hasAlpha) {
        raster.Data = CompressRows(p, width, height, channels);
        return raster;
    }
    std::vector<std::uint8_t> color(count * colorChannels), alpha(count);
    bool opaque = true;
    for (std::size_t i = 0; i < count; ++i, p += channels) {
        std::memcpy(&color[i * colorChannels], p, colorChannels);
        alpha[i] = p[colorChannels];
        opaque = opaque && alpha[i] == 0xFF;
    }
    pixels.reset();
    raster.Data = CompressRows(color.data(), width, height, colorChannels);
    if (!opaque) raster.Alpha = CompressRows(alpha.data(), width, height, 1);
    return raster;
}

int Paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return a;
    return pb <= pc ? b : c;
}

}  // namespace

std::vector<std::uint8_t> CompressRows(const std::uint8_t* samples, int width, int height, int channels) {
    const std::size_t stride = std::size_t(width) * channels;
    z_stream z{};
    if (deflateInit(&z, Z_DEFAULT_COMPRESSION) != Z_OK) throw std::bad_alloc();
    std::unique_ptr<z_stream, TDeflateEnd> owner(&z);
    std::vector<std::uint8_t> out(deflateBound(&z, static_cast<uLong>((stride + 1) * height)));
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    std::vector<std::uint8_t> candidates[5];
    for (auto& c : candidates) c.resize(stride + 1);
    const std::vector<std::uint8_t> zeros(stride, 0);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = samples + stride * y;
        const std::uint8_t* up = y > 0 ? row - stride : zeros.data();
        // The filter whose output has the smallest sum of magnitudes, as libpng chooses.
        std::size_t best = 0;
        unsigned long bestCost = ~0ul;
        for (int f = 0; f < 5; ++f) {
            std::uint8_t* c = candidates[f].data();
            c[0] = static_cast<std::uint8_t>(f);
            unsigned long cost = 0;
            for (std::size_t x = 0; x < stride; ++x) {
                const int a = x >= std::size_t(channels) ? row[x - channels] : 0;
                const int b = up[x];
                const int cc = x >= std::size_t(channels) ? up[x - channels] : 0;
                int predicted = 0;
                switch (f) {
                    case 1: predicted = a; break;
                    case 2: predicted = b; break;
                    case 3: predicted = (a + b) / 2; break;
                    case 4: predicted = Paeth(a, b, cc); break;
                    default: break;
                }
                const auto v = static_cast<std::uint8_t>(row[x] - predicted);
                c[x + 1] = v;
                cost += v < 128 ? v : 256 - v;
            }
            if (cost < bestCost) {
                bestCost = cost;
                best = static_cast<std::size_t>(f);
            }
        }
        z.next_in = candidates[best].data();
        z.avail_in = static_cast<uInt>(stride + 1);
        if (deflate(&z, Z_NO_FLUSH) != Z_OK) throw std::bad_alloc();
    }
    if (deflate(&z, Z_FINISH) != Z_STREAM_END) throw std::bad_alloc();
    out.resize(z.total_out);
    return out;
}

std::optional<TRaster> ReadPicture(const std::wstring& path, platform::TExpansionBudget& budget) {
    auto bytes = ReadWholeFile(path);
    if (!bytes) return std::nullopt;
    if (auto jpeg = ParseJpeg(*bytes)) return jpeg;
    return Decode(*bytes, budget);
}

}  // namespace pdf
