#include "platform/Budget.h"

namespace platform {

void TExpansionBudget::Spend(std::uint64_t bytes, const std::wstring& what) {
    if (bytes > Left()) {
        throw EExpansionLimit(L"It expands to more than " + std::to_wstring(FLimit >> 20) + L" MB when unpacked (" +
                              what + L")");
    }
    FSpent += bytes;
}

}  // namespace platform
