#include "convert/Conversion.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "convert/ContentCheck.h"
#include "convert/Recognition.h"
#include "document/Document.h"
#include "document/Errors.h"
#include "iwork/ModernReader.h"
#include "layout/Layout.h"
#include "layout/SystemFonts.h"
#include "pages09/TextReader.h"
#include "pdf/PdfWriter.h"
#include "platform/Exception.h"
#include "platform/Folders.h"
#include "platform/Paths.h"
#include "zip/ZipFile.h"

using namespace platform;

namespace {

const wchar_t* const kNoAppDataFolder = L"Cannot find the local application data folder";

// A drive root ("C:\"), a UNC or POSIX root ("\"): anything else would put the working
// folder below whatever the current folder happens to be.
bool IsAbsoluteFolder(const std::wstring& path) {
    if (path.empty()) return false;
    if (path[0] == L'\\') return true;
    return path.size() >= 3 && path[1] == L':' && path[2] == L'\\';
}

void SearchFolder(const std::wstring& Path, const std::wstring& FileExt, bool& flag_Search, std::wstring& result) {
    flag_Search = false;
    const std::wstring t = Trim(Path);
    const std::wstring prefix = (!t.empty() && t.back() == L'\\') ? t : t + L"\\";
    TFindListing listing = TFindListing::Start(prefix + L"*.*");
    TFindEntry entry;
    while (listing.Next(entry)) {
        if ((entry.Attributes & kAttrDirectory) != 0) {
            if (entry.Name == L"." || entry.Name == L"..") continue;
            SearchFolder(prefix + entry.Name, FileExt, flag_Search, result);
            if (flag_Search) return;
        } else if (Pos(FileExt, LowerCase(entry.Name)) > 0) {
            result = prefix + entry.Name;
            flag_Search = true;
            return;
        }
    }
}

// The package's own QuickLook\Preview.pdf wins over one below a folder, so a Pages '09
// document that holds another package's folder still gives its own rendering.
std::wstring PreviewIn(const std::wstring& folder) {
    std::wstring result;
    TFindListing listing = TFindListing::Start(folder + L"*.*");
    TFindEntry entry;
    while (result.empty() && listing.Next(entry)) {
        if (!IsOwnEntry(entry) || (entry.Attributes & kAttrDirectory) == 0 || LowerCase(entry.Name) != L"quicklook")
            continue;
        const std::wstring quickLook = folder + entry.Name + L"\\";
        TFindListing inner = TFindListing::Start(quickLook + L"*.*");
        TFindEntry file;
        while (inner.Next(file)) {
            if (IsOwnEntry(file) && (file.Attributes & kAttrDirectory) == 0 && LowerCase(file.Name) == L"preview.pdf") {
                result = quickLook + file.Name;
                break;
            }
        }
    }
    return result;
}

// Where a nested Index.zip is unpacked, and where a laid-out PDF is written before it is
// copied out, inside the working folder.
const wchar_t* const kInnerIndexFolder = L"pages2pdf index\\";
const wchar_t* const kLaidOutFile = L"pages2pdf output.pdf";
// Inside the engine's own folder: what each document unpacks (tempDir), and the faces the
// system hands over only in memory.
const wchar_t* const kUnpackFolder = L"unpacked\\";
const wchar_t* const kFontsFolder = L"fonts\\";

bool OutputPresent(const std::wstring& path) {
    TErrorCode error = kErrorSuccess;
    return FileAttributes(path, error) != kInvalidAttributes;
}

// Never over a file already there: the copy itself refuses.
void CopyOut(const std::wstring& from, TDocumentStatus written, TDocumentResult& result) {
    TErrorCode error = kErrorSuccess;
    if (CopyFileNew(from, result.OutputPath, error)) {
        result.Status = written;
    } else if (error == kErrorFileExists || error == kErrorAlreadyExists) {
        result.Status = TDocumentStatus::dsOutputExists;
    } else {
        result.Status = TDocumentStatus::dsCopyFailed;
        result.CopyError = error;
        result.CopyErrorText = SystemErrorMessage(error);
    }
}

// A document folder may be given with its final separator ("Report.pages\"): it names the folder all the same.
std::wstring WithoutFinalSeparators(std::wstring path) {
    while (path.size() > 1 && path.back() == L'\\' && path[path.size() - 2] != L':') path.pop_back();
    return path;
}

}  // namespace

std::wstring LocalAppDataPath() {
    return LocalAppDataFolder();
}

bool DelDirectory(const std::wstring& Source) {
    return DeleteTree(Source);
}

