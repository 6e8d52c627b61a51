#pragma once
// Field numbers of the small messages every family uses: references and points.

#include <cstdint>

namespace iwork::fields {

// A reference to another object: {1 identifier}.
namespace reference {
inline constexpr std::uint32_t kIdentifier = 1;
}  // namespace reference

// A point {1 x, 2 y}, or a size {1 width, 2 height}.
namespace point {
inline constexpr std::uint32_t kX = 1;
inline constexpr std::uint32_t kY = 2;
}  // namespace point

}  // namespace iwork::fields
