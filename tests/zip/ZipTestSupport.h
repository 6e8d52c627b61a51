#pragma once
// Helpers shared by the package reader's tests.

#include <string>
#include <utility>

#include "platform/Exception.h"
#include "support/ZipWriter.h"
#include "zip/BytesStream.h"
#include "zip/ZipFile.h"

namespace testsupport {

// The message of the exception of class E that f raises; "<no error>" when it raises none.
// An exception of another class escapes and fails the test.
template <class E, class F>
std::wstring ErrorOf(F&& f) {
    try {
        std::forward<F>(f)();
    } catch (const E& e) {
        return e.Message();
    }
    return L"<no error>";
}

// A package in memory, opened for reading.
struct TOpenedPackage {
    explicit TOpenedPackage(TBytes bytes) : Stream(std::move(bytes)) { Zip.Open(Stream, zmRead); }
    explicit TOpenedPackage(const TZipPackage& package) : TOpenedPackage(ZipBytes(package)) {}
    TBytesStream Stream;
    TZipFile Zip;
};

}  // namespace testsupport
