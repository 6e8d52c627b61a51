#pragma once
// A table drawable (6000) -> TDocument::Tables: sizes, header rows and columns, merged
// cells, fills, borders, and each cell's text. Internal to iwork/.

#include <cstdint>
#include <string>

#include "iwork/ReadContext.h"

namespace iwork::detail {

// Adds the table and returns its index in TDocument::Tables.
std::size_t ReadTable(TReadContext& context, const TObject& tableInfo);

// Cell values as Pages shows them by default (exposed for tests).
std::u16string FormatNumber(double value, int decimals, bool thousands, std::u16string_view prefix = {},
                            std::u16string_view suffix = {});
// Seconds since 2001-01-01 00:00 UTC, with an ICU-style pattern ("d MMM yyyy").
std::u16string FormatDate(double seconds, std::string_view pattern);

}  // namespace iwork::detail
