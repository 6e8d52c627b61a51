#pragma once
// The body flowing from page to page: columns, page breaks, the keep rules (keep with next,
// keep lines together, widows and orphans), headers and footers' room.

#include <cstddef>
#include <map>
#include <memory>
#include <vector>

#include "document/Document.h"
#include "layout/HeadersFooters.h"
#include "layout/Lines.h"
#include "layout/Lists.h"
#include "layout/ParagraphLayout.h"
#include "layout/TextContext.h"

namespace layout {

// The body stops after this many pages: a damaged document (a million page breaks) makes no PDF of
// a million pages. The floating objects' pages have the same bound.
inline constexpr std::size_t MaxPages = 10000;

// The page set-up made sane: positive sizes, margins that leave room.
doc::TPageSetup SanePageSetup(const doc::TPageSetup& setup);

struct TPageFrame {
    std::size_t Section = 0;
    long long Number = 1;  // as shown
    TMasterKind Master = TMasterKind::mkOdd;
    double BodyTop = 0, BodyBottom = 0;
    std::vector<std::size_t> Footnotes;  // referred to from this page, in order
    double FootnoteRoom = 0;             // taken from the bottom of the body, separator included
};

struct TPlacedLine {
    TLine Line;
    std::size_t Page = 0;
    double X = 0, Y = 0;  // top-left on the page
};

class TBodyFlow {
public:
    explicit TBodyFlow(TTextContext& context);
    // Flows the body; at least one page results.
    void Run();
    // Pages for page-layout documents (no body): count pages of section 0.
    void BlankPages(std::size_t count);
    // More pages after the body's, for floating objects placed past its end.
    void EnsurePages(std::size_t count);

    const std::vector<TPageFrame>& Pages() const { return FPages; }
    std::vector<TPlacedLine>& Placed() { return FPlaced; }
    // Height of the footnote text of footnote i in a body column (separator excluded).
    double FootnoteHeight(std::size_t footnote);
    double ColumnWidthOf(std::size_t section) const;
    const doc::TPageSetup& Setup() const { return FSetup; }
    // Body paragraphs left out because they fall past the last page the flow makes (MaxPages).
    std::size_t ParagraphsCut() const { return FParagraphsCut; }
    const doc::TSection& Section(std::size_t i) const { return (*FSections)[i]; }

private:
    struct TState {
        std::size_t Page = 0;
        std::size_t Section = 0;
        int Column = 0;
        double ColumnTop = 0;  // top of this page's columns of the current section
        double Y = 0;
        bool Fresh = true;      // nothing placed in this region yet
        bool Soft = true;       // the region came from overflow: space before drops at its top
        bool PageEmpty = true;  // nothing placed on this page yet
        std::size_t Region = 0;
    };
    struct TSnapshot {
        TState State;
        std::size_t Placed = 0, Pages = 0;
        TPageFrame Page;
    };
    struct TParagraphSpan {
        std::size_t FirstRegion = 0, LastRegion = 0;
        bool StartedFresh = false;
        bool Placed = false;
    };

    TSnapshot Snap() const;
    void Restore(const TSnapshot& snapshot);
    void NewPage(std::size_t section, bool startsSection);
    void NextRegion();
    void StartSection(std::size_t section);
    double Bottom() const;
    double ColumnX() const;
    double ColumnWidth() const { return ColumnWidthOf(FState.Section); }
    bool Fits(const TLine& line);
    void Place(TLine line);
    TParagraphSpan PlaceParagraph(std::size_t index, bool forceBreak);
    std::pair<double, double> HeaderFooterHeights(std::size_t section, TMasterKind master);
    void Cut(std::size_t firstCut);

    TTextContext& FContext;
    const doc::TDocument& FDocument;
    doc::TPageSetup FSetup;
    std::vector<doc::TSection> FDefaultSections;
    const std::vector<doc::TSection>* FSections;
    std::vector<std::optional<TListItem>> FListItems;
    std::vector<TPageFrame> FPages;
    std::vector<TPlacedLine> FPlaced;
    TState FState;
    std::map<std::pair<std::size_t, int>, std::pair<double, double>> FHeaderHeights;
    std::map<std::size_t, double> FFootnoteHeights;
    std::size_t FParagraphsCut = 0;
};

}  // namespace layout
