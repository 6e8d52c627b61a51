#pragma once
// Converting one Pages document: the working folder, unpacking, finding the PDF and
// copying it out. Portable: the window, the command-line tool and the tests share it.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "convert/WorkingFolder.h"
#include "document/Limits.h"
#include "platform/Budget.h"
#include "platform/FileSystem.h"

// The local application-data folder, no trailing separator; empty when unknown.
std::wstring LocalAppDataPath();

// Removes the folder and everything below it; true when the system reports success.
bool DelDirectory(const std::wstring& Source);

// The file name without its extension: cut at the last "."; a name without "." is kept whole. A folder's
// final separators do not count ("C:\Docs\Report.pages\" gives "Report").
std::wstring GetFileNameNoExt(const std::wstring& DirName);

// The first file below Path, depth first in listing order, whose lower-cased name
// contains FileExt; empty when there is none. flag_Search stops every level once set.
std::wstring FindTheFile(const std::wstring& Path, const std::wstring& FileExt, bool& flag_Search);

// The PDF that Pages stored as the document's own rendering: QuickLook\Preview.pdf at the
// package's top or below its one top folder, names compared without case, found in the same
// listing order as FindTheFile. A PDF anywhere else is content (a picture, a chart), never
// the answer. Empty when there is none; flag_Search as for FindTheFile.
std::wstring FindStoredPdf(const std::wstring& Path, bool& flag_Search);

// Where the PDF of Source goes: beside it, or in OutputFolder (a separator always added).
std::wstring OutputPathFor(const std::wstring& Source, bool SameFolder, const std::wstring& OutputFolder);

namespace layout {
class IFontProvider;
}
struct TRecognition;
namespace doc {
struct TDocument;
}

enum class TDocumentStatus {
    dsWritten,            // Apple's own PDF, copied
    dsLaidOut,            // a PDF laid out by pages2pdf from the document itself
    dsNoPdfInside,        // a modern document while only stored PDFs are wanted
    dsOutputExists,
    dsCopyFailed,
    dsPages09NoPreview,
    dsPasswordProtected,
    dsNotPages,           // Detail names what it is instead
    dsDamaged,            // Detail says what was wrong
    dsUnrecognised,       // neither a PDF nor a document inside
    dsTextLost,           // laid out, but most of its text is not on the pages (Detail says how much); nothing written
};

// What became of one document that could be unpacked.
struct TDocumentResult {
    TDocumentStatus Status = TDocumentStatus::dsWritten;
    std::wstring OutputPath;
    bool SameFolder = false;
    // dsCopyFailed only: the system's error and its message.
    platform::TErrorCode CopyError = platform::kErrorSuccess;
    std::wstring CopyErrorText;
    std::wstring Detail;
    // dsLaidOut: what the document holds that the PDF does not show ("chart" -> 2).
    std::map<std::wstring, int> LeftOut;
    // dsLaidOut: the pages written; 0 where the count is not known (a stored PDF is copied unread).
    int Pages = 0;
};

// A PDF was written for the document, copied or laid out.
bool IsWritten(const TDocumentResult& result);

// The reason a document was not written, for people: "no PDF inside (...)"; empty when written.
std::wstring DescribeReason(const TDocumentResult& result);

// "2 charts, 1 equation"-like list of what was left out; empty when nothing was.
std::wstring DescribeLeftOut(const std::map<std::wstring, int>& leftOut);

class TConversionEngine;

// Clears the engine's working folder when it goes out of scope (TConversionEngine::ClearWorkingFolder).
class TWorkingFolderCleanup {
public:
    explicit TWorkingFolderCleanup(TConversionEngine& engine) noexcept : FEngine(engine) {}
    TWorkingFolderCleanup(const TWorkingFolderCleanup&) = delete;
    TWorkingFolderCleanup& operator=(const TWorkingFolderCleanup&) = delete;
    ~TWorkingFolderCleanup();

private:
    TConversionEngine& FEngine;
};

// The conversion of documents one by one: the working folder and what is unpacked into it.
// The window and the command-line tool own one each (the tool one per job); nothing derives
// from it. Each engine has a working folder of its own, so engines never wait for each other.
class TConversionEngine final {
public:
    // The working folder goes below the local application-data folder.
    TConversionEngine();
    // Tests and tools choose the working folder's parent instead.
    explicit TConversionEngine(std::wstring workingFolderParent);
    // The working folder goes with the engine.
    ~TConversionEngine();
    TConversionEngine(const TConversionEngine&) = delete;
    TConversionEngine& operator=(const TConversionEngine&) = delete;

    // Makes the engine's own working folder below <parent>\Lumbrook\ (those of conversions
    // that died are removed first) and fixes tempDir in it. Raises EInOutError when the
    // local application-data folder can't be found (tempDir then stays empty).
    void SetUpWorkingFolder();

    // Raises EInOutError unless the working folder is set up.
    void RequireWorkingFolder() const;

    // Empties the working folder and unpacks the package pathDir into it, paying for what it
    // unpacks to from budget (EExpansionLimit), or from a budget of its own.
    void Lumbrook(const std::wstring& pathDir, platform::TExpansionBudget& budget);
    void Lumbrook(const std::wstring& pathDir);

    // Empties the working folder once a batch or a command-line run is over, so the last
    // document's unpacked tree does not stay behind. Never raises: it runs on every way out.
    void ClearWorkingFolder() noexcept;

    // Unpacks Source (a package, or a document folder) and writes its PDF out: Apple's own
    // where the package stores one, else laid out from the document. A package error passes through.
    TDocumentResult ConvertDocument(const std::wstring& Source, bool SameFolder, const std::wstring& OutputFolder);

    // The document read into the model (modern documents, and the text of Pages '09 ones).
    // A status other than dsWritten says why it could not be read; the model is then empty.
    TDocumentStatus ReadDocument(const std::wstring& Source, doc::TDocument& document, std::wstring& detail);

    // Only the PDFs that packages store; modern documents are not laid out.
    bool ExactOnly = false;
    // What one document may expand to (package, objects), and what its pictures may decode to
    // apart from that; lowered by tests to reach the limits with small documents.
    std::uint64_t ExpansionLimit = platform::TExpansionBudget::kDocumentBytes;
    std::uint64_t PictureLimit = doc::limits::kMaxDecodedPictureBytes;

    // The working folder; ends with a separator once set up. Read it; SetUpWorkingFolder sets it.
    std::wstring tempDir;

private:
    void EnsureWorkingFolderEmpty() const;
    void EmptyWorkingFolder();
    TRecognition UnpackDocument(const std::wstring& Source, platform::TExpansionBudget& budget);
    layout::IFontProvider& Fonts();

    // Set by the PDF search once a match is found; every level of the search stops then.
    bool flag_Search = false;
    // Declared before the fonts, which keep files in it: it goes last.
    std::optional<TWorkingFolder> FWorkingFolder;
    std::unique_ptr<layout::IFontProvider> FFonts;

    std::wstring FParent;
    bool FParentGiven = false;
};
