#include "pdf/PngRows.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace pdf {
namespace {

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

std::uint32_t Get32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

bool Is(const std::uint8_t* type, const char* name) { return std::memcmp(type, name, 4) == 0; }

// Samples per pixel as stored: grey, -, RGB, palette index, grey and alpha, -, RGBA.
int StoredChannels(int colorType) {
    switch (colorType) {
        case 0: return 1;
        case 2: return 3;
        case 3: return 1;
        case 4: return 2;
        case 6: return 4;
        default: return 0;
    }
}

bool DepthAllowed(int colorType, int depth) {
    switch (colorType) {
        case 0: return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
        case 3: return depth == 1 || depth == 2 || depth == 4 || depth == 8;
        default: return depth == 8 || depth == 16;
    }
}

}  // namespace

std::optional<TPngRows> TPngRows::Open(std::span<const std::uint8_t> file) {
    if (file.size() < 8 || std::memcmp(file.data(), kSignature, 8) != 0) return std::nullopt;
    TPngRows png;
    png.FFile = file;
    if (!png.ReadHeader()) return std::nullopt;
    png.FZ.reset(new z_stream{});
    if (inflateInit(png.FZ.get()) != Z_OK) return std::nullopt;
    return png;
}

// IHDR, then the chunks up to the first IDAT: the palette and the transparency.
bool TPngRows::ReadHeader() {
    bool header = false;
    while (FChunk + 12 <= FFile.size()) {
        const std::uint8_t* at = FFile.data() + FChunk;
        const std::uint32_t length = Get32(at);
        if (length > FFile.size() - FChunk - 12) return false;
        const std::uint8_t* type = at + 4;
        const std::uint8_t* data = at + 8;
        if (!header) {
            // Apple's CgBI comes first and changes what follows; anything else first is damage.
            if (!Is(type, "IHDR") || length != 13) return false;
            FWidth = static_cast<int>(std::min<std::uint32_t>(Get32(data), INT32_MAX));
            FHeight = static_cast<int>(std::min<std::uint32_t>(Get32(data + 4), INT32_MAX));
            FDepth = data[8];
            FColorType = data[9];
            if (FWidth <= 0 || FHeight <= 0 || StoredChannels(FColorType) == 0 ||
                !DepthAllowed(FColorType, FDepth) || data[10] != 0 || data[11] != 0 || data[12] != 0)
                return false;
            header = true;
        } else if (Is(type, "PLTE")) {
            if (length % 3 != 0 || length > 768) return false;
            FPalette.assign(256 * 4, 0);
            for (std::uint32_t i = 0; i < length / 3; ++i) {
                std::memcpy(&FPalette[i * 4], data + i * 3, 3);
                FPalette[i * 4 + 3] = 0xFF;
            }
            for (std::uint32_t i = length / 3; i < 256; ++i) FPalette[i * 4 + 3] = 0xFF;
        } else if (Is(type, "tRNS")) {
            if (FColorType == 3) {
                if (FPalette.empty() || length > 256) return false;
                for (std::uint32_t i = 0; i < length; ++i) FPalette[i * 4 + 3] = data[i];
                FPaletteAlpha = true;
            } else if (FColorType == 0 || FColorType == 2) {
                const std::uint32_t samples = FColorType == 0 ? 1 : 3;
                if (length != samples * 2) return false;
                for (std::uint32_t i = 0; i < samples; ++i)
                    FKey[i] = static_cast<std::uint16_t>(data[2 * i] << 8 | data[2 * i + 1]);
            }
        } else if (Is(type, "IDAT")) {
            break;  // FChunk stays on it
        } else if (Is(type, "IEND")) {
            return false;
        }
        FChunk += 12 + length;
    }
    if (!header || FChunk + 12 > FFile.size() || (FColorType == 3 && FPalette.empty())) return false;
    const int stored = StoredChannels(FColorType);
    FRowBytes = (std::size_t(FWidth) * stored * FDepth + 7) / 8;
    FPixelBytes = std::max<std::size_t>(1, std::size_t(stored) * FDepth / 8);
    FChannels = FColorType == 3 ? (FPaletteAlpha ? 4 : 3) : stored + (FKey[0] ? 1 : 0);
    FRow.assign(FRowBytes, 0);
    FPrevious.assign(FRowBytes, 0);
    return true;
}

