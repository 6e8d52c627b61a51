#pragma once
// The body flowing from page to page: sections, page breaks, keep with next, the room of headers,
// footers and footnotes, tables row by row, endnotes. It places what its parts decide: a
// paragraph's lines (ParagraphLayout.h), which of them move for the keep rules (KeepRules.h), the
// columns' places (Columns.h), the room floating objects leave (FloatingObjects.h).

#include <cstddef>
#include <map>
#include <vector>

#include "document/Document.h"
#include "document/Limits.h"
#include "layout/Borders.h"
#include "layout/FloatingObjects.h"
#include "layout/HeadersFooters.h"
#include "layout/KeepRules.h"
#include "layout/Lines.h"
#include "layout/Lists.h"
#include "layout/PageFrames.h"
#include "layout/ParagraphLayout.h"
#include "layout/TextContext.h"

namespace layout {

// The body stops after this many pages; the floating objects' pages have the same bound.
using doc::limits::kMaxPages;

// The page set-up made sane: positive sizes, margins that leave room.
doc::TPageSetup SanePageSetup(const doc::TPageSetup& setup);

class TBodyFlow {
public:
    explicit TBodyFlow(TTextContext& context);
    // Flows the body; at least one page results.
    void Run();
    // Pages for page-layout documents (no body): count pages of section 0.
    void BlankPages(std::size_t count);
    // More pages after the body's, for floating objects placed past its end.
    void EnsurePages(std::size_t count);

    std::vector<TPageFrame>& Pages() { return FPages; }
    // Height of the footnote text of footnote i in a body column (separator excluded).
    double FootnoteHeight(std::size_t footnote);
    double ColumnWidthOf(std::size_t section) const;
    const doc::TPageSetup& Setup() const { return FSetup; }
    // The document's floating-object groups of one page.
    const std::vector<const doc::TPageDrawables*>& FloatingOn(std::size_t page) const { return FFloating.On(page); }
    // Body paragraphs and endnotes left out because they fall past the last page (kMaxPages).
    std::size_t ParagraphsCut() const { return FParagraphsCut; }
    std::size_t NotesCut() const { return FNotesCut; }
    const doc::TSection& Section(std::size_t i) const { return (*FSections)[i]; }

private:
    struct TState {
        std::size_t Page = 0;
        std::size_t Section = 0;
        int Column = 0;
        double ColumnTop = 0;  // top of this page's columns of the current section
        double Y = 0;
        double Lowest = 0;      // the lowest line end in any column of this page
        bool Fresh = true;      // nothing placed in this region yet
        bool Soft = true;       // the region came from overflow: space before drops at its top
        bool PageEmpty = true;  // nothing placed on this page yet
        double SpaceAbove = 0;  // the space after the paragraph just above, already taken
        std::size_t Region = 0;
        // The run of bordered paragraphs under way (none: Border is null) and its part in this region.
        const doc::TParagraphBorder* Border = nullptr;
        TBorderStretch Stretch;
        bool Stretching = false;  // lines of the run are in this region
    };
    // Enough to take back what was placed since: the current page's lists only grow.
    struct TSnapshot {
        TState State;
        std::size_t Pages = 0;
        std::size_t Items = 0, Fields = 0, Footnotes = 0, Exclusions = 0, Anchored = 0;
        double FootnoteRoom = 0;
    };
    struct TParagraphSpan {
        std::size_t FirstRegion = 0, LastRegion = 0;
        bool StartedFresh = false;
        bool Cut = false;  // stopped at kMaxPages before its end
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
    TParagraphOptions OptionsFor(std::size_t index, const TBorderRun* run) const;
    TParagraphSpan PlaceParagraph(std::size_t index, bool forceBreak);
    // One placing of a paragraph, breaking to the next region before each line start in breakBefore
    // (0: before the paragraph); lines: where each line went. run: its border's, if it has one.
    TParagraphSpan PlaceLines(std::size_t index, TParagraphLayout& layout, const TBorderRun* run,
                              const std::vector<std::uint32_t>& breakBefore, std::vector<TPlacedLine>& lines);
    // The paragraph's next line, set in the next region when it does not fit in this one, with the
    // objects anchored in its text placed from it.
    TLine FitLine(std::size_t index, TParagraphLayout& layout);
    // Clear, in the regions that follow when objects leave this one no room (a few at most).
    void ClearRegion(double height, std::vector<TInterval>& free);
    // The bordered run's part in this region takes in a line about to be placed at Y.
    void ExtendBorder(const doc::TParagraphStyle& style, bool opens, double lineHeight);
    TParagraphSpan PlaceTables(std::size_t index, bool forceBreak);
    // The notes referred to from paragraphs [from, to), after them.
    void PlaceEndnotes(std::size_t from, std::size_t to);
    // Moves down past objects that leave the line no room; false when that leaves the region.
    bool Clear(double height, std::vector<TInterval>& free);
    // The objects anchored in [from, to) of a paragraph's text, placed from a line whose top is at Y
    // and whose baseline is this far below.
    void Anchor(std::size_t paragraph, std::uint32_t from, std::uint32_t to, double baseline);
    // Ends the body at kMaxPages after paragraph `last` ran past it (lastCut: it stopped there).
    void Cut(std::size_t last, bool lastCut, std::size_t sectionStart);
    void SpaceParagraphBefore(const doc::TParagraphStyle& style);
    void SpaceParagraphAfter(const doc::TParagraphStyle& style);
    // Draws the border's part in this region; closes: the run ends here.
    void FlushBorder(bool closes);
    bool Bordered(std::size_t paragraph) const;

    TTextContext& FContext;
    const doc::TDocument& FDocument;
    doc::TPageSetup FSetup;
    std::vector<doc::TSection> FDefaultSections;
    const std::vector<doc::TSection>* FSections;
    std::vector<std::optional<TListItem>> FListItems;
    TFloatingObjects FFloating;
    TPageFrames FFrames;
    std::vector<TPageFrame> FPages;
    TState FState;
    std::map<std::size_t, double> FFootnoteHeights;
    std::size_t FParagraphsCut = 0, FNotesCut = 0;
};

}  // namespace layout
