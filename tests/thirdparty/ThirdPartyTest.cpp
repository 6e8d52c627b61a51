// The third-party libraries, linked the way the engine links them: each does its one job in this build.

#include <gtest/gtest.h>
#include <hpdf.h>
#include <snappy.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

// The decoder's functions stay private to this file, so no other implementation can clash with it.
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#include <stb_image.h>

#ifndef _WIN32
#include <fontconfig/fontconfig.h>
#endif

namespace {

// --- Snappy: the raw block format of IWA chunks -------------------------------------------------------------

TEST(Snappy, RoundTripsAndRejectsATruncatedBlock) {
    std::string text;
    for (int i = 0; i < 2000; ++i) text.append("paragraph ").append(std::to_string(i % 37)).append(" of the body; ");
    std::string packed;
    snappy::Compress(text.data(), text.size(), &packed);
    EXPECT_LT(packed.size(), text.size() / 2);

    std::size_t length = 0;
    ASSERT_TRUE(snappy::GetUncompressedLength(packed.data(), packed.size(), &length));
    EXPECT_EQ(length, text.size());
    std::string unpacked;
    ASSERT_TRUE(snappy::Uncompress(packed.data(), packed.size(), &unpacked));
    EXPECT_EQ(unpacked, text);

    const std::string truncated = packed.substr(0, packed.size() / 2);
    EXPECT_FALSE(snappy::IsValidCompressedBuffer(truncated.data(), truncated.size()));
    EXPECT_FALSE(snappy::Uncompress(truncated.data(), truncated.size(), &unpacked));
}

// --- libharu: a document written to memory ------------------------------------------------------------------

void HPDF_STDCALL RecordError(HPDF_STATUS error, HPDF_STATUS detail, void* data) {
    *static_cast<std::string*>(data) = "libharu error " + std::to_string(error) + "/" + std::to_string(detail);
}

struct TFreeDoc {
    void operator()(HPDF_Doc doc) const { HPDF_Free(doc); }
};

TEST(Libharu, WritesACompressedOnePageDocumentToMemory) {
    std::string error;
    const std::unique_ptr<std::remove_pointer_t<HPDF_Doc>, TFreeDoc> doc(HPDF_New(RecordError, &error));
    ASSERT_TRUE(doc);
    ASSERT_EQ(HPDF_SetCompressionMode(doc.get(), HPDF_COMP_ALL), HPDF_OK) << error;
    const HPDF_Page page = HPDF_AddPage(doc.get());
    ASSERT_TRUE(page) << error;
    HPDF_Page_SetWidth(page, 595);
    HPDF_Page_SetHeight(page, 842);
    HPDF_Page_BeginText(page);
    HPDF_Page_SetFontAndSize(page, HPDF_GetFont(doc.get(), "Helvetica", nullptr), 12);
    HPDF_Page_TextOut(page, 72, 770, "Hello from libharu");
    HPDF_Page_EndText(page);
    ASSERT_EQ(HPDF_SaveToStream(doc.get()), HPDF_OK) << error;

    std::vector<char> bytes(HPDF_GetStreamSize(doc.get()));
    ASSERT_GT(bytes.size(), 100u);
    HPDF_UINT32 size = static_cast<HPDF_UINT32>(bytes.size());
    ASSERT_EQ(HPDF_ReadFromStream(doc.get(), reinterpret_cast<HPDF_BYTE*>(bytes.data()), &size), HPDF_OK) << error;
    ASSERT_EQ(size, bytes.size());
    const std::string pdf(bytes.begin(), bytes.end());
    EXPECT_EQ(pdf.substr(0, 7), "%PDF-1.");
    EXPECT_NE(pdf.find("/Type /Page"), std::string::npos);
    EXPECT_NE(pdf.find("/FlateDecode"), std::string::npos);  // zlib is linked in
    EXPECT_NE(pdf.find("%%EOF", pdf.size() - 8), std::string::npos);
    EXPECT_TRUE(error.empty()) << error;
}

// --- stb_image: a PNG built here ----------------------------------------------------------------------------

void PutBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void PutChunk(std::vector<std::uint8_t>& png, const char* type, const std::vector<std::uint8_t>& data) {
    PutBigEndian(png, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    PutBigEndian(png, static_cast<std::uint32_t>(
                          crc32(0, png.data() + start, static_cast<uInt>(png.size() - start))));
}

// A 2 x 2 RGB picture: red, green / blue, white; each row starts with filter byte 0.
std::vector<std::uint8_t> TwoByTwoPng() {
    const std::vector<std::uint8_t> rows = {0, 255, 0, 0, 0, 255, 0, 0, 0, 0, 255, 255, 255, 255};
    std::vector<std::uint8_t> idat(compressBound(static_cast<uLong>(rows.size())));
    uLongf idatSize = static_cast<uLongf>(idat.size());
    EXPECT_EQ(compress(idat.data(), &idatSize, rows.data(), static_cast<uLong>(rows.size())), Z_OK);
    idat.resize(idatSize);

    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> ihdr;
    PutBigEndian(ihdr, 2);  // width
    PutBigEndian(ihdr, 2);  // height
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, adaptive filters, no interlace
    PutChunk(png, "IHDR", ihdr);
    PutChunk(png, "IDAT", idat);
    PutChunk(png, "IEND", {});
    return png;
}

struct TFreeImage {
    void operator()(stbi_uc* pixels) const { stbi_image_free(pixels); }
};
using TPixels = std::unique_ptr<stbi_uc, TFreeImage>;

TEST(StbImage, DecodesAPngAndRefusesATruncatedOne) {
    const auto png = TwoByTwoPng();
    int width = 0, height = 0, channels = 0;
    const TPixels pixels(stbi_load_from_memory(png.data(), static_cast<int>(png.size()), &width, &height, &channels, 4));
    ASSERT_TRUE(pixels) << stbi_failure_reason();
    EXPECT_EQ(width, 2);
    EXPECT_EQ(height, 2);
    EXPECT_EQ(channels, 3);
    const std::vector<stbi_uc> rgba(pixels.get(), pixels.get() + 16);
    EXPECT_EQ(rgba, (std::vector<stbi_uc>{255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255}));

    const TPixels broken(stbi_load_from_memory(png.data(), 40, &width, &height, &channels, 4));
    EXPECT_FALSE(broken);
    EXPECT_NE(stbi_failure_reason(), nullptr);
}

#ifndef _WIN32
// --- fontconfig: the stand-in faces the set-up installs -----------------------------------------------------

TEST(Fontconfig, FindsAMetricCompatibleFaceForArial) {
    struct TFreeConfig {
        void operator()(FcConfig* config) const { FcConfigDestroy(config); }
    };
    struct TFreePattern {
        void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
    };
    const std::unique_ptr<FcConfig, TFreeConfig> config(FcInitLoadConfigAndFonts());
    ASSERT_TRUE(config);
    const std::unique_ptr<FcPattern, TFreePattern> pattern(
        FcNameParse(reinterpret_cast<const FcChar8*>("Arial")));
    ASSERT_TRUE(pattern);
    FcConfigSubstitute(config.get(), pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    const std::unique_ptr<FcPattern, TFreePattern> match(FcFontMatch(config.get(), pattern.get(), &result));
    ASSERT_TRUE(match);
    FcChar8* family = nullptr;
    FcChar8* file = nullptr;
    ASSERT_EQ(FcPatternGetString(match.get(), FC_FAMILY, 0, &family), FcResultMatch);
    ASSERT_EQ(FcPatternGetString(match.get(), FC_FILE, 0, &file), FcResultMatch);
    EXPECT_STREQ(reinterpret_cast<const char*>(family), "Liberation Sans") << "matched " << file;
}
#endif

}  // namespace
