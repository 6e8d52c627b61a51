#pragma once
// Styles resolved through their parents: paragraph, character, list, column, shape, media
// and cell styles, each looked up once and kept. Internal to iwork/.

#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "document/Document.h"
#include "iwork/ObjectStore.h"

namespace iwork::detail {

// UTF-8 as stored -> the model's text; malformed sequences become U+FFFD.
void AppendUtf16(std::u16string& out, std::string_view utf8);

// A character that ends a paragraph: a newline or U+2029, U+0004 (a section break) or
// U+0005 (a page break).
inline bool EndsParagraph(char16_t c) { return c == u'\n' || c == u'\u2029' || c == u'\u0004' || c == u'\u0005'; }
struct TTextBreak {
    std::size_t Byte = 0;    // where it starts in the UTF-8
    std::uint32_t Unit = 0;  // where it stands in the UTF-16 text
    char16_t Char = 0;
};
// The UTF-16 length of utf8 as AppendUtf16 converts it. ends, when given, receives where
// its paragraphs end, units counted from unitBase and bytes from byteBase. Long texts are
// scanned first and converted paragraph by paragraph (WriteUtf16), never held whole in UTF-16.
std::size_t ScanUtf16(std::string_view utf8, std::vector<TTextBreak>* ends = nullptr, std::size_t unitBase = 0,
                      std::size_t byteBase = 0);
// Writes what AppendUtf16 would append into out, at most room units; returns the units the
// whole text takes (ScanUtf16). A part of a text cut at its paragraph ends converts as it
// does in the whole.
std::size_t WriteUtf16(std::string_view utf8, char16_t* out, std::size_t room);
std::u16string Utf16(std::string_view utf8);
std::wstring Wide(std::string_view utf8);

std::optional<doc::TColor> ReadColor(const TMessage& color);
// A fill's colour: a solid colour, a gradient's first stop or a picture's tint; none for no fill
// or a picture without a tint.
std::optional<doc::TColor> ReadFill(const TMessage& fill);
// None for an empty stroke pattern or no width.
std::optional<doc::TStroke> ReadStroke(const TMessage& stroke);

void ApplyCharacterProperties(const TMessage& properties, doc::TCharacterStyle& style);

// A paragraph border's fields as the styles of a chain set them one by one; resolved once the
// whole chain is read.
struct TBorderFields {
    std::optional<doc::TStroke> Stroke;  // none: no line (a null stroke, an empty pattern, no width)
    std::uint64_t Kind = 0;              // 0 none, 1 above, 2 below, 3 above and below, 4 a box
    std::optional<std::uint64_t> Sides;  // newer documents: a set of sides
    double Offset = 0;
    bool Rounded = false;
    std::optional<doc::TParagraphBorder> Resolve() const;
};

void ApplyParagraphProperties(const TMessage& properties, doc::TParagraphStyle& style, TBorderFields& border);
void ApplyParagraphProperties(const TMessage& properties, doc::TParagraphStyle& style);
// "HelveticaNeue-BoldItalic" draws bold and italic whatever the flags say.
void ApplyFaceFromFontName(doc::TCharacterStyle& style);

struct TColumnLayout {
    int Columns = 1;
    double Gap = doc::kDefaultColumnGap;
};

struct TShapeLook {
    std::optional<doc::TColor> Fill;
    std::optional<doc::TGradient> Gradient;
    std::optional<doc::TStroke> Stroke;
    std::optional<double> Inset;
    std::uint64_t ParagraphStyle = 0;  // a text shape's default paragraph style
};

struct TCellLook {
    std::optional<doc::TColor> Fill;
    std::optional<doc::TStroke> Top, Right, Bottom, Left;
};

// A table style's lines by their field (header row, header column, footer row and body
// strokes) and its visibility switches, as TableFields.h names them.
struct TTableLook {
    std::map<std::uint32_t, std::optional<doc::TStroke>> Strokes;
    std::map<std::uint32_t, bool> Switches;
    std::optional<doc::TStroke> Stroke(std::uint32_t field) const {
        auto it = Strokes.find(field);
        return it == Strokes.end() ? std::nullopt : it->second;
    }
    bool On(std::uint32_t field, bool fallback) const {
        auto it = Switches.find(field);
        return it == Switches.end() ? fallback : it->second;
    }
};

class TStylesheet {
public:
    explicit TStylesheet(const TObjectStore& store) : FStore(store) {}

    // 0 gives the model's defaults. Every paragraph of one style shares the one value.
    const doc::TShared<doc::TParagraphStyle>& Paragraph(std::uint64_t id);
    // The list style a paragraph style names (through its parents); 0 when none.
    std::uint64_t ParagraphListStyle(std::uint64_t id);
    // A paragraph style's character properties with a character style's over them, shared by
    // every run of that pair.
    const doc::TShared<doc::TCharacterStyle>& Character(std::uint64_t paragraphStyle, std::uint64_t characterStyle);
    // Text indents are stored in ems of the paragraph's font size.
    const doc::TListStyle& List(std::uint64_t id, double fontSize);
    TColumnLayout Columns(std::uint64_t id);
    TShapeLook Shape(std::uint64_t id);  // a text shape style (2025) or a shape style (3015)
    std::optional<doc::TStroke> MediaStroke(std::uint64_t id);
    const TCellLook& Cell(std::uint64_t id);
    TTableLook Table(std::uint64_t id);

private:
    struct TParagraphEntry {
        doc::TShared<doc::TParagraphStyle> Style;
        std::uint64_t ListStyle = 0;
    };
    // The style and its ancestors, the root first. A parent that is missing, of another
    // kind, already seen or too far up ends the chain.
    std::vector<const TObject*> Chain(std::uint64_t id, std::initializer_list<std::uint32_t> types,
                                      const wchar_t* role) const;
    const TParagraphEntry& ParagraphEntry(std::uint64_t id);

    const TObjectStore& FStore;
    std::unordered_map<std::uint64_t, TParagraphEntry> FParagraphs;
    std::map<std::pair<std::uint64_t, std::uint64_t>, doc::TShared<doc::TCharacterStyle>> FCharacters;
    std::map<std::pair<std::uint64_t, double>, doc::TListStyle> FLists;
    std::unordered_map<std::uint64_t, TCellLook> FCells;
};

}  // namespace iwork::detail
