#include "layout/Pagination.h"

#include <algorithm>
#include <cmath>

#include "layout/Footnotes.h"
#include "layout/TextBlock.h"

namespace layout {

namespace {

constexpr double Epsilon = 1e-6;
constexpr double MinBodyHeight = 12;
constexpr int MaxAttempts = 4;        // re-placements of one paragraph for the keep rules

int ColumnsOf(const doc::TSection& s, double width, double body) {
    return width >= body ? 1 : std::clamp(s.Columns, 1, 16);
}

}  // namespace

doc::TPageSetup SanePageSetup(const doc::TPageSetup& setup) {
    const doc::TPageSetup defaults;
    doc::TPageSetup s;
    s.Width = Sane(setup.Width, 36, 14400, defaults.Width);
    s.Height = Sane(setup.Height, 36, 14400, defaults.Height);
    s.Left = Sane(setup.Left, 0, s.Width, defaults.Left);
    s.Right = Sane(setup.Right, 0, s.Width, defaults.Right);
    s.Top = Sane(setup.Top, 0, s.Height, defaults.Top);
    s.Bottom = Sane(setup.Bottom, 0, s.Height, defaults.Bottom);
    // Margins that leave no room give way, keeping their proportions.
    const double minWidth = std::min(12.0, s.Width / 2);
    if (s.Left + s.Right > s.Width - minWidth) {
        const double scale = (s.Width - minWidth) / std::max(s.Left + s.Right, Epsilon);
        s.Left *= scale;
        s.Right *= scale;
    }
    const double minHeight = std::min(12.0, s.Height / 2);
    if (s.Top + s.Bottom > s.Height - minHeight) {
        const double scale = (s.Height - minHeight) / std::max(s.Top + s.Bottom, Epsilon);
        s.Top *= scale;
        s.Bottom *= scale;
    }
    s.HeaderMargin = Sane(setup.HeaderMargin, 0, s.Height / 2, defaults.HeaderMargin);
    s.FooterMargin = Sane(setup.FooterMargin, 0, s.Height / 2, defaults.FooterMargin);
    return s;
}

TBodyFlow::TBodyFlow(TTextContext& context)
    : FContext(context), FDocument(context.Document), FSetup(SanePageSetup(context.Document.Page)) {
    FSections = &FDocument.Sections;
    if (FDocument.Sections.empty()) {
        FDefaultSections.emplace_back();
        FSections = &FDefaultSections;
    }
}

double TBodyFlow::ColumnWidthOf(std::size_t section) const {
    const doc::TSection& s = (*FSections)[section];
    const double body = FSetup.Width - FSetup.Left - FSetup.Right;
    const int columns = std::clamp(s.Columns, 1, 16);
    const double gap = Sane(s.ColumnGap, 0, body, 18);
    const double width = (body - gap * (columns - 1)) / columns;
    return width >= 12 ? width : body;
}

double TBodyFlow::ColumnX() const {
    const doc::TSection& s = (*FSections)[FState.Section];
    const double width = ColumnWidth();
    const double body = FSetup.Width - FSetup.Left - FSetup.Right;
    if (width >= body) return FSetup.Left;
    const int columns = std::clamp(s.Columns, 1, 16);
    const double gap = columns > 1 ? (body - width * columns) / (columns - 1) : 0;
    return FSetup.Left + FState.Column * (width + gap);
}

std::pair<double, double> TBodyFlow::HeaderFooterHeights(std::size_t section, TMasterKind master) {
    const auto key = std::make_pair(section, int(master));
    auto found = FHeaderHeights.find(key);
    if (found != FHeaderHeights.end()) return found->second;
    const doc::TPageMaster& m = MasterOf((*FSections)[section], master);
    const double width = FSetup.Width - FSetup.Left - FSetup.Right;
    TTextContext context{FDocument, FContext.Fonts, {u"99", u"99"}, FContext.FootnoteMarks, false};
    auto height = [&](const doc::THeaderFooter& parts) {
        return LayOutHeaderFooter(parts, width, context, FSetup.Height).Height;
    };
    const double header = FDocument.HeadersOn && !m.Header.Empty() ? height(m.Header) : 0;
    const double footer = FDocument.FootersOn && !m.Footer.Empty() ? height(m.Footer) : 0;
    return FHeaderHeights[key] = {header, footer};
}

double TBodyFlow::FootnoteHeight(std::size_t footnote) {
    auto found = FFootnoteHeights.find(footnote);
    if (found != FFootnoteHeights.end()) return found->second;
    TTextContext context{FDocument, FContext.Fonts, FContext.Fields, FContext.FootnoteMarks, false};
    return FFootnoteHeights[footnote] = LayOutFootnote(footnote, ColumnWidthOf(0), context).Height;
}

void TBodyFlow::NewPage(std::size_t section, bool startsSection) {
    TPageFrame page;
    page.Section = section;
    const doc::TSection& s = (*FSections)[section];
    if (FPages.empty()) page.Number = s.PageNumberStartAt.value_or(1);
    else if (startsSection && s.PageNumberStartAt) page.Number = *s.PageNumberStartAt;
    else page.Number = FPages.back().Number + 1;
    page.Master = MasterFor(s, startsSection, page.Number);
    const auto [header, footer] = HeaderFooterHeights(section, page.Master);
    page.BodyTop = FSetup.Top;
    if (header > 0) page.BodyTop = std::max(page.BodyTop, FSetup.HeaderMargin + header);
    page.BodyBottom = FSetup.Height - FSetup.Bottom;
    if (footer > 0) page.BodyBottom = std::min(page.BodyBottom, FSetup.Height - FSetup.FooterMargin - footer);
    page.BodyBottom = std::max(page.BodyBottom, std::min(page.BodyTop + MinBodyHeight, FSetup.Height));
    FPages.push_back(std::move(page));

    FState.Page = FPages.size() - 1;
    FState.Section = section;
    FState.Column = 0;
    FState.ColumnTop = FState.Y = FPages.back().BodyTop;
    FState.Fresh = FState.PageEmpty = true;
    FState.Soft = !startsSection;
    ++FState.Region;
}

void TBodyFlow::NextRegion() {
    const doc::TSection& s = (*FSections)[FState.Section];
    const double body = FSetup.Width - FSetup.Left - FSetup.Right;
    if (FState.Column + 1 < ColumnsOf(s, ColumnWidth(), body)) {
        ++FState.Column;
        FState.Y = FState.ColumnTop;
        FState.Fresh = FState.Soft = true;
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
    FState.Section = section;
    FState.Column = 0;
    FState.ColumnTop = FState.Y;
    ++FState.Region;
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
    return FState.Y + line.Height <= Bottom() - extra + Epsilon;
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
    const double height = line.Height;
    const bool pageBreak = line.PageBreakAfter;
    FPlaced.push_back({std::move(line), FState.Page, ColumnX(), FState.Y});
    FState.Y += height;
    FState.Fresh = FState.PageEmpty = false;
    if (pageBreak) {
        NewPage(FState.Section, false);
        FState.Soft = false;
    }
}

TBodyFlow::TSnapshot TBodyFlow::Snap() const {
    return {FState, FPlaced.size(), FPages.size(), FPages[FState.Page]};
}

void TBodyFlow::Restore(const TSnapshot& snapshot) {
    FState = snapshot.State;
    FPlaced.resize(snapshot.Placed);
    FPages.resize(snapshot.Pages);
    FPages[FState.Page] = snapshot.Page;
}

TBodyFlow::TParagraphSpan TBodyFlow::PlaceParagraph(std::size_t index, bool forceBreak) {
    const doc::TParagraph& paragraph = FDocument.Body.Paragraphs[index];
    TParagraphOptions options;
    options.List = FListItems[index];
    TParagraphLayout layout(paragraph, FContext, std::move(options));
    const doc::TParagraphStyle& style = paragraph.Style;
    std::vector<std::uint32_t> breakBefore;
    if (forceBreak) breakBefore.push_back(0);

    TParagraphSpan result;
    for (int attempt = 0;; ++attempt) {
        const TSnapshot snapshot = Snap();
        if (style.PageBreakBefore && !FState.PageEmpty) {
            NewPage(FState.Section, false);
            FState.Soft = false;
        }
        const bool moveWhole = std::find(breakBefore.begin(), breakBefore.end(), 0u) != breakBefore.end();
        if (moveWhole && !FState.Fresh) NextRegion();
        if (!(FState.Fresh && FState.Soft)) FState.Y += SpaceBefore(style);
        result = {};
        result.StartedFresh = FState.Fresh;
        std::vector<std::pair<std::uint32_t, std::size_t>> lines;  // start, region
        layout.Rewind(0);
        while (!layout.Done()) {
            if (FPages.size() > MaxPages) return result;  // not placed: Run cuts it
            const std::uint32_t start = layout.Position();
            if (start > 0 && !FState.Fresh &&
                std::find(breakBefore.begin(), breakBefore.end(), start) != breakBefore.end())
                NextRegion();
            TLine line = layout.Next(ColumnWidth());
            if (!FState.Fresh && !Fits(line)) {
                NextRegion();
                layout.Rewind(start);
                line = layout.Next(ColumnWidth());
            }
            lines.emplace_back(start, FState.Region);
            Place(std::move(line));
        }
        FState.Y += SpaceAfter(style);
        result.FirstRegion = lines.front().second;
        result.LastRegion = lines.back().second;
        result.Placed = true;
        if (attempt + 1 >= MaxAttempts || result.FirstRegion == result.LastRegion) break;

        // The keep rules: what moves to the next column or page, if anything.
        std::uint32_t moveAt = 1;  // 1: nothing (no line starts at unit 1 and breaks there)
        bool move = false;
        std::size_t firstCount = 0;
        while (firstCount < lines.size() && lines[firstCount].second == result.FirstRegion) ++firstCount;
        std::size_t lastCount = 0;
        while (lastCount < lines.size() && lines[lines.size() - 1 - lastCount].second == result.LastRegion) ++lastCount;
        if (style.KeepLinesTogether && !result.StartedFresh) {
            moveAt = 0;
            move = true;
        } else if (style.WidowControl && !result.StartedFresh && firstCount == 1) {
            moveAt = 0;  // an orphan: the first line alone at the foot
            move = true;
        } else if (style.WidowControl && lastCount == 1 && lines.size() >= 3) {
            // A widow: the last line alone at the top. Its neighbour goes along, unless that
            // leaves an orphan behind.
            const std::size_t before = lines.size() - 2;
            std::size_t previousCount = 0;
            for (const auto& l : lines)
                if (l.second == lines[before].second) ++previousCount;
            if (previousCount >= 3 || (previousCount == 2 && lines[before].second != result.FirstRegion)) {
                moveAt = lines[before].first;
                move = true;
            } else if (!result.StartedFresh) {
                moveAt = 0;
                move = true;
            }
        }
        if (!move || std::find(breakBefore.begin(), breakBefore.end(), moveAt) != breakBefore.end()) break;
        breakBefore.push_back(moveAt);
        Restore(snapshot);
    }
    return result;
}

void TBodyFlow::Cut(std::size_t firstCut) {
    while (!FPlaced.empty() && FPlaced.back().Page >= MaxPages) FPlaced.pop_back();
    FPages.resize(std::min(FPages.size(), MaxPages));
    FState.Page = std::min(FState.Page, FPages.size() - 1);
    FParagraphsCut = FDocument.Body.Paragraphs.size() - firstCut;
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

    NewPage(paragraphs.empty() ? 0 : sectionOf(0), true);
    FState.Soft = false;

    // Keep with next: a run of such paragraphs stays on the page of the paragraph after it.
    std::size_t chainStart = SIZE_MAX;
    TSnapshot chainSnapshot;
    std::size_t retriedChain = SIZE_MAX;
    std::vector<TParagraphSpan> spans(paragraphs.size());
    for (std::size_t p = 0; p < paragraphs.size();) {
        const std::size_t section = sectionOf(p);
        if (section != FState.Section) StartSection(section);
        const bool keep = paragraphs[p].Style.KeepWithNext;
        if (keep && chainStart == SIZE_MAX) {
            chainStart = p;
            chainSnapshot = Snap();
        }
        spans[p] = PlaceParagraph(p, retriedChain == p);
        if (FPages.size() > MaxPages) {
            // The paragraphs from the first one that reaches past the last page are left out.
            const bool spilled = !spans[p].Placed || (!FPlaced.empty() && FPlaced.back().Page >= MaxPages);
            Cut(spilled ? p : p + 1);
            break;
        }
        if (!keep && chainStart != SIZE_MAX) {
            const bool split = spans[p].FirstRegion != spans[p - 1].LastRegion;
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
}

}  // namespace layout
