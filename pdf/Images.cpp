#include "pdf/Images.h"

#include <stb_image.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "pdf/PngRows.h"
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

struct TStbFree {
    void operator()(stbi_uc* p) const noexcept { stbi_image_free(p); }
};

// Rows of 8-bit samples -> zlib data, each row led by the PNG filter that suits it best, the
// output grown as it comes rather than sized for the worst case up front.
class TRowCompressor {
public:
    TRowCompressor(int width, int channels)
        : FChannels(std::size_t(channels)), FStride(std::size_t(width) * channels), FUp(FStride, 0) {
        if (deflateInit(&FZ, Z_DEFAULT_COMPRESSION) != Z_OK) throw std::bad_alloc();
        for (std::size_t f = 0; f < 5; ++f) {
            FCandidates[f].resize(FStride + 1);
            FCandidates[f][0] = static_cast<std::uint8_t>(f);
        }
    }
    ~TRowCompressor() { deflateEnd(&FZ); }
    TRowCompressor(const TRowCompressor&) = delete;
    TRowCompressor& operator=(const TRowCompressor&) = delete;

    void Add(const std::uint8_t* row) {
        const std::vector<std::uint8_t>& best = Filter(row);
        FZ.next_in = const_cast<Bytef*>(best.data());
        FZ.avail_in = static_cast<uInt>(best.size());
        Deflate(Z_NO_FLUSH);
        std::memcpy(FUp.data(), row, FStride);
    }

    std::vector<std::uint8_t> Finish() {
        Deflate(Z_FINISH);
        FOut.resize(FZ.total_out);
        FOut.shrink_to_fit();
        return std::move(FOut);
    }

private:
    // The filter whose output has the smallest sum of magnitudes, as libpng chooses. Each filter
    // in a loop of its own, the first pixel (no left neighbour) apart, so that the loops
    // vectorise: this runs over every sample of pictures of tens of millions of pixels.
    const std::vector<std::uint8_t>& Filter(const std::uint8_t* row) {
        const std::uint8_t* up = FUp.data();
        const std::size_t n = FStride, left = std::min(FChannels, n);
        std::uint8_t* none = FCandidates[0].data() + 1;
        std::uint8_t* sub = FCandidates[1].data() + 1;
        std::uint8_t* above = FCandidates[2].data() + 1;
        std::uint8_t* average = FCandidates[3].data() + 1;
        std::uint8_t* paeth = FCandidates[4].data() + 1;
        std::memcpy(none, row, n);
        for (std::size_t x = 0; x < left; ++x) {
            sub[x] = row[x];
            average[x] = static_cast<std::uint8_t>(row[x] - up[x] / 2);
            paeth[x] = static_cast<std::uint8_t>(row[x] - Paeth(0, up[x], 0));
        }
        for (std::size_t x = left; x < n; ++x) sub[x] = static_cast<std::uint8_t>(row[x] - row[x - left]);
        for (std::size_t x = 0; x < n; ++x) above[x] = static_cast<std::uint8_t>(row[x] - up[x]);
        for (std::size_t x = left; x < n; ++x)
            average[x] = static_cast<std::uint8_t>(row[x] - (row[x - left] + up[x]) / 2);
        for (std::size_t x = left; x < n; ++x)
            paeth[x] = static_cast<std::uint8_t>(row[x] - Paeth(row[x - left], up[x], up[x - left]));
        std::size_t best = 0;
        unsigned long bestCost = ~0ul;
        for (std::size_t f = 0; f < 5; ++f) {
            const std::uint8_t* c = FCandidates[f].data();
            unsigned long cost = 0;
            for (std::size_t x = 1; x <= n; ++x) cost += c[x] < 128 ? c[x] : 256u - c[x];
            if (cost < bestCost) {
                bestCost = cost;
                best = f;
            }
        }
        return FCandidates[best];
    }

    void Deflate(int flush) {
        for (;;) {
            if (FOut.size() - FZ.total_out < 65536) FOut.resize(FOut.size() + std::max<std::size_t>(FOut.size() / 2, 65536));
            FZ.next_out = FOut.data() + FZ.total_out;
            FZ.avail_out = static_cast<uInt>(FOut.size() - FZ.total_out);
            const int status = deflate(&FZ, flush);
            if (status == Z_STREAM_END) break;
            if (status != Z_OK && status != Z_BUF_ERROR) throw std::bad_alloc();
            if (flush == Z_NO_FLUSH && FZ.avail_in == 0 && FZ.avail_out > 0) break;
        }
    }

    z_stream FZ{};
    std::size_t FChannels, FStride;
    std::vector<std::uint8_t> FUp, FOut;
    std::vector<std::uint8_t> FCandidates[5];
};

