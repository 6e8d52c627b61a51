// TWindowBatchFrontEnd: the batch's questions answered from the window's controls.
#include "app/WindowBatchFrontEnd.h"

#include <shellapi.h>

#include <exception>

#include "app/Application.h"
#include "app/WinOwners.h"
#include "platform/Exception.h"
#include "platform/Paths.h"

namespace {

// How long the window may go without painting while a row is converted.
constexpr DWORD kPaintInterval = 100;

struct THandleCloser {
    void operator()(HANDLE h) const noexcept { ::CloseHandle(h); }
};
using THandleOwner = TOwner<HANDLE, THandleCloser>;

// The row's work on a thread of its own; whatever it throws is kept for the caller.
class TRowThread {
public:
    explicit TRowThread(const std::function<void()>& work) : FWork(work) {
        FThread.reset(::CreateThread(nullptr, 0, &TRowThread::Run, this, 0, nullptr));
        if (!FThread) throw EInOutError(L"Cannot start the conversion.", static_cast<int>(::GetLastError()));
    }
    TRowThread(const TRowThread&) = delete;
    TRowThread& operator=(const TRowThread&) = delete;
    ~TRowThread() { ::WaitForSingleObject(FThread.get(), INFINITE); }

    HANDLE Handle() const noexcept { return FThread.get(); }
    void RethrowFailure() const {
        if (FFailure) std::rethrow_exception(FFailure);
    }

private:
    static DWORD WINAPI Run(void* self) {
        auto* t = static_cast<TRowThread*>(self);
        try {
            t->FWork();
        } catch (...) {
            t->FFailure = std::current_exception();
        }
        return 0;
    }

    const std::function<void()>& FWork;
    std::exception_ptr FFailure;
    THandleOwner FThread;
};

// Paints and timers run; mouse and keyboard input is dropped, so nothing clicked during the batch
// acts after it. Other posted messages (a close request, the quit message) wait for the batch's end.
void PaintOnly() {
    MSG msg;
    for (const auto& [first, last] : {std::pair<UINT, UINT>{WM_KEYFIRST, WM_KEYLAST},
                                      {WM_MOUSEFIRST, WM_MOUSELAST},
                                      {WM_NCMOUSEMOVE, WM_NCXBUTTONDBLCLK},
                                      {WM_NCMOUSEHOVER, WM_MOUSELEAVE}}) {
        while (::PeekMessageW(&msg, nullptr, first, last, PM_REMOVE)) {
        }
    }
    // A window that leaves its area invalid would be painted forever: a bounded number per wake.
    for (int i = 0; i < 64 && ::PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE); ++i)
        ::DispatchMessageW(&msg);
    for (int i = 0; i < 64 && ::PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE); ++i)
        ::DispatchMessageW(&msg);
}

}  // namespace

void TWindowBatchFrontEnd::Attach(HWND owner, TListViewQueue& queue, HWND outputFolderEdit,
                                  HWND sameFolderCheckBox) {
    FOwner = owner;
    FQueue = &queue;
    FOutputFolderEdit = outputFolderEdit;
    FSameFolderCheckBox = sameFolderCheckBox;
}

int TWindowBatchFrontEnd::RowCount() const { return FQueue->Count(); }

std::wstring TWindowBatchFrontEnd::RowPath(int index) const { return FQueue->Path(index); }

std::wstring TWindowBatchFrontEnd::OutputFolderText() const {
    const int length = ::GetWindowTextLengthW(FOutputFolderEdit);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(FOutputFolderEdit, text.data(), length + 1)));
    return text;
}

bool TWindowBatchFrontEnd::SameFolderOption() const {
    return ::SendMessageW(FSameFolderCheckBox, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

int TWindowBatchFrontEnd::MessageBox(const std::wstring& text, const std::wstring& caption, unsigned flags) {
    return Application.MessageBox(text, caption, flags);
}

void TWindowBatchFrontEnd::SetBusyCursor(bool busy) { Screen.SetCursor(busy ? crHourGlass : crDefault); }

void TWindowBatchFrontEnd::OpenFolder(const std::wstring& folder) {
    ShellExecuteHook(FOwner, L"open", L"Explorer.exe", folder.c_str(), nullptr, SW_SHOWNORMAL);
}

void TWindowBatchFrontEnd::BatchStarted(int) { FQueue->ClearMarks(); }

void TWindowBatchFrontEnd::RowStarted(int index, int count) {
    FQueue->SetMark(index, TRowMark::rmWorking, L"");
    ::SendMessageW(FQueue->Handle, LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), FALSE);
    if (FNote) {
        const std::wstring text = L"Converting " + std::to_wstring(index + 1) + L" of " + std::to_wstring(count) +
                                  L": " + platform::ExtractFileName(FQueue->Path(index));
        ::SetWindowTextW(FNote, text.c_str());
        ::InvalidateRect(FNote, nullptr, FALSE);
    }
    // Shown before the row's work starts, however short it is.
    if (FOwner) ::RedrawWindow(FOwner, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void TWindowBatchFrontEnd::RowFinished(int index, const TDocumentResult& result) {
    switch (result.Status) {
    case TDocumentStatus::dsWritten:
        FQueue->SetMark(index, TRowMark::rmWritten, L"Written: Apple's own PDF, copied to " + result.OutputPath);
        break;
    case TDocumentStatus::dsLaidOut: {
        std::wstring tip = L"Laid out by pages2pdf: " + result.OutputPath;
        if (const std::wstring leftOut = DescribeLeftOut(result.LeftOut); !leftOut.empty())
            tip += L" (some content left out: " + leftOut + L")";
        FQueue->SetMark(index, TRowMark::rmLaidOut, tip);
        break;
    }
    default: FQueue->SetMark(index, TRowMark::rmNotWritten, L"Not written: " + DescribeReason(result)); break;
    }
}

void TWindowBatchFrontEnd::RowFailed(int index, const std::wstring& error) {
    FQueue->SetMark(index, TRowMark::rmError, L"Error: " + error);
}

void TWindowBatchFrontEnd::BatchEnded() {
    if (!FNote) return;
    ::SetWindowTextW(FNote, L"");
    ::InvalidateRect(FNote, nullptr, FALSE);
}

// The window keeps painting while the row is converted, and Windows never takes it for hung: it
// looks at its messages at least every kPaintInterval.
void TWindowBatchFrontEnd::RunRow(const std::function<void()>& work) {
    const TRowThread thread(work);
    const HANDLE handle = thread.Handle();
    for (;;) {
        const DWORD woken = ::MsgWaitForMultipleObjectsEx(1, &handle, kPaintInterval, QS_PAINT | QS_TIMER | QS_INPUT,
                                                          MWMO_INPUTAVAILABLE);
        if (woken == WAIT_OBJECT_0) break;
        if (woken == WAIT_FAILED) {
            ::WaitForSingleObject(handle, INFINITE);
            break;
        }
        PaintOnly();
    }
    thread.RethrowFailure();
}
