#pragma once
// A document's words as plain text: a line per paragraph, a table row per line with its
// cells separated by tabs. For people who index or search documents.

#include <string>

#include "document/Document.h"

// Fields (page numbers, a table of contents' numbers) show the value Pages last saved, or
// none when withFields is false: the layout gives them values of its own.
std::wstring DocumentText(const doc::TDocument& document, bool withFields = true);
