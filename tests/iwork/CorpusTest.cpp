// Every modern document of the corpus: its Index folder loads, and object 1 is the Pages
// document.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "iwork/ObjectStore.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "support/TestSupport.h"
#include "zip/ZipFile.h"

using namespace iwork;
using testsupport::TScratchFolder;

namespace {

bool EndsWith(const std::wstring& s, const std::wstring& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

void Unzip(const std::wstring& zipPath, const std::wstring& target) {
    TZipFile zip;
    zip.Open(zipPath, zmRead);
    zip.ExtractAll(target);
}

// The first folder named "Index" below folder, unzipping any Index.zip found on the way.
std::wstring FindIndex(const std::wstring& folder) {
    std::vector<platform::TFindEntry> entries;
    platform::TFindListing listing = platform::TFindListing::Start(folder + L"\\*.*");
    for (platform::TFindEntry e; listing.Next(e);) {
        if (e.Name != L"." && e.Name != L"..") entries.push_back(e);
    }
    for (const auto& e : entries) {
        if (e.Name == L"Index.zip") {
            Unzip(folder + L"\\Index.zip", folder + L"\\Index.zip-unpacked");
            return folder + L"\\Index.zip-unpacked\\Index";
        }
        if ((e.Attributes & platform::kAttrDirectory) && e.Name == L"Index") return folder + L"\\Index";
    }
    for (const auto& e : entries) {
        if (e.Attributes & platform::kAttrDirectory) {
            if (auto found = FindIndex(folder + L"\\" + e.Name); !found.empty()) return found;
        }
    }
    return {};
}

// Single-file packages and folder bundles, as engine paths.
std::vector<std::wstring> CorpusDocuments(const std::wstring& corpus) {
    std::vector<std::wstring> docs;
    for (const std::wstring& folder : {corpus, corpus + L"\\wild"}) {
        platform::TFindListing listing = platform::TFindListing::Start(folder + L"\\*.pages");
        for (platform::TFindEntry e; listing.Next(e);) docs.push_back(folder + L"\\" + e.Name);
    }
    return docs;
}

}  // namespace

TEST(IworkCorpus, EveryModernDocumentLoadsWithItsRootObject) {
    const std::wstring corpus = testsupport::CorpusDir();
    if (corpus.empty()) GTEST_SKIP() << "the corpus folder ../shared/corpus is absent";
    const std::vector<std::wstring> docs = CorpusDocuments(corpus);
    ASSERT_FALSE(docs.empty());
    for (const std::wstring& doc : docs) {
        SCOPED_TRACE(platform::ToUtf8(doc));
        TScratchFolder scratch;
        platform::TErrorCode error = platform::kErrorSuccess;
        std::wstring root = doc;
        if ((platform::FileAttributes(doc, error) & platform::kAttrDirectory) == 0) {
            Unzip(doc, scratch.Path());
            root = scratch.Path();
        }
        const std::wstring index = FindIndex(root);
        if (EndsWith(doc, L"\\pages4-file.pages")) {
            EXPECT_TRUE(index.empty()) << "a Pages '09 document holds no Index";
            continue;
        }
        ASSERT_FALSE(index.empty()) << "no Index folder or Index.zip";
        const TObjectStore store = LoadObjectStore(index);
        const TObject* document = store.Find(1);
        ASSERT_NE(document, nullptr);
        EXPECT_EQ(document->Type, 10000u);
        // Every payload is a well-formed message at its top level.
        for (const auto& [id, object] : store.Objects()) {
            TProtoReader reader(object.Payload.Bytes());
            TProtoField field;
            try {
                while (reader.Next(field)) {}
            } catch (const std::exception& e) {
                ADD_FAILURE() << "object " << id << " of type " << object.Type << ": " << e.what();
            }
        }
    }
}
