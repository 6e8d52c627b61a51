#include "iwork/ModernReader.h"

#include <algorithm>

#include "document/Limits.h"
#include "iwork/DocumentFields.h"
#include "iwork/Drawables.h"
#include "document/Errors.h"
#include "iwork/ObjectTypes.h"
#include "iwork/ReadContext.h"
#include "iwork/Sections.h"
#include "iwork/TableOfContents.h"
#include "iwork/TextStorageReader.h"

namespace iwork {

namespace {

using namespace detail;
using namespace fields;

void CheckRoot(const TObject* root) {
    if (!root)
        Damaged(L"object 1, the document, is missing");
    if (root->Type == types::kPagesDocument)
        return;
    if (root->Type == types::kKeynoteOrNumbersDocument) {
        // Both apps call their root type 1; only Keynote's has field 2 (its show).
        if (root->Payload.Has(document::kKeynoteShow))
            throw doc::ENotPagesDocument(L"a Keynote presentation, not a Pages document");
        throw doc::ENotPagesDocument(L"a Numbers spreadsheet, not a Pages document");
    }
    Damaged(L"object 1 is not a Pages document (its type is " + std::to_wstring(root->Type) + L")");
}

void ReadPageSetup(const TMessage& root, doc::TPageSetup& page) {
    auto length = [&](std::uint32_t field, double& into, bool positive) {
        // A page of 100 metres is no page: keep the defaults for absurd values.
        if (auto v = Float(root, field); v && (positive ? *v > 0 : *v >= 0) && *v < doc::limits::kMaxPageLength)
            into = *v;
    };
    length(document::kPageWidth, page.Width, true);
    length(document::kPageHeight, page.Height, true);
    // Landscape documents keep the paper's portrait size.
    if (root.Varint(document::kOrientation).value_or(0) == 1 && page.Width < page.Height)
        std::swap(page.Width, page.Height);
    doc::TPageSetup margins = page;
    length(document::kLeftMargin, margins.Left, false);
    length(document::kRightMargin, margins.Right, false);
    length(document::kTopMargin, margins.Top, false);
    length(document::kBottomMargin, margins.Bottom, false);
    length(document::kHeaderMargin, margins.HeaderMargin, false);
    length(document::kFooterMargin, margins.FooterMargin, false);
    // Margins that leave no room are a damaged setting Pages itself would not keep.
    if (margins.Left + margins.Right < page.Width && margins.Top + margins.Bottom < page.Height)
        page = margins;
}

void ReadSettings(TReadContext& context, std::uint64_t id) {
    const TObject& settings = context.Expect(id, {types::kSettings}, L"document settings");
    const TMessage& s = settings.Payload;
    auto& document = context.Doc;
    document.HasBody = s.Bool(settings::kHasBody).value_or(true);
    document.HeadersOn = s.Bool(settings::kHeadersOn).value_or(true);
    document.FootersOn = s.Bool(settings::kFootersOn).value_or(true);
    document.Hyphenation = s.Bool(settings::kHyphenation).value_or(false);
    if (auto language = s.String(settings::kLanguage))
        document.Language = LanguageTag(*language);
    auto& notes = document.FootnoteSettings;
    switch (s.Varint(settings::kFootnoteKind).value_or(0)) {
    case 1: notes.Kind = doc::TFootnoteKind::fnEndnotes; break;
    case 2: notes.Kind = doc::TFootnoteKind::fnSectionEndnotes; break;
    default: notes.Kind = doc::TFootnoteKind::fnFootnotes; break;
    }
    // Numeric, roman, symbols, Japanese numerals: the model draws the last two as decimal.
    notes.Format = s.Varint(settings::kFootnoteFormat).value_or(0) == 1 ? doc::TNumberFormat::nfLowerRoman
                                                                       : doc::TNumberFormat::nfDecimal;
    switch (s.Varint(settings::kFootnoteNumbering).value_or(0)) {
    case 1: notes.Numbering = doc::TFootnoteNumbering::fnPage; break;
    case 2: notes.Numbering = doc::TFootnoteNumbering::fnSection; break;
    default: notes.Numbering = doc::TFootnoteNumbering::fnDocument; break;
    }
    if (auto gap = s.Varint(settings::kFootnoteGap); gap && *gap <= 1000)
        notes.Gap = static_cast<double>(*gap);
}

}  // namespace

doc::TDocument ReadModernDocument(const TModernPackage& package) {
    platform::TExpansionBudget budget;
    return ReadModernDocument(package, budget);
}

doc::TDocument ReadModernDocument(const TModernPackage& package, platform::TExpansionBudget& budget) {
    const TObjectStore store = LoadObjectStore(package.IndexFolder, budget);
    return ReadModernDocument(store, package);
}

doc::TDocument ReadModernDocument(const TObjectStore& store, const TModernPackage& package) {
    const TObject* root = store.Find(1);
    CheckRoot(root);
    const TMessage& r = root->Payload;

    doc::TDocument document;
    document.Title = package.Title;
    TReadContext context(store, package.DataFolder, document);
    ReadPageSetup(r, document.Page);
    if (auto settingsId = r.Reference(document::kSettings))
        ReadSettings(context, *settingsId);

    const TObject* body = nullptr;
    if (auto bodyId = r.Reference(document::kBodyStorage)) {
        body = &context.Expect(*bodyId, {types::kTextStorage}, L"body text");
        document.Body = ReadTextStorage(context, *bodyId, TStorageRole::srBody);
    }
    ReadSections(context, body, r.Reference(document::kSection));

    if (auto floating = r.Reference(document::kFloatingDrawables))
        ReadFloatingDrawables(context, *floating, r.Reference(document::kDrawablesZOrder));
    FlowTablesOfContents(document);

    if (!document.HasBody) {
        // A page-layout document: its pages are its floating objects; the body storage
        // only carries the sections.
        document.Body.Paragraphs.clear();
        document.Sections.resize(1);
        document.Sections.front().FirstParagraph = 0;
        std::size_t pages = 1;
        for (const auto& page : document.FloatingByPage)
            pages = std::max(pages, page.Page + 1);
        document.PageCount = pages;
    }
    return document;
}

}  // namespace iwork
