#pragma once
// Laid-out pages -> a PDF file.

#include <string>

#include "layout/Page.h"

namespace pdf {

// Writes the whole file at path (replacing one there: callers write into their working
// folder and copy out). Raises EWriteError / EFCreateError on failure.
void WritePdf(const layout::TLaidOutDocument& document, const std::wstring& path);

}  // namespace pdf
