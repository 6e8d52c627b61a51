#include "convert/PackageBuilder.h"

namespace testsupport {

TBytes PackageWithPdf(const std::string& pdf) {
    return BuildPackage({{"index.xml", "<sl:document/>"},
                         {"QuickLook/", ""},
                         {"QuickLook/Thumbnail.jpg", "\xff\xd8\xff\xe0 not really a jpeg"},
                         {"QuickLook/Preview.pdf", pdf}});
}

TBytes PackageWithoutPdf() {
    return BuildPackage(
        {{"index.xml", "<sl:document/>"}, {"QuickLook/Thumbnail.jpg", "\xff\xd8\xff\xe0 not really a jpeg"}});
}

}  // namespace testsupport
