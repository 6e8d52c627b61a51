#include "zip/ZipFile.h"

#include <algorithm>
#include <array>

#include "platform/Exception.h"

namespace {

constexpr std::int64_t kScanReach = 65535;
constexpr std::int64_t kScanStep = 1024;
constexpr std::int32_t kScanWindow = 1028;

[[noreturn]] void ErrorReadingZipFile() {
    throw EZipException(L"Error reading zip file");
}

// ZIP64 keeps the true values elsewhere and leaves these markers in the 16- and 32-bit fields.
constexpr std::uint16_t kZip64Marker16 = 0xFFFF;
constexpr std::uint32_t kZip64Marker32 = 0xFFFFFFFF;
constexpr std::uint32_t SIGNATURE_ZIP64ENDLOCATOR = 0x07064B50;
constexpr std::int64_t kZip64LocatorSize = 20;

// A package in one file: a ZIP64 or multi-disk end record is refused rather than misread, even
// when its offsets happen to lie inside the file.
void RefuseUnsupportedEnd(const TZipEndOfCentralHeader& end) {
    if (end.DiskNumber != 0 || end.CentralDirStartDisk != 0) ErrorReadingZipFile();
    if (end.NumEntriesThisDisk == kZip64Marker16 || end.CentralDirEntries == kZip64Marker16 ||
        end.CentralDirSize == kZip64Marker32 || end.CentralDirOffset == kZip64Marker32) {
        ErrorReadingZipFile();
    }
}

void RefuseUnsupportedEntry(const TZipHeader& header) {
    if (header.DiskNumberStart != 0) ErrorReadingZipFile();
    if (header.CompressedSize == kZip64Marker32 || header.UncompressedSize == kZip64Marker32 ||
        header.LocalHeaderOffset == kZip64Marker32) {
        ErrorReadingZipFile();
    }
}

// One Read of exactly Count bytes, or "Error reading zip file".
void VerifyRead(TStream& Stream, void* Buffer, std::int32_t Count) {
    if (Stream.Read(Buffer, Count) != Count) ErrorReadingZipFile();
}

}  // namespace

TZipFile::~TZipFile() {
    Close();
}

void TZipFile::Open(const std::wstring& ZipFileName, TZipMode OpenMode) {
    Close();
    // Only reading is built: the writing modes are refused like zmClosed.
    if (OpenMode != zmRead) throw EZipException(L"Invalid argument");
    // Shared with other readers: several conversions may read one document at the same time.
    auto stream = std::make_unique<TFileStream>(ZipFileName, fmOpenRead | fmShareDenyWrite);
    Open(*stream, OpenMode);  // on failure the file closes with `stream`
    FFileStream = std::move(stream);
}

void TZipFile::Open(TStream& ZipFileStream, TZipMode OpenMode) {
    Close();
    if (OpenMode != zmRead) throw EZipException(L"Invalid argument");
    FStreamSize = ZipFileStream.Size();
    if (FStreamSize == 0) throw EZipException(L"Stream read error");
    FStream = &ZipFileStream;
    FStartFileData = ZipFileStream.Position();
    try {
        ReadCentralHeader();
    } catch (...) {
        FStream = nullptr;
        FFiles.clear();
        throw;
    }
    FMode = OpenMode;
}

void TZipFile::Close() {
    FMode = zmClosed;
    FFiles.clear();
    FStream = nullptr;
    if (FFileStream) {
        auto stream = std::move(FFileStream);
        stream.reset();
    }
}

int TZipFile::FileCount() const {
    if (FMode == zmClosed) throw EZipException(L"File must be open");
    return static_cast<int>(FFiles.size());
}

const TZipHeader& TZipFile::FileInfo(int Index) const {
    if (FMode == zmClosed) throw EZipException(L"File must be open");
    CheckIndex(Index);
    return FFiles[static_cast<std::size_t>(Index)];
}

