#pragma once
// The package's data files (pictures) by the identifiers objects name them with. Internal to iwork/.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "iwork/ObjectStore.h"

namespace iwork::detail {

// Data files of the package by identifier (Metadata's data list), resolved to engine paths.
class TDataFiles {
public:
    TDataFiles(const TObjectStore& store, const std::wstring& dataFolder);
    // The file's path when it exists in Data/; empty otherwise.
    std::wstring Path(std::uint64_t dataId) const;

private:
    void ListDataFolder();

    std::unordered_map<std::uint64_t, std::vector<std::wstring>> FNames;  // candidates in order
    std::wstring FDataFolder;
    std::unordered_map<std::wstring, std::wstring> FFiles;  // the folder's files, by name and lower-cased name
};

}  // namespace iwork::detail
