// The stream base: exact reads and writes, the chunked copy, file stream errors.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "ZipTestSupport.h"
#include "support/TestSupport.h"
#include "zip/FileStream.h"

using namespace zip_test;

namespace {

// Hands out at most Limit bytes per call and records what it was asked.
class TRecordingStream : public TStream {
public:
    TRecordingStream(std::int64_t available, std::int32_t limit) : FAvailable(available), FLimit(limit) {}
    std::int32_t Read(void* Buffer, std::int32_t Count) override {
        Requests.push_back(Count);
        const auto n = static_cast<std::int32_t>(std::min<std::int64_t>({Count, FLimit, FAvailable}));
        std::memset(Buffer, 'r', static_cast<std::size_t>(n));
        FAvailable -= n;
        return n;
    }
    std::int32_t Write(const void*, std::int32_t Count) override {
        const auto n = std::min(Count, FLimit);
        Written += n;
        return n;
    }
    using TStream::Seek;
    std::int64_t Seek(std::int64_t, TSeekOrigin) override { return 0; }

    std::vector<std::int32_t> Requests;
    std::int64_t Written = 0;

private:
    std::int64_t FAvailable;
    std::int32_t FLimit;
};

}  // namespace

TEST(Stream, ReadBufferAndWriteBufferRepeatUntilDoneOrStuck) {
    TRecordingStream s(100, 7);
    char buffer[100];
    s.ReadBuffer(buffer, 30);
    EXPECT_EQ(s.Requests, (std::vector<std::int32_t>{30, 23, 16, 9, 2}));
    EXPECT_EQ(ErrorOf<EReadError>([&] { s.ReadBuffer(buffer, 71); }), L"Stream read error");

    s.WriteBuffer(buffer, 30);
    EXPECT_EQ(s.Written, 30);
    TRecordingStream full(0, 0);
    EXPECT_EQ(ErrorOf<EWriteError>([&] { full.WriteBuffer(buffer, 1); }), L"Stream write error");
}

TEST(Stream, CopyFromMovesChunksOfAtMost61440Bytes) {
    TRecordingStream source(200000, 1 << 30);
    TRecordingStream target(0, 1 << 30);
    EXPECT_EQ(target.CopyFrom(source, 130000), 130000);
    EXPECT_EQ(source.Requests, (std::vector<std::int32_t>{61440, 61440, 7120}));
    EXPECT_EQ(target.Written, 130000);
}

TEST(Stream, FileStreamErrorsNameTheFullPath) {
    testing_support::ScratchFolder scratch;
    const auto missingFolder = scratch / L"no\\such\\x.txt";
    const auto create = ErrorOf<EFCreateError>([&] { TFileStream s(missingFolder, fmCreate); });
    EXPECT_EQ(create.rfind(L"Cannot create file \"" + missingFolder + L"\". ", 0), 0u);
    const auto open = ErrorOf<EFOpenError>([&] { TFileStream s(missingFolder, fmOpenRead); });
    EXPECT_EQ(open.rfind(L"Cannot open file \"" + missingFolder + L"\". ", 0), 0u);
}

TEST(Stream, FileStreamReadsWritesAndSeeks) {
    testing_support::ScratchFolder scratch;
    const auto path = scratch / L"f.bin";
    {
        TFileStream out(path, fmCreate);
        out.WriteBuffer("0123456789", 10);
        EXPECT_EQ(out.Position(), 10);
    }
    TFileStream in(path, fmOpenRead);
    EXPECT_EQ(in.Size(), 10);
    EXPECT_EQ(in.Position(), 0);
    in.SetPosition(6);
    char b[8] = {};
    EXPECT_EQ(in.Read(b, 8), 4);
    EXPECT_EQ(std::string(b, 4), "6789");
    EXPECT_EQ(in.Seek(std::int64_t{-3}, TSeekOrigin::soCurrent), 7);
    EXPECT_EQ(in.Seek(std::int32_t{-2}, soFromEnd), 8);
    EXPECT_EQ(in.Read(b, 8), 2);
}
