// The package half of the IWA writer: it needs the test support's files and ZIP builder,
// which the fuzzer's seed writer (built without GoogleTest) does without.

#include <algorithm>

#include "convert/PackageBuilder.h"
#include "platform/Text.h"
#include "support/IwaWriter.h"
#include "support/TestSupport.h"

namespace testing_support {

std::vector<std::pair<std::string, TBytes>> ModernPackageEntries(const TModernPackageFiles& files) {
    std::vector<std::pair<std::string, TBytes>> entries;
    entries.emplace_back("Index/Document.iwa", IwaFile(files.Document));
    const std::vector<TIwaObject> defaultMetadata = {TIwaObject(2, 11006, {})};
    entries.emplace_back("Index/Metadata.iwa", IwaFile(files.Metadata.empty() ? defaultMetadata : files.Metadata));
    for (const auto& [path, objects] : files.OtherIwa) entries.emplace_back(path, IwaFile(objects));
    for (const auto& entry : files.OtherFiles) entries.push_back(entry);
    return entries;
}

void WriteModernPackage(const std::wstring& folder, const TModernPackageFiles& files) {
    for (const auto& [path, bytes] : ModernPackageEntries(files)) {
        std::wstring relative = platform::FromUtf8(path);
        std::replace(relative.begin(), relative.end(), L'/', L'\\');
        WriteFile(folder + L"\\" + relative, bytes);
    }
}

TBytes ModernPackageZip(const TModernPackageFiles& files) {
    std::vector<TPackageEntry> entries;
    for (const auto& [path, bytes] : ModernPackageEntries(files)) {
        entries.push_back({path, std::string(bytes.begin(), bytes.end())});
    }
    return BuildPackage(entries);
}

}  // namespace testing_support
