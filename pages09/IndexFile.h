#pragma once
// A Pages '09 document's index.xml as bytes, whether stored plain or gzip-compressed
// (index.xml.gz); bounded by the model's limit on its size.

#include <string>

namespace pages09 {

// Raises doc::EDamagedDocument when the file can't be opened, is larger than the limit, or its
// gzip data is corrupt or ends before its own end.
std::string ReadIndexXml(const std::wstring& path);

}  // namespace pages09
