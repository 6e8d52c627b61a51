#pragma once
// The document model: what a document says, in plain data. Readers (modern IWA, later
// Pages '09 XML) fill it; the layout reads it. It knows no file format and no PDF.
// Lengths are PDF points (1/72 inch); text is UTF-16, positions counted in UTF-16 units.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "document/Shared.h"

namespace doc {

// Marks in a paragraph's Text that stand for no character of their own.
inline constexpr char16_t kObjectMark = u'\uFFFC';  // an attachment: what stands there is in TParagraph::Attachments
inline constexpr char16_t kPageBreak = u'\u0005';   // body only: the text after it starts the next page
inline constexpr char16_t kLineBreak = u'\u2028';   // ends a line, not the paragraph

// Pages' own values where a document says nothing, stated once for the readers and the layout.
inline constexpr double kA4Width = 595.28, kA4Height = 841.89;  // the page
inline constexpr double kDefaultColumnGap = 18;                 // between a section's columns
inline constexpr double kDefaultTextInset = 4;                  // a text box's text from its edges
inline constexpr double kDefaultWrapMargin = 12;                // text kept this far from a wrapped object
inline constexpr double kDefaultFootnoteGap = 10;               // between the body and the footnotes' separator

struct TColor {
    double R = 0, G = 0, B = 0, A = 1;  // 0..1
    friend bool operator==(const TColor&, const TColor&) = default;
};

enum class TBaseline { blNormal, blSuperscript, blSubscript };
enum class TCapitalization { caNone, caAllCaps, caSmallCaps, caTitle };

struct TCharacterStyle {
    std::wstring FontName = L"Helvetica";  // PostScript name as the document gives it
    double FontSize = 12;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool Strikethrough = false;
    TColor Color;
    TBaseline Baseline = TBaseline::blNormal;
    double BaselineShift = 0;  // points, up positive
    double Tracking = 0;       // fraction of an em added after each character
    TCapitalization Capitalization = TCapitalization::caNone;
    int Link = -1;  // a hyperlink: index into TDocument::Links; runs only, never styles
    std::optional<TColor> Highlight;
    friend bool operator==(const TCharacterStyle&, const TCharacterStyle&) = default;
};

enum class TAlignment { alLeft, alRight, alCenter, alJustified, alNatural };
enum class TLineSpacingMode { lsRelative, lsAtLeast, lsExactly, lsBetween };
enum class TTabAlignment { taLeft, taCenter, taRight, taDecimal };

struct TTabStop {
    double Position = 0;  // from the paragraph's left indent origin (the text column's left edge)
    TTabAlignment Alignment = TTabAlignment::taLeft;
    std::u16string Leader;
    friend bool operator==(const TTabStop&, const TTabStop&) = default;
};

enum class TListLabel { llNone, llImage, llString, llNumber };
enum class TNumberFormat { nfDecimal, nfUpperRoman, nfLowerRoman, nfUpperAlpha, nfLowerAlpha };

struct TListLevel {
    TListLabel Label = TListLabel::llNone;
    std::u16string Bullet = u"\u2022";
    TNumberFormat Format = TNumberFormat::nfDecimal;
    std::u16string Prefix, Suffix = u".";  // around the number: "(" "1" ")"
    bool Tiered = false;                   // "1.2.3" style
    double Indent = 0;       // where the label starts, from the text column's left edge
    double TextIndent = 18;  // from the label's start to the text
    friend bool operator==(const TListLevel&, const TListLevel&) = default;
};

struct TListStyle {
    std::wstring Name;
    std::vector<TListLevel> Levels;  // index = list level; at least one when used
    friend bool operator==(const TListStyle&, const TListStyle&) = default;
};

struct TStroke {
    double Width = 1;
    TColor Color;
    std::vector<double> Dash;  // on/off lengths in points; empty = solid
    friend bool operator==(const TStroke&, const TStroke&) = default;
};

// Lines round a paragraph: rules above or below it, bars beside it, or a box. Consecutive
// paragraphs with the same border share one.
struct TParagraphBorder {
    TStroke Stroke;
    bool Top = false, Bottom = false, Left = false, Right = false;
    double Offset = 0;  // added to the default gap between the text and the line (negative: closer)
    bool Rounded = false;
    friend bool operator==(const TParagraphBorder&, const TParagraphBorder&) = default;
};

struct TParagraphStyle {
    std::wstring Name;
    TAlignment Alignment = TAlignment::alNatural;
    // The first line's indent from the column's edge, in place of LeftIndent (not added to it): Pages
    // stores a paragraph indented as a whole as both at the same value.
    double FirstLineIndent = 0;
    double LeftIndent = 0;
    double RightIndent = 0;
    double SpaceBefore = 0;
    double SpaceAfter = 0;
    TLineSpacingMode LineSpacingMode = TLineSpacingMode::lsRelative;
    double LineSpacing = 1;  // factor for lsRelative, points otherwise
    // Where the baseline sits in a line its spacing makes taller than its text, as a fraction of the
    // line's height from its top (0.8: four fifths down); 0: below the text's ascent, the room below.
    double BaselineRule = 0;
    bool PageBreakBefore = false;
    bool KeepWithNext = false;
    bool KeepLinesTogether = false;
    bool WidowControl = true;
    // Pages' "remove hyphenation" clears it; it matters only when the document hyphenates.
    bool Hyphenate = true;
    int OutlineLevel = -1;  // 0 = heading 1; -1 body text
    std::vector<TTabStop> TabStops;  // empty: the default stops
    double DefaultTabInterval = 36;
    std::optional<TColor> Fill;  // paragraph background
    std::optional<TParagraphBorder> Border;
    TCharacterStyle Character;   // what runs inherit
    friend bool operator==(const TParagraphStyle&, const TParagraphStyle&) = default;
};

// Placeholders in the text that take their value at layout time.
enum class TFieldKind { fkPageNumber, fkPageCount, fkDate, fkOther };

// What sits at a kObjectMark position in a paragraph.
enum class TAttachmentKind {
    akDrawable,  // inline drawable: Drawables[Index]
    akField,     // Field
    akFootnote,  // Footnotes[Index], a reference mark in the text
    akUnknown,   // counted in TDocument::LeftOut, nothing drawn
};

struct TAttachment {
    std::uint32_t Position = 0;  // in the paragraph's Text
    TAttachmentKind Kind = TAttachmentKind::akUnknown;
    std::size_t Index = 0;
    TFieldKind Field = TFieldKind::fkOther;
    std::u16string FieldText;  // what Pages last showed there, a fallback
};

struct TRun {
    std::uint32_t Start = 0, End = 0;  // [Start, End) in the paragraph's Text
    TShared<TCharacterStyle> Style;    // shared with every run of the same look
};

// A paragraph's first characters set large beside its first lines, the last line's baseline theirs.
struct TDropCap {
    int Lines = 3;
    int Characters = 1;     // Unicode characters, not UTF-16 units
    TCharacterStyle Style;  // its look; its size follows from the lines it spans
};

struct TParagraph {
    // Without the paragraph's ending newline. kLineBreak breaks a line, U+0009 is a tab,
    // kPageBreak a page break (body only), kObjectMark an attachment.
    std::u16string Text;
    std::uint32_t StorageStart = 0;  // where Text starts in its storage
    TShared<TParagraphStyle> Style;  // shared with every paragraph of the same style
    std::vector<TRun> Runs;  // cover Text in order; empty Text has one empty run for its height
    std::vector<TAttachment> Attachments;  // in Position order
    // Lists: -1 when the paragraph is no list item.
    int ListStyle = -1;  // index into TDocument::ListStyles
    int ListLevel = 0;
    std::optional<int> ListStartAt;  // numbering restarts here at this paragraph
    std::size_t Section = 0;         // index into TDocument::Sections
    int DropCap = -1;  // index into TDocument::DropCaps
    // The language Pages found the text to be in ("en", "de", "zh-Hans"); empty: the document's.
    std::string Language;
};

struct TTextStorage {
    std::vector<TParagraph> Paragraphs;
    bool Empty() const { return Paragraphs.empty(); }
};

struct TPoint {
    double X = 0, Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};
struct TRect {
    double X = 0, Y = 0, Width = 0, Height = 0;  // top-left origin, y down
    friend bool operator==(const TRect&, const TRect&) = default;
};

struct TPathSegment {
    enum TKind { skMove, skLine, skCurve, skClose } Kind = skMove;
    TPoint P, C1, C2;  // P end point; C1, C2 control points of a cubic curve
};

// The model names pictures by path and never holds their bytes. A path names a file in the
// package's Data folder, which whoever opened the package owns: the conversion's working folder
// for an unpacked package (emptied when the next document is unpacked or the run ends), or a
// folder bundle where it stands. A path is valid while that folder is, so from reading until the
// PDF is written; a model kept longer must not open its pictures.
struct TImage {
    std::wstring FilePath;       // engine path of the picture's file; empty when missing
    std::wstring ThumbnailPath;  // a smaller stand-in Pages keeps; empty when none
    double NaturalWidth = 0, NaturalHeight = 0;
    // Part of the picture shown, in the drawable's own coordinates (origin at its frame's
    // top-left); absent = the whole frame.
    std::optional<TRect> Crop;
    // A mask of another shape than a rectangle (an oval, a star): its outline in the same
    // coordinates; the picture shows inside it only. Empty for a rectangle.
    std::vector<TPathSegment> MaskPath;
};

// Around: text on both sides of the object. Automatic: text on the object's wider side only, or
// above and below it when it stands in the middle of the column, as Pages decides from where the
// object sits.
enum class TWrapKind { wkNone, wkAround, wkAboveAndBelow, wkAutomatic };

struct TWrap {
    TWrapKind Kind = TWrapKind::wkAround;
    double Margin = kDefaultWrapMargin;
};

// A linear gradient: colours blended between stops along a line through the shape's bounds.
struct TGradientStop {
    double Fraction = 0;  // 0 at the line's start, 1 at its end
    TColor Color;
};
struct TGradient {
    std::vector<TGradientStop> Stops;  // in Fraction order, at least two
    double Angle = 0;                  // degrees, counter-clockwise from left-to-right, as the page is seen
};

enum class TDrawableKind { dkImage, dkShape, dkTextBox, dkTable, dkGroup, dkUnsupported };

struct TDrawable {
    TDrawableKind Kind = TDrawableKind::dkUnsupported;
    std::wstring What;  // dkUnsupported: "chart", "equation", "video"... for the left-out note
    // Floating: on its page, from the page's top-left. Inline: only Width and Height count.
    TRect Frame;
    double Rotation = 0;  // degrees, counter-clockwise about the frame's centre
    bool Inline = false;
    // Floating drawables anchored in the body move with their anchor paragraph's page.
    std::optional<std::size_t> AnchorParagraph;
    std::uint32_t AnchorPosition = 0;  // where its mark stands in that paragraph's Text: its line is the anchor's
    // Anchored and placed from its anchor's line: the top of what shows of it (a cropped picture's
    // visible part) this far below that line's baseline. Pages keeps such an object on its
    // anchor's page, so it must fit there.
    std::optional<double> AnchorOffset;
    TWrap Wrap;
    // dkImage
    TImage Image;
    // dkShape (also a text box's outline): path in the frame's own coordinates
    std::vector<TPathSegment> Path;
    std::optional<TStroke> Stroke;
    std::optional<TColor> Fill;  // with a gradient, its first stop, for what draws solid fills only
    std::optional<TGradient> Gradient;
    // dkTextBox, or a shape with text
    TTextStorage Text;
    // A table of contents: Pages sets its entries in the text where it stands, across the column,
    // whatever size its frame stores.
    bool TableOfContents = false;
    double TextInset = kDefaultTextInset;
    // dkTable: index into TDocument::Tables
    std::size_t Table = 0;
    // dkGroup: indices into TDocument::Drawables
    std::vector<std::size_t> Children;
};

struct TBorder {
    double Width = 0;  // 0 = none
    TColor Color;
    std::vector<double> Dash;  // as TStroke::Dash; empty = solid
};

struct TCell {
    TTextStorage Text;
    std::optional<TColor> Fill;
    TBorder Top, Bottom, Left, Right;
    // 0 = covered by a merged neighbour. A merged cell's edges are those of the cells along them
    // (its right edge is its last column's); lines between the cells it covers are not drawn.
    int RowSpan = 1, ColumnSpan = 1;
};

struct TTable {
    std::wstring Name;
    std::vector<double> ColumnWidths;
    std::vector<double> RowHeights;  // the stored heights; rows grow to fit their text
    int HeaderRows = 0, HeaderColumns = 0, FooterRows = 0;
    std::vector<std::vector<TCell>> Cells;  // [row][column]
};

struct TFootnote {
    TTextStorage Text;
    std::u16string CustomMark;  // empty: numbered
};

enum class TFootnoteKind { fnFootnotes, fnEndnotes, fnSectionEndnotes };
enum class TFootnoteNumbering { fnDocument, fnPage, fnSection };

struct TFootnoteSettings {
    TFootnoteKind Kind = TFootnoteKind::fnFootnotes;
    TNumberFormat Format = TNumberFormat::nfDecimal;  // symbols kept as decimal
    TFootnoteNumbering Numbering = TFootnoteNumbering::fnDocument;
    double Gap = kDefaultFootnoteGap;  // between the body and the separator
};

// Three parts side by side, as Pages keeps them; most documents use one.
struct THeaderFooter {
    TTextStorage Left, Center, Right;
    bool Empty() const { return Left.Empty() && Center.Empty() && Right.Empty(); }
};

struct TPageMaster {
    THeaderFooter Header, Footer;
    // Drawn on every page the master serves (rules, logos), behind the body: indices into
    // TDocument::Drawables, their frames on the page.
    std::vector<std::size_t> Drawables;
};

struct TSection {
    std::size_t FirstParagraph = 0;  // in the body
    bool StartsNewPage = true;
    bool FirstPageDifferent = false;
    bool EvenOddDifferent = false;
    TPageMaster First, Even, Odd;  // Odd is the default master
    int Columns = 1;
    double ColumnGap = kDefaultColumnGap;
    std::optional<int> PageNumberStartAt;
};

struct TPageSetup {
    double Width = kA4Width, Height = kA4Height;
    double Left = 72, Right = 72, Top = 72, Bottom = 72;
    double HeaderMargin = 36, FooterMargin = 36;  // from the page edge to the header/footer
};

// Floating drawables of one page, back to front.
struct TPageDrawables {
    std::size_t Page = 0;
    std::vector<std::size_t> Background;  // master/background layer
    std::vector<std::size_t> Foreground;
};

struct TDocument {
    std::wstring Title;  // the file's name, for the PDF's Title
    TPageSetup Page;
    bool HasBody = true;  // false: a page-layout document, pages made of floating objects only
    bool HeadersOn = true, FootersOn = true;
    std::size_t PageCount = 0;  // page-layout documents: how many pages; 0 unknown
    bool Hyphenation = false;   // words are hyphenated at line ends (each paragraph style may opt out)
    std::string Language;       // the document's language ("en"), for text that names none

    TTextStorage Body;
    std::vector<TSection> Sections;  // at least one once read
    std::vector<TListStyle> ListStyles;
    std::vector<TDropCap> DropCaps;
    std::vector<std::wstring> Links;  // hyperlinks' targets as the document gives them
    std::vector<TDrawable> Drawables;
    std::vector<TPageDrawables> FloatingByPage;
    std::vector<TTable> Tables;
    std::vector<TFootnote> Footnotes;
    TFootnoteSettings FootnoteSettings;

    // What the document holds that the model does not carry: "chart" -> 2.
    std::map<std::wstring, int> LeftOut;
    void CountLeftOut(const std::wstring& what) { ++LeftOut[what]; }
};

}  // namespace doc
