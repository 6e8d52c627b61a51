#include "convert/Conversion.h"

#include <utility>

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
    FindListing listing = FindListing::Start(prefix + L"*.*");
    FindEntry entry;
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
    FindListing listing = FindListing::Start(folder + L"*.*");
    FindEntry entry;
    while (result.empty() && listing.Next(entry)) {
        if ((entry.Attributes & kAttrDirectory) == 0 || LowerCase(entry.Name) != L"quicklook") continue;
        const std::wstring quickLook = folder + entry.Name + L"\\";
        FindListing inner = FindListing::Start(quickLook + L"*.*");
        FindEntry file;
        while (inner.Next(file)) {
            if ((file.Attributes & kAttrDirectory) == 0 && LowerCase(file.Name) == L"preview.pdf") {
                result = quickLook + file.Name;
                break;
            }
        }
    }
    return result;
}

}  // namespace

std::wstring LocalAppDataPath() {
    return LocalAppDataFolder();
}

bool DelDirectory(const std::wstring& Source) {
    return DeleteTree(Source);
}

std::wstring GetFileNameNoExt(const std::wstring& DirName) {
    const std::wstring name = ExtractFileName(DirName);
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
    FindListing listing = FindListing::Start(top + L"*.*");
    FindEntry entry;
    while (result.empty() && listing.Next(entry)) {
        if ((entry.Attributes & kAttrDirectory) == 0 || entry.Name == L"." || entry.Name == L"..") continue;
        result = PreviewIn(top + entry.Name + L"\\");
    }
    flag_Search = !result.empty();
    return result;
}

std::wstring OutputPathFor(const std::wstring& Source, bool SameFolder, const std::wstring& OutputFolder) {
    if (SameFolder) return ExtractFilePath(Source) + GetFileNameNoExt(Source) + L".pdf";
    return OutputFolder + L"\\" + GetFileNameNoExt(Source) + L".pdf";
}

std::wstring DescribeReason(const TDocumentResult& result) {
    switch (result.Status) {
        case TDocumentStatus::dsWritten:
            return {};
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

void TConversionEngine::SetUpWorkingFolder() {
    const std::wstring parent = FParentGiven ? FParent : LocalAppDataPath();
    if (!IsAbsoluteFolder(parent)) {
        tempDir.clear();
        throw EInOutError(kNoAppDataFolder);
    }
    tempDir = parent + L"\\Lumbrook\\";
    if (!DirectoryExists(tempDir)) ForceDirectories(tempDir);
}

void TConversionEngine::RequireWorkingFolder() const {
    if (tempDir.empty()) throw EInOutError(kNoAppDataFolder);
}

ProcessLock TConversionEngine::LockWorkingFolder() {
    RequireWorkingFolder();
    ProcessLock lock = ProcessLock::TryAcquire(tempDir);
    if (!lock) throw EInOutError(L"Another conversion is using the working folder. Try again when it has finished.");
    return lock;
}

// One listing: a file that survived the removal would otherwise be found as this
// document's PDF.
void TConversionEngine::EnsureWorkingFolderEmpty() const {
    FindListing listing = FindListing::Start(tempDir + L"*.*");
    FindEntry entry;
    while (listing.Next(entry)) {
        if (entry.Name != L"." && entry.Name != L"..") {
            throw EInOutError(L"Cannot empty the working folder \"" + tempDir + L"\"");
        }
    }
}

void TConversionEngine::Lumbrook(const std::wstring& pathDir) {
    RequireWorkingFolder();
    if (DirectoryExists(tempDir)) {
        DelDirectory(tempDir);
        ForceDirectories(tempDir);
    } else {
        ForceDirectories(tempDir);
    }
    EnsureWorkingFolderEmpty();
    // The reader closes its file when it goes out of scope, error or not.
    TZipFile zip;
    zip.Open(pathDir, zmRead);
    zip.ExtractAll(tempDir);
    zip.Close();
}

TDocumentResult TConversionEngine::ConvertDocument(const std::wstring& Source, bool SameFolder,
                                                   const std::wstring& OutputFolder) {
    Lumbrook(Source);
    TDocumentResult result;
    result.OutputPath = OutputPathFor(Source, SameFolder, OutputFolder);
    result.SameFolder = SameFolder;
    const std::wstring found = FindStoredPdf(tempDir, flag_Search);
    if (found.empty()) {
        result.Status = TDocumentStatus::dsNoPdfInside;
        return result;
    }
    ErrorCode error = kErrorSuccess;
    if (CopyFileNew(found, result.OutputPath, error)) {
        result.Status = TDocumentStatus::dsWritten;
    } else if (error == kErrorFileExists || error == kErrorAlreadyExists) {
        result.Status = TDocumentStatus::dsOutputExists;
    } else {
        result.Status = TDocumentStatus::dsCopyFailed;
        result.CopyError = error;
        result.CopyErrorText = SystemErrorMessage(error);
    }
    return result;
}
