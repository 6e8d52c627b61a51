// The stream base: exact reads and writes, the chunked copy, file stream errors.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "ZipTestSupport.h"
#include "support/TestSupport.h"
#include "zip/FileStream.h"

using namespace testsupport;

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
    testsupport::TScratchFolder scratch;
    const auto missingFolder = scratch / L"no\\such\\x.txt";
    const auto create = ErrorOf<EFCreateError>([&] { TFileStream s(missingFolder, fmCreate); });
    EXPECT_EQ(create.rfind(L"Cannot create file \"" + missingFolder + L"\". ", 0), 0u);
    const auto open = ErrorOf<EFOpenError>([&] { TFileStream s(missingFolder, fmOpenRead); });
    EXPECT_EQ(open.rfind(L"Cannot open file \"" + missingFolder + L"\". ", 0), 0u);
}

TEST(Stream, FileStreamReadsWritesAndSeeks) {
    testsupport::TScratchFolder scratch;
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
    EXPECT_EQ(in.Seek(-2, soFromEnd), 8);
    EXPECT_EQ(in.Read(b, 8), 2);
}

// The read-ahead of a file opened for reading: every step gives the same count, bytes and
// position as plain arithmetic over the file's bytes, across and beyond the buffer's borders.
TEST(Stream, BufferedFileStreamMatchesThePlainFile) {
    constexpr std::int64_t kAhead = TFileStream::kReadAheadSize;
    constexpr std::int64_t kDirect = TFileStream::kDirectReadSize;
    const std::int64_t size = 3 * kAhead + 12345;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>((i * 2654435761u) >> 13);
    testsupport::TScratchFolder scratch;
    const auto path = scratch / L"big.bin";
    testsupport::WriteFile(path, bytes);

    struct TStep {
        char Op;  // 'r' read Arg bytes, 'b' seek from the beginning, 'c' from the current position, 'e' from the end
        std::int64_t Arg;
    };
    const std::vector<std::vector<TStep>> cases = {
        {{'r', 30}, {'r', 20}, {'r', kAhead}, {'r', 5}},                // small reads, then across the border
        {{'r', 10}, {'r', 3 * kAhead}, {'r', 100}},                     // larger than the buffer: to the end
        {{'r', 100}, {'c', -60}, {'r', 80}, {'c', kAhead}, {'r', 10}},  // back inside, forward outside
        {{'r', 65536}, {'c', -65000}, {'r', 46}, {'r', 65536}},         // a decoder's refill and hand-back
        {{'b', kAhead - 10}, {'r', 20}, {'b', 5}, {'r', 7}, {'b', kAhead - 10}, {'r', 4}},
        // large requests partly buffered
        {{'b', kAhead - 100}, {'r', kDirect + 200}, {'c', -300}, {'r', kDirect}, {'r', kDirect}},
        {{'e', -5}, {'r', 10}, {'r', 10}, {'e', 0}, {'r', 1}},                      // short counts at the end, then 0
        {{'e', 0}, {'c', -kAhead - 7}, {'r', kAhead}, {'b', size + 10}, {'r', 5}},  // past the end reads nothing
        {{'r', 1}, {'c', -2}, {'r', 3}},  // before the start: refused, stays put
        {{'r', 0}, {'r', -1}, {'r', 2 * kDirect}, {'c', -kDirect}, {'r', kDirect + 1}},
    };
    for (std::size_t n = 0; n < cases.size(); ++n) {
        SCOPED_TRACE("case " + std::to_string(n));
        TFileStream stream(path, fmOpenRead);
        std::int64_t expected = 0;
        for (const auto& step : cases[n]) {
            SCOPED_TRACE(std::string(1, step.Op) + " " + std::to_string(step.Arg));
            if (step.Op == 'r') {
                std::vector<std::uint8_t> got(static_cast<std::size_t>(std::max<std::int64_t>(step.Arg, 0)) + 1, 0xEE);
                const auto count = stream.Read(got.data(), static_cast<std::int32_t>(step.Arg));
                const auto want = std::clamp<std::int64_t>(size - expected, 0, std::max<std::int64_t>(step.Arg, 0));
                ASSERT_EQ(count, want);
                ASSERT_TRUE(std::equal(got.begin(), got.begin() + want, bytes.begin() + expected));
                ASSERT_EQ(got[static_cast<std::size_t>(want)], 0xEE);
                expected += want;
            } else {
                const auto base = step.Op == 'b' ? 0 : step.Op == 'c' ? expected : size;
                const auto origin = step.Op == 'b'   ? TSeekOrigin::soBeginning
                                    : step.Op == 'c' ? TSeekOrigin::soCurrent
                                                     : TSeekOrigin::soEnd;
                const auto result = stream.Seek(step.Arg, origin);
                if (base + step.Arg < 0) {
                    ASSERT_EQ(result, -1);
                } else {
                    expected = base + step.Arg;
                    ASSERT_EQ(result, expected);
                }
            }
            ASSERT_EQ(stream.Position(), expected);
        }
        EXPECT_EQ(stream.Size(), size);
        EXPECT_EQ(stream.Position(), expected);
    }
}