bool TZipFile::LocateEndOfCentralHeader(TZipEndOfCentralHeader& Header) {
    std::array<std::uint8_t, kScanWindow> LBackBuf;
    const std::int64_t size = FStreamSize;
    const std::int64_t LMaxBack = std::min(size, kScanReach);
    std::int64_t LBackRead = 4;
    while (LBackRead < LMaxBack) {
        LBackRead = std::min(LBackRead + kScanStep, LMaxBack);
        const std::int64_t windowStart = size - LBackRead;
        FStream->SetPosition(windowStart);
        const auto LReadSize = static_cast<std::int32_t>(std::min<std::int64_t>(kScanWindow, LBackRead));
        VerifyRead(*FStream, LBackBuf.data(), LReadSize);
        for (std::int32_t I = LReadSize - 4; I >= 0; --I) {
            if (GetLE32(&LBackBuf[static_cast<std::size_t>(I)]) != SIGNATURE_ZIPENDOFHEADER) continue;
            const std::int64_t recordPos = windowStart + I;
            // No complete record behind this one: search on.
            if (size - recordPos < static_cast<std::int64_t>(kEndOfCentralRecordSize)) continue;
            FEndRecordPos = recordPos;
            if (I + static_cast<std::int32_t>(kEndOfCentralRecordSize) <= LReadSize) {
                Header = ParseEndOfCentralHeader(&LBackBuf[static_cast<std::size_t>(I) + 4]);
            } else {
                // The record runs on past this window: take its fixed bytes from the stream.
                std::array<std::uint8_t, kEndOfCentralFixedSize> fixed;
                FStream->SetPosition(recordPos + 4);
                VerifyRead(*FStream, fixed.data(), static_cast<std::int32_t>(fixed.size()));
                Header = ParseEndOfCentralHeader(fixed.data());
            }
            FComment.clear();
            if (Header.CommentLength > 0) {
                const std::int64_t commentPos = recordPos + static_cast<std::int64_t>(kEndOfCentralRecordSize);
                // A comment cut short by the end of the stream keeps only the bytes present.
                FComment.resize(static_cast<std::size_t>(std::min<std::int64_t>(Header.CommentLength, size - commentPos)));
                if (!FComment.empty()) {
                    FStream->SetPosition(commentPos);
                    const auto n = FStream->Read(FComment.data(), static_cast<std::int32_t>(FComment.size()));
                    FComment.resize(static_cast<std::size_t>(std::max(n, 0)));
                }
            }
            return true;
        }
    }
    return false;
}

void TZipFile::ReadCentralHeader() {
    FFiles.clear();
    TZipEndOfCentralHeader end;
    if (!LocateEndOfCentralHeader(end)) ErrorReadingZipFile();
    RefuseUnsupportedEnd(end);
    // A ZIP64 package may leave ordinary values in its end record; its locator right before the
    // record gives it away (an ordinary directory ends where the record begins).
    if (FEndRecordPos >= kZip64LocatorSize &&
        std::int64_t{end.CentralDirOffset} + std::int64_t{end.CentralDirSize} != FEndRecordPos) {
        std::array<std::uint8_t, 4> locator{};
        FStream->SetPosition(FEndRecordPos - kZip64LocatorSize);
        VerifyRead(*FStream, locator.data(), static_cast<std::int32_t>(locator.size()));
        if (GetLE32(locator.data()) == SIGNATURE_ZIP64ENDLOCATOR) ErrorReadingZipFile();
    }
    FStream->SetPosition(end.CentralDirOffset);
    FEndFileData = end.CentralDirOffset;

    // Tracked here rather than asked of the stream: every read below is exact or fails.
    std::int64_t pos = end.CentralDirOffset;
    const auto fitsInStream = [&](std::int64_t count) { return count <= FStreamSize - pos; };
    const auto readField = [&](auto& field, std::uint16_t length) {
        if (length == 0) return;
        // Checked before allocating, so a broken length costs nothing.
        if (!fitsInStream(length)) ErrorReadingZipFile();
        field.resize(length);
        VerifyRead(*FStream, field.data(), length);
        pos += length;
    };

    constexpr std::int64_t kMinCentralRecord = 4 + kCentralFixedSize;
    FFiles.reserve(static_cast<std::size_t>(
        std::clamp<std::int64_t>((FStreamSize - pos) / kMinCentralRecord, 0, end.CentralDirEntries)));
    for (unsigned i = 0; i < end.CentralDirEntries; ++i) {
        std::array<std::uint8_t, 4> signature{};
        if (FStream->Read(signature.data(), 4) != 4 || GetLE32(signature.data()) != SIGNATURE_CENTRALHEADER) {
            throw EZipException(L"Invalid Zip Central Header signature");
        }
        pos += 4;
        TZipHeader header;
        std::array<std::uint8_t, kCentralFixedSize> fixed;
        VerifyRead(*FStream, fixed.data(), static_cast<std::int32_t>(fixed.size()));
        pos += static_cast<std::int64_t>(fixed.size());
        ParseCentralHeaderFixed(fixed.data(), header);
        RefuseUnsupportedEntry(header);
        readField(header.FileName, header.FileNameLength);
        readField(header.ExtraField, header.ExtraFieldLength);
        readField(header.FileComment, header.FileCommentLength);
        if ((header.Flag & kFlagUtf8) == 0) FUTF8Support = false;
        FFiles.push_back(std::move(header));
    }
}
