#pragma once
// The documents a run converts, from its arguments: each named file as it is, and with -r the
// documents found below each folder, each with the folder its PDF goes to.

#include <exception>
#include <string>
#include <vector>

namespace cli {

struct TInput {
    std::wstring Shown;         // as typed, and for a found document the path below the folder typed
    std::wstring Source;        // absolute engine path; empty when the argument can't be used
    std::wstring OutputFolder;  // engine path, no final separator; empty: beside the document
    std::wstring Error;         // why the argument can't be used, when Source is empty
};

// outputFolder: absolute, no final separator; empty for PDFs beside their documents.
// With recursive, an argument that is a folder but not a document bundle (a folder whose name
// ends in ".pages") stands for every document below it, in listing order, bundles taken whole;
// links to folders are not followed. With an output folder, a found document's PDF goes to
// outputFolder\<the folder's own name>\<the folders between>, as a copy of the tree would, so
// equal names in different folders never meet. Raises EArgumentException when two folders
// of the same name would share that place.
std::vector<TInput> CollectInputs(const std::vector<std::wstring>& arguments, bool recursive,
                                  const std::wstring& outputFolder);

// Absolute against the current folder, the way GetFullPathNameW makes it. Raises EInOutError.
std::wstring AbsoluteEnginePath(const std::wstring& argument);

// An exception's message: ours carry one, the standard library's are UTF-8.
std::wstring MessageOf(const std::exception& e);

}  // namespace cli
