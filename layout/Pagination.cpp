#include "layout/Pagination.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "layout/Columns.h"
#include "layout/Drawables.h"
#include "layout/Footnotes.h"
#include "layout/KeepRules.h"
#include "layout/Tables.h"
#include "layout/TextBlock.h"

namespace layout {

namespace {

constexpr double kEpsilon = 1e-6;
constexpr int kMaxAttempts = 4;        // re-placements of one paragraph for the keep rules
constexpr int kMaxSkips = 3;           // regions skipped because objects cover them, per line

bool IsInlineTable(const doc::TDocument& document, const doc::TAttachment& a) {
    return a.Kind == doc::TAttachmentKind::akDrawable && a.Index < document.Drawables.size() &&
           document.Drawables[a.Index].Kind == doc::TDrawableKind::dkTable && document.Drawables[a.Index].Inline &&
           document.Drawables[a.Index].Table < document.Tables.size();
}

// The lines a paragraph's drop cap spans, which stay together; 0 without one.
std::size_t CapLines(const doc::TDocument& document, const doc::TParagraph& paragraph) {
    if (paragraph.DropCap < 0 || std::size_t(paragraph.DropCap) >= document.DropCaps.size()) return 0;
    return std::size_t(std::clamp(document.DropCaps[std::size_t(paragraph.DropCap)].Lines, 0, 100));
}

}  // namespace

doc::TPageSetup SanePageSetup(const doc::TPageSetup& setup) {
    const doc::TPageSetup defaults;
    doc::TPageSetup s;
    s.Width = Sane(setup.Width, 36, doc::limits::kMaxPageLength, defaults.Width);
    s.Height = Sane(setup.Height, 36, doc::limits::kMaxPageLength, defaults.Height);
    s.Left = Sane(setup.Left, 0, s.Width, defaults.Left);
    s.Right = Sane(setup.Right, 0, s.Width, defaults.Right);
    s.Top = Sane(setup.Top, 0, s.Height, defaults.Top);
    s.Bottom = Sane(setup.Bottom, 0, s.Height, defaults.Bottom);
    // Margins that leave no room give way, keeping their proportions.
    const double minWidth = std::min(12.0, s.Width / 2);
    if (s.Left + s.Right > s.Width - minWidth) {
        const double scale = (s.Width - minWidth) / std::max(s.Left + s.Right, kEpsilon);
        s.Left *= scale;
        s.Right *= scale;
    }
    const double minHeight = std::min(12.0, s.Height / 2);
    if (s.Top + s.Bottom > s.Height - minHeight) {
        const double scale = (s.Height - minHeight) / std::max(s.Top + s.Bottom, kEpsilon);
        s.Top *= scale;
        s.Bottom *= scale;
    }
    s.HeaderMargin = Sane(setup.HeaderMargin, 0, s.Height / 2, defaults.HeaderMargin);
    s.FooterMargin = Sane(setup.FooterMargin, 0, s.Height / 2, defaults.FooterMargin);
    return s;
}

TBodyFlow::TBodyFlow(TTextContext& context)
    : FContext(context),
      FDocument(context.Document),
      FSetup(SanePageSetup(context.Document.Page)),
      FFloating(context.Document, FSetup.Height),
      FFrames(context, FSetup) {
    FSections = &FDocument.Sections;
    if (FDocument.Sections.empty()) {
        FDefaultSections.emplace_back();
        FSections = &FDefaultSections;
    }
}

double TBodyFlow::ColumnWidthOf(std::size_t section) const {
    return layout::ColumnWidthOf((*FSections)[section], FSetup);
}

double TBodyFlow::ColumnX() const { return ColumnLeftOf((*FSections)[FState.Section], FSetup, FState.Column); }

double TBodyFlow::FootnoteHeight(std::size_t footnote) {
    auto found = FFootnoteHeights.find(footnote);
    if (found != FFootnoteHeights.end()) return found->second;
    TTextContext context{FDocument, FContext.Fonts, FContext.Fields, FContext.FootnoteMarks, false};
    return FFootnoteHeights[footnote] = LayOutFootnote(footnote, ColumnWidthOf(0), context).Height;
}

void TBodyFlow::FlushBorder(bool closes) {
    if (FState.Border && FState.Stretching) {
        FState.Stretch.Closes = closes;
        std::vector<TPageItem> lines;
        AppendBorder(lines, *FState.Border, FState.Stretch);
        AppendTranslated(FPages[FState.Page].Items, std::move(lines), ColumnX(), 0);
    }
    FState.Stretching = false;
    if (closes) FState.Border = nullptr;
}

bool TBodyFlow::Bordered(std::size_t paragraph) const {
    const auto& p = FDocument.Body.Paragraphs[paragraph];
    return p.Style->Border && std::none_of(p.Attachments.begin(), p.Attachments.end(),
                                          [&](const doc::TAttachment& a) { return IsInlineTable(FDocument, a); });
}

void TBodyFlow::NewPage(std::size_t section, bool startsSection) {
    if (!FPages.empty()) FlushBorder(false);
    TPageFrame page =
        FFrames.Next((*FSections)[section], section, startsSection, FPages.empty() ? nullptr : &FPages.back());
    // Text runs round an object as its wrap says, whether the object lies under the text or
    // over it.
    FFloating.AppendExclusions(FPages.size(), page.Exclusions);
    // Pages tend to hold as much as the one before: spare the vector its regrowth.
    if (!FPages.empty()) page.Items.reserve(FPages.back().Items.size() + FPages.back().Items.size() / 8);
    FPages.push_back(std::move(page));

    FState.Page = FPages.size() - 1;
    FState.Section = section;
    FState.Column = 0;
    FState.ColumnTop = FState.Y = FState.Lowest = FPages.back().BodyTop;
    FState.Fresh = FState.PageEmpty = true;
    FState.Soft = !startsSection;
    FState.SpaceAbove = 0;
    ++FState.Region;
}

void TBodyFlow::NextRegion() {
    FlushBorder(false);
    if (FState.Column + 1 < ColumnCountOf((*FSections)[FState.Section], FSetup)) {
        ++FState.Column;
        FState.Y = FState.ColumnTop;
        FState.Fresh = FState.Soft = true;
        FState.SpaceAbove = 0;
        ++FState.Region;
        return;
    }
    NewPage(FState.Section, false);
}

void TBodyFlow::StartSection(std::size_t section) {
    const doc::TSection& s = (*FSections)[section];
    if (s.StartsNewPage && !FState.PageEmpty) {
        NewPage(section, true);
        FState.Soft = false;
        return;
    }
    // A section that goes on in the same page: its columns start below what is there.
    FlushBorder(false);
    FState.Section = section;
    FState.Column = 0;
    FState.ColumnTop = FState.Y = std::max(FState.Y, FState.Lowest);
    ++FState.Region;
}

// Space between two paragraphs is the larger of the first one's space after and the second one's
// space before, not their sum, as Pages' exported PDFs show (9 pt after and 10 pt before leave
// 10 pt); at the top of a column that text flowed into, there is none.
void TBodyFlow::SpaceParagraphBefore(const doc::TParagraphStyle& style) {
    if (FState.Fresh && FState.Soft) return;
    FState.Y += std::max(0.0, SpaceBefore(style) - FState.SpaceAbove);
    FState.SpaceAbove = 0;
}

void TBodyFlow::SpaceParagraphAfter(const doc::TParagraphStyle& style) {
    FState.SpaceAbove = SpaceAfter(style);
    FState.Y += FState.SpaceAbove;
}

double TBodyFlow::Bottom() const {
    const TPageFrame& page = FPages[FState.Page];
    return page.BodyBottom - page.FootnoteRoom;
}

bool TBodyFlow::Fits(const TLine& line) {
    double extra = 0;
    if (!line.Footnotes.empty() && FDocument.FootnoteSettings.Kind == doc::TFootnoteKind::fnFootnotes) {
        if (FPages[FState.Page].Footnotes.empty()) extra += FootnoteSeparatorRoom(FDocument);
        for (std::size_t f : line.Footnotes) extra += FootnoteHeight(f);
    }
    // The last line in a column needs room for its text only: Pages lets the room that multiple
    // spacing adds below it reach past the bottom margin.
    return FState.Y + line.Height - line.SpacingBelow <= Bottom() - extra + kEpsilon;
}

void TBodyFlow::Place(TLine line) {
    TPageFrame& page = FPages[FState.Page];
    if (!line.Footnotes.empty() &&
        FDocument.FootnoteSettings.Kind == doc::TFootnoteKind::fnFootnotes) {
        if (page.Footnotes.empty()) page.FootnoteRoom += FootnoteSeparatorRoom(FDocument);
        for (std::size_t f : line.Footnotes) {
            page.Footnotes.push_back(f);
            page.FootnoteRoom += FootnoteHeight(f);
        }
    }
    const std::size_t base = page.Items.size();
    for (TFieldSlot slot : line.Fields) {
        slot.Item += base;
        page.Fields.push_back(slot);
    }
    AppendTranslated(page.Items, std::move(line.Items), ColumnX(), FState.Y);
    const double height = line.Height;
    const bool pageBreak = line.PageBreakAfter;
    FState.Y += height;
    FState.Lowest = std::max(FState.Lowest, FState.Y);
    FState.Fresh = FState.PageEmpty = false;
    FState.SpaceAbove = 0;
    if (pageBreak) {
        NewPage(FState.Section, false);
        FState.Soft = false;
    }
}

TBodyFlow::TSnapshot TBodyFlow::Snap() const {
    const TPageFrame& page = FPages[FState.Page];
    return {FState,
            FPages.size(),
            page.Items.size(),
            page.Fields.size(),
            page.Footnotes.size(),
            page.Exclusions.size(),
            page.Anchored.size(),
            page.FootnoteRoom};
}

void TBodyFlow::Restore(const TSnapshot& snapshot) {
    FState = snapshot.State;
    FPages.erase(FPages.begin() + std::ptrdiff_t(snapshot.Pages), FPages.end());
    TPageFrame& page = FPages[FState.Page];
    page.Items.erase(page.Items.begin() + std::ptrdiff_t(snapshot.Items), page.Items.end());
    page.Fields.resize(snapshot.Fields);
    page.Footnotes.resize(snapshot.Footnotes);
    page.Exclusions.resize(snapshot.Exclusions);
    page.Anchored.resize(snapshot.Anchored);
    page.FootnoteRoom = snapshot.FootnoteRoom;
}

bool TBodyFlow::Clear(double height, std::vector<TInterval>& free) {
    free.clear();
    const TPageFrame& page = FPages[FState.Page];
    if (page.Exclusions.empty()) return true;
    for (int guard = 0; guard < 256; ++guard) {
        const std::optional<double> below =
            FreeStretches(page.Exclusions, ColumnX(), ColumnWidth(), FState.Y, height, free);
        if (!below) return true;
        FState.Y = std::max(*below, FState.Y + kEpsilon);
        if (FState.Y + height > Bottom() + kEpsilon) return false;
    }
    return true;
}

void TBodyFlow::Anchor(std::size_t paragraph, std::uint32_t from, std::uint32_t to, double baseline) {
    TPageFrame& page = FPages[FState.Page];
    FFloating.Anchor(paragraph, from, to, FState.Y, baseline, page.Anchored, page.Exclusions);
}

TParagraphOptions TBodyFlow::OptionsFor(std::size_t index, const TBorderRun* run) const {
    const doc::TParagraphStyle& style = FDocument.Body.Paragraphs[index].Style;
    TParagraphOptions options;
    options.List = FListItems[index];
    if (run && run->First) options.RoomAbove = BorderRoomAbove(style);
    if (run && run->Last) options.RoomBelow = BorderRoomBelow(style);
    return options;
}

// Placed, then placed again from where it began as long as a keep rule asks for a break the
// placing before did not make.
TBodyFlow::TParagraphSpan TBodyFlow::PlaceParagraph(std::size_t index, bool forceBreak) {
    const doc::TParagraph& paragraph = FDocument.Body.Paragraphs[index];
    const bool bordered = Bordered(index);
    const TBorderRun run =
        bordered ? BorderRunOf(FDocument.Body.Paragraphs, index, [&](std::size_t j) { return Bordered(j); })
                 : TBorderRun{};
    TParagraphLayout layout(paragraph, FContext, OptionsFor(index, bordered ? &run : nullptr));
    std::vector<std::uint32_t> breakBefore;
    if (forceBreak) breakBefore.push_back(0);

    TParagraphSpan result;
    for (int attempt = 0;; ++attempt) {
        const TSnapshot snapshot = Snap();
        std::vector<TPlacedLine> lines;
        result = PlaceLines(index, layout, bordered ? &run : nullptr, breakBefore, lines);
        if (result.Cut) return result;  // Run cuts it
        if (attempt + 1 >= kMaxAttempts || result.FirstRegion == result.LastRegion) break;
        const std::optional<std::uint32_t> moveAt =
            KeepRuleBreak(paragraph.Style, lines, result.StartedFresh, CapLines(FDocument, paragraph));
        if (!moveAt || std::find(breakBefore.begin(), breakBefore.end(), *moveAt) != breakBefore.end()) break;
        breakBefore.push_back(*moveAt);
        Restore(snapshot);
    }
    return result;
}

TBodyFlow::TParagraphSpan TBodyFlow::PlaceLines(std::size_t index, TParagraphLayout& layout, const TBorderRun* run,
                                                const std::vector<std::uint32_t>& breakBefore,
                                                std::vector<TPlacedLine>& lines) {
    const doc::TParagraphStyle& style = FDocument.Body.Paragraphs[index].Style;
    auto breaksBefore = [&](std::uint32_t at) {
        return std::find(breakBefore.begin(), breakBefore.end(), at) != breakBefore.end();
    };
    if (style.PageBreakBefore && !FState.PageEmpty) {
        NewPage(FState.Section, false);
        FState.Soft = false;
    }
    if (breaksBefore(0) && !FState.Fresh) NextRegion();
    SpaceParagraphBefore(style);
    TParagraphSpan result;
    result.StartedFresh = FState.Fresh;
    layout.Rewind(0);
    while (!layout.Done()) {
        if (FPages.size() > kMaxPages) {
            result.Cut = true;
            return result;
        }
        const std::uint32_t start = layout.Position();
        if (start > 0 && !FState.Fresh && breaksBefore(start)) NextRegion();
        TLine line = FitLine(index, layout);
        lines.push_back({start, FState.Region});
        if (run) ExtendBorder(style, run->First && lines.size() == 1, line.Height);
        Place(std::move(line));
    }
    if (run && run->Last) FlushBorder(true);
    SpaceParagraphAfter(style);
    result.FirstRegion = lines.front().Region;
    result.LastRegion = lines.back().Region;
    return result;
}

TLine TBodyFlow::FitLine(std::size_t index, TParagraphLayout& layout) {
    const std::uint32_t start = layout.Position();
    std::vector<TInterval> free;
    const double estimate = layout.EstimatedHeight();
    ClearRegion(estimate, free);
    TLine line = layout.Next(ColumnWidth(), free);
    // The objects whose marks the line holds go where it goes; those past the text's end with the
    // last line.
    auto end = [&] { return layout.Done() ? UINT32_MAX : layout.Position(); };
    if (!FState.Fresh && (!Fits(line) || !FFloating.AnchoredFit(index, start, end(), FState.Y, line.Baseline))) {
        NextRegion();
        layout.Rewind(start);
        ClearRegion(estimate, free);
        line = layout.Next(ColumnWidth(), free);
    }
    // The line's own text has been set: what wraps round these objects is what follows.
    Anchor(index, start, end(), line.Baseline);
    return line;
}

void TBodyFlow::ClearRegion(double height, std::vector<TInterval>& free) {
    for (int skip = 0; !Clear(height, free) && skip < kMaxSkips; ++skip) NextRegion();
}

void TBodyFlow::ExtendBorder(const doc::TParagraphStyle& style, bool opens, double lineHeight) {
    if (opens && FState.Border) FlushBorder(true);  // a run left open (never, but cheap)
    if (opens || !FState.Stretching) {
        FState.Border = &*style.Border;
        FState.Stretch = {BorderLeft(style, ColumnWidth()), BorderRight(style, ColumnWidth()), FState.Y, FState.Y,
                          opens, true};
        FState.Stretching = true;
    }
    FState.Stretch.Bottom = FState.Y + lineHeight;
}

TBodyFlow::TParagraphSpan TBodyFlow::PlaceTables(std::size_t index, bool forceBreak) {
    const doc::TParagraph& paragraph = FDocument.Body.Paragraphs[index];
    TParagraphSpan result;
    if (paragraph.Style->PageBreakBefore && !FState.PageEmpty) {
        NewPage(FState.Section, false);
        FState.Soft = false;
    }
    if (forceBreak && !FState.Fresh) NextRegion();
    SpaceParagraphBefore(paragraph.Style);
    result.StartedFresh = FState.Fresh;
    result.FirstRegion = FState.Region;
    const double indent = Sane(paragraph.Style->LeftIndent, 0, ColumnWidth(), 0);
    Anchor(index, 0, UINT32_MAX, 0);
    for (const doc::TAttachment& a : paragraph.Attachments) {
        if (!IsInlineTable(FDocument, a)) continue;
        TTableLayout table = LayOutTable(FDocument.Tables[FDocument.Drawables[a.Index].Table], FContext);
        for (TLine& row : table.Rows)
            for (TPageItem& item : row.Items) Translate(item, indent, 0);
        for (std::size_t r = 0; r < table.Rows.size(); ++r) {
            if (FPages.size() > kMaxPages) {
                result.Cut = true;  // Run cuts it
                return result;
            }
            if (!FState.Fresh && !Fits(table.Rows[r])) {
                NextRegion();
                // The header rows again at the top of the table's next part.
                if (int(r) >= table.HeaderRows)
                    for (int h = 0; h < table.HeaderRows; ++h) Place(table.Rows[std::size_t(h)]);
            }
            if (int(r) < table.HeaderRows) Place(table.Rows[r]);  // kept for the repeats
            else Place(std::move(table.Rows[r]));
        }
    }
    SpaceParagraphAfter(paragraph.Style);
    result.LastRegion = FState.Region;
    return result;
}

void TBodyFlow::PlaceEndnotes(std::size_t from, std::size_t to) {
    const std::vector<std::size_t> notes = NotesReferred(FDocument, from, to);
    if (notes.empty()) return;
    TLine separator = EndnoteSeparator(FDocument, ColumnWidth());
    if (!FState.Fresh && !Fits(separator)) NextRegion();
    if (FPages.size() > kMaxPages) {
        FNotesCut += notes.size();
        return;
    }
    Place(std::move(separator));
    for (std::size_t i = 0; i < notes.size(); ++i) {
        TBlock block = LayOutFootnote(notes[i], ColumnWidth(), FContext);
        TLine line;
        line.Height = block.Height;
        line.Items = std::move(block.Items);
        line.Fields = std::move(block.Fields);
        if (!FState.Fresh && !Fits(line)) NextRegion();
        if (FPages.size() > kMaxPages) {
            FNotesCut += notes.size() - i;  // past the last page
            return;
        }
        Place(std::move(line));
    }
}

// The paragraphs from the first one that reaches past the last page are left out, and the
// endnotes that would have followed them.
void TBodyFlow::Cut(std::size_t last, bool lastCut, std::size_t sectionStart) {
    bool spilled = lastCut;
    for (std::size_t page = kMaxPages; page < FPages.size(); ++page) spilled = spilled || !FPages[page].Items.empty();
    const std::size_t firstCut = spilled ? last : last + 1;
    FPages.resize(std::min(FPages.size(), kMaxPages));
    FState.Page = std::min(FState.Page, FPages.size() - 1);
    const std::size_t paragraphs = FDocument.Body.Paragraphs.size();
    FParagraphsCut = paragraphs - firstCut;
    const doc::TFootnoteKind notes = FDocument.FootnoteSettings.Kind;
    if (notes != doc::TFootnoteKind::fnFootnotes)
        FNotesCut +=
            NotesReferred(FDocument, notes == doc::TFootnoteKind::fnEndnotes ? 0 : sectionStart, paragraphs).size();
}

void TBodyFlow::BlankPages(std::size_t count) {
    for (std::size_t i = 0; i < std::max<std::size_t>(count, 1); ++i) NewPage(0, i == 0);
}

void TBodyFlow::EnsurePages(std::size_t count) {
    while (FPages.size() < count) NewPage(FPages.empty() ? 0 : FPages.back().Section, FPages.empty());
}

void TBodyFlow::Run() {
    const auto& paragraphs = FDocument.Body.Paragraphs;
    const std::size_t sectionCount = FSections->size();
    auto sectionOf = [&](std::size_t p) { return std::min(paragraphs[p].Section, sectionCount - 1); };

    TListNumbering numbering(FDocument.ListStyles);
    FListItems.reserve(paragraphs.size());
    for (const doc::TParagraph& p : paragraphs) FListItems.push_back(numbering.Next(p));

    // The document's first paragraph starts at the top margin: Pages drops its space before there.
    NewPage(paragraphs.empty() ? 0 : sectionOf(0), true);
    FState.Soft = true;

    // Keep with next: a run of such paragraphs stays on the page of the paragraph after it.
    std::size_t chainStart = SIZE_MAX;
    TSnapshot chainSnapshot;
    std::size_t retriedChain = SIZE_MAX;
    std::vector<TParagraphSpan> spans(paragraphs.size());
    const doc::TFootnoteKind notes = FDocument.FootnoteSettings.Kind;
    std::size_t sectionStart = 0;  // first paragraph of the current section, for its endnotes
    for (std::size_t p = 0; p < paragraphs.size();) {
        const std::size_t section = sectionOf(p);
        if (section != FState.Section) {
            if (notes == doc::TFootnoteKind::fnSectionEndnotes && sectionStart < p) PlaceEndnotes(sectionStart, p);
            sectionStart = p;
            StartSection(section);
        }
        const bool keep = paragraphs[p].Style->KeepWithNext;
        if (keep && chainStart == SIZE_MAX) {
            chainStart = p;
            chainSnapshot = Snap();
        }
        const auto& attachments = paragraphs[p].Attachments;
        const bool tables = std::any_of(attachments.begin(), attachments.end(),
                                        [&](const doc::TAttachment& a) { return IsInlineTable(FDocument, a); });
        spans[p] = tables ? PlaceTables(p, retriedChain == p) : PlaceParagraph(p, retriedChain == p);
        if (FPages.size() > kMaxPages) {
            Cut(p, spans[p].Cut, sectionStart);
            return;
        }
        if (!keep && chainStart != SIZE_MAX) {
            // A new section's page is no reason to move the paragraphs before it.
            const bool split = spans[p].FirstRegion != spans[p - 1].LastRegion && sectionOf(chainStart) == section;
            if (split && retriedChain != chainStart && !spans[chainStart].StartedFresh) {
                Restore(chainSnapshot);
                retriedChain = chainStart;
                p = chainStart;
                chainStart = SIZE_MAX;
                continue;
            }
            chainStart = SIZE_MAX;
        }
        ++p;
    }
    if (notes == doc::TFootnoteKind::fnEndnotes) PlaceEndnotes(0, paragraphs.size());
    if (notes == doc::TFootnoteKind::fnSectionEndnotes) PlaceEndnotes(sectionStart, paragraphs.size());
    FPages.resize(std::min(FPages.size(), kMaxPages));  // the page notes that did not fit would have begun
}

}  // namespace layout
