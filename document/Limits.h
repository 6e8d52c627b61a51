#pragma once
// Every bound the engine sets on what a document may ask for, with its reason. Real documents
// stay far inside each; a damaged or hostile one meets them and is refused as damaged, or cut
// where the README says so (the page cap). The readers and the layout both use these, so a bound
// is never one value in one place and another elsewhere.
//
// Bounds that belong to a library or a file format the engine only passes data to (libharu's
// font size and array length, a font file's table sizes, the pixels of one picture decoded for
// the PDF) stay beside the code that calls it; the budget for what a package unpacks to is the
// platform's (platform/Budget.h).

#include <cstddef>
#include <cstdint>

namespace doc::limits {

// --- Pages ---------------------------------------------------------------------------------

// A PDF stops after this many pages: a damaged document (a million page breaks) makes no PDF of a
// million pages, and floating objects said to stand past it are damage.
inline constexpr std::size_t kMaxPages = 10000;

// The longest page side, in points (200 inches): what a PDF page may measure at most, so a page
// size or margin past it is a damaged setting, not a page.
inline constexpr double kMaxPageLength = 14400;

// --- Tables --------------------------------------------------------------------------------

// Pages addresses a table's rows by 16 bits (the packed cell ranges of its older merges) and
// stops at 1,000 columns. Larger claims are damage, not a reason to allocate. The layout holds to
// the same bounds, so a model made otherwise (tests, fuzzing) meets the same ones.
inline constexpr std::uint64_t kMaxTableRows = 65535;
inline constexpr std::uint64_t kMaxTableColumns = 1000;
// Rows times columns: the largest tables real documents hold have thousands of cells.
inline constexpr std::uint64_t kMaxTableCells = 2'000'000;

// --- Structure -----------------------------------------------------------------------------

// Text boxes hold tables whose cells hold text boxes...: real documents nest a few levels.
inline constexpr int kMaxNesting = 24;
// Style chains in real documents are two or three deep; anything longer is a loop that a visited
// set did not catch or a document built to hurt.
inline constexpr int kMaxStyleDepth = 32;
// Lists have nine levels, 0 to 8.
inline constexpr int kMaxListLevel = 8;

// --- Stored bytes --------------------------------------------------------------------------

// What every object of a document takes decompressed, at most: real documents hold tens of
// megabytes; this is all held in memory while the document is read.
inline constexpr std::size_t kMaxObjectBytes = std::size_t{256} << 20;
// Pages writes at most 64 KiB per .iwa chunk; a larger claim is a damaged header, and refusing it
// keeps one bad byte from asking for gigabytes. The slack allows a writer that rounds differently.
inline constexpr std::size_t kMaxChunkUncompressed = 256 * 1024;
// No .iwa comes near this; a larger file is not read into memory.
inline constexpr std::int64_t kMaxIwaFileSize = std::int64_t{1} << 30;
// Index folders nest one level (Index/Tables); deeper than this is a loop of links.
inline constexpr int kMaxIndexFolderDepth = 16;
// A Pages '09 index.xml is read whole: documents' XML runs to a few MB at most.
inline constexpr std::size_t kMaxXmlBytes = 256u << 20;

// --- Pictures ------------------------------------------------------------------------------

// What the pictures of one document may decode to, in bytes of samples (width x height x
// channels), paid apart from what the package unpacks to. Decoding a picture and compressing it
// again for the PDF runs at about 100 MB a second, so this keeps a document's pictures to about
// five seconds and what they hold compressed well under the memory a conversion may take. JPEGs
// go into the PDF undecoded and cost nothing here; the other pictures of real documents (PNG
// screenshots and charts) decode to tens of megabytes. Pictures past it show their thumbnail, or
// their frame, and are named among what is left out: pictures alone never cost the document.
inline constexpr std::uint64_t kMaxDecodedPictureBytes = std::uint64_t{512} << 20;

// --- Links ---------------------------------------------------------------------------------

// The clickable areas of links one PDF holds. Each costs the PDF library a few kilobytes while
// the file is made, and viewers slow down with tens of thousands; real documents hold hundreds,
// a long reference with a link on every line a few thousand. The text of links past it is drawn
// as any text, not clickable, and they are named among what is left out.
inline constexpr std::size_t kMaxLinkAreas = 20'000;

// --- The read budget -----------------------------------------------------------------------

// The work a document may ask of the reader, in one unit: about what reading one object costs.
// A damaged document that names the same large object a million times, or claims tables of
// millions of cells, stops here; a 1,000-page document with a hundred tables spends well under a
// million.
inline constexpr std::size_t kReadBudget = 4'000'000;

// What each kind of work costs, in the same unit.
namespace price {
// An object opened (each guard of nesting).
inline constexpr std::size_t kObject = 1;
// A paragraph made or copied: half a table cell.
inline constexpr std::size_t kParagraph = 4;
// Characters of text per unit.
inline constexpr std::size_t kCharactersPerUnit = 16;
// A table cell, before it holds anything: a few hundred bytes, so at most half a million cells in
// all; empty tables of the largest size Pages allows, a few of them, would take gigabytes.
inline constexpr std::size_t kTableCell = 8;
// A cell visited again: by a merge (thousands of merges over one large range) or by a stroke run.
inline constexpr std::size_t kCellVisit = 1;
// A stroke run over and above the cells it covers.
inline constexpr std::size_t kStrokeRun = 1;
// A path segment of a shape or mask: about as long to read as a paragraph (one long path placed
// on every page of a damaged document stops here).
inline constexpr std::size_t kPathSegment = 4;
// A byte of a text storage read a second time (sections, text boxes or footnotes that all name
// one large storage).
inline constexpr std::size_t kStorageByteReadAgain = 1;
}  // namespace price

}  // namespace doc::limits
