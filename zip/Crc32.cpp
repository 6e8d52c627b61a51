#include "zip/Crc32.h"

#include <zlib.h>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define PAGES2PDF_CRC32_CLMUL 1
#endif

namespace {

std::uint32_t ZlibCrc32(std::uint32_t crc, const std::uint8_t* p, std::size_t n) noexcept {
    // Callers hand over at most one copy chunk, far below zlib's 32-bit length.
    return static_cast<std::uint32_t>(crc32(crc, p, static_cast<uInt>(n)));
}

#ifdef PAGES2PDF_CRC32_CLMUL

#define PAGES2PDF_CLMUL_TARGET __attribute__((target("pclmul,sse4.1")))

PAGES2PDF_CLMUL_TARGET inline __m128i Load(const std::uint8_t* at) noexcept {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// x times the constant pair k, plus the next 16 bytes.
PAGES2PDF_CLMUL_TARGET inline __m128i Fold(__m128i x, __m128i k, __m128i next) noexcept {
    const __m128i high = _mm_clmulepi64_si128(x, k, 0x11);
    const __m128i low = _mm_clmulepi64_si128(x, k, 0x00);
    return _mm_xor_si128(_mm_xor_si128(low, high), next);
}

// Folds 64 bytes at a time in four 128-bit lanes (the reflected CRC-32 polynomial's
// constants x^(512+64) and x^512 mod P, then x^(128+64) and x^128 mod P), and leaves the
// last 16 folded bytes and the tail to zlib.
PAGES2PDF_CLMUL_TARGET std::uint32_t ClmulCrc32(std::uint32_t crc, const std::uint8_t* p, std::size_t n) noexcept {
    if (n < 64) return ZlibCrc32(crc, p, n);
    const __m128i k1k2 = _mm_set_epi64x(0x1c6e41596LL, 0x154442bd4LL);
    const __m128i k3k4 = _mm_set_epi64x(0xccaa009eLL, 0x1751997d0LL);
    __m128i x0 = _mm_xor_si128(Load(p), _mm_cvtsi32_si128(static_cast<int>(~crc)));
    __m128i x1 = Load(p + 16);
    __m128i x2 = Load(p + 32);
    __m128i x3 = Load(p + 48);
    p += 64;
    n -= 64;
    for (; n >= 64; p += 64, n -= 64) {
        x0 = Fold(x0, k1k2, Load(p));
        x1 = Fold(x1, k1k2, Load(p + 16));
        x2 = Fold(x2, k1k2, Load(p + 32));
        x3 = Fold(x3, k1k2, Load(p + 48));
    }
    x0 = Fold(x0, k3k4, x1);
    x0 = Fold(x0, k3k4, x2);
    x0 = Fold(x0, k3k4, x3);
    for (; n >= 16; p += 16, n -= 16) x0 = Fold(x0, k3k4, Load(p));
    alignas(16) std::uint8_t rest[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(rest), x0);
    // The folded value's own CRC register from zero, then the tail on top of it.
    const std::uint32_t state = ~ZlibCrc32(0xFFFFFFFFu, rest, sizeof rest);
    return ZlibCrc32(~state, p, n);
}

bool HasClmul() noexcept {
    __builtin_cpu_init();
    return __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
}

#endif

}  // namespace

std::uint32_t Crc32(std::uint32_t crc, const void* data, std::size_t length) noexcept {
    const auto* p = static_cast<const std::uint8_t*>(data);
#ifdef PAGES2PDF_CRC32_CLMUL
    static const bool clmul = HasClmul();
    if (clmul) return ClmulCrc32(crc, p, length);
#endif
    return ZlibCrc32(crc, p, length);
}
