#pragma once
// The one PNG writer of the tests and the benchmark: 8-bit grey, grey and alpha, RGB or RGBA,
// each row unfiltered. It uses zlib, never the code under test.

#include <cstdint>
#include <functional>
#include <vector>

namespace testsupport {

// pixels holds height rows of width * channels samples (channels 1 to 4).
std::vector<std::uint8_t> Png(int width, int height, int channels, const std::vector<std::uint8_t>& pixels);

// The same with each row made when it is compressed (row(y, samples) fills width * channels
// samples): pictures of many megapixels without holding their pixels.
std::vector<std::uint8_t> Png(int width, int height, int channels,
                              const std::function<void(int y, std::uint8_t* samples)>& row);

}  // namespace testsupport