// Pixels of 1 to 4 channels, a row at a time -> the raster: colour in one plane, alpha (kept
// only when some pixel is not opaque) in another, each compressed as its rows come.
class TRasterWriter {
public:
    TRasterWriter(int width, int height, int channels)
        : FWidth(width), FHeight(height), FChannels(channels), FHasAlpha(channels == 2 || channels == 4),
          FColorChannels(FHasAlpha ? channels - 1 : channels), FColor(width, FColorChannels),
          FAlpha(width, 1) {
        if (FHasAlpha) {
            FColorRow.resize(std::size_t(width) * FColorChannels);
            FAlphaRow.resize(std::size_t(width));
        }
    }

    void Add(const std::uint8_t* pixels) {
        if (!FHasAlpha) {
            FColor.Add(pixels);
            return;
        }
        for (std::size_t i = 0; i < FAlphaRow.size(); ++i, pixels += FChannels) {
            std::memcpy(&FColorRow[i * FColorChannels], pixels, std::size_t(FColorChannels));
            FAlphaRow[i] = pixels[FColorChannels];
            FOpaque = FOpaque && FAlphaRow[i] == 0xFF;
        }
        FColor.Add(FColorRow.data());
        FAlpha.Add(FAlphaRow.data());
    }

    TRaster Finish() {
        TRaster raster;
        raster.Width = FWidth;
        raster.Height = FHeight;
        raster.ColorSpace = FColorChannels == 1 ? TColorSpace::csGray : TColorSpace::csRgb;
        raster.Data = FColor.Finish();
        if (!FOpaque) raster.Alpha = FAlpha.Finish();
        return raster;
    }

private:
    int FWidth, FHeight, FChannels;
    bool FHasAlpha;
    int FColorChannels;
    TRowCompressor FColor, FAlpha;
    std::vector<std::uint8_t> FColorRow, FAlphaRow;
    bool FOpaque = true;
};

// What decoding a picture of width x height makes, paid before it is made.
bool Pay(int width, int height, int channels, platform::TExpansionBudget& budget) {
    if (width <= 0 || height <= 0 || std::int64_t{width} * height > kMaxPixels || channels < 1 || channels > 4)
        return false;
    budget.Spend(static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) *
                     static_cast<std::uint64_t>(channels),
                 L"a picture decoded");
    return true;
}

// A PNG a row at a time: neither the picture nor its planes are ever whole in memory.
std::optional<TRaster> DecodePngRows(TPngRows& png, platform::TExpansionBudget& budget) {
    if (!Pay(png.Width(), png.Height(), png.Channels(), budget)) return std::nullopt;
    TRasterWriter writer(png.Width(), png.Height(), png.Channels());
    std::vector<std::uint8_t> row(std::size_t(png.Width()) * png.Channels());
    for (int y = 0; y < png.Height(); ++y) {
        if (!png.Next(row.data())) return std::nullopt;
        writer.Add(row.data());
    }
    return writer.Finish();
}

// Other formats (GIF, BMP, interlaced PNGs and Apple's own) decoded whole.
std::optional<TRaster> DecodeWhole(const std::vector<std::uint8_t>& bytes, platform::TExpansionBudget& budget) {
    if (bytes.size() > static_cast<std::size_t>(INT32_MAX)) return std::nullopt;
    const auto length = static_cast<int>(bytes.size());
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(bytes.data(), length, &width, &height, &channels)) return std::nullopt;
    if (!Pay(width, height, std::max(channels, 1), budget)) return std::nullopt;
    // Apple's "CgBI" PNGs store blue first; others are untouched.
    stbi_convert_iphone_png_to_rgb_thread(1);
    std::unique_ptr<stbi_uc, TStbFree> pixels(
        stbi_load_from_memory(bytes.data(), length, &width, &height, &channels, 0));
    if (!pixels || channels < 1 || channels > 4) return std::nullopt;
    TRasterWriter writer(width, height, channels);
    const std::size_t stride = std::size_t(width) * channels;
    for (int y = 0; y < height; ++y) writer.Add(pixels.get() + stride * y);
    pixels.reset();
    return writer.Finish();
}

}  // namespace

std::optional<TRaster> ReadPicture(const std::wstring& path, platform::TExpansionBudget& budget) {
    auto bytes = ReadWholeFile(path);
    if (!bytes) return std::nullopt;
    if (auto jpeg = ParseJpeg(*bytes)) return jpeg;
    if (auto png = TPngRows::Open(*bytes)) return DecodePngRows(*png, budget);
    return DecodeWhole(*bytes, budget);
}

}  // namespace pdf
