#include "zip/FileStream.h"

#include "platform/Exception.h"
#include "platform/FileSystem.h"

namespace {

std::wstring FileErrorText(const wchar_t* what, const std::wstring& fileName, platform::ErrorCode error) {
    platform::ErrorCode ignored = platform::kErrorSuccess;
    return std::wstring(what) + L" \"" + platform::FullPathName(fileName, ignored) + L"\". " +
           platform::SystemErrorMessage(error);
}

}  // namespace

TFileStream::TFileStream(const std::wstring& FileName, std::uint16_t Mode) : FFileName(FileName) {
    platform::ErrorCode error = platform::kErrorSuccess;
    if (Mode == fmCreate) {
        FHandle = platform::File::Create(FileName, error);
        if (!FHandle) throw EFCreateError(FileErrorText(L"Cannot create file", FileName, error));
    } else {
        FHandle = platform::File::OpenRead(FileName, error);
        if (!FHandle) throw EFOpenError(FileErrorText(L"Cannot open file", FileName, error));
    }
}

std::int32_t TFileStream::Read(void* Buffer, std::int32_t Count) {
    const auto n = FHandle.Read(Buffer, Count);
    if (FPosition >= 0) FPosition += n;
    return n;
}

std::int32_t TFileStream::Write(const void* Buffer, std::int32_t Count) {
    const auto n = FHandle.Write(Buffer, Count);
    if (FPosition >= 0) FPosition += n;
    return n;
}

std::int64_t TFileStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
    if (FPosition >= 0) {
        if (Origin == TSeekOrigin::soCurrent && Offset == 0) return FPosition;
        if (Origin == TSeekOrigin::soBeginning && Offset == FPosition) return FPosition;
    }
    FPosition = FHandle.Seek(Offset, static_cast<int>(Origin));
    return FPosition;
}
