#include "convert/Batch.h"

#include <string>
#include <vector>

#include "platform/Folders.h"
#include "platform/Paths.h"

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
        // Taken before anything is made, so a refused batch touches nothing; let go
        // before the completion box, which may stay open for a while.
        const TProcessLock lock = engine.LockWorkingFolder();
        // Emptied while the lock is still held, however the rows end.
        const TWorkingFolderCleanup cleanup(engine);
        if (!DirectoryExists(F)) ForceDirectories(F);

        TBusyCursor cursor(frontEnd);
        for (int i = 0; i < n; ++i) {
            const std::wstring S = frontEnd.RowPath(i);
            const TDocumentResult result = engine.ConvertDocument(S, frontEnd.SameFolderOption(), F);
            if (!IsWritten(result)) {
                notWritten.push_back(ExtractFileName(S) + L": " + DescribeReason(result));
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
