#pragma once
// What pages2pdf needs from the operating system, one implementation per platform.

#include <string>

namespace cli {

enum class TOutput { toStdOut, toStdErr };

// Text as the console or the pipe expects it (UTF-16 to a Windows console, UTF-8 otherwise).
void Write(TOutput output, const std::wstring& text);
// A terminal (POSIX) or console (Windows), not a file or a pipe.
bool IsTerminal(TOutput output);

// An argument as typed, as an engine path (not yet absolute). Raises EArgumentException
// when the platform can't take it (a "\" on POSIX would be read as a separator).
std::wstring EnginePathOf(const std::wstring& argument);
// An engine path the way the user's platform writes it.
std::wstring DisplayPath(const std::wstring& enginePath);
// An engine message, with the paths in it written the platform's way.
std::wstring DisplayMessage(const std::wstring& message);

}  // namespace cli
