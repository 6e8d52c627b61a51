#pragma once
// Laid-out pages -> a PDF file.

#include <string>

#include "layout/Page.h"
#include "pdf/PdfError.h"
#include "platform/Budget.h"

namespace pdf {

// Writes the whole file at path (replacing one there: callers write into their working
// folder and copy out). Raises EFCreateError / EWriteError when the file cannot be written,
// EPdfError for the rest.
//
// Text is selectable and searchable: every face is embedded once per document as a subset,
// with a map back to Unicode. A character the item's face lacks, and a control character,
// leave a gap of their advance; the first are counted in what the writer returns (the layout
// found no installed font for them).
// A picture that cannot be read (missing, TIFF, HEIC, PDF, damaged) is replaced by its
// thumbnail, else by a thin grey frame where it would show, and counted in what the writer
// returns. Rotation turns the picture and its Clip together about the Frame's centre; an
// empty Clip clips nothing.
struct TPdfWritten {
    int PicturesMissing = 0;      // placements of a picture whose file the package lacks
    int PicturesUnreadable = 0;   // placements of a picture in a format, or a state, the writer cannot draw
    int CharactersUndrawn = 0;    // characters that should show and that no face drawn with has
    int PicturesOverBudget = 0;   // placements of a picture whose decoding the picture budget could not pay
    int LinksPastLimit = 0;       // link areas past doc::limits::kMaxLinkAreas, drawn but not clickable
};
// Each picture file is decoded once however many pictures show it; what decoding makes is paid
// from budget first, or from one of the document's bound for pictures (doc::limits::
// kMaxDecodedPictureBytes). A picture the budget cannot pay is left out (its thumbnail shows,
// else its frame) and counted; the rest of the document is written.
TPdfWritten WritePdf(const layout::TLaidOutDocument& document, const std::wstring& path,
                     platform::TExpansionBudget& budget);
TPdfWritten WritePdf(const layout::TLaidOutDocument& document, const std::wstring& path);

}  // namespace pdf
