#pragma once
// What an unpacked package (or a document folder) is, before anything is written.

#include <string>

#include "iwork/ModernReader.h"
#include "platform/Budget.h"

enum class TPackageKind {
    pkStoredPdf,          // a Pages '09 package with Apple's own rendering
    pkPages09NoPreview,   // index.xml without a rendering
    pkModern,             // Pages 5 and later: read and laid out
    pkPasswordProtected,
    pkUnknown,            // neither a rendering nor a document inside
};

struct TRecognition {
    TPackageKind Kind = TPackageKind::pkUnknown;
    std::wstring StoredPdf;          // pkStoredPdf
    std::wstring Pages09Index;       // index.xml or index.xml.gz of a Pages '09 package, when found
    iwork::TModernPackage Modern;    // pkModern
};

// root: the unpacked package or the document folder, with a trailing separator. A nested
// Index.zip is unpacked into innerFolder (made when needed). flag_Search as FindStoredPdf leaves it.
// What the Index.zip unpacks to is paid from budget first (EExpansionLimit).
TRecognition RecognisePackage(const std::wstring& root, const std::wstring& innerFolder, bool& flag_Search,
                              platform::TExpansionBudget& budget);

class TZipFile;
// Pages '09 encrypts a protected package's entries with methods of its own: refuse before unpacking.
void RefuseEncryptedEntries(const TZipFile& zip);
// Pays for unpacking every entry before one is written: the sizes the directory declares
// (unpacking never writes past them), less the stored bytes, which cost no more than reading
// them. Raises EExpansionLimit naming what (the package, its Index.zip).
void PayForEntries(const TZipFile& zip, platform::TExpansionBudget& budget, const std::wstring& what);
