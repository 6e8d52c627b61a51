// The part of the IWA writer that writes files through the test helpers (and so needs
// GoogleTest), which the fuzzers' seed writers and the benchmark do without.

#include <algorithm>

#include "platform/Text.h"
#include "support/IwaWriter.h"
#include "support/TestSupport.h"

namespace testsupport {

void WriteModernPackage(const std::wstring& folder, const TModernPackageFiles& files) {
    for (const auto& [path, bytes] : ModernPackageEntries(files)) {
        std::wstring relative = platform::FromUtf8(path);
        std::replace(relative.begin(), relative.end(), L'/', L'\\');
        WriteFile(folder + L"\\" + relative, bytes);
    }
}

}  // namespace testsupport
