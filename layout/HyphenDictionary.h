#pragma once
// A hyphenation dictionary read into libhyphen's own structures, which libhyphen then hyphenates
// with. libhyphen's loader finds its states through a hash table of a fixed 31,627 buckets: a
// large dictionary (Debian's German one, 1.1 MB, hundreds of thousands of states) makes its
// chains long, and loading takes seconds, paid by the first document that hyphenates German.
// This reads the same file into the same states through a table that grows with them; a file
// that uses what it does not read (a second level of patterns, non-standard breaks) is left to
// libhyphen's loader.

#include <memory>
#include <string>

typedef struct _HyphenDict HyphenDict;

namespace layout {

struct THyphenDictFree {
    void operator()(HyphenDict* dictionary) const noexcept;
};
using THyphenDict = std::unique_ptr<HyphenDict, THyphenDictFree>;

// The dictionary at path (an engine path); null when it cannot be read.
THyphenDict LoadHyphenDictionary(const std::wstring& path);
// The same through libhyphen's own loader.
THyphenDict LoadHyphenDictionaryByLibrary(const std::wstring& path);

}  // namespace layout
