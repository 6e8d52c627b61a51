#pragma once
// A Pages 5+ document -> the document model.

#include <string>

#include "document/Document.h"
#include "iwork/ObjectStore.h"

namespace iwork {

// Where a modern document's parts are on disk: an unpacked package, an unpacked Index.zip
// beside its package's Data, or a folder bundle.
struct TModernPackage {
    std::wstring IndexFolder;  // holds the .iwa files (the folder named "Index")
    // The folder named "Data"; may not exist. The model's picture paths point into it: its owner
    // keeps it until the document has been written (see doc::TImage).
    std::wstring DataFolder;
    std::wstring Title;        // the document's name, without ".pages"
};

// Raises EDamagedDocument, EPasswordProtected, ENotPagesDocument; EExpansionLimit when the
// objects' decompressed bytes pass what is left of budget.
doc::TDocument ReadModernDocument(const TModernPackage& package, platform::TExpansionBudget& budget);
// The same on a budget of its own.
doc::TDocument ReadModernDocument(const TModernPackage& package);
// The same over objects already loaded (tests, fuzzing).
doc::TDocument ReadModernDocument(const TObjectStore& store, const TModernPackage& package);

}  // namespace iwork
