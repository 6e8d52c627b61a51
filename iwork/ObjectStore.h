#pragma once
// Every object of a modern document, by identifier, from all its .iwa files.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "iwork/ProtoReader.h"
#include "platform/Budget.h"

namespace iwork {

struct TObject {
    std::uint64_t Id = 0;
    std::uint32_t Type = 0;
    TMessage Payload;                        // the first message info's payload
    std::vector<std::uint64_t> References;   // the object references its message info lists
};

class TObjectStore {
public:
    // Parses the archives of one decompressed .iwa and keeps the bytes. Raises
    // EDamagedDocument when an archive's lengths run past the end.
    void AddArchives(std::vector<std::uint8_t> decompressed);
    const TObject* Find(std::uint64_t id) const;
    // Raises EDamagedDocument "object N is missing".
    const TObject& Get(std::uint64_t id) const;
    std::size_t Size() const { return FObjects.size(); }
    // Every object, in no particular order (tests, fuzzing, diagnostics).
    const std::unordered_map<std::uint64_t, TObject>& Objects() const { return FObjects; }

private:
    std::vector<std::unique_ptr<std::vector<std::uint8_t>>> FBuffers;
    std::unordered_map<std::uint64_t, TObject> FObjects;
};

// Every Index/**/*.iwa below indexFolder (the folder named "Index"), in any file naming.
// Foreign-compressed files are skipped; one that is neither raises EDamagedDocument (every file
// is classified before any is decompressed); one that cannot be opened raises EFOpenError naming
// it; damage raises EDamagedDocument naming the file, as does a folder without any .iwa.
// Their decompressed bytes are paid from budget before they are allocated (EExpansionLimit),
// and the objects held together may take at most doc::limits::kMaxObjectBytes (EDamagedDocument).
TObjectStore LoadObjectStore(const std::wstring& indexFolder, platform::TExpansionBudget& budget);
// The same on a budget of its own.
TObjectStore LoadObjectStore(const std::wstring& indexFolder);

}  // namespace iwork
