#pragma once
// Shared test helpers: scratch folders, engine paths, the real-document corpus.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

// A fresh, empty folder removed with everything in it when the object dies.
class TScratchFolder {
public:
    TScratchFolder();
    TScratchFolder(const TScratchFolder&) = delete;
    TScratchFolder& operator=(const TScratchFolder&) = delete;
    ~TScratchFolder();
    // Engine path, no trailing separator.
    const std::wstring& Path() const { return FPath; }
    // Path() + "\" + relative ("/" in relative becomes "\").
    std::wstring operator/(const std::wstring& relative) const;

private:
    std::wstring FPath;
};

// An engine path as the standard library names it (fixtures are made without the code under test).
std::filesystem::path ToNative(const std::wstring& enginePath);

// The real Pages documents as an engine path, wild/ included; empty when ../shared/corpus is absent.
// It is a private copy made once per process: the reader opens documents exclusively, so
// test processes running side by side must never share the same files.
std::wstring CorpusDir();

// Whole-file helpers over engine paths; ReadFile fails the test when the file is missing.
std::vector<std::uint8_t> ReadFile(const std::wstring& path);
void WriteFile(const std::wstring& path, const std::vector<std::uint8_t>& bytes);
void WriteFile(const std::wstring& path, const std::string& text);
bool FileExists(const std::wstring& path);

// Lower-case hex SHA-256 of a byte string (small inputs: test fixtures).
std::string Sha256Hex(const std::vector<std::uint8_t>& bytes);

}  // namespace testsupport
