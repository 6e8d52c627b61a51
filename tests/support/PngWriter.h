#pragma once
// The one PNG writer of the tests and the benchmark: 8-bit grey, grey and alpha, RGB or RGBA,
// each row unfiltered. It uses zlib, never the code under test.

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// pixels holds height rows of width * channels samples (channels 1 to 4).
std::vector<std::uint8_t> Png(int width, int height, int channels, const std::vector<std::uint8_t>& pixels);

// The same with each row made when it is compressed (row(y, samples) fills width * channels
// samples): pictures of many megapixels without holding their pixels.
std::vector<std::uint8_t> Png(int width, int height, int channels,
                              const std::function<void(int y, std::uint8_t* samples)>& row);

// Any colour type and depth from the rows as stored (each row's filter byte, then its bytes),
// with chunks such as PLTE and tRNS (type, data) between the header and the data.
std::vector<std::uint8_t> PngStored(int width, int height, int depth, int colorType, bool interlaced,
                                    const std::vector<std::uint8_t>& storedRows,
                                    const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& chunks);

}  // namespace testsupport
