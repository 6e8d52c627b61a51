#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/Text.h"

namespace fs = std::filesystem;

namespace testsupport {
namespace {

std::wstring FromNative(const fs::path& native) {
#ifdef _WIN32
    return native.wstring();
#else
    std::wstring w = platform::FromUtf8(native.string());
    for (auto& c : w) {
        if (c == L'/') c = L'\\';
    }
    return w;
#endif
}

}  // namespace

fs::path ToNative(const std::wstring& enginePath) {
#ifdef _WIN32
    return fs::path(enginePath);
#else
    std::wstring slashed = enginePath;
    for (auto& c : slashed) {
        if (c == L'\\') c = L'/';
    }
    return fs::path(platform::ToUtf8(slashed));
#endif
}

TScratchFolder::TScratchFolder() {
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const fs::path dir =
        fs::temp_directory_path() / ("p2p-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    fs::create_directories(dir);
    FPath = FromNative(fs::absolute(dir));
}

TScratchFolder::~TScratchFolder() {
    std::error_code ec;
    const fs::path dir = ToNative(FPath);
    // Read-only files left by a test must not keep the folder alive.
    for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(dir, ec);
}

std::wstring TScratchFolder::operator/(const std::wstring& relative) const {
    std::wstring r = relative;
    for (auto& c : r) {
        if (c == L'/') c = L'\\';
    }
    return FPath + L"\\" + r;
}

std::wstring CorpusDir() {
    static const TScratchFolder copy;
    static const std::wstring dir = [] {
        const fs::path shared = fs::path(PAGES2PDF_CORPUS_DIR);
        std::error_code ec;
        if (!fs::is_directory(shared, ec)) return std::wstring();
        // Folder by folder: the corpus folders are read-only, and a copied folder would be too.
        const fs::path target = ToNative(copy.Path());
        for (auto it = fs::recursive_directory_iterator(shared, ec); !ec && it != fs::recursive_directory_iterator();
             it.increment(ec)) {
            const fs::path to = target / fs::relative(it->path(), shared);
            if (it->is_directory()) {
                fs::create_directories(to);
            } else if (it->is_regular_file()) {
                fs::copy_file(it->path(), to);
            }
        }
        return copy.Path();
    }();
    return dir;
}

std::vector<std::uint8_t> ReadFile(const std::wstring& path) {
    std::ifstream in(ToNative(path), std::ios::binary);
    EXPECT_TRUE(in.good()) << "cannot read " << platform::ToUtf8(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
    const fs::path native = ToNative(path);
    fs::create_directories(native.parent_path());
    std::ofstream out(native, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << "cannot write " << platform::ToUtf8(path);
}

void WriteFile(const std::wstring& path, const std::string& text) {
    WriteFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

bool FileExists(const std::wstring& path) {
    std::error_code ec;
    return fs::exists(ToNative(path), ec);
}

std::string Sha256Hex(const std::vector<std::uint8_t>& bytes) {
    static constexpr std::array<std::uint32_t, 64> k = {
        0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
        0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
        0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
        0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
        0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
        0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
        0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
        0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};
    std::array<std::uint32_t, 8> h = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                      0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    std::vector<std::uint8_t> msg = bytes;
    const std::uint64_t bitLength = static_cast<std::uint64_t>(bytes.size()) * 8;
    msg.push_back(0x80);
    while (msg.size() % 64 != 56) msg.push_back(0);
    for (int i = 7; i >= 0; --i) msg.push_back(static_cast<std::uint8_t>(bitLength >> (i * 8)));
    auto rotr = [](std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); };
    for (std::size_t chunk = 0; chunk < msg.size(); chunk += 64) {
        std::array<std::uint32_t, 64> w{};
        for (int i = 0; i < 16; ++i) {
            w[i] = (std::uint32_t{msg[chunk + i * 4]} << 24) | (std::uint32_t{msg[chunk + i * 4 + 1]} << 16) |
                   (std::uint32_t{msg[chunk + i * 4 + 2]} << 8) | std::uint32_t{msg[chunk + i * 4 + 3]};
        }
        for (int i = 16; i < 64; ++i) {
            const auto s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
            const auto s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
            w[i] = w[i - 16] + s0 + w[i - 7] + s1;
        }
        auto v = h;
        for (int i = 0; i < 64; ++i) {
            const auto s1 = rotr(v[4], 6) ^ rotr(v[4], 11) ^ rotr(v[4], 25);
            const auto ch = (v[4] & v[5]) ^ (~v[4] & v[6]);
            const auto t1 = v[7] + s1 + ch + k[i] + w[i];
            const auto s0 = rotr(v[0], 2) ^ rotr(v[0], 13) ^ rotr(v[0], 22);
            const auto maj = (v[0] & v[1]) ^ (v[0] & v[2]) ^ (v[1] & v[2]);
            const auto t2 = s0 + maj;
            v = {t1 + t2, v[0], v[1], v[2], v[3] + t1, v[4], v[5], v[6]};
        }
        for (int i = 0; i < 8; ++i) h[i] += v[i];
    }
    static const char* hex = "0123456789abcdef";
    std::string out;
    for (auto word : h) {
        for (int i = 28; i >= 0; i -= 4) out.push_back(hex[(word >> i) & 0xF]);
    }
    return out;
}

}  // namespace testsupport
