#pragma once
// Helpers shared by the package reader's tests.

#include <string>
#include <utility>

#include "ZipWriter.h"
#include "platform/Exception.h"
#include "zip/BytesStream.h"
#include "zip/ZipFile.h"

namespace zip_test {

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
struct OpenedPackage {
    explicit OpenedPackage(Bytes bytes) : Stream(std::move(bytes)) { Zip.Open(Stream, zmRead); }
    explicit OpenedPackage(const Package& package) : OpenedPackage(BuildBytes(package)) {}
    TBytesStream Stream;
    TZipFile Zip;
};

}  // namespace zip_test
