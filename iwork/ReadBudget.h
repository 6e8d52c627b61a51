#pragma once
// What a document may ask of the reader: work paid from one budget, and objects read inside
// themselves or nested deeper than a document can be. Both stop a damaged document as damaged.
// Internal to iwork/.

#include <cstddef>
#include <cstdint>
#include <unordered_set>

namespace iwork::detail {

class TReadBudget {
public:
    // Work a document asks for, paid at the prices of document/Limits.h; past the budget the
    // document is damaged.
    void Charge(std::size_t units);
    // Paragraphs made or copied, and their text.
    void ChargeParagraphs(std::size_t count, std::size_t characters);
    // A text storage read again costs its bytes on top.
    void ChargeStorage(std::uint64_t id, std::size_t bytes);

    // Marks an object as being read for as long as the guard lives: reading it again
    // inside itself, or nesting deeper than a document can, is damage.
    class TNesting {
    public:
        TNesting(TReadBudget& budget, std::uint64_t id);
        ~TNesting();
        TNesting(const TNesting&) = delete;
        TNesting& operator=(const TNesting&) = delete;

    private:
        TReadBudget& FBudget;
        std::uint64_t FId;
    };

private:
    std::unordered_set<std::uint64_t> FOpen;
    std::unordered_set<std::uint64_t> FStoragesRead;
    int FDepth = 0;
    std::size_t FSpent = 0;
};

}  // namespace iwork::detail
