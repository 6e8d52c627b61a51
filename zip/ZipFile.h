#pragma once
// Reads a ZIP package: its central directory, and its entries written out to disk.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "zip/CompressionHandlers.h"
#include "zip/FileStream.h"
#include "zip/Stream.h"
#include "zip/ZipHeaders.h"

// The copy for entries whose sizes follow their data (bit 3): reads In until a short read, but
// never writes more than Central declares (more is damage: false, reported as a CRC error), and
// never reads a stored entry past its compressed size, since the stored stream does not end.
// A write Out does not take whole is EWriteError "Stream write error".
bool CopyEntryUntilEnd(TStream& In, TStream& Out, const TZipHeader& Central);

class TZipFile {
public:
    TZipFile() = default;
    TZipFile(const TZipFile&) = delete;
    TZipFile& operator=(const TZipFile&) = delete;
    virtual ~TZipFile();

    // Opens the file unshared and reads its directory; the file stays open until Close.
    // Only zmRead is accepted ("Invalid argument" otherwise).
    void Open(const std::wstring& ZipFileName, TZipMode OpenMode);
    // Reads the directory from a stream the caller keeps owning.
    void Open(TStream& ZipFileStream, TZipMode OpenMode);
    void Close();

    // EZipException "File must be open" while closed.
    int FileCount() const;
    const TZipHeader& FileInfo(int Index) const;
    TZipMode Mode() const { return FMode; }
    const std::string& Comment() const { return FComment; }
    bool UTF8Support() const { return FUTF8Support; }

    // The entry's decoding stream, standing at its first byte, and its local header.
    void Read(int Index, std::unique_ptr<TStream>& Stream, TZipHeader& LocalHeader);
    // Writes one entry below Path (a folder entry makes only its folder). The CRC-32 is
    // checked after the file is closed.
    void Extract(int Index, const std::wstring& Path, bool CreateSubdirs = true);
    // Every entry, in directory order, below Path; the first error ends it.
    void ExtractAll(const std::wstring& Path);

    // Stores the decoder under Compression, replacing any there; an empty one removes the method.
    // Called before any package is read (the table is shared by every reader).
    static void RegisterCompressionHandler(TZipCompression Compression, TStreamConstructor DecompressStream);

private:
    // The folders one ExtractAll has already made, by their exact text: the checks of
    // TDirectory::CreateDirectory depend on the text alone, and extraction removes no folder.
    class TFolderMemo;
    void ExtractEntry(int Index, const std::wstring& Path, bool CreateSubdirs, TFolderMemo* Folders);
    bool LocateEndOfCentralHeader(TZipEndOfCentralHeader& Header);
    void ReadCentralHeader();
    void CheckOpenForReading() const;
    void CheckIndex(int Index) const;

    TZipMode FMode = zmClosed;
    TStream* FStream = nullptr;  // not owned
    std::unique_ptr<TFileStream> FFileStream;
    std::int64_t FStartFileData = 0;
    // Where the entries' data end (the directory's offset). Nothing reads it: it would bound a writer's appends.
    std::int64_t FEndFileData = 0;
    std::vector<TZipHeader> FFiles;
    std::string FComment;
    bool FUTF8Support = true;
    // The stream's size, taken once when the directory is read: every offset and length
    // from the package is checked against it before use.
    std::int64_t FStreamSize = 0;
    // Where LocateEndOfCentralHeader found the end record.
    std::int64_t FEndRecordPos = 0;
};
