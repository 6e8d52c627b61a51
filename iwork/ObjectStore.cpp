#include "iwork/ObjectStore.h"

#include <algorithm>
#include <limits>

#include "document/Limits.h"
#include "iwork/DocumentFields.h"
#include "document/Errors.h"
#include "iwork/IwaArchive.h"
#include "platform/Exception.h"
#include "platform/File.h"
#include "platform/FileSystem.h"

namespace iwork {
namespace {

using doc::limits::kMaxIwaFileSize;
using doc::limits::kMaxObjectBytes;
using doc::limits::kMaxIndexFolderDepth;

[[noreturn]] void DamagedArchive(std::size_t offset, const wchar_t* what) {
    throw doc::EDamagedDocument(L"The archive at offset " + std::to_wstring(offset) + L" of an .iwa " + what);
}

std::uint64_t ReadVarintAt(std::span<const std::uint8_t> bytes, std::size_t& pos) {
    const std::size_t start = pos;
    std::uint64_t value = 0;
    for (int shift = 0; shift < 70; shift += 7) {
        if (pos >= bytes.size()) DamagedArchive(start, L"has a length cut short");
        const std::uint8_t b = bytes[pos++];
        value |= std::uint64_t{b & 0x7Fu} << shift;
        if ((b & 0x80) == 0) return value;
    }
    DamagedArchive(start, L"has a length longer than 10 bytes");
}

struct TMessageInfo {
    std::uint32_t Type = 0;
    std::uint64_t Length = 0;
};

// ArchiveInfo {1 identifier, 2 message infos {1 type, 3 length, 5 object references}}.
struct TArchiveHeader {
    std::uint64_t Id = 0;
    std::vector<TMessageInfo> Infos;              // reused from archive to archive
    std::vector<std::uint64_t> FirstReferences;   // of the first message info
};

void ParseArchiveHeader(std::span<const std::uint8_t> bytes, TArchiveHeader& header) {
    header.Id = 0;
    header.Infos.clear();
    header.FirstReferences.clear();
    TProtoReader reader(bytes);
    TProtoField f;
    while (reader.Next(f)) {
        if (f.Number == fields::archive_info::kIdentifier && f.Type == TWireType::wtVarint) {
            header.Id = f.Value;
        } else if (f.Number == fields::archive_info::kMessageInfos && f.Type == TWireType::wtBytes) {
            TMessageInfo info;
            bool hasReferences = false;
            TProtoReader infoReader(f.Bytes);
            TProtoField g;
            while (infoReader.Next(g)) {
                using namespace fields::message_info;
                if (g.Number == kType && g.Type == TWireType::wtVarint) info.Type = static_cast<std::uint32_t>(g.Value);
                else if (g.Number == kLength && g.Type == TWireType::wtVarint) info.Length = g.Value;
                else if (g.Number == kObjectReferences) hasReferences = true;
            }
            if (header.Infos.empty() && hasReferences)
                header.FirstReferences = TMessage(f.Bytes).Varints(fields::message_info::kObjectReferences);
            header.Infos.push_back(info);
        }
    }
}

std::wstring OpenErrorText(const std::wstring& path, platform::TErrorCode error) {
    platform::TErrorCode ignored = platform::kErrorSuccess;
    return L"Cannot open file \"" + platform::FullPathName(path, ignored) + L"\". " +
           platform::SystemErrorMessage(error);
}

// An .iwa read piece by piece: a document's largest file holds megabytes, and only one
// chunk of it is needed at a time.
class TIwaFile {
public:
    explicit TIwaFile(const std::wstring& path) : FPath(path) {
        platform::TErrorCode error = platform::kErrorSuccess;
        // Shared: a document folder is read in place, perhaps by several conversions at once.
        FFile = platform::TFile::OpenReadShared(path, error);
        if (!FFile) throw EFOpenError(OpenErrorText(path, error));
        const std::int64_t size = FFile.Seek(0, 2);
        if (size < 0) throw EReadError(L"Cannot read file \"" + path + L"\"");
        if (size > kMaxIwaFileSize) throw doc::EDamagedDocument(L"The file \"" + path + L"\" is too large for an .iwa");
        FSize = static_cast<std::size_t>(size);
    }
    const std::wstring& Path() const { return FPath; }
    std::size_t Size() const { return FSize; }
    void Close() {
        FFile.Close();
        std::vector<std::uint8_t>().swap(FBuffer);
    }

    // count bytes at offset, valid until the next call.
    std::span<const std::uint8_t> At(std::size_t offset, std::size_t count) {
        if (FBuffer.size() < count) {
            FBuffer.clear();  // nothing to keep: no copy on growing
            FBuffer.resize(count);
        }
        if (FFile.Seek(static_cast<std::int64_t>(offset), 0) != static_cast<std::int64_t>(offset)) Failed();
        for (std::size_t done = 0; done < count;) {
            const auto want = static_cast<std::int32_t>(std::min<std::size_t>(count - done, 1u << 30));
            const std::int32_t got = FFile.Read(FBuffer.data() + done, want);
            if (got <= 0) Failed();
            done += static_cast<std::size_t>(got);
        }
        return {FBuffer.data(), count};
    }

private:
    [[noreturn]] void Failed() const { throw EReadError(L"Cannot read file \"" + FPath + L"\""); }

