// Entry extraction: locating an entry's data, decoding it and writing it below a folder.

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "platform/Exception.h"
#include "platform/Paths.h"
#include "zip/Crc32Stream.h"
#include "zip/PathRules.h"
#include "zip/ZipFile.h"

namespace {

constexpr std::int32_t kReadUntilEndChunk = 4096;

[[noreturn]] void PasswordProtected() {
    throw EZipException(L"The document is password-protected");
}

// Gathers the read-until-end copy's small writes into fewer, larger ones. Whatever it holds
// goes out before the copy returns or fails. Every write must be taken whole: a target that takes
// less (a full disk) is EWriteError "Stream write error".
class TGatheredWriter {
public:
    explicit TGatheredWriter(TStream& Target) : FTarget(Target) {}
    TGatheredWriter(const TGatheredWriter&) = delete;
    TGatheredWriter& operator=(const TGatheredWriter&) = delete;
    ~TGatheredWriter() {
        try {
            Flush();
        } catch (...) {
            // Only on the way out of a failed copy, whose own error is the one to report.
        }
    }

    void Write(const std::uint8_t* Data, std::int32_t Count) {
        if (!FBuffer) {
            // A copy that ends within its first chunk writes that chunk at once, unbuffered.
            if (Count < kReadUntilEndChunk) {
                FTarget.WriteBuffer(Data, Count);
                return;
            }
            FBuffer = std::make_unique_for_overwrite<std::uint8_t[]>(kGatherSize);
        }
        if (FCount + Count > kGatherSize) Flush();
        std::copy_n(Data, Count, FBuffer.get() + FCount);
        FCount += Count;
    }
    void Flush() {
        const std::int32_t count = std::exchange(FCount, 0);
        if (count > 0) FTarget.WriteBuffer(FBuffer.get(), count);
    }

private:
    static constexpr std::int32_t kGatherSize = 16 * kReadUntilEndChunk;
    TStream& FTarget;
    std::unique_ptr<std::uint8_t[]> FBuffer;
    std::int32_t FCount = 0;
};

}  // namespace

bool CopyEntryUntilEnd(TStream& in, TStream& out, const TZipHeader& central) {
    std::array<std::uint8_t, kReadUntilEndChunk> buffer;
    TGatheredWriter writer(out);
    const bool stored = static_cast<std::uint8_t>(central.CompressionMethod) == zcStored;
    std::int64_t inputLeft = stored ? std::int64_t{central.CompressedSize} : INT64_MAX;
    std::int64_t outputLeft = central.UncompressedSize;
    while (true) {
        const auto want = static_cast<std::int32_t>(std::min<std::int64_t>(kReadUntilEndChunk, inputLeft));
        const auto n = want > 0 ? in.Read(buffer.data(), want) : 0;
        inputLeft -= n;
        const auto take = static_cast<std::int32_t>(std::min<std::int64_t>(n, outputLeft));
        if (take > 0) writer.Write(buffer.data(), take);
        outputLeft -= take;
        if (take < n || n < kReadUntilEndChunk) {
            writer.Flush();
            return take == n;
        }
    }
}

void TZipFile::CheckOpenForReading() const {
    if (FMode != zmRead) throw EZipException(L"File must be open for reading");
}

void TZipFile::CheckIndex(int Index) const {
    if (Index < 0 || static_cast<std::size_t>(Index) >= FFiles.size()) {
        throw EZipException(L"The specified file was not found");
    }
}

