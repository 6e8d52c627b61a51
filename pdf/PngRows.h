#pragma once
// A PNG decoded one row at a time (zlib inflating its data as rows are asked for), so that a
// large picture is never held whole: a 64-megapixel picture with transparency would take
// 256 MB decoded, and a decoder that returns the whole picture holds it twice while it works.

#include <zlib.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace pdf {

// PNG's Paeth predictor: of a (left), b (up) and c (up-left), the one nearest a + b - c. Inline:
// it runs for every sample of every large picture, decoded and encoded.
inline int Paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = p > a ? p - a : a - p, pb = p > b ? p - b : b - p, pc = p > c ? p - c : c - p;
    if (pa <= pb && pa <= pc) return a;
    return pb <= pc ? b : c;
}

class TPngRows {
public:
    // The reader over file (which must outlive it); nothing when the file is no PNG, is damaged
    // before its first row, or is one this reader leaves to a whole-picture decoder: interlaced,
    // or Apple's "CgBI" form.
    static std::optional<TPngRows> Open(std::span<const std::uint8_t> file);

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    // 1 grey, 2 grey and alpha, 3 RGB, 4 RGBA: a palette becomes RGB, a transparency key an
    // alpha channel, as whole-picture decoders give them.
    int Channels() const { return FChannels; }

    // The next row as 8-bit samples (Width() * Channels() of them); false when the data ends
    // early or is damaged.
    bool Next(std::uint8_t* samples);

private:
    struct TInflateEnd {
        void operator()(z_stream* z) const noexcept {
            inflateEnd(z);
            delete z;
        }
    };

    TPngRows() = default;
    bool ReadHeader();
    bool Inflate(std::uint8_t* out, std::size_t size);
    void Expand(std::uint8_t* samples) const;

    std::span<const std::uint8_t> FFile;
    std::size_t FChunk = 8;  // the next chunk's offset
    std::unique_ptr<z_stream, TInflateEnd> FZ;
    int FWidth = 0, FHeight = 0, FDepth = 0, FColorType = 0, FChannels = 0;
    std::size_t FRowBytes = 0, FPixelBytes = 0;
    std::vector<std::uint8_t> FRow, FPrevious;  // filtered bytes of this row after its filter byte; the one before
    std::vector<std::uint8_t> FPalette;         // RGBA entries
    bool FPaletteAlpha = false;
    std::optional<std::uint16_t> FKey[3];  // transparency key of grey or RGB, in the file's depth
};

}  // namespace pdf
