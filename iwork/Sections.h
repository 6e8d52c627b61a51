#pragma once
// The body's sections (10011) with their page masters (10143): headers and footers in
// three parts, master drawables, columns, and each paragraph's section. Internal to iwork/.

#include <cstdint>
#include <optional>

#include "iwork/ReadContext.h"

namespace iwork::detail {

// bodyStorage: the body's text storage (its section and column tables), or none; the
// document's own section (root field 5) serves when the body names none.
void ReadSections(TReadContext& context, const TObject* bodyStorage, std::optional<std::uint64_t> documentSection);

}  // namespace iwork::detail