    std::wstring FPath;
    platform::TFile FFile;
    std::size_t FSize = 0;
    std::vector<std::uint8_t> FBuffer;
};

bool EndsWithIwa(const std::wstring& name) {
    if (name.size() < 4) return false;
    const std::wstring tail = name.substr(name.size() - 4);
    return tail[0] == L'.' && (tail[1] | 0x20) == L'i' && (tail[2] | 0x20) == L'w' && (tail[3] | 0x20) == L'a';
}

void CollectIwaFiles(const std::wstring& folder, int depth, std::vector<std::wstring>& files) {
    if (depth > kMaxIndexFolderDepth) throw doc::EDamagedDocument(L"The folders below \"" + folder + L"\" nest too deep");
    platform::TFindListing listing = platform::TFindListing::Start(folder + L"\\*.*");
    platform::TFindEntry entry;
    while (listing.Next(entry)) {
        // Only the package's own files: a link (or a POSIX name holding "\\") may lead to
        // another document's objects.
        if (!platform::IsOwnEntry(entry)) continue;
        const std::wstring path = folder + L"\\" + entry.Name;
        if (entry.Attributes & platform::kAttrDirectory) {
            CollectIwaFiles(path, depth + 1, files);
        } else if (EndsWithIwa(entry.Name)) {
            files.push_back(path);
        }
    }
}

}  // namespace

void TObjectStore::AddArchives(std::vector<std::uint8_t> decompressed) {
    FBuffers.push_back(std::make_unique<std::vector<std::uint8_t>>(std::move(decompressed)));
    const std::span<const std::uint8_t> bytes(*FBuffers.back());
    // Real objects average a few hundred bytes: growing the table in one step spares rehashing.
    FObjects.reserve(FObjects.size() + bytes.size() / 256);
    TArchiveHeader header;
    for (std::size_t pos = 0; pos < bytes.size();) {
        const std::size_t start = pos;
        const std::uint64_t headerLength = ReadVarintAt(bytes, pos);
        if (headerLength > bytes.size() - pos) DamagedArchive(start, L"has a header running past the end");
        try {
            ParseArchiveHeader(bytes.subspan(pos, static_cast<std::size_t>(headerLength)), header);
        } catch (const doc::EDamagedDocument& e) {
            throw doc::EDamagedDocument(L"The archive at offset " + std::to_wstring(start) + L" of an .iwa: " + e.Message());
        }
        pos += static_cast<std::size_t>(headerLength);

        // Every payload is passed over, the first one kept: later message infos are merge
        // patches this reader does not apply.
        const std::size_t payloadStart = pos;
        for (const TMessageInfo& info : header.Infos) {
            if (info.Length > bytes.size() - pos) DamagedArchive(start, L"has a payload running past the end");
            pos += static_cast<std::size_t>(info.Length);
        }
        // An archive without message infos carries no object. A second archive of the same
        // identifier is dropped: Pages never writes one, and keeping the first makes the
        // result independent of what a damaged file repeats after the original.
        if (header.Infos.empty()) continue;
        const TMessageInfo& first = header.Infos.front();
        const auto [it, added] = FObjects.try_emplace(header.Id);
        if (!added) continue;
        TObject& object = it->second;
        object.Id = header.Id;
        object.Type = first.Type;
        object.Payload = TMessage(bytes.subspan(payloadStart, static_cast<std::size_t>(first.Length)));
        object.References = std::move(header.FirstReferences);
    }
}

const TObject* TObjectStore::Find(std::uint64_t id) const {
    const auto it = FObjects.find(id);
    return it == FObjects.end() ? nullptr : &it->second;
}

const TObject& TObjectStore::Get(std::uint64_t id) const {
    if (const TObject* object = Find(id)) return *object;
    throw doc::EDamagedDocument(L"Object " + std::to_wstring(id) + L" is missing");
}

TObjectStore LoadObjectStore(const std::wstring& indexFolder) {
    platform::TExpansionBudget budget;
    return LoadObjectStore(indexFolder, budget);
}

TObjectStore LoadObjectStore(const std::wstring& indexFolder, platform::TExpansionBudget& budget) {
    std::vector<std::wstring> paths;
    CollectIwaFiles(indexFolder, 0, paths);
    if (paths.empty()) throw doc::EDamagedDocument(L"The folder \"" + indexFolder + L"\" holds no .iwa file");

    // Every file is classified before any is decompressed, so that a file that is no archive
    // at all (an HTML error page saved in its place) is named rather than its neighbours'
    // later damage. Protection is known from the package's markers, never guessed from here.
    std::vector<TIwaFile> files;
    files.reserve(paths.size());
    for (const std::wstring& path : paths) {
        TIwaFile file(path);
        const auto start = file.At(0, std::min<std::size_t>(file.Size(), 4));
        switch (ClassifyIwa(start)) {
        case TIwaCompression::icUnreadable:
            throw doc::EDamagedDocument(L"The file \"" + file.Path() + L"\" is no .iwa archive (it begins with " +
                                   Hex(start[0]) + L")");
        case TIwaCompression::icForeign:
            break;
        case TIwaCompression::icSnappy:
            files.push_back(std::move(file));
            break;
        }
    }
    TObjectStore store;
    std::size_t held = 0;
    for (TIwaFile& file : files) {
        const auto pay = [&](std::size_t bytes) {
            if (bytes > kMaxObjectBytes - held) {
                throw doc::EDamagedDocument(L"Its objects take more than " + std::to_wstring(kMaxObjectBytes >> 20) +
                                       L" MB decompressed, more than any real document's");
            }
            budget.Spend(bytes, L"the objects of \"" + file.Path() + L"\"");
            held += bytes;
        };
        try {
            store.AddArchives(DecompressIwa(
                file.Size(), [&file](std::size_t offset, std::size_t count) { return file.At(offset, count); }, pay));
        } catch (const doc::EDamagedDocument& e) {
            throw doc::EDamagedDocument(e.Message() + L" (in \"" + file.Path() + L"\")");
        }
        file.Close();
    }
    return store;
}

}  // namespace iwork
