#pragma once
// Joining entry names to the target folder and making the entry's folder, with the
// checks and errors extraction relies on. Engine paths: "\" and ":" separate.

#include <string>

struct TPath {
    // A empty: B; B empty: A; either holding U+0000-U+001F, '"', '<', '>' or '|' (after a
    // "\\?\" prefix): EArgumentException "Invalid characters in path"; B rooted ("\", "/",
    // second character ":") or "\\?\": B; otherwise A and B with one "\" between them.
    static std::wstring Combine(const std::wstring& A, const std::wstring& B);
};

struct TDirectory {
    // Makes D, full path first, and every missing folder above it. Errors:
    // ENotSupportedException (the full-path call failed, or a ":" past the drive),
    // EPathTooLongException (260 characters or more), EArgumentException (invalid
    // characters, or only blanks), EDirectoryNotFoundException (no such drive). A folder
    // that can't be made raises nothing here: creating the file below it fails instead.
    static void CreateDirectory(const std::wstring& D);
};

// Whether an entry name (separators already "\") would leave the folder it is joined to:
// rooted, a drive prefix, "\\?\", ".." segments climbing above its start, or a segment that
// Windows takes for a device (CON, NUL, COM1, LPT1...).
bool IsUnsafeEntryName(const std::wstring& Name);

// The name with "." segments dropped and ".." segments resolved against the segment before
// them, so the file system never has to walk through a folder that does not exist yet.
// Only for names IsUnsafeEntryName accepts.
std::wstring NormalizeEntryName(const std::wstring& Name);
