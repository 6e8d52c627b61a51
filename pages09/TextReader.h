#pragma once
// The text of a Pages '09 document (index.xml or index.xml.gz), read into the model.

#include <string>

#include "document/Document.h"

namespace pages09 {

// Paragraphs of the body text, without styles. Raises EDamagedDocument when the file can't be
// read or decompressed.
doc::TDocument ReadText(const std::wstring& indexXmlPath);

}  // namespace pages09