void TZipFile::Read(int Index, std::unique_ptr<TStream>& Stream, TZipHeader& LocalHeader) {
    CheckOpenForReading();
    CheckIndex(Index);
    const TZipHeader& central = FFiles[static_cast<std::size_t>(Index)];
    LocalHeader = TZipHeader{};
    FStream->SetPosition(FStartFileData + central.LocalHeaderOffset);
    // Signature and fixed fields in one read; bytes not delivered count as zero.
    std::array<std::uint8_t, kLocalRecordSize> fixed{};
    FStream->Read(fixed.data(), static_cast<std::int32_t>(fixed.size()));
    if (GetLE32(fixed.data()) != SIGNATURE_LOCALHEADER) throw EZipException(L"Invalid Zip Local Header signature");
    ParseLocalHeaderFixed(fixed.data() + 4, LocalHeader);
    // Name and extra field in one read too; the stream then stands at the data start.
    const std::size_t nameLength = LocalHeader.FileNameLength;
    const std::size_t variableLength = nameLength + LocalHeader.ExtraFieldLength;
    if (variableLength > 0) {
        std::string variable(variableLength, '\0');
        FStream->Read(variable.data(), static_cast<std::int32_t>(variableLength));
        LocalHeader.FileName.assign(variable, 0, nameLength);
        LocalHeader.ExtraField.assign(variable.begin() + static_cast<std::ptrdiff_t>(nameLength), variable.end());
    }
    // The central record's method decides; the local one is not consulted.
    const auto& decompress = DecompressionHandler(static_cast<std::uint8_t>(central.CompressionMethod & 0xFF));
    Stream = decompress(*FStream, *this, LocalHeader);
}

// A few recent folders are enough: entries of one folder usually follow each other, and the
// bound keeps the memory small whatever the package holds.
class TZipFile::TFolderMemo {
public:
    bool Contains(const std::wstring& Folder) const {
        return std::find(FFolders.begin(), FFolders.end(), Folder) != FFolders.end();
    }
    void Add(const std::wstring& Folder) {
        if (FFolders.size() < kCapacity) {
            FFolders.push_back(Folder);
        } else {
            FFolders[FNext] = Folder;
        }
        FNext = (FNext + 1) % kCapacity;
    }

private:
    static constexpr std::size_t kCapacity = 16;
    std::vector<std::wstring> FFolders;
    std::size_t FNext = 0;
};

void TZipFile::Extract(int Index, const std::wstring& Path, bool CreateSubdirs) {
    ExtractEntry(Index, Path, CreateSubdirs, nullptr);
}

void TZipFile::ExtractEntry(int Index, const std::wstring& Path, bool CreateSubdirs, TFolderMemo* Folders) {
    CheckOpenForReading();
    CheckIndex(Index);
    const TZipHeader& central = FFiles[static_cast<std::size_t>(Index)];
    if ((central.Flag & kFlagEncrypted) != 0) PasswordProtected();

    std::unique_ptr<TStream> LInStream;
    TZipHeader LHeader;
    Read(Index, LInStream, LHeader);
    if ((LHeader.Flag & kFlagEncrypted) != 0) PasswordProtected();

    const std::wstring decodedName = DecodedFileName(central);
    std::wstring name = decodedName;
    std::replace(name.begin(), name.end(), L'/', L'\\');
    if (!CreateSubdirs) name = platform::ExtractFileName(name);
    if (IsUnsafeEntryName(name)) throw EZipException(L"Unsafe entry name \"" + decodedName + L"\"");
    const std::wstring target = TPath::Combine(Path, NormalizeEntryName(name));

    const std::wstring LDir = platform::ExtractFileDir(target);
    if (CreateSubdirs && !LDir.empty() && !(Folders && Folders->Contains(LDir))) {
        TDirectory::CreateDirectory(LDir);
        if (Folders) Folders->Add(LDir);
    }
    if (target.empty() || target.back() == L'\\') return;  // a folder entry

    bool withinDeclaredSize = true;
    std::uint32_t crc = 0;
    {
        TFileStream LOutStream(target, fmCreate);
        TCrc32WriteStream out(LOutStream);
        if ((LHeader.Flag & kFlagDataDescriptor) == 0) {
            if (central.UncompressedSize > 0) out.CopyFrom(*LInStream, central.UncompressedSize);
        } else {
            withinDeclaredSize = CopyEntryUntilEnd(*LInStream, out, central);
        }
        crc = out.Crc();
    }
    LInStream.reset();
    if (!withinDeclaredSize || crc != central.CRC32) {
        throw EZipException(L"CRC error in \"" + decodedName + L"\"");
    }
}

void TZipFile::ExtractAll(const std::wstring& Path) {
    CheckOpenForReading();
    const int count = FileCount();
    TFolderMemo folders;
    for (int i = 0; i < count; ++i) ExtractEntry(i, Path, true, &folders);
}
