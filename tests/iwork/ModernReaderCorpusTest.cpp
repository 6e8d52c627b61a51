// The modern reader and the real documents of the corpus.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ModernDocumentBuilder.h"
#include "document/Errors.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "support/TestSupport.h"
#include "zip/ZipFile.h"

using namespace iwork;
using namespace testsupport;

namespace {

bool EndsWith(const std::wstring& s, const std::wstring& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::vector<platform::TFindEntry> List(const std::wstring& folder) {
    std::vector<platform::TFindEntry> entries;
    platform::TFindListing listing = platform::TFindListing::Start(folder + L"\\*.*");
    for (platform::TFindEntry e; listing.Next(e);)
        if (e.Name != L"." && e.Name != L"..") entries.push_back(e);
    return entries;
}

// The package below folder: the folder holding Index (or Index.zip, unpacked beside it)
// and Data.
bool FindPackage(const std::wstring& folder, TModernPackage& package) {
    const auto entries = List(folder);
    for (const auto& e : entries) {
        if (e.Name == L"Index.zip") {
            TZipFile zip;
            zip.Open(folder + L"\\Index.zip", zmRead);
            zip.ExtractAll(folder + L"\\Index.zip-unpacked");
            package.IndexFolder = folder + L"\\Index.zip-unpacked\\Index";
        } else if ((e.Attributes & platform::kAttrDirectory) && e.Name == L"Index") {
            package.IndexFolder = folder + L"\\Index";
        }
    }
    if (!package.IndexFolder.empty()) {
        package.DataFolder = folder + L"\\Data";
        return true;
    }
    for (const auto& e : entries)
        if ((e.Attributes & platform::kAttrDirectory) && FindPackage(folder + L"\\" + e.Name, package)) return true;
    return false;
}

// Unpacks a corpus document (a ZIP or a folder bundle) and reads it.
doc::TDocument ReadCorpusDocument(const std::wstring& path, TScratchFolder& scratch) {
    std::wstring root = path;
    platform::TErrorCode error = platform::kErrorSuccess;
    if ((platform::FileAttributes(path, error) & platform::kAttrDirectory) == 0) {
        TZipFile zip;
        zip.Open(path, zmRead);
        zip.ExtractAll(scratch.Path());
        root = scratch.Path();
    }
    TModernPackage package;
    EXPECT_TRUE(FindPackage(root, package)) << "no Index folder or Index.zip";
    const auto slash = path.rfind(L'\\');
    package.Title = path.substr(slash + 1, path.size() - slash - 1 - 6);
    return ReadModernDocument(package);
}

// What every document read must hold, whatever it says: the model's own promises, so that the
// layout can trust them. Each storage's paragraphs are whole (no paragraph end inside), their runs
// cover the text in order, and every index names something that is there.
class TModelCheck {
public:
    explicit TModelCheck(const doc::TDocument& d) : FDoc(d) {}

    void Document() {
        EXPECT_GT(FDoc.Page.Width, 0);
        EXPECT_GT(FDoc.Page.Height, 0);
        Storage(FDoc.Body, "body");
        ASSERT_FALSE(FDoc.Sections.empty());
        EXPECT_EQ(FDoc.Sections.front().FirstParagraph, 0u);
        for (std::size_t k = 1; k < FDoc.Sections.size(); ++k)
            EXPECT_GE(FDoc.Sections[k].FirstParagraph, FDoc.Sections[k - 1].FirstParagraph) << "section " << k;
        for (std::size_t i = 0; i < FDoc.Body.Paragraphs.size(); ++i) {
            const std::size_t section = FDoc.Body.Paragraphs[i].Section;
            ASSERT_LT(section, FDoc.Sections.size()) << "body paragraph " << i;
            EXPECT_LE(FDoc.Sections[section].FirstParagraph, i) << "body paragraph " << i;
            if (section + 1 < FDoc.Sections.size()) {
                EXPECT_GT(FDoc.Sections[section + 1].FirstParagraph, i) << "body paragraph " << i;
            }
        }
        for (const doc::TSection& section : FDoc.Sections)
            for (const doc::TPageMaster* master : {&section.First, &section.Even, &section.Odd}) {
                for (const doc::THeaderFooter* part : {&master->Header, &master->Footer})
                    for (const doc::TTextStorage* text : {&part->Left, &part->Center, &part->Right})
                        Storage(*text, "header or footer");
                for (std::size_t i : master->Drawables) EXPECT_LT(i, FDoc.Drawables.size());
            }
        for (const doc::TDrawable& drawable : FDoc.Drawables) Drawable(drawable);
        for (const doc::TPageDrawables& page : FDoc.FloatingByPage)
            for (const auto* layer : {&page.Background, &page.Foreground})
                for (std::size_t i : *layer) EXPECT_LT(i, FDoc.Drawables.size()) << "page " << page.Page;
        for (const doc::TTable& table : FDoc.Tables) Table(table);
        for (const doc::TFootnote& note : FDoc.Footnotes) Storage(note.Text, "footnote");
        for (const doc::TListStyle& list : FDoc.ListStyles) EXPECT_FALSE(list.Levels.empty()) << list.Name.size();
    }

private:
    void Storage(const doc::TTextStorage& storage, const char* where) {
        for (std::size_t i = 0; i < storage.Paragraphs.size(); ++i) {
            SCOPED_TRACE(std::string(where) + " paragraph " + std::to_string(i));
            Paragraph(storage.Paragraphs[i]);
        }
    }

    void Paragraph(const doc::TParagraph& p) {
        const std::size_t size = p.Text.size();
        EXPECT_EQ(p.Text.find_first_of(u"\n\u2029"), std::u16string::npos);
        ASSERT_FALSE(p.Runs.empty());
        EXPECT_EQ(p.Runs.front().Start, 0u);
        EXPECT_EQ(p.Runs.back().End, size);
        for (std::size_t r = 0; r < p.Runs.size(); ++r) {
            const doc::TRun& run = p.Runs[r];
            if (r > 0) { EXPECT_EQ(run.Start, p.Runs[r - 1].End) << "run " << r; }
            if (size > 0) { EXPECT_LT(run.Start, run.End) << "run " << r; }
            EXPECT_GT(run.Style->FontSize, 0) << "run " << r;
            EXPECT_LT(run.Style->Link, int(FDoc.Links.size())) << "run " << r;
        }
        for (std::size_t a = 0; a < p.Attachments.size(); ++a) {
            const doc::TAttachment& attachment = p.Attachments[a];
            ASSERT_LT(attachment.Position, size) << "attachment " << a;
            if (a > 0) { EXPECT_GT(attachment.Position, p.Attachments[a - 1].Position) << "attachment " << a; }
            EXPECT_EQ(p.Text[attachment.Position], u'\uFFFC') << "attachment " << a;
            if (attachment.Kind == doc::TAttachmentKind::akDrawable) {
                EXPECT_LT(attachment.Index, FDoc.Drawables.size()) << "attachment " << a;
            }
            if (attachment.Kind == doc::TAttachmentKind::akFootnote) {
                EXPECT_LT(attachment.Index, FDoc.Footnotes.size()) << "attachment " << a;
            }
        }
        EXPECT_LT(p.ListStyle, int(FDoc.ListStyles.size()));
        EXPECT_LT(p.DropCap, int(FDoc.DropCaps.size()));
    }

    void Drawable(const doc::TDrawable& d) {
        if (d.AnchorParagraph) { EXPECT_LT(*d.AnchorParagraph, FDoc.Body.Paragraphs.size()); }
        if (d.Kind == doc::TDrawableKind::dkTable) { EXPECT_LT(d.Table, FDoc.Tables.size()); }
        for (std::size_t child : d.Children) EXPECT_LT(child, FDoc.Drawables.size());
        // A picture's file is in the package's data folder, there while the package is.
        for (const std::wstring* path : {&d.Image.FilePath, &d.Image.ThumbnailPath}) {
            if (path->empty()) continue;
            platform::TErrorCode error = platform::kErrorSuccess;
            platform::FileAttributes(*path, error);
            EXPECT_EQ(error, platform::kErrorSuccess) << platform::ToUtf8(*path);
        }
        Storage(d.Text, "text box");
    }

    void Table(const doc::TTable& t) {
        EXPECT_EQ(t.Cells.size(), t.RowHeights.size());
        for (const auto& row : t.Cells) {
            EXPECT_EQ(row.size(), t.ColumnWidths.size());
            for (const doc::TCell& cell : row) Storage(cell.Text, "table cell");
        }
    }

    const doc::TDocument& FDoc;
};

}  // namespace

TEST(ModernReaderCorpus, HovercraftInThreeLanguagesOnA4) {
    const std::wstring corpus = testsupport::CorpusDir();
    if (corpus.empty()) GTEST_SKIP() << "the corpus folder ../shared/corpus is absent";
    TScratchFolder scratch;
    const doc::TDocument d = ReadCorpusDocument(corpus + L"\\pages5-file.pages", scratch);
    EXPECT_EQ(d.Title, L"pages5-file");
    EXPECT_EQ(Texts(d.Body), (std::vector<std::u16string>{U16("My hovercraft is full of eels."),
                                                          U16("Mé vznášedlo je plné úhořů."),
                                                          U16("Mój poduszkowiec jest pełen węgorzy.")}));
    EXPECT_NEAR(d.Page.Width, 595, 1);
    EXPECT_NEAR(d.Page.Height, 842, 1);
    EXPECT_EQ(d.Body.Paragraphs[0].Style->Character.FontName, L"Helvetica");
    EXPECT_EQ(d.Body.Paragraphs[0].Style->Character.FontSize, 11);
    EXPECT_TRUE(d.LeftOut.empty());
}

TEST(ModernReaderCorpus, ProjectProposalTitleAndLetterPage) {
    const std::wstring corpus = testsupport::CorpusDir();
    if (corpus.empty()) GTEST_SKIP() << "the corpus folder ../shared/corpus is absent";
    TScratchFolder scratch;
    const doc::TDocument d = ReadCorpusDocument(corpus + L"\\pages5-extra-dir.pages", scratch);
    EXPECT_EQ(d.Page.Width, 612);
    EXPECT_EQ(d.Page.Height, 792);
    ASSERT_GE(d.Body.Paragraphs.size(), 5u);
    const auto texts = Texts(d.Body);
    EXPECT_EQ(std::vector<std::u16string>(texts.begin(), texts.begin() + 5),
              (std::vector<std::u16string>{u"Project Proposal", u"Prepared for: Trenz Pruca, Title",
                                           u"Prepared by: Urna Semper, Job Title", u"October 18, 2018",
                                           u"Proposal number: 123-4567"}));
    const doc::TParagraphStyle& title = d.Body.Paragraphs[0].Style;
    EXPECT_EQ(title.Name, L"Title");
    EXPECT_EQ(title.Character.FontName, L"HelveticaNeue-UltraLight");
    EXPECT_EQ(title.Character.FontSize, 28);
    EXPECT_EQ(d.Body.Paragraphs[1].Style->Character.FontSize, 10);
    // The drawing on page 1: only its thumbnail is in Data/, cropped by its mask.
    ASSERT_FALSE(d.FloatingByPage.empty());
    bool picture = false;
    for (std::size_t i : d.FloatingByPage[0].Background) {
        const auto& drawable = d.Drawables.at(i);
        if (drawable.Kind != doc::TDrawableKind::dkImage) continue;
        picture = true;
        EXPECT_TRUE(drawable.Image.FilePath.empty());
        EXPECT_TRUE(EndsWith(drawable.Image.ThumbnailPath, L"aa043252_750x683-small-12.jpeg"));
        EXPECT_TRUE(drawable.Image.Crop);
    }
    EXPECT_TRUE(picture);
    // The table at the end of the text: header row, prices as Pages shows them.
    ASSERT_EQ(d.Tables.size(), 1u);
    EXPECT_EQ(Texts(d.Tables[0].Cells.at(1).at(2).Text), (std::vector<std::u16string>{u"$100"}));
}

TEST(ModernReaderCorpus, EveryWildDocumentReads) {
    const std::wstring corpus = testsupport::CorpusDir();
    if (corpus.empty()) GTEST_SKIP() << "the corpus folder ../shared/corpus is absent";
    int listed = 0, read = 0;
    for (const auto& e : List(corpus + L"\\wild")) {
        if (!EndsWith(e.Name, L".pages")) continue;
        ++listed;
        SCOPED_TRACE(platform::ToUtf8(e.Name));
        TScratchFolder scratch;
        try {
            const doc::TDocument d = ReadCorpusDocument(corpus + L"\\wild\\" + e.Name, scratch);
            EXPECT_FALSE(d.Body.Empty());
            EXPECT_FALSE(d.Sections.empty());
            for (const auto& p : d.Body.Paragraphs) EXPECT_FALSE(p.Runs.empty());
            TModelCheck(d).Document();
            ++read;
        } catch (const Exception& ex) {
            ADD_FAILURE() << ex.ClassName() << ": " << ex.what();
        }
    }
    // The folder grows with the corpus: every document it lists must read, however many there are.
    EXPECT_GT(listed, 0);
    EXPECT_EQ(read, listed);
}