// Inflates exactly size bytes into out, going from one IDAT chunk to the next.
bool TPngRows::Inflate(std::uint8_t* out, std::size_t size) {
    z_stream& z = *FZ;
    z.next_out = out;
    z.avail_out = static_cast<uInt>(size);
    while (z.avail_out > 0) {
        if (z.avail_in == 0) {
            // The next IDAT: they follow each other; any other chunk ends the data.
            if (FChunk + 12 > FFile.size()) return false;
            const std::uint8_t* at = FFile.data() + FChunk;
            const std::uint32_t length = Get32(at);
            if (!Is(at + 4, "IDAT") || length > FFile.size() - FChunk - 12) return false;
            z.next_in = const_cast<Bytef*>(at + 8);
            z.avail_in = length;
            FChunk += 12 + length;
            continue;
        }
        const int status = inflate(&z, Z_NO_FLUSH);
        if (status == Z_STREAM_END) return z.avail_out == 0;
        if (status != Z_OK) return false;
    }
    return true;
}

bool TPngRows::Next(std::uint8_t* samples) {
    std::uint8_t filter = 0;
    FPrevious.swap(FRow);
    if (!Inflate(&filter, 1) || filter > 4 || !Inflate(FRow.data(), FRowBytes)) return false;
    std::uint8_t* row = FRow.data();
    const std::uint8_t* up = FPrevious.data();
    const std::size_t bpp = FPixelBytes;
    switch (filter) {
        case 1:
            for (std::size_t x = bpp; x < FRowBytes; ++x) row[x] = std::uint8_t(row[x] + row[x - bpp]);
            break;
        case 2:
            for (std::size_t x = 0; x < FRowBytes; ++x) row[x] = std::uint8_t(row[x] + up[x]);
            break;
        case 3:
            for (std::size_t x = 0; x < FRowBytes; ++x)
                row[x] = std::uint8_t(row[x] + ((x >= bpp ? row[x - bpp] : 0) + up[x]) / 2);
            break;
        case 4:
            for (std::size_t x = 0; x < FRowBytes; ++x)
                row[x] = std::uint8_t(row[x] + Paeth(x >= bpp ? row[x - bpp] : 0, up[x], x >= bpp ? up[x - bpp] : 0));
            break;
        default:
            break;
    }
    Expand(samples);
    return true;
}

// The row's pixels as 8-bit samples: the high byte of 16-bit ones, low depths scaled up,
// palette entries looked up, a transparency key turned into alpha.
void TPngRows::Expand(std::uint8_t* out) const {
    const std::uint8_t* row = FRow.data();
    const int stored = StoredChannels(FColorType);
    // Sample i of the row in the file's depth.
    auto sample = [&](std::size_t i) -> unsigned {
        switch (FDepth) {
            case 16: return unsigned(row[2 * i]) << 8 | row[2 * i + 1];
            case 8: return row[i];
            default: {
                const std::size_t bit = i * FDepth;
                return (row[bit / 8] >> (8 - FDepth - bit % 8)) & ((1u << FDepth) - 1);
            }
        }
    };
    auto to8 = [&](unsigned v) -> std::uint8_t {
        switch (FDepth) {
            case 16: return std::uint8_t(v >> 8);
            case 8: return std::uint8_t(v);
            default: return std::uint8_t(v * 255 / ((1u << FDepth) - 1));
        }
    };
    for (int x = 0; x < FWidth; ++x) {
        const std::size_t first = std::size_t(x) * stored;
        if (FColorType == 3) {
            const std::uint8_t* entry = &FPalette[sample(first) * 4];
            std::memcpy(out, entry, std::size_t(FChannels));
            out += FChannels;
            continue;
        }
        bool keyed = FKey[0].has_value();
        for (int c = 0; c < stored; ++c) {
            const unsigned v = sample(first + c);
            if (c < 3 && FKey[c] && *FKey[c] != v) keyed = false;
            *out++ = to8(v);
        }
        if (FKey[0]) *out++ = keyed ? 0 : 0xFF;
    }
}

}  // namespace pdf