std::wstring GetFileNameNoExt(const std::wstring& DirName) {
    const std::wstring name = ExtractFileName(WithoutFinalSeparators(DirName));
    const auto dot = name.rfind(L'.');
    return dot == std::wstring::npos ? name : name.substr(0, dot);
}

std::wstring FindTheFile(const std::wstring& Path, const std::wstring& FileExt, bool& flag_Search) {
    std::wstring result;
    SearchFolder(Path, FileExt, flag_Search, result);
    return result;
}

std::wstring FindStoredPdf(const std::wstring& Path, bool& flag_Search) {
    flag_Search = false;
    const std::wstring t = Trim(Path);
    const std::wstring top = (!t.empty() && t.back() == L'\\') ? t : t + L"\\";
    std::wstring result = PreviewIn(top);
    TFindListing listing = TFindListing::Start(top + L"*.*");
    TFindEntry entry;
    while (result.empty() && listing.Next(entry)) {
        if ((entry.Attributes & kAttrDirectory) == 0 || !IsOwnEntry(entry)) continue;
        result = PreviewIn(top + entry.Name + L"\\");
    }
    flag_Search = !result.empty();
    return result;
}

std::wstring OutputPathFor(const std::wstring& Source, bool SameFolder, const std::wstring& OutputFolder) {
    if (SameFolder) return ExtractFilePath(WithoutFinalSeparators(Source)) + GetFileNameNoExt(Source) + L".pdf";
    return OutputFolder + L"\\" + GetFileNameNoExt(Source) + L".pdf";
}

bool IsWritten(const TDocumentResult& result) {
    return result.Status == TDocumentStatus::dsWritten || result.Status == TDocumentStatus::dsLaidOut;
}

namespace {

// "chart" -> "charts", "linked text box" -> "linked text boxes", "character of text" ->
// "characters of text": the noun before what qualifies it takes the plural, as English forms
// it for the nouns the tool names.
std::wstring Plural(const std::wstring& what) {
    std::size_t end = what.size();
    for (const wchar_t* qualifier : {L" of ", L" that ", L" which ", L" whose ", L" no ", L" past ", L" ("})
        end = std::min(end, what.find(qualifier));
    std::wstring word = what.substr(0, end);
    auto endsWith = [&](std::wstring_view tail) {
        return word.size() >= tail.size() && word.compare(word.size() - tail.size(), tail.size(), tail) == 0;
    };
    if (endsWith(L"s") || endsWith(L"x") || endsWith(L"ch") || endsWith(L"sh")) {
        word += L"es";
    } else if (endsWith(L"y") && word.size() > 1 &&
               std::wstring_view(L"aeiou").find(word[word.size() - 2]) == std::wstring_view::npos) {
        word.back() = L'i';
        word += L"es";
    } else {
        word += L"s";
    }
    return word + what.substr(end);
}

}  // namespace

std::wstring DescribeLeftOut(const std::map<std::wstring, int>& leftOut) {
    std::wstring text;
    for (const auto& [what, count] : leftOut) {
        if (count <= 0) continue;
        if (!text.empty()) text += L", ";
        text += std::to_wstring(count) + L" " + (count == 1 ? what : Plural(what));
    }
    return text;
}

namespace {

// What the program's own check found missing, beside what the reader and the layout counted.
void AddShortfall(std::map<std::wstring, int>& leftOut, const TTextCheck& text, const pdf::TPdfWritten& written) {
    auto add = [&](const wchar_t* what, std::size_t count) {
        if (count > 0) leftOut[what] += static_cast<int>(std::min<std::size_t>(count, INT_MAX));
    };
    add(L"character of text", text.Missing);
    add(L"picture whose file is missing", static_cast<std::size_t>(written.PicturesMissing));
    add(L"picture that cannot be decoded", static_cast<std::size_t>(written.PicturesUnreadable));
    add(L"character no installed font can draw", static_cast<std::size_t>(written.CharactersUndrawn));
    add(L"picture past the document's decoding budget", static_cast<std::size_t>(written.PicturesOverBudget));
    add(L"link that cannot be clicked (the document has too many)", static_cast<std::size_t>(written.LinksPastLimit));
}

}  // namespace

