#include "support/PngWriter.h"

#include <zlib.h>

#include <algorithm>
#include <iterator>
#include <cstring>
#include <stdexcept>

namespace testsupport {

namespace {

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.insert(out.end(), {std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)});
}

void Chunk(std::vector<std::uint8_t>& png, const char* type, const std::vector<std::uint8_t>& data) {
    Put32(png, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    Put32(png, static_cast<std::uint32_t>(crc32(0, png.data() + start, static_cast<uInt>(png.size() - start))));
}

// Rows led by filter 0, deflated as they come.
std::vector<std::uint8_t> Deflate(int width, int height, int channels,
                                  const std::function<void(int, std::uint8_t*)>& row) {
    z_stream z{};
    if (deflateInit(&z, Z_BEST_SPEED) != Z_OK) throw std::runtime_error("deflateInit");
    std::vector<std::uint8_t> out, line(std::size_t(width) * channels + 1), buffer(1 << 16);
    auto drain = [&](int flush) {
        int status = Z_OK;
        do {
            z.next_out = buffer.data();
            z.avail_out = static_cast<uInt>(buffer.size());
            status = deflate(&z, flush);
            out.insert(out.end(), buffer.data(), buffer.data() + (buffer.size() - z.avail_out));
        } while (z.avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END));
    };
    for (int y = 0; y < height; ++y) {
        line[0] = 0;
        row(y, line.data() + 1);
        z.next_in = line.data();
        z.avail_in = static_cast<uInt>(line.size());
        drain(Z_NO_FLUSH);
    }
    drain(Z_FINISH);
    deflateEnd(&z);
    return out;
}

std::vector<std::uint8_t> Header(int width, int height, int depth, int colorType, bool interlaced) {
    std::vector<std::uint8_t> header;
    Put32(header, static_cast<std::uint32_t>(width));
    Put32(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {std::uint8_t(depth), std::uint8_t(colorType), 0, 0, std::uint8_t(interlaced)});
    return header;
}

}  // namespace

std::vector<std::uint8_t> Png(int width, int height, int channels,
                              const std::function<void(int y, std::uint8_t* samples)>& row) {
    static constexpr std::uint8_t kColourType[] = {0, 0, 4, 2, 6};  // by channels
    std::vector<std::uint8_t> png(std::begin(kSignature), std::end(kSignature));
    Chunk(png, "IHDR", Header(width, height, 8, kColourType[std::clamp(channels, 1, 4)], false));
    Chunk(png, "IDAT", Deflate(width, height, channels, row));
    Chunk(png, "IEND", {});
    return png;
}

std::vector<std::uint8_t> PngStored(int width, int height, int depth, int colorType, bool interlaced,
                                    const std::vector<std::uint8_t>& storedRows,
                                    const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& chunks) {
    std::vector<std::uint8_t> png(std::begin(kSignature), std::end(kSignature));
    Chunk(png, "IHDR", Header(width, height, depth, colorType, interlaced));
    for (const auto& [type, data] : chunks) Chunk(png, type.c_str(), data);
    std::vector<std::uint8_t> packed(compressBound(static_cast<uLong>(storedRows.size())));
    uLongf size = static_cast<uLongf>(packed.size());
    if (compress(packed.data(), &size, storedRows.data(), static_cast<uLong>(storedRows.size())) != Z_OK)
        throw std::runtime_error("compress");
    packed.resize(size);
    Chunk(png, "IDAT", packed);
    Chunk(png, "IEND", {});
    return png;
}

std::vector<std::uint8_t> Png(int width, int height, int channels, const std::vector<std::uint8_t>& pixels) {
    const std::size_t stride = std::size_t(width) * channels;
    return Png(width, height, channels,
               [&](int y, std::uint8_t* samples) { std::memcpy(samples, pixels.data() + stride * y, stride); });
}

}  // namespace testsupport
