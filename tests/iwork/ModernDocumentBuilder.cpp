#include "ModernDocumentBuilder.h"

#include "document/Errors.h"
#include "platform/Text.h"

namespace testsupport {

iwork::TObjectStore TDocumentBuilder::Store(std::uint32_t rootType) const {
    iwork::TObjectStore store;
    store.AddArchives(IwaArchives(Objects(rootType)));
    return store;
}

doc::TDocument TDocumentBuilder::Read(const std::wstring& dataFolder) const {
    iwork::TModernPackage package;
    package.DataFolder = dataFolder;
    package.Title = L"Test";
    return iwork::ReadModernDocument(Store(), package);
}

std::u16string U16(const std::string& utf8) {
    const std::wstring wide = platform::FromUtf8(utf8);
    return std::u16string(wide.begin(), wide.end());
}

std::vector<std::u16string> Texts(const doc::TTextStorage& storage) {
    std::vector<std::u16string> texts;
    for (const auto& p : storage.Paragraphs) texts.push_back(p.Text);
    return texts;
}

std::string Message(const std::function<void()>& read) {
    try {
        read();
    } catch (const doc::EDamagedDocument& e) {
        return e.what();
    }
    return "no error";
}

}  // namespace testsupport
