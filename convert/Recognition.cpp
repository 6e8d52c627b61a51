#include "convert/Recognition.h"

#include <vector>

#include "convert/Conversion.h"
#include "document/Errors.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/Paths.h"
#include "zip/ZipFile.h"

using namespace platform;

namespace {

constexpr std::uint16_t kPages09EncryptedMethods[] = {25451, 25452};

struct TListed {
    std::wstring Name;
    bool Folder = false;
};

// A document is its package and nothing else: a link inside a folder document (to a picture,
// another document's Index, an arbitrary file posing as the preview) is not part of it.
std::vector<TListed> ListFolder(const std::wstring& folder) {
    std::vector<TListed> result;
    TFindListing listing = TFindListing::Start(folder + L"*.*");
    TFindEntry entry;
    while (listing.Next(entry)) {
        if (!IsOwnEntry(entry)) continue;
        result.push_back({entry.Name, (entry.Attributes & kAttrDirectory) != 0});
    }
    return result;
}

bool EndsWith(const std::wstring& s, const std::wstring& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// What a package's top holds, names compared without case.
struct TTop {
    std::wstring IndexZip, IndexFolder, DataFolder;
    std::wstring IndexXml;
    bool Protected = false;
    std::vector<std::wstring> Folders;  // besides Index and Data, for a zipped folder's one top folder
};

TTop Survey(const std::wstring& folder) {
    TTop top;
    for (const TListed& e : ListFolder(folder)) {
        const std::wstring lower = LowerCase(e.Name);
        if (e.Folder) {
            if (lower == L"index") {
                top.IndexFolder = folder + e.Name;
            } else if (lower == L"data") {
                top.DataFolder = folder + e.Name;
            } else if (lower != L"__macosx" && lower.front() != L'.') {
                top.Folders.push_back(e.Name);
            }
        } else if (lower == L"index.zip") {
            top.IndexZip = folder + e.Name;
        } else if (lower == L"index.xml" || lower == L"index.xml.gz") {
            top.IndexXml = folder + e.Name;
        } else if (EndsWith(lower, L".iwph") || EndsWith(lower, L".iwpv2")) {
            top.Protected = true;
        }
    }
    return top;
}

bool HoldsDocument(const TTop& top) {
    return !top.IndexZip.empty() || !top.IndexFolder.empty() || !top.IndexXml.empty() || top.Protected;
}

}  // namespace

void RefuseEncryptedEntries(const TZipFile& zip) {
    for (int i = 0; i < zip.FileCount(); ++i) {
        for (const std::uint16_t method : kPages09EncryptedMethods) {
            if (zip.FileInfo(i).CompressionMethod == method) throw doc::EPasswordProtected();
        }
    }
}

void PayForEntries(const TZipFile& zip, platform::TExpansionBudget& budget, const std::wstring& what) {
    std::uint64_t stored = 0, unpacked = 0;
    for (int i = 0; i < zip.FileCount(); ++i) {
        stored += zip.FileInfo(i).CompressedSize;
        unpacked += zip.FileInfo(i).UncompressedSize;
    }
    budget.Add(stored);
    budget.Spend(unpacked, what);
}

TRecognition RecognisePackage(const std::wstring& root, const std::wstring& innerFolder, bool& flag_Search,
                              platform::TExpansionBudget& budget) {
    TRecognition result;
    std::wstring packageRoot = root;
    TTop top = Survey(root);
    // Zipped from a folder, or downloaded from the web: everything sits below one folder.
    if (!HoldsDocument(top) && top.Folders.size() == 1) {
        packageRoot = root + top.Folders.front() + L"\\";
        top = Survey(packageRoot);
    }
    result.Pages09Index = top.IndexXml;

    result.StoredPdf = FindStoredPdf(root, flag_Search);
    if (!result.StoredPdf.empty()) {
        result.Kind = TPackageKind::pkStoredPdf;
        return result;
    }

    if (top.Protected) {
        result.Kind = TPackageKind::pkPasswordProtected;
        return result;
    }
    std::wstring indexFolder = top.IndexFolder;
    if (indexFolder.empty() && !top.IndexZip.empty()) {
        ForceDirectories(innerFolder);
        TZipFile inner;
        inner.Open(top.IndexZip, zmRead);
        RefuseEncryptedEntries(inner);
        PayForEntries(inner, budget, L"its Index.zip");
        inner.ExtractAll(innerFolder);
        inner.Close();
        const TTop unpacked = Survey(innerFolder);
        indexFolder = unpacked.IndexFolder;
        // An Index.zip that holds the .iwa files at its top.
        if (indexFolder.empty()) indexFolder = innerFolder.substr(0, innerFolder.size() - 1);
    }
    if (!indexFolder.empty()) {
        result.Kind = TPackageKind::pkModern;
        result.Modern.IndexFolder = indexFolder;
        result.Modern.DataFolder = top.DataFolder;
        return result;
    }
    result.Kind = top.IndexXml.empty() ? TPackageKind::pkUnknown : TPackageKind::pkPages09NoPreview;
    return result;
}
