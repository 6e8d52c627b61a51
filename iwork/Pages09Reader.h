#pragma once
// The text of a Pages '09 document (index.xml or index.xml.gz), read into the model.

#include <string>

#include "document/Document.h"

namespace iwork {

// Paragraphs of the body text, without styles. Raises EDamagedDocument when the file can't be
// read or decompressed.
doc::TDocument ReadPages09Text(const std::wstring& indexXmlPath);

}  // namespace iwork
