#include "iwork/DataFiles.h"

#include "iwork/DocumentFields.h"
#include "iwork/ObjectTypes.h"
#include "iwork/Stylesheet.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace iwork::detail {

using namespace fields;

TDataFiles::TDataFiles(const TObjectStore& store, const std::wstring& dataFolder) : FDataFolder(dataFolder) {
    ListDataFolder();
    // The package metadata is object 2 of Index/Metadata.iwa.
    const TObject* metadata = store.Find(2);
    if (!metadata || metadata->Type != types::kPackageMetadata)
        return;
    for (const auto& data : metadata->Payload.Messages(package_metadata::kDataFiles)) {
        auto id = data.Varint(data_file::kIdentifier);
        if (!id)
            continue;
        auto& names = FNames[*id];
        // The file name on disk (with its identifier appended), else the preferred name.
        for (std::uint32_t field : {data_file::kFileName, data_file::kPreferredFileName}) {
            auto name = data.String(field);
            if (!name || name->empty())
                continue;
            std::wstring wide = Wide(*name);
            // A name is one file of Data/: nothing that could reach outside it.
            if (wide.find_first_of(L"\\/:") != std::wstring::npos || wide == L"." || wide == L"..")
                continue;
            // Pages writes non-ASCII names into the ZIP in UTF-8 without the flag that says so,
            // so an unpacked package holds them as code page 437 read them.
            std::wstring unpacked = platform::DecodeZipName(*name, false);
            names.push_back(std::move(wide));
            if (unpacked != names.back())
                names.push_back(std::move(unpacked));
        }
    }
}

std::wstring TDataFiles::Path(std::uint64_t dataId) const {
    auto it = FNames.find(dataId);
    if (it == FNames.end())
        return {};
    for (const auto& name : it->second) {
        // As the file system finds it: Windows ignores case.
        auto file = FFiles.find(name);
        if (file == FFiles.end())
            file = FFiles.find(platform::LowerCase(name));
        if (file != FFiles.end())
            return FDataFolder + L"\\" + file->second;
    }
    return {};
}

void TDataFiles::ListDataFolder() {
    if (FDataFolder.empty())
        return;
    // Listed once: only the package's own files count (a link in a folder document may
    // lead to any file of the computer), and a document names thousands of pictures.
    platform::TFindListing listing = platform::TFindListing::Start(FDataFolder + L"\\*.*");
    platform::TFindEntry entry;
    while (listing.Next(entry)) {
        if (!platform::IsOwnEntry(entry) || (entry.Attributes & platform::kAttrDirectory))
            continue;
        FFiles.insert_or_assign(entry.Name, entry.Name);  // an exact name wins over another's case
        FFiles.emplace(platform::LowerCase(entry.Name), entry.Name);
    }
}

}  // namespace iwork::detail
