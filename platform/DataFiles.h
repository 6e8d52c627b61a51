#pragma once
// Data files the program reads beside documents: where they are, and opening one for a C library
// that reads through a FILE*.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace platform {

struct TCFileCloser {
    void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};
using TCFile = std::unique_ptr<std::FILE, TCFileCloser>;

// Opened for binary reading; empty when it cannot be.
TCFile OpenCFileRead(const std::wstring& path);

// The folder the running program was started from, no trailing separator; empty when unknown.
std::wstring ProgramFolder();

// Folders that may hold hyphenation dictionaries (hyph_<language>.dic), first the one shipped
// beside the program ("hyphen"), then, on Linux, the system's.
std::vector<std::wstring> HyphenationFolders();

}  // namespace platform
