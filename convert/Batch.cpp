#include "convert/Batch.h"

#include <string>
#include <vector>

#include "convert/Escape.h"
#include "platform/Exception.h"
#include "platform/Folders.h"
#include "platform/Paths.h"
#include "platform/Text.h"

using namespace platform;

namespace {

// A box taller than the screen hides its OK button: past this many rows the rest are counted.
constexpr std::size_t kMaxListedRows = 15;

// The busy cursor for as long as the rows are converted, whichever way that ends.
class TBusyCursor {
public:
    explicit TBusyCursor(IBatchFrontEnd& frontEnd) : FFrontEnd(frontEnd) { FFrontEnd.SetBusyCursor(true); }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
    ~TBusyCursor() { FFrontEnd.SetBusyCursor(false); }

private:
    IBatchFrontEnd& FFrontEnd;
};

// The front end's progress display for as long as the rows are converted.
class TBatchProgress {
public:
    TBatchProgress(IBatchFrontEnd& frontEnd, int count) : FFrontEnd(frontEnd) { FFrontEnd.BatchStarted(count); }
    TBatchProgress(const TBatchProgress&) = delete;
    TBatchProgress& operator=(const TBatchProgress&) = delete;
    ~TBatchProgress() { FFrontEnd.BatchEnded(); }

private:
    IBatchFrontEnd& FFrontEnd;
};

// One row, its outcome reported to the front end; an error is reported, then passed on.
TDocumentResult ConvertRow(TConversionEngine& engine, IBatchFrontEnd& frontEnd, int index, int count,
                           const std::wstring& F) {
    frontEnd.RowStarted(index, count);
    // Read on the caller's thread: the window's controls belong to it.
    const std::wstring S = frontEnd.RowPath(index);
    const bool sameFolder = frontEnd.SameFolderOption();
    TDocumentResult result;
    try {
        frontEnd.RunRow([&] { result = engine.ConvertDocument(S, sameFolder, F); });
    } catch (const EAbort&) {
        throw;  // silent by design, on the row as in the error display
    } catch (const Exception& e) {
        frontEnd.RowFailed(index, e.Message());
        throw;
    } catch (const std::exception& e) {
        frontEnd.RowFailed(index, platform::FromUtf8(e.what()));
        throw;
    }
    frontEnd.RowFinished(index, result);
    return result;
}

}  // namespace

void ConvertBatch(TConversionEngine& engine, IBatchFrontEnd& frontEnd) {
    const int n = frontEnd.RowCount();
    if (n == 0) return;

    const std::wstring F = frontEnd.OutputFolderText();
    if (F.empty()) {
        frontEnd.MessageBox(L"Note!", L"Please set the saving path!", kMbOk);
        frontEnd.SetBusyCursor(false);
        return;
    }

    std::vector<std::wstring> notWritten;
    {
        // Checked before anything is made, so a refused batch touches nothing.
        engine.RequireWorkingFolder();
        // Emptied however the rows end.
        const TWorkingFolderCleanup cleanup(engine);
        if (!DirectoryExists(F)) ForceDirectories(F);

        TBusyCursor cursor(frontEnd);
        const TBatchProgress progress(frontEnd, n);
        for (int i = 0; i < n; ++i) {
            const TDocumentResult result = ConvertRow(engine, frontEnd, i, n, F);
            if (!IsWritten(result)) {
                notWritten.push_back(
                    EscapeControls(ExtractFileName(frontEnd.RowPath(i)) + L": " + DescribeReason(result)));
            }
        }
    }

    if (notWritten.empty()) {
        frontEnd.MessageBox(L"Successed to convert pages to pdf!", L"Congratulation", kMbOk);
    } else {
        std::wstring text = L"Converted " + std::to_wstring(n - static_cast<int>(notWritten.size())) + L" of " +
                            std::to_wstring(n) + L" documents.";
        const std::size_t listed = notWritten.size() > kMaxListedRows ? kMaxListedRows - 1 : notWritten.size();
        for (std::size_t i = 0; i < listed; ++i) text += L"\r\n" + notWritten[i];
        if (listed < notWritten.size()) {
            text += L"\r\n... and " + std::to_wstring(notWritten.size() - listed) + L" more not converted.";
        }
        frontEnd.MessageBox(text, L"Conversion finished", kMbOk | kMbIconWarning);
    }

    if (!frontEnd.SameFolderOption()) frontEnd.OpenFolder(F);
}
