#include "iwork/TextStorageReader.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <unordered_set>
#include <vector>

#include "document/Limits.h"
#include "iwork/Drawables.h"
#include "iwork/ObjectTypes.h"
#include "iwork/StorageFields.h"
#include "iwork/StyleFields.h"
#include "iwork/Stylesheet.h"

namespace iwork::detail {

namespace {

using namespace fields;
using namespace fields::storage;
using doc::limits::kMaxListLevel;

struct TEntry {
    std::uint32_t Index = 0;
    std::uint64_t Object = 0;  // 0: the entry names none
};

struct TLanguageEntry {
    std::uint32_t Index = 0;
    std::string Language;  // empty: none known
};

struct TDataEntry {
    std::uint32_t Index = 0;
    std::uint64_t First = 0, Second = 0;
};

const wchar_t* TableName(std::uint32_t field) {
    switch (field) {
    case kParagraphStyles: return L"paragraph styles";
    case kParagraphData: return L"paragraph data";
    case kListStyles: return L"list styles";
    case kCharacterStyles: return L"character styles";
    case kAttachments: return L"attachments";
    case kParagraphStarts: return L"paragraph starts";
    case kFootnotes: return L"footnotes";
    case kSmartFields: return L"smart fields";
    case kDropCaps: return L"drop caps";
    case kLanguages: return L"languages";
    default: return L"attributes";
    }
}

[[noreturn]] void BadEntry(std::uint64_t storageId, std::uint32_t field, const std::wstring& what) {
    Damaged(L"text storage " + std::to_wstring(storageId) + L"'s " + TableName(field) + what);
}

std::uint32_t EntryIndex(std::uint64_t storageId, std::uint32_t field, std::optional<std::uint64_t> index,
                         std::uint32_t previous, std::size_t textLength) {
    if (!index)
        BadEntry(storageId, field, L" hold an entry without a character index");
    // An entry may stand at the very end (the empty paragraph after a final newline).
    if (*index > textLength)
        BadEntry(storageId, field, L" point to character " + std::to_wstring(*index) + L", past the end of its " +
                                       std::to_wstring(textLength) + L" characters");
    if (*index < previous)
        BadEntry(storageId, field, L" go back from character " + std::to_wstring(previous) + L" to " +
                                       std::to_wstring(*index));
    return static_cast<std::uint32_t>(*index);
}

// The entries of a table, each read in one pass: a long storage has one per paragraph.
template <typename TItem, typename TField>
std::vector<TItem> Entries(const std::optional<TMessage>& table, std::uint64_t storageId, std::uint32_t tableField,
                           std::size_t textLength, TField field) {
    std::vector<TItem> entries;
    if (!table)
        return entries;
    TProtoField f;
    // Counted first: the tables of a long storage are read while its paragraphs are built,
    // and a vector grown by doubling would hold up to twice their size.
    std::size_t count = 0;
    for (TProtoReader counter(table->Bytes()); counter.Next(f);)
        count += f.Number == attribute_table::kEntries && f.Type == TWireType::wtBytes ? 1 : 0;
    entries.reserve(count);
    TProtoReader reader(table->Bytes());
    std::uint32_t previous = 0;
    while (reader.Next(f)) {
        if (f.Number != attribute_table::kEntries || f.Type != TWireType::wtBytes)
            continue;
        TProtoReader entry(f.Bytes);
        TProtoField g;
        std::optional<std::uint64_t> index;
        TItem item;
        while (entry.Next(g)) {
            if (g.Number == attribute_entry::kCharacterIndex && g.Type == TWireType::wtVarint)
                index = g.Value;
            else
                field(item, g);
        }
        item.Index = EntryIndex(storageId, tableField, index, previous, textLength);
        previous = item.Index;
        entries.push_back(item);
    }
    return entries;
}

std::vector<TEntry> ObjectTable(const std::optional<TMessage>& table, std::uint64_t storageId, std::uint32_t field,
                                std::size_t textLength) {
    return Entries<TEntry>(table, storageId, field, textLength, [](TEntry& e, const TProtoField& g) {
        if (g.Number != attribute_entry::kObject || g.Type != TWireType::wtBytes)
            return;
        TProtoReader reference(g.Bytes);
        TProtoField r;
        while (reference.Next(r))
            if (r.Number == reference::kIdentifier && r.Type == TWireType::wtVarint)
                e.Object = r.Value;
    });
}

std::vector<TDataEntry> DataTable(const std::optional<TMessage>& table, std::uint64_t storageId, std::uint32_t field,
                                  std::size_t textLength) {
    return Entries<TDataEntry>(table, storageId, field, textLength, [](TDataEntry& e, const TProtoField& g) {
        if (g.Type != TWireType::wtVarint)
            return;
        if (g.Number == data_entry::kFirst)
            e.First = g.Value;
        else if (g.Number == data_entry::kSecond)
            e.Second = g.Value;
    });
}

std::vector<TLanguageEntry> LanguageTable(const std::optional<TMessage>& table, std::uint64_t storageId,
                                          std::size_t textLength) {
    return Entries<TLanguageEntry>(table, storageId, kLanguages, textLength, [](TLanguageEntry& e, const TProtoField& g) {
        if (g.Number == language_entry::kLanguage && g.Type == TWireType::wtBytes)
            e.Language = LanguageTag(std::string(reinterpret_cast<const char*>(g.Bytes.data()), g.Bytes.size()));
    });
}

std::size_t CountObjects(const std::optional<TMessage>& table) {
    std::size_t count = 0;
    if (table)
        for (const auto& entry : table->Messages(attribute_table::kEntries))
            if (entry.Reference(attribute_entry::kObject))
                ++count;
    return count;
}

// Walks a paragraph-level table alongside the paragraphs: the object in force at a
// position, where an entry naming no object keeps the one before.
class TCursor {
public:
    explicit TCursor(const std::vector<TEntry>& entries) : FEntries(entries) {}
    std::uint64_t At(std::uint32_t position) {
        while (FNext < FEntries.size() && FEntries[FNext].Index <= position) {
            const auto& e = FEntries[FNext++];
            if (e.Object != 0)
                FCurrent = e.Object;
        }
        return FCurrent;
    }
private:
    const std::vector<TEntry>& FEntries;
    std::size_t FNext = 0;
    std::uint64_t FCurrent = 0;
};

struct TParagraphSpan {
    std::uint32_t Start = 0, End = 0;        // [Start, End): the text without the terminator
    std::size_t ByteStart = 0, ByteEnd = 0;  // the same in the stored UTF-8
};

// The paragraphs of a text of length units whose paragraph ends are ends: one more than the
// ends, as text ending in a break still has the empty paragraph after it, as Pages shows it;
// none for no text.
std::size_t ParagraphCount(const std::vector<TTextBreak>& ends, std::size_t length) {
    return length == 0 ? 0 : ends.size() + 1;
}

// Paragraph i of a text of length units and bytes bytes. Newlines, U+2029 and U+0004 (a
// section break) are dropped; U+0005 (a page break) is kept: Pages starts the next
// paragraph's style right after it.
TParagraphSpan ParagraphSpan(const std::vector<TTextBreak>& ends, std::size_t i, std::uint32_t length,
                             std::size_t bytes) {
    TParagraphSpan span;
    auto width = [](const TTextBreak& end) -> std::size_t { return end.Char == u'\u2029' ? 3 : 1; };
    if (i > 0) {
        const TTextBreak& before = ends[i - 1];
        span.Start = before.Unit + 1;
        span.ByteStart = before.Byte + width(before);
    }
    if (i < ends.size()) {
        const TTextBreak& end = ends[i];
        const bool kept = end.Char == doc::kPageBreak;  // the model keeps it as its page break
        span.End = end.Unit + (kept ? 1 : 0);
        span.ByteEnd = end.Byte + (kept ? 1 : 0);
    } else {
        span.End = length;
        span.ByteEnd = bytes;
    }
    return span;
}

// A page number, page count or other field, and the text it shows as stored.
void ReadField(const TObject& object, doc::TAttachment& attachment) {
    // A number attachment and a table of contents' page number wrap the textual one.
    const bool wrapped = object.Type == types::kNumberAttachment || object.Type == types::kTocPageNumber;
    auto textual = wrapped ? object.Payload.Message(object.Type == types::kNumberAttachment ? number_attachment::kTextual
                                                                                          : toc_page_number::kTextual)
                           : std::optional<TMessage>(object.Payload);
    const auto kind = textual ? textual->Varint(textual_attachment::kKind).value_or(99) : 99;
    attachment.Kind = doc::TAttachmentKind::akField;
    attachment.Field = object.Type == types::kTocPageNumber ? doc::TFieldKind::fkOther
                       : kind == 0                          ? doc::TFieldKind::fkPageNumber
                       : kind == 1                          ? doc::TFieldKind::fkPageCount
                                                            : doc::TFieldKind::fkOther;
    std::optional<std::string> shown;
    if (wrapped)
        shown = object.Payload.String(object.Type == types::kNumberAttachment ? number_attachment::kShown
                                                                             : toc_page_number::kShown);
    if (!shown && textual)
        shown = textual->String(textual_attachment::kStringEquivalent);
    if (shown)
        attachment.FieldText = Utf16(*shown);
}

class TStorageReader {
public:
    TStorageReader(TReadContext& context, const TObject& storage, TStorageRole role, std::uint64_t defaultStyle)
        : FContext(context), FStorage(storage), FRole(role), FDefaultStyle(defaultStyle) {}

