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

// The former names, for tests written against them on other branches; remove once merged.
namespace zip_test {
using namespace testsupport;
using Bytes = TBytes;
using Entry = TZipEntry;
using Package = TZipPackage;
using Built = TBuiltZip;
using OpenedPackage = TOpenedPackage;
inline TBuiltZip Build(const TZipPackage& package) {
    return BuildZip(package);
}
inline TBytes BuildBytes(const TZipPackage& package) {
    return ZipBytes(package);
}
}  // namespace zip_test
