#pragma once
// Pictures as a PDF takes them: JPEG files as they are, PNG, GIF and BMP decoded and
// compressed again without loss (PNG a row at a time).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Budget.h"

namespace pdf {

enum class TColorSpace { csGray, csRgb, csCmyk };

struct TRaster {
    int Width = 0, Height = 0;
    TColorSpace ColorSpace = TColorSpace::csRgb;
    // A JPEG file (DCTDecode) when Jpeg, else zlib data of 8-bit samples with a PNG
    // predictor byte before each row (FlateDecode, Predictor 15).
    bool Jpeg = false;
    bool InvertedCmyk = false;  // Adobe's CMYK JPEGs store every sample inverted
    std::vector<std::uint8_t> Data;
    std::vector<std::uint8_t> Alpha;  // like Data, one grey sample a pixel; empty when opaque
};

// The picture at path (an engine path); nothing when the file is missing, unreadable, too
// large, or of a format the writer does not take (TIFF, HEIC, PDF...).
// What decoding makes (its samples; a JPEG passes undecoded) is paid from budget first
// (platform::EExpansionLimit).
std::optional<TRaster> ReadPicture(const std::wstring& path, platform::TExpansionBudget& budget);

}  // namespace pdf
