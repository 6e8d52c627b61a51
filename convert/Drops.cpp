#include "convert/Drops.h"

#include "platform/FileSystem.h"
#include "platform/Paths.h"

using namespace platform;

namespace {

bool IsDocumentName(const std::wstring& name) {
    static const std::wstring kExtension = L".pages";
    return name.size() > kExtension.size() &&
           LowerCase(name.substr(name.size() - kExtension.size())) == kExtension;
}

std::wstring WithoutTrailingSeparator(std::wstring path) {
    while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
    return path;
}

std::wstring NameOf(const std::wstring& path) {
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring Child(const std::wstring& folder, const std::wstring& name) {
    return folder.ends_with(L'\\') ? folder + name : folder + L"\\" + name;
}

void SearchFolder(const std::wstring& folder, std::vector<std::wstring>& found) {
    std::vector<std::wstring> subFolders;
    TFindListing listing = TFindListing::Start(Child(folder, L"*.*"));
    TFindEntry entry;
    while (listing.Next(entry)) {
        if (entry.Name == L"." || entry.Name == L"..") continue;
        const std::wstring path = Child(folder, entry.Name);
        const bool isFolder = (entry.Attributes & kAttrDirectory) != 0;
        if (IsDocumentName(entry.Name)) {
            found.push_back(path);
        } else if (isFolder && (entry.Attributes & kAttrReparsePoint) == 0) {
            subFolders.push_back(path);
        }
    }
    // The folder's own documents first, then each sub-folder's, as a file manager lists them.
    for (const auto& sub : subFolders) SearchFolder(sub, found);
}

}  // namespace

TDroppedDocuments CollectDroppedDocuments(const std::vector<std::wstring>& items) {
    TDroppedDocuments result;
    for (const auto& item : items) {
        const std::wstring path = WithoutTrailingSeparator(item);
        TErrorCode error = kErrorSuccess;
        const std::uint32_t attributes = FileAttributes(path, error);
        if (attributes == kInvalidAttributes) {
            ++result.Ignored;
        } else if (IsDocumentName(NameOf(path))) {
            result.Documents.push_back(path);
        } else if ((attributes & kAttrDirectory) != 0) {
            const std::size_t before = result.Documents.size();
            SearchFolder(path, result.Documents);
            if (result.Documents.size() == before) ++result.Ignored;
        } else {
            ++result.Ignored;
        }
    }
    return result;
}

std::wstring DroppedItemsNote(int ignored, TItemsSource source) {
    if (ignored <= 0) return {};
    const bool dropped = source == TItemsSource::isDropped;
    if (ignored == 1)
        return dropped ? L"1 dropped item was not a Pages document"
                       : L"1 item given to the program was not a Pages document";
    return std::to_wstring(ignored) +
           (dropped ? L" dropped items were not Pages documents" : L" items given to the program were not Pages documents");
}