    doc::TTextStorage Read();

private:
    void ReadTables();
    std::u16string TextOf(const TParagraphSpan& span);
    void AddRuns(doc::TParagraph& paragraph, const TParagraphSpan& span, std::uint64_t paragraphStyle);
    void AddList(doc::TParagraph& paragraph, const TParagraphSpan& span, std::uint64_t paragraphStyle);
    void AddLinks(doc::TParagraph& paragraph, const TParagraphSpan& span);
    void AddDropCap(doc::TParagraph& paragraph, const TParagraphSpan& span);
    void AddLanguage(doc::TParagraph& paragraph, const TParagraphSpan& span);
    void AddAttachment(doc::TParagraph& paragraph, std::size_t paragraphIndex, std::uint32_t position,
                       std::uint64_t objectId);
    void AddFootnote(doc::TParagraph& paragraph, std::uint32_t position, const TObject& reference);

    TReadContext& FContext;
    const TObject& FStorage;
    TStorageRole FRole;
    std::uint64_t FDefaultStyle;

    // The stored text, as pieces of UTF-8 (field 3 repeats: the pieces follow each other),
    // converted paragraph by paragraph: the whole text is never held in UTF-16 as well.
    struct TPiece {
        std::string_view Text;
        std::size_t Byte = 0;  // where it starts in the whole
    };
    std::vector<TPiece> FPieces;
    std::size_t FPiece = 0;        // the first piece the next paragraph may take from
    std::uint32_t FLength = 0;     // in UTF-16 units
    std::size_t FBytes = 0;
    std::vector<TTextBreak> FEnds;  // where the paragraphs end
    std::vector<TEntry> FParagraphStyles, FListStyles, FCharacterStyles, FAttachments, FFootnotes, FSmartFields, FDropCaps;
    std::vector<TDataEntry> FParagraphData, FParagraphStarts;
    std::vector<TLanguageEntry> FLanguages;
    std::size_t FLanguageNext = 0;
    bool FHasListTable = false;
    TCursor FListCursor{FListStyles};
    std::size_t FDataNext = 0, FStartsNext = 0, FSmartNext = 0, FDropCapNext = 0;
    int FLevel = 0;
    std::unordered_set<std::uint64_t> FFootnotesRead;
};

void TStorageReader::ReadTables() {
    std::optional<TMessage> tables[kFieldLimit];
    std::size_t length = 0;
    TProtoReader reader(FStorage.Payload.Bytes());
    TProtoField f;
    // One pass over the storage: the text alone can be megabytes.
    while (reader.Next(f)) {
        if (f.Type != TWireType::wtBytes)
            continue;
        if (f.Number == kText) {
            const std::string_view piece(reinterpret_cast<const char*>(f.Bytes.data()), f.Bytes.size());
            // Each piece is decoded on its own, as a sequence cut between two is malformed.
            length += ScanUtf16(piece, &FEnds, length, FBytes);
            FPieces.push_back({piece, FBytes});
            FBytes += piece.size();
        } else if (f.Number < kFieldLimit) {
            tables[f.Number] = TMessage(f.Bytes);
        }
    }
    if (length > UINT32_MAX)
        Damaged(L"text storage " + std::to_wstring(FStorage.Id) + L" holds more text than a document can");
    FLength = static_cast<std::uint32_t>(length);
    const auto id = FStorage.Id;
    FParagraphStyles = ObjectTable(tables[kParagraphStyles], id, kParagraphStyles, length);
    FListStyles = ObjectTable(tables[kListStyles], id, kListStyles, length);
    FHasListTable = tables[kListStyles].has_value();
    FCharacterStyles = ObjectTable(tables[kCharacterStyles], id, kCharacterStyles, length);
    FAttachments = ObjectTable(tables[kAttachments], id, kAttachments, length);
    FFootnotes = ObjectTable(tables[kFootnotes], id, kFootnotes, length);
    FSmartFields = ObjectTable(tables[kSmartFields], id, kSmartFields, length);
    FDropCaps = ObjectTable(tables[kDropCaps], id, kDropCaps, length);
    FParagraphData = DataTable(tables[kParagraphData], id, kParagraphData, length);
    FParagraphStarts = DataTable(tables[kParagraphStarts], id, kParagraphStarts, length);
    FLanguages = LanguageTable(tables[kLanguages], id, length);

    // What the model does not carry: the text stays as stored (deleted text included).
    auto count = [&](std::initializer_list<std::uint32_t> fields, const wchar_t* what) {
        std::size_t n = 0;
        for (std::uint32_t field : fields)
            n += CountObjects(tables[field]);
        if (n > 0)
            FContext.Doc.LeftOut[what] += static_cast<int>(std::min<std::size_t>(n, 1000000));
    };
    count({kInsertions, kDeletions}, L"tracked change");
    count({kHighlights, kOverlappingHighlights}, L"comment");
}

doc::TTextStorage TStorageReader::Read() {
    ReadTables();
    doc::TTextStorage storage;
    const std::size_t count = ParagraphCount(FEnds, FLength);
    FContext.Budget.ChargeParagraphs(count, FLength);
    storage.Paragraphs.reserve(count);

    TCursor paragraphStyles(FParagraphStyles);
    std::size_t attachment = 0, footnote = 0;
    for (std::size_t index = 0; index < count; ++index) {
        const TParagraphSpan span = ParagraphSpan(FEnds, index, FLength, FBytes);
        storage.Paragraphs.emplace_back();
        doc::TParagraph& paragraph = storage.Paragraphs.back();
        paragraph.StorageStart = span.Start;
        paragraph.Text = TextOf(span);

        std::uint64_t styleId = paragraphStyles.At(span.Start);
        if (styleId == 0)
            styleId = FDefaultStyle;
        paragraph.Style = FContext.Styles().Paragraph(styleId);

        AddList(paragraph, span, styleId);
        AddRuns(paragraph, span, styleId);
        AddLinks(paragraph, span);
        AddDropCap(paragraph, span);
        AddLanguage(paragraph, span);

        // Attachments and footnote marks inside the paragraph (a mark never sits on the
        // terminator; one there would belong to no paragraph and is dropped).
        while (attachment < FAttachments.size() && FAttachments[attachment].Index < span.Start)
            ++attachment;
        while (attachment < FAttachments.size() && FAttachments[attachment].Index < span.End) {
            const auto& e = FAttachments[attachment++];
            if (e.Object != 0)
                AddAttachment(storage.Paragraphs[index], index, e.Index - span.Start, e.Object);
        }
        while (footnote < FFootnotes.size() && FFootnotes[footnote].Index < span.Start)
            ++footnote;
        while (footnote < FFootnotes.size() && FFootnotes[footnote].Index < span.End) {
            const auto& e = FFootnotes[footnote++];
            if (e.Object != 0)
                AddFootnote(storage.Paragraphs[index], e.Index - span.Start,
                            FContext.Expect(e.Object, {types::kFootnoteReference}, L"footnote"));
        }
        auto& attachments = storage.Paragraphs[index].Attachments;
        std::stable_sort(attachments.begin(), attachments.end(),
                         [](const doc::TAttachment& a, const doc::TAttachment& b) { return a.Position < b.Position; });
    }
    return storage;
}

// A paragraph's language: the one in force where it starts, else the first its text is tagged with.
void TStorageReader::AddLanguage(doc::TParagraph& paragraph, const TParagraphSpan& span) {
    while (FLanguageNext < FLanguages.size() && FLanguages[FLanguageNext].Index <= span.Start)
        ++FLanguageNext;
    std::string current = FLanguageNext > 0 ? FLanguages[FLanguageNext - 1].Language : std::string();
    for (std::size_t i = FLanguageNext; current.empty() && i < FLanguages.size() && FLanguages[i].Index < span.End; ++i)
        current = FLanguages[i].Language;
    paragraph.Language = std::move(current);
}

std::u16string TStorageReader::TextOf(const TParagraphSpan& span) {
    std::u16string text(span.End - span.Start, u'\0');
    std::size_t written = 0;
    auto end = [&](const TPiece& piece) { return piece.Byte + piece.Text.size(); };
    // Paragraphs come in order: the pieces before this one's are done with.
    while (FPiece < FPieces.size() && end(FPieces[FPiece]) <= span.ByteStart)
        ++FPiece;
    for (std::size_t i = FPiece; i < FPieces.size() && FPieces[i].Byte < span.ByteEnd; ++i) {
        const TPiece& piece = FPieces[i];
        const std::size_t from = std::max(span.ByteStart, piece.Byte) - piece.Byte;
        const std::size_t to = std::min(span.ByteEnd, end(piece)) - piece.Byte;
        const std::size_t at = std::min(written, text.size());
        written += WriteUtf16(piece.Text.substr(from, to - from), text.data() + at, text.size() - at);
    }
    // The scan counted these units: a difference would be a fault of this reader, not of the document.
    if (written != text.size())
        Damaged(L"text storage " + std::to_wstring(FStorage.Id) + L"'s text could not be divided into paragraphs");
    return text;
}

void TStorageReader::AddList(doc::TParagraph& paragraph, const TParagraphSpan& span, std::uint64_t paragraphStyle) {
    // Paragraph-level tables are read by the entry in force at the paragraph's start;
    // paragraphs come in order, so each table is walked once.
    std::uint64_t listId = FHasListTable ? FListCursor.At(span.Start) : 0;
    if (listId == 0)
        listId = FContext.Styles().ParagraphListStyle(paragraphStyle);
    while (FDataNext < FParagraphData.size() && FParagraphData[FDataNext].Index <= span.Start)
        FLevel = static_cast<int>(std::min<std::uint64_t>(FParagraphData[FDataNext++].First, kMaxListLevel));
    while (FStartsNext < FParagraphStarts.size() && FParagraphStarts[FStartsNext].Index < span.Start)
        ++FStartsNext;
    if (listId == 0)
        return;

    const double fontSize = paragraph.Style->Character.FontSize;
    const doc::TListStyle& list = FContext.Styles().List(listId, fontSize);
    const int level = std::min(FLevel, static_cast<int>(list.Levels.size()) - 1);
    // A list style without a label ("None") only indents its deeper levels; at level 0 the
    // paragraph is no list item.
    if (level == 0 && list.Levels[0].Label == doc::TListLabel::llNone)
        return;
    paragraph.ListStyle = FContext.Lists.Index(listId, fontSize);
    paragraph.ListLevel = level;

    if (FStartsNext < FParagraphStarts.size()) {
        const auto& start = FParagraphStarts[FStartsNext];
        if (start.Index == span.Start && start.First != 0)
            paragraph.ListStartAt = static_cast<int>(std::min<std::uint64_t>(start.First, 1000000));
    }
}

void TStorageReader::AddRuns(doc::TParagraph& paragraph, const TParagraphSpan& span, std::uint64_t paragraphStyle) {
    auto& styles = FContext.Styles();
    // The character style in force at a position: the last entry at or before it, where
    // an entry naming no style ends the run (back to the paragraph's own properties).
    auto it = std::upper_bound(FCharacterStyles.begin(), FCharacterStyles.end(), span.Start,
                               [](std::uint32_t p, const TEntry& e) { return p < e.Index; });
    std::uint64_t current = it == FCharacterStyles.begin() ? 0 : std::prev(it)->Object;
    std::uint32_t position = span.Start;
    const auto last = std::lower_bound(it, FCharacterStyles.end(), span.End,
                                       [](const TEntry& e, std::uint32_t p) { return e.Index < p; });
    paragraph.Runs.reserve(static_cast<std::size_t>(last - it) + 1);
    auto push = [&](std::uint32_t end) {
        const doc::TShared<doc::TCharacterStyle>& style = styles.Character(paragraphStyle, current);
        const std::uint32_t s = position - span.Start, e = end - span.Start;
        if (!paragraph.Runs.empty() && paragraph.Runs.back().Style == style)
            paragraph.Runs.back().End = e;
        else
            paragraph.Runs.push_back({s, e, style});
    };
    for (; it != last; ++it) {
        if (it->Index > position) {
            push(it->Index);
            position = it->Index;
        }
        current = it->Object;
    }
    if (position < span.End || paragraph.Runs.empty())
        push(span.End);
}

// Marks the paragraph's text under hyperlinks, splitting its runs where a link starts or ends.
// The entries are in text order (each runs to the next), so the runs are cut in one pass
// however many links a paragraph holds.
void TStorageReader::AddLinks(doc::TParagraph& paragraph, const TParagraphSpan& span) {
    struct TLinked {
        std::uint32_t From, To;
        int Link;
    };
    std::vector<TLinked> linked;
    auto endOf = [&](std::size_t i) { return i + 1 < FSmartFields.size() ? FSmartFields[i + 1].Index : FLength; };
    while (FSmartNext < FSmartFields.size() && endOf(FSmartNext) <= span.Start)
        ++FSmartNext;
    for (std::size_t i = FSmartNext; i < FSmartFields.size() && FSmartFields[i].Index < span.End; ++i) {
        const std::uint32_t from = std::max(FSmartFields[i].Index, span.Start) - span.Start;
        const std::uint32_t to = std::min(endOf(i), span.End) - span.Start;
        // Other smart fields, and links that are damaged, leave the text as it is.
        const TObject* field = FSmartFields[i].Object ? FContext.Store.Find(FSmartFields[i].Object) : nullptr;
        if (from >= to || !field || field->Type != types::kHyperlink)
            continue;
        const int link = FContext.LinkIndex(*field);
        if (link >= 0)
            linked.push_back({from, to, link});
    }
    if (linked.empty())
        return;
    std::vector<doc::TRun> runs;
    runs.reserve(paragraph.Runs.size() + 2 * linked.size());
    std::size_t next = 0;
    for (const doc::TRun& run : paragraph.Runs) {
        if (run.Start == run.End) {
            runs.push_back(run);
            continue;
        }
        while (next < linked.size() && linked[next].To <= run.Start)
            ++next;
        std::uint32_t at = run.Start;
        for (std::size_t k = next; at < run.End; ++k) {
            if (k == linked.size() || linked[k].From >= run.End) {
                runs.push_back({at, run.End, run.Style});
                break;
            }
            if (linked[k].From > at)
                runs.push_back({at, linked[k].From, run.Style});
            at = std::max(at, linked[k].From);
            const std::uint32_t to = std::min(linked[k].To, run.End);
            runs.push_back({at, to, run.Style});
            runs.back().Style.Edit().Link = linked[k].Link;
            at = to;
        }
    }
    paragraph.Runs = std::move(runs);
}

void TStorageReader::AddDropCap(doc::TParagraph& paragraph, const TParagraphSpan& span) {
    while (FDropCapNext < FDropCaps.size() && FDropCaps[FDropCapNext].Index < span.Start)
        ++FDropCapNext;
    std::uint64_t id = 0;
    while (FDropCapNext < FDropCaps.size() && FDropCaps[FDropCapNext].Index == span.Start)
        id = FDropCaps[FDropCapNext++].Object;
    // A style that is missing or of another kind draws the paragraph as plain text.
    const TObject* style = id ? FContext.Store.Find(id) : nullptr;
    if (!style || style->Type != types::kDropCapStyle || paragraph.Text.empty())
        return;
    // One line is no drop cap.
    const auto settings = style->Payload.Message(drop_cap_style::kSettings);
    const auto first = settings ? settings->Message(drop_cap_settings::kDropCap) : std::nullopt;
    if (!first)
        return;
    doc::TDropCap cap;
    cap.Lines = static_cast<int>(std::min<std::uint64_t>(first->Varint(drop_cap::kLines).value_or(0), 20));
    cap.Characters = static_cast<int>(std::min<std::uint64_t>(first->Varint(drop_cap::kCharacters).value_or(1), 20));
    if (cap.Lines < 2 || cap.Characters < 1)
        return;
    cap.Style = paragraph.Runs.empty() ? paragraph.Style->Character : *paragraph.Runs.front().Style;
    if (const auto properties = style->Payload.Message(drop_cap_style::kCharacterProperties))
        ApplyCharacterProperties(*properties, cap.Style);
    paragraph.DropCap = static_cast<int>(FContext.Doc.DropCaps.size());
    FContext.Doc.DropCaps.push_back(std::move(cap));
}

void TStorageReader::AddFootnote(doc::TParagraph& paragraph, std::uint32_t position, const TObject& reference) {
    if (!FFootnotesRead.insert(reference.Id).second)
        return;
    doc::TFootnote footnote;
    if (auto storage = reference.Payload.Reference(footnote_reference::kStorage))
        footnote.Text = ReadTextStorage(FContext, *storage, TStorageRole::srFootnote);
    if (auto mark = reference.Payload.String(footnote_reference::kCustomMark))
        footnote.CustomMark = Utf16(*mark);
    FContext.Doc.Footnotes.push_back(std::move(footnote));
    doc::TAttachment attachment;
    attachment.Position = position;
    attachment.Kind = doc::TAttachmentKind::akFootnote;
    attachment.Index = FContext.Doc.Footnotes.size() - 1;
    paragraph.Attachments.push_back(attachment);
}

void TStorageReader::AddAttachment(doc::TParagraph& paragraph, std::size_t paragraphIndex, std::uint32_t position,
                                   std::uint64_t objectId) {
    const TObject* object = FContext.Store.Find(objectId);
    if (!object)
        Damaged(L"text storage " + std::to_wstring(FStorage.Id) + L" has an attachment, " + ObjectName(objectId) +
                L", that is missing");
    doc::TAttachment attachment;
    attachment.Position = position;
    switch (object->Type) {
    case types::kDrawableAttachment:
    case types::kTocAttachment: {
        // Paragraph is passed by index: reading the drawable may read other storages.
        const bool body = FRole == TStorageRole::srBody;
        auto placed = ReadAttachedDrawable(FContext, *object, body ? std::optional<std::size_t>(paragraphIndex)
                                                                   : std::nullopt);
        if (!placed.Index)
            return;
        if (!placed.Inline) {
            // Anchored: drawn at its own place, nothing at the mark; what came with it (a caption)
            // follows the same line.
            for (std::size_t d = placed.First; d < FContext.Doc.Drawables.size(); ++d)
                FContext.Doc.Drawables[d].AnchorPosition = position;
            return;
        }
        attachment.Kind = doc::TAttachmentKind::akDrawable;
        attachment.Index = *placed.Index;
        break;
    }
    case types::kNumberAttachment:
    case types::kTextualAttachment:
    case types::kTextualAttachmentAlt1:
    case types::kTextualAttachmentAlt2:
    case types::kTocPageNumber:
        ReadField(*object, attachment);
        break;
    case types::kFootnoteReference:
        AddFootnote(paragraph, position, *object);
        return;
    default:
        attachment.Kind = doc::TAttachmentKind::akUnknown;
        FContext.Doc.CountLeftOut(L"unsupported inline object");
        break;
    }
    paragraph.Attachments.push_back(std::move(attachment));
}

}  // namespace

std::string LanguageTag(const std::string& stored) {
    constexpr std::size_t kLongestTag = 35;  // BCP 47's longest useful tag, with room for a locale's extras
    if (stored.empty() || stored.size() > kLongestTag || stored.starts_with("__"))
        return {};
    for (char c : stored)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_' && c != '@' && c != '=')
            return {};
    return stored;
}

doc::TTextStorage ReadTextStorage(TReadContext& context, std::uint64_t storageId, TStorageRole role,
                                  std::uint64_t defaultParagraphStyle) {
    const TObject& storage = context.Expect(storageId, {types::kTextStorage, types::kTextStorageAlt}, L"text storage");
    TReadBudget::TNesting nesting(context.Budget, storageId);
    context.Budget.ChargeStorage(storageId, storage.Payload.Bytes().size());
    return TStorageReader(context, storage, role, defaultParagraphStyle).Read();
}

doc::TTextStorage PlainText(TReadContext& context, const std::u16string& text, std::uint64_t paragraphStyle) {
    doc::TTextStorage storage;
    const doc::TShared<doc::TParagraphStyle>& style = context.Styles().Paragraph(paragraphStyle);
    const doc::TShared<doc::TCharacterStyle>& character = context.Styles().Character(paragraphStyle, 0);
    std::vector<TTextBreak> ends;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (EndsParagraph(text[i]))
            ends.push_back({i, static_cast<std::uint32_t>(i), text[i]});
    const std::size_t count = ParagraphCount(ends, text.size());
    context.Budget.ChargeParagraphs(count, text.size());
    storage.Paragraphs.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        // Only the units count here: the text is UTF-16 already.
        const TParagraphSpan span = ParagraphSpan(ends, i, static_cast<std::uint32_t>(text.size()), text.size());
        doc::TParagraph& paragraph = storage.Paragraphs[i];
        paragraph.StorageStart = span.Start;
        paragraph.Text.assign(text, span.Start, span.End - span.Start);
        paragraph.Style = style;
        paragraph.Runs.push_back({0, span.End - span.Start, character});
    }
    return storage;
}

std::size_t ParagraphAt(const doc::TTextStorage& storage, std::uint32_t position) {
    const auto& paragraphs = storage.Paragraphs;
    auto it = std::upper_bound(
        paragraphs.begin(), paragraphs.end(), position,
        [](std::uint32_t p, const doc::TParagraph& paragraph) { return p < paragraph.StorageStart; });
    return it == paragraphs.begin() ? 0 : static_cast<std::size_t>(std::prev(it) - paragraphs.begin());
}

}  // namespace iwork::detail
