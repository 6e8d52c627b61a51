#include "iwork/ReadBudget.h"

#include "document/Limits.h"
#include "iwork/ReadContext.h"

namespace iwork::detail {

namespace limits = doc::limits;

void TReadBudget::Charge(std::size_t units) {
    FSpent += units;
    if (FSpent > limits::kReadBudget)
        Damaged(L"the document asks for more objects, table cells and text than any real document holds");
}

void TReadBudget::ChargeParagraphs(std::size_t count, std::size_t characters) {
    Charge(count * limits::price::kParagraph + characters / limits::price::kCharactersPerUnit);
}

void TReadBudget::ChargeStorage(std::uint64_t id, std::size_t bytes) {
    if (!FStoragesRead.insert(id).second)
        Charge(bytes * limits::price::kStorageByteReadAgain);
}

TReadBudget::TNesting::TNesting(TReadBudget& budget, std::uint64_t id) : FBudget(budget), FId(id) {
    FBudget.Charge(limits::price::kObject);
    if (FBudget.FDepth >= limits::kMaxNesting)
        Damaged(ObjectName(id) + L" is nested deeper than a document can be");
    if (!FBudget.FOpen.insert(id).second)
        Damaged(ObjectName(id) + L" contains itself");
    ++FBudget.FDepth;
}

TReadBudget::TNesting::~TNesting() {
    --FBudget.FDepth;
    FBudget.FOpen.erase(FId);
}

}  // namespace iwork::detail
