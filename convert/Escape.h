#pragma once
// Text for one line a person reads (a terminal, a message box).

#include <string>

// Control characters written out as "\n", "\r", "\t" or "\x1b", and the characters that
// break or reorder a line (U+2028, U+2029, bidirectional overrides and isolates) as "\u202e":
// a document named with a newline and an escape sequence must not forge a line of its own or
// clear the terminal. Everything else, backslashes included, is kept.
std::wstring EscapeControls(const std::wstring& text);
