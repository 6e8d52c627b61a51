#pragma once
// Pages '09-like packages for the converter's tests, built with the test support's ZIP writer.

#include <string>

#include "support/ZipWriter.h"

namespace testsupport {

// A Pages '09-like package: some XML, a thumbnail and QuickLook/Preview.pdf holding pdf.
TBytes PackageWithPdf(const std::string& pdf);
// A Pages '09 package saved without its PDF: nothing to copy and nothing to lay out.
TBytes PackageWithoutPdf();

}  // namespace testsupport
