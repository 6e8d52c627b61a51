#pragma once
// CRC-32 as zlib's crc32 computes it, with a carry-less-multiply path where the processor
// has one: zlib's table version is a fifth of the time of a large stored entry.

#include <cstddef>
#include <cstdint>

std::uint32_t Crc32(std::uint32_t crc, const void* data, std::size_t length) noexcept;
