#include "zip/CompressionHandlers.h"

#include <utility>
#include <vector>

#include "platform/Exception.h"
#include "zip/StoredStream.h"
#include "zip/ZipFile.h"
#include "zip/ZDecompressionStream.h"

namespace {

struct THandlerEntry {
    TZipCompression Compression;
    TStreamConstructor DecompressStream;
};

using THandlerTable = std::vector<THandlerEntry>;

void Put(THandlerTable& table, TZipCompression compression, TStreamConstructor decompress) {
    for (auto& entry : table) {
        if (entry.Compression == compression) {
            entry.DecompressStream = std::move(decompress);
            return;
        }
    }
    table.push_back({compression, std::move(decompress)});
}

void FillStandard(THandlerTable& table) {
    Put(table, zcStored, [](TStream& in, TZipFile&, const TZipHeader&) -> std::unique_ptr<TStream> {
        return std::make_unique<TStoredStream>(in);
    });
    Put(table, zcDeflate, [](TStream& in, TZipFile&, const TZipHeader&) -> std::unique_ptr<TStream> {
        return std::make_unique<TZDecompressionStream>(in, -15);
    });
}

// Filled on first use rather than by a static object's constructor, so its contents never
// depend on the order in which the linker runs static initialisers.
THandlerTable& Table() {
    static THandlerTable table = [] {
        THandlerTable t;
        FillStandard(t);
        return t;
    }();
    return table;
}

}  // namespace

void TZipFile::RegisterCompressionHandler(TZipCompression Compression, TStreamConstructor DecompressStream) {
    Put(Table(), Compression, std::move(DecompressStream));
}

void RegisterStandardCompressionHandlers() {
    FillStandard(Table());
}

const TStreamConstructor& DecompressionHandler(std::uint8_t Method) {
    for (const auto& entry : Table()) {
        if (entry.Compression == Method && entry.DecompressStream) return entry.DecompressStream;
    }
    throw EListError(L"Item not found");
}
