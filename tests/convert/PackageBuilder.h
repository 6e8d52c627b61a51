#pragma once
// Small ZIP packages built in the test: stored entries, correct CRC-32.

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

struct TPackageEntry {
    std::string Name;  // UTF-8; a name ending in "/" is a folder
    std::string Data;
};

std::vector<std::uint8_t> BuildPackage(const std::vector<TPackageEntry>& entries);

// A Pages '09-like package: some XML, a thumbnail and QuickLook/Preview.pdf holding pdf.
std::vector<std::uint8_t> PackageWithPdf(const std::string& pdf);
// A Pages '09 package saved without its PDF: nothing to copy and nothing to lay out.
std::vector<std::uint8_t> PackageWithoutPdf();

}  // namespace testing_support
