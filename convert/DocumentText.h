#pragma once
// A document's words as plain text: a line per paragraph, a table row per line with its
// cells separated by tabs. For people who index or search documents.

#include <string>

#include "document/Document.h"

std::wstring DocumentText(const doc::TDocument& document);
