#pragma once
// The stream over an exclusively opened file.

#include <cstdint>
#include <string>

#include "platform/File.h"
#include "zip/Stream.h"

inline constexpr std::uint16_t fmOpenRead = 0x0000;
inline constexpr std::uint16_t fmCreate = 0xFF00;

class TFileStream : public TStream {
public:
    // fmOpenRead: EFOpenError "Cannot open file "%s". %s"; fmCreate (an existing file is
    // emptied): EFCreateError "Cannot create file "%s". %s". The first %s is the full path,
    // the second the system's text for the error.
    TFileStream(const std::wstring& FileName, std::uint16_t Mode);

    std::int32_t Read(void* Buffer, std::int32_t Count) override;
    std::int32_t Write(const void* Buffer, std::int32_t Count) override;
    using TStream::Seek;
    std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;

    const std::wstring& FileName() const { return FFileName; }

private:
    platform::File FHandle;
    std::wstring FFileName;
    // The file pointer as last set or moved by this object, -1 when unknown: position
    // queries and seeks to where the file already stands cost no system call.
    std::int64_t FPosition = 0;
};