std::wstring DescribeReason(const TDocumentResult& result) {
    switch (result.Status) {
        case TDocumentStatus::dsWritten:
        case TDocumentStatus::dsLaidOut:
            return {};
        case TDocumentStatus::dsPages09NoPreview:
            return L"saved by Pages '09 without a PDF preview";
        case TDocumentStatus::dsPasswordProtected:
            return L"The document is password-protected";
        case TDocumentStatus::dsNotPages:
            return result.Detail;
        case TDocumentStatus::dsDamaged:
            return result.Detail.empty() ? L"The document is damaged" : L"The document is damaged: " + result.Detail;
        case TDocumentStatus::dsTextLost:
            return L"most of its text could not be laid out: " + result.Detail;
        case TDocumentStatus::dsUnrecognised:
            return L"not a Pages document (the package holds neither a PDF nor a document)";
        case TDocumentStatus::dsNoPdfInside:
            return L"no PDF inside (documents saved by Pages 5 or later carry none)";
        case TDocumentStatus::dsOutputExists:
            return result.SameFolder ? L"a PDF of that name is already beside the document"
                                     : L"a PDF of that name is already in the output folder";
        case TDocumentStatus::dsCopyFailed: {
            std::wstring text = result.CopyErrorText;
            if (text.empty()) text = L"system error " + std::to_wstring(result.CopyError);
            return L"the PDF could not be copied: " + text;
        }
    }
    return {};
}

TConversionEngine::TConversionEngine(std::wstring workingFolderParent)
    : FParent(std::move(workingFolderParent)), FParentGiven(true) {}

TConversionEngine::TConversionEngine() = default;
TConversionEngine::~TConversionEngine() = default;

void TConversionEngine::SetUpWorkingFolder() {
    const std::wstring parent = FParentGiven ? FParent : LocalAppDataPath();
    tempDir.clear();
    FFonts.reset();
    FWorkingFolder.reset();
    if (!IsAbsoluteFolder(parent)) throw EInOutError(kNoAppDataFolder);
    const std::wstring root = parent + L"\\Lumbrook\\";
    if (!DirectoryExists(root)) ForceDirectories(root);
    FWorkingFolder.emplace(root);
    const std::wstring work = FWorkingFolder->Path() + kUnpackFolder;
    ForceDirectories(work);
    tempDir = work;
}

void TConversionEngine::RequireWorkingFolder() const {
    if (tempDir.empty()) throw EInOutError(kNoAppDataFolder);
}

// One listing: a file that survived the removal would otherwise be found as this
// document's PDF.
void TConversionEngine::EnsureWorkingFolderEmpty() const {
    TFindListing listing = TFindListing::Start(tempDir + L"*.*");
    TFindEntry entry;
    while (listing.Next(entry)) {
        if (entry.Name != L"." && entry.Name != L"..") {
            throw EInOutError(L"Cannot empty the working folder \"" + tempDir + L"\"");
        }
    }
}

void TConversionEngine::EmptyWorkingFolder() {
    RequireWorkingFolder();
    if (DirectoryExists(tempDir)) {
        DelDirectory(tempDir);
        ForceDirectories(tempDir);
    } else {
        ForceDirectories(tempDir);
    }
    EnsureWorkingFolderEmpty();
}

void TConversionEngine::Lumbrook(const std::wstring& pathDir) {
    TExpansionBudget budget(ExpansionLimit);
    Lumbrook(pathDir, budget);
}

void TConversionEngine::Lumbrook(const std::wstring& pathDir, TExpansionBudget& budget) {
    EmptyWorkingFolder();
    // The reader closes its file when it goes out of scope, error or not.
    TZipFile zip;
    zip.Open(pathDir, zmRead);
    RefuseEncryptedEntries(zip);
    PayForEntries(zip, budget, L"the package");
    zip.ExtractAll(tempDir);
    zip.Close();
}

void TConversionEngine::ClearWorkingFolder() noexcept {
    if (tempDir.empty()) return;
    try {
        DelDirectory(tempDir);
        ForceDirectories(tempDir);
    } catch (...) {
        // The next document empties it anyway; the run's own outcome is what counts.
    }
}

TWorkingFolderCleanup::~TWorkingFolderCleanup() {
    FEngine.ClearWorkingFolder();
}

layout::IFontProvider& TConversionEngine::Fonts() {
    // Kept for the whole batch: finding and measuring faces is the dear part. Beside the
    // unpacking folder, which every document empties.
    if (!FFonts) FFonts = layout::MakeSystemFontProvider(FWorkingFolder->Path() + kFontsFolder);
    return *FFonts;
}

// A document folder (a bundle) is read where it stands; a package is unpacked first.
TRecognition TConversionEngine::UnpackDocument(const std::wstring& Source, TExpansionBudget& budget) {
    std::wstring root;
    if (DirectoryExists(Source)) {
        EmptyWorkingFolder();
        root = (!Source.empty() && Source.back() == L'\\') ? Source : Source + L"\\";
    } else {
        Lumbrook(Source, budget);
        root = tempDir;
    }
    return RecognisePackage(root, tempDir + kInnerIndexFolder, flag_Search, budget);
}

