#pragma once
// What one document may expand to: its package unpacked, its objects decompressed; and, from a
// budget of their own, its pictures decoded. A small damaged or hostile file can claim gigabytes
// at every one of these steps; each claim is paid from its budget before anything is allocated
// or written, so the work and the memory of a document stay bounded whatever it claims.

#include <cstdint>
#include <string>

#include "platform/Exception.h"

namespace platform {

// A claim the budget cannot pay; the message says what asked ("It expands to more than 1024 MB
// when unpacked (the objects of Document.iwa)"): the document is damaged.
class EExpansionLimit : public Exception {
public:
    using Exception::Exception;
    const char* ClassName() const noexcept override { return "EExpansionLimit"; }
};

class TExpansionBudget {
public:
    // Real documents expand to a few hundred megabytes at most; the package's own size is
    // added, since stored bytes (photos) cost no more than reading them.
    static constexpr std::uint64_t kDocumentBytes = std::uint64_t{1} << 30;

    explicit TExpansionBudget(std::uint64_t bytes = kDocumentBytes) : FLimit(bytes) {}
    void Add(std::uint64_t bytes) { FLimit += bytes; }

    // Pays for bytes about to be made; raises EExpansionLimit, naming what, when they pass
    // what is left.
    void Spend(std::uint64_t bytes, const std::wstring& what);
    std::uint64_t Left() const { return FLimit - FSpent; }

private:
    std::uint64_t FLimit;
    std::uint64_t FSpent = 0;
};

}  // namespace platform