TDocumentResult TConversionEngine::ConvertDocument(const std::wstring& Source, bool SameFolder,
                                                   const std::wstring& OutputFolder) {
    TDocumentResult result;
    result.OutputPath = OutputPathFor(Source, SameFolder, OutputFolder);
    result.SameFolder = SameFolder;
    try {
        TExpansionBudget budget(ExpansionLimit);
        TRecognition found = UnpackDocument(Source, budget);
        switch (found.Kind) {
            case TPackageKind::pkStoredPdf:
                CopyOut(found.StoredPdf, TDocumentStatus::dsWritten, result);
                break;
            case TPackageKind::pkPages09NoPreview:
                result.Status = TDocumentStatus::dsPages09NoPreview;
                break;
            case TPackageKind::pkPasswordProtected:
                result.Status = TDocumentStatus::dsPasswordProtected;
                break;
            case TPackageKind::pkUnknown:
                result.Status = TDocumentStatus::dsUnrecognised;
                break;
            case TPackageKind::pkModern: {
                if (ExactOnly) {
                    result.Status = TDocumentStatus::dsNoPdfInside;
                    break;
                }
                // Laying out costs far more than this look.
                if (OutputPresent(result.OutputPath)) {
                    result.Status = TDocumentStatus::dsOutputExists;
                    break;
                }
                found.Modern.Title = GetFileNameNoExt(Source);
                const doc::TDocument document = iwork::ReadModernDocument(found.Modern, budget);
                const layout::TLaidOutDocument pages = layout::LayOut(document, Fonts());
                TExpansionBudget pictures(PictureLimit);
                const pdf::TPdfWritten written = pdf::WritePdf(pages, tempDir + kLaidOutFile, pictures);
                const TTextCheck text = CheckText(document, pages);
                if (MostTextLost(text)) {
                    result.Status = TDocumentStatus::dsTextLost;
                    result.Detail = L"only " + std::to_wstring(text.Held - text.Missing) + L" of its " +
                                    std::to_wstring(text.Held) + L" characters are on the pages";
                    break;
                }
                CopyOut(tempDir + kLaidOutFile, TDocumentStatus::dsLaidOut, result);
                result.LeftOut = pages.LeftOut;
                AddShortfall(result.LeftOut, text, written);
                result.Pages = static_cast<int>(pages.Pages.size());
                break;
            }
        }
    } catch (const doc::EPasswordProtected&) {
        result.Status = TDocumentStatus::dsPasswordProtected;
    } catch (const doc::ENotPagesDocument& e) {
        result.Status = TDocumentStatus::dsNotPages;
        result.Detail = e.Message();
    } catch (const doc::EDamagedDocument& e) {
        result.Status = TDocumentStatus::dsDamaged;
        result.Detail = e.Message();
    } catch (const EExpansionLimit& e) {
        result.Status = TDocumentStatus::dsDamaged;
        result.Detail = e.Message();
    }
    return result;
}

TDocumentStatus TConversionEngine::ReadDocument(const std::wstring& Source, doc::TDocument& document,
                                                std::wstring& detail) {
    try {
        TExpansionBudget budget(ExpansionLimit);
        TRecognition found = UnpackDocument(Source, budget);
        switch (found.Kind) {
            case TPackageKind::pkModern:
                found.Modern.Title = GetFileNameNoExt(Source);
                document = iwork::ReadModernDocument(found.Modern, budget);
                return TDocumentStatus::dsWritten;
            case TPackageKind::pkStoredPdf:
            case TPackageKind::pkPages09NoPreview:
                if (found.Pages09Index.empty()) return TDocumentStatus::dsUnrecognised;
                document = pages09::ReadText(found.Pages09Index);
                return TDocumentStatus::dsWritten;
            case TPackageKind::pkPasswordProtected:
                return TDocumentStatus::dsPasswordProtected;
            case TPackageKind::pkUnknown:
                return TDocumentStatus::dsUnrecognised;
        }
    } catch (const doc::EPasswordProtected&) {
        return TDocumentStatus::dsPasswordProtected;
    } catch (const doc::ENotPagesDocument& e) {
        detail = e.Message();
        return TDocumentStatus::dsNotPages;
    } catch (const doc::EDamagedDocument& e) {
        detail = e.Message();
        return TDocumentStatus::dsDamaged;
    } catch (const EExpansionLimit& e) {
        detail = e.Message();
        return TDocumentStatus::dsDamaged;
    }
    return TDocumentStatus::dsUnrecognised;
}
