#include "iwork/Stylesheet.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <unordered_set>

#include "document/Limits.h"
#include "iwork/ObjectTypes.h"
#include "iwork/ReadContext.h"
#include "iwork/StyleFields.h"
#include "iwork/TableFields.h"
#include "platform/Text.h"

namespace iwork::detail {

namespace {

using namespace fields;

// Every style's first field is the common style record; a text shape style wraps a drawing
// shape style around it, and a table of contents' entry style a paragraph style.
std::optional<TMessage> StyleRecord(const TObject& object) {
    auto first = object.Payload.Message(style::kRecord);
    if (first && (object.Type == types::kTextShapeStyle || object.Type == types::kTocEntryStyle))
        return first->Message(style::kRecord);
    return first;
}

// The paragraph style message (record, character and paragraph properties): a table of
// contents' entry style wraps one.
std::optional<TMessage> ParagraphStyleBody(const TObject& object) {
    if (object.Type == types::kTocEntryStyle)
        return object.Payload.Message(toc_entry_style::kParagraphStyle);
    return object.Payload;
}

// The drawing shape properties of a shape style (a text shape style wraps them one level deeper).
std::optional<TMessage> ShapeProperties(const TObject& object) {
    if (object.Type == types::kTextShapeStyle) {
        auto inner = object.Payload.Message(text_shape_style::kShapeStyle);
        return inner ? inner->Message(style::kProperties) : std::nullopt;
    }
    return object.Payload.Message(style::kProperties);
}

double Clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

doc::TNumberFormat NumberFormat(std::uint64_t type) {
    // Types come in threes (1. (1) 1)) for decimal, upper and lower roman, upper and lower
    // alphabetic; the scripts past them are drawn as decimal.
    switch (type < 15 ? type / 3 : 0) {
    case 1: return doc::TNumberFormat::nfUpperRoman;
    case 2: return doc::TNumberFormat::nfLowerRoman;
    case 3: return doc::TNumberFormat::nfUpperAlpha;
    case 4: return doc::TNumberFormat::nfLowerAlpha;
    default: return doc::TNumberFormat::nfDecimal;
    }
}

bool ContainsNoCase(std::string_view text, std::string_view word) {
    auto it = std::search(text.begin(), text.end(), word.begin(), word.end(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
    return it != text.end();
}

// The one UTF-8 decoder behind the functions below. With Write it puts the units at out, at
// most room of them; onBreak(unit, byte, character) hears of every control up to U+000A and
// of U+2029. Returns the units of the whole text.
template <bool Write, typename TOnBreak>
std::size_t DecodeUtf8(std::string_view s, char16_t* out, std::size_t room, TOnBreak&& onBreak) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    std::size_t units = 0, i = 0;
    auto put = [&](char32_t unit) {
        if constexpr (Write)
            if (units < room)
                out[units] = static_cast<char16_t>(unit);
        ++units;
    };
    while (i < n) {
        // Eight plain ASCII characters at a time (no control up to U+000A among them):
        // the bulk of any text, and the part that must be fast for long documents.
        constexpr std::uint64_t kHigh = 0x8080808080808080ull, kBelow = 0x0B0B0B0B0B0B0B0Bull;
        while (i + 8 <= n) {
            std::uint64_t x;
            std::memcpy(&x, p + i, sizeof x);
            if (((x | ((x - kBelow) & ~x)) & kHigh) != 0)
                break;
            if constexpr (Write) {
                if (units + 8 > room)
                    break;
                for (int k = 0; k < 8; ++k)
                    out[units + k] = static_cast<char16_t>(p[i + k]);
            }
            units += 8;
            i += 8;
        }
        if (i >= n)
            break;
        unsigned c = p[i];
        if (c < 0x80) {
            if (c <= 0x0A)
                onBreak(units, i, static_cast<char16_t>(c));
            put(c);
            ++i;
            continue;
        }
        int extra = 0;
        char32_t cp = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            cp = c & 0x07;
        }
        // A sequence ends at the first byte that is no continuation byte: a text cut before
        // a break (ASCII, or the lead byte of U+2029) decodes as it does whole.
        bool ok = extra > 0 && i + static_cast<std::size_t>(extra) < n;
        for (int k = 1; ok && k <= extra; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                ok = false;
            else
                cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are malformed too.
        if (ok && ((extra == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
                   (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF))))
            ok = false;
        if (!ok) {
            put(0xFFFD);
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            put(0xD800 + (cp >> 10));
            put(0xDC00 + (cp & 0x3FF));
        } else {
            if (cp == 0x2029)
                onBreak(units, i, u'\u2029');
            put(cp);
        }
        i += static_cast<std::size_t>(extra) + 1;
    }
    return units;
}

void NoBreaks(std::size_t, std::size_t, char16_t) {}

// A float field met while walking a message; none when it is of another wire type or not finite.
std::optional<double> FixedFloat(const TProtoField& field) {
    if (field.Type != TWireType::wtFixed32)
        return std::nullopt;
    float v;
    auto bits = static_cast<std::uint32_t>(field.Value);
    std::memcpy(&v, &bits, sizeof v);
    return std::isfinite(v) ? std::optional<double>(v) : std::nullopt;
}

}  // namespace

void AppendUtf16(std::u16string& out, std::string_view utf8) {
    // UTF-16 never takes more units than UTF-8 takes bytes: write in place, trim after.
    const std::size_t base = out.size();
    out.resize(base + utf8.size());
    out.resize(base + DecodeUtf8<true>(utf8, out.data() + base, utf8.size(), NoBreaks));
}

std::size_t ScanUtf16(std::string_view utf8, std::vector<TTextBreak>* ends, std::size_t unitBase,
                      std::size_t byteBase) {
    if (!ends)
        return DecodeUtf8<false>(utf8, nullptr, 0, NoBreaks);
    return DecodeUtf8<false>(utf8, nullptr, 0, [&](std::size_t unit, std::size_t byte, char16_t c) {
        if (EndsParagraph(c))
            ends->push_back({byteBase + byte, static_cast<std::uint32_t>(unitBase + unit), c});
    });
}

std::size_t WriteUtf16(std::string_view utf8, char16_t* out, std::size_t room) {
    return DecodeUtf8<true>(utf8, out, room, NoBreaks);
}

std::u16string Utf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    AppendUtf16(out, utf8);
    return out;
}

std::wstring Wide(std::string_view utf8) { return platform::FromUtf8(utf8); }

std::optional<doc::TColor> ReadColor(const TMessage& color) {
    doc::TColor c;
    using namespace fields::color;
    const auto model = color.Varint(kModel).value_or(1);
    if (model == 2) {  // CMYK
        const double k = Clamp01(Float(color, kBlack, 0));
        c.R = (1 - Clamp01(Float(color, kCyan, 0))) * (1 - k);
        c.G = (1 - Clamp01(Float(color, kMagenta, 0))) * (1 - k);
        c.B = (1 - Clamp01(Float(color, kYellow, 0))) * (1 - k);
    } else if (model == 3) {  // grey
        c.R = c.G = c.B = Clamp01(Float(color, kWhite, 0));
    } else {
        c.R = Clamp01(Float(color, kRed, 0));
        c.G = Clamp01(Float(color, kGreen, 0));
        c.B = Clamp01(Float(color, kBlue, 0));
    }
    c.A = Clamp01(Float(color, kAlpha, 1));
    return c;
}

std::optional<doc::TColor> ReadFill(const TMessage& fill) {
    if (auto solid = fill.Message(fill::kColor))
        return ReadColor(*solid);
    if (auto stored = fill.Message(fill::kGradient)) {
        // A gradient drawn as its first stop: the model has solid fills only.
        for (const auto& stop : stored->Messages(gradient::kStops))
            if (auto first = stop.Message(gradient_stop::kColor))
                return ReadColor(*first);
    }
    // A picture fill drawn as its tint, where it has one: text set on the picture (often
    // white) stays readable.
    if (auto picture = fill.Message(fill::kImage))
        if (auto tint = picture->Message(image_fill::kTint))
            return ReadColor(*tint);
    return std::nullopt;
}

// A fill's linear gradient; a radial one, or one of fewer than two stops, is left to its
// first stop.
std::optional<doc::TGradient> ReadGradient(const TMessage& fill) {
    auto stored = fill.Message(fill::kGradient);
    if (!stored || stored->Varint(gradient::kType).value_or(0) != 0)
        return std::nullopt;
    doc::TGradient result;
    const double opacity = Clamp01(Float(*stored, gradient::kOpacity, 1));
    for (const auto& stop : stored->Messages(gradient::kStops)) {
        auto stopColor = stop.Message(gradient_stop::kColor);
        if (!stopColor)
            continue;
        doc::TGradientStop s{Clamp01(Float(stop, gradient_stop::kFraction, 0)),
                             ReadColor(*stopColor).value_or(doc::TColor{})};
        s.Color.A *= opacity;
        result.Stops.push_back(s);
    }
    std::stable_sort(result.Stops.begin(), result.Stops.end(),
                     [](const auto& a, const auto& b) { return a.Fraction < b.Fraction; });
    if (result.Stops.size() < 2)
        return std::nullopt;
    if (auto angle = stored->Message(gradient::kAngle)) {
        const double radians = Float(*angle, gradient_angle::kRadians, 0);
        if (std::isfinite(radians))
            result.Angle = std::fmod(radians * 180 / 3.14159265358979323846, 360.0);
    }
    return result;
}

std::optional<doc::TStroke> ReadStroke(const TMessage& stroke) {
    doc::TStroke result;
    result.Width = Float(stroke, stroke::kWidth, 1);
    if (!(result.Width > 0))
        return std::nullopt;
    if (auto color = stroke.Message(stroke::kColor))
        result.Color = *ReadColor(*color);
    if (auto pattern = stroke.Message(stroke::kPattern)) {
        const auto type = pattern->Varint(stroke_pattern::kType).value_or(1);
        if (type == 2)  // empty pattern: no line at all
            return std::nullopt;
        if (type == 0) {
            // Dash lengths are kept in multiples of the line width; only the first
            // `count` of the stored lengths are in use.
            const auto lengths = pattern->Floats(stroke_pattern::kLengths);
            const std::size_t count =
                std::min<std::size_t>(pattern->Varint(stroke_pattern::kCount).value_or(lengths.size()), lengths.size());
            for (std::size_t i = 0; i < count; ++i)
                if (std::isfinite(lengths[i]) && lengths[i] >= 0)
                    result.Dash.push_back(lengths[i] * result.Width);
            if (std::all_of(result.Dash.begin(), result.Dash.end(), [](double d) { return d == 0; }))
                result.Dash.clear();
            if (result.Dash.size() % 2 == 1)
                result.Dash.push_back(result.Dash.back());
        }
    }
    return result;
}

void ApplyCharacterProperties(const TMessage& p, doc::TCharacterStyle& s) {
    TProtoReader reader(p.Bytes());
    TProtoField f;
    // One pass over the fields: styles are read once each, but a document has hundreds.
    bool colorNull = false, backgroundNull = false, fontNull = false;
    std::optional<TMessage> color, background;
    std::optional<std::string> font;
    while (reader.Next(f)) {
        const bool varint = f.Type == TWireType::wtVarint;
        switch (f.Number) {
        case character_properties::kBold: if (varint) s.Bold = f.Value != 0; break;
        case character_properties::kItalic: if (varint) s.Italic = f.Value != 0; break;
        case character_properties::kFontSize:
            if (auto v = FixedFloat(f); v && *v > 0)
                s.FontSize = *v;
            break;
        case character_properties::kFontNameNull: if (varint) fontNull = f.Value != 0; break;
        case character_properties::kFontName: if (f.Type == TWireType::wtBytes) font.emplace(f.Bytes.begin(), f.Bytes.end()); break;
        case character_properties::kColorNull: if (varint) colorNull = f.Value != 0; break;
        case character_properties::kColor: if (f.Type == TWireType::wtBytes) color = TMessage(f.Bytes); break;
        case character_properties::kSuperscript:
            if (varint)
                s.Baseline = f.Value == 1   ? doc::TBaseline::blSuperscript
                             : f.Value == 2 ? doc::TBaseline::blSubscript
                                            : doc::TBaseline::blNormal;
            break;
        case character_properties::kUnderline: if (varint) s.Underline = f.Value != 0; break;
        case character_properties::kStrikethrough: if (varint) s.Strikethrough = f.Value != 0; break;
        case character_properties::kCapitalization:
            if (varint)
                s.Capitalization = f.Value == 1   ? doc::TCapitalization::caAllCaps
                                   : f.Value == 2 ? doc::TCapitalization::caSmallCaps
                                   : f.Value == 3 ? doc::TCapitalization::caTitle
                                                  : doc::TCapitalization::caNone;
            break;
        case character_properties::kBaselineShift: if (auto v = FixedFloat(f)) s.BaselineShift = *v; break;
        case character_properties::kBackgroundNull: if (varint) backgroundNull = f.Value != 0; break;
        case character_properties::kBackground: if (f.Type == TWireType::wtBytes) background = TMessage(f.Bytes); break;
        case character_properties::kTracking: if (auto v = FixedFloat(f)) s.Tracking = *v; break;
        default: break;
        }
    }
    if (font && !font->empty() && !fontNull)
        s.FontName = Wide(*font);
    if (color && !colorNull)
        s.Color = *ReadColor(*color);
    if (backgroundNull)
        s.Highlight.reset();
    else if (background)
        s.Highlight = ReadColor(*background);
}

std::optional<doc::TParagraphBorder> TBorderFields::Resolve() const {
    if (!Stroke)
        return std::nullopt;
    doc::TParagraphBorder border;
    border.Stroke = *Stroke;
    border.Offset = Offset;
    border.Rounded = Rounded;
    // The older field names one of four arrangements (its higher bits left aside); the newer one,
    // written beside it, a set of sides: 1 above as in the older field, and presumably 2 below,
    // 4 left and 8 right. The newer one counts where the older one says nothing, as it must
    // for bars at one side only.
    switch (Kind & 7) {
    case 1: border.Top = true; break;
    case 2: border.Bottom = true; break;
    case 3: border.Top = border.Bottom = true; break;
    case 4: border.Top = border.Bottom = border.Left = border.Right = true; break;
    default:
        if (Sides) {
            border.Top = (*Sides & 1) != 0;
            border.Bottom = (*Sides & 2) != 0;
            border.Left = (*Sides & 4) != 0;
            border.Right = (*Sides & 8) != 0;
        }
        break;
    }
    if (!border.Top && !border.Bottom && !border.Left && !border.Right)
        return std::nullopt;
    return border;
}

void ApplyParagraphProperties(const TMessage& p, doc::TParagraphStyle& s) {
    TBorderFields border;
    ApplyParagraphProperties(p, s, border);
    s.Border = border.Resolve();
}

namespace {

doc::TAlignment Alignment(std::uint64_t value) {
    return value == 0   ? doc::TAlignment::alLeft
           : value == 1 ? doc::TAlignment::alRight
           : value == 2 ? doc::TAlignment::alCenter
           : value == 3 ? doc::TAlignment::alJustified
                        : doc::TAlignment::alNatural;
}

void ApplyLineSpacing(const TMessage& spacing, doc::TParagraphStyle& s) {
    const auto mode = spacing.Varint(line_spacing::kMode).value_or(0);
    s.LineSpacingMode = mode == 1                ? doc::TLineSpacingMode::lsAtLeast
                        : mode == 2 || mode == 3 ? doc::TLineSpacingMode::lsExactly
                        : mode == 4              ? doc::TLineSpacingMode::lsBetween
                                                 : doc::TLineSpacingMode::lsRelative;
    const double fallback = s.LineSpacingMode == doc::TLineSpacingMode::lsRelative ? 1 : 0;
    s.LineSpacing = Float(spacing, line_spacing::kAmount, fallback);
    if (s.LineSpacingMode == doc::TLineSpacingMode::lsRelative && !(s.LineSpacing > 0))
        s.LineSpacing = 1;
    // Styles from Pages' older templates give 0.8.
    const double rule = Float(spacing, line_spacing::kBaselineRule, 0);
    s.BaselineRule = rule > 0 && rule <= 1 ? rule : 0;
}

// A point whose two coordinates Pages keeps alike: the second, else the first.
double BorderOffset(const TMessage& offset) {
    const double v = Float(offset, point::kY, Float(offset, point::kX, 0));
    return std::isfinite(v) ? std::clamp(v, -100.0, 100.0) : 0;
}

std::vector<doc::TTabStop> TabStops(const TMessage& tabs) {
    std::vector<doc::TTabStop> stops;
    for (const auto& tab : tabs.Messages(tabs::kStops)) {
        doc::TTabStop stop;
        stop.Position = Float(tab, tab_stop::kPosition, 0);
        const auto alignment = tab.Varint(tab_stop::kAlignment).value_or(0);
        stop.Alignment = alignment == 1   ? doc::TTabAlignment::taCenter
                         : alignment == 2 ? doc::TTabAlignment::taRight
                         : alignment == 3 ? doc::TTabAlignment::taDecimal
                                          : doc::TTabAlignment::taLeft;
        if (auto leader = tab.String(tab_stop::kLeader))
            stop.Leader = Utf16(*leader);
        stops.push_back(std::move(stop));
    }
    std::stable_sort(stops.begin(), stops.end(),
                     [](const doc::TTabStop& a, const doc::TTabStop& b) { return a.Position < b.Position; });
    return stops;
}

// What a paragraph's properties say of its fill and tabs: read after the pass over them, as a
// "null" flag clears what a parent set whichever comes first.
struct TParagraphLists {
    bool FillNull = false, TabsNull = false;
    std::optional<TMessage> Fill, Tabs;
};

// One field of paragraph properties: the scalars straight into the style and the border, the
// fill and tabs into lists.
void ApplyParagraphField(const TProtoField& f, doc::TParagraphStyle& s, TBorderFields& border,
                         TParagraphLists& lists) {
    using namespace paragraph_properties;
    const bool varint = f.Type == TWireType::wtVarint, bytes = f.Type == TWireType::wtBytes;
    switch (f.Number) {
    case kAlignment: if (varint) s.Alignment = Alignment(f.Value); break;
    case kDefaultTabInterval: if (auto v = FixedFloat(f); v && *v > 0) s.DefaultTabInterval = *v; break;
    case kFillNull: if (varint) lists.FillNull = f.Value != 0; break;
    case kFill: if (bytes) lists.Fill = TMessage(f.Bytes); break;
    case kFirstLineIndent: if (auto v = FixedFloat(f)) s.FirstLineIndent = *v; break;
    case kHyphenate: if (varint) s.Hyphenate = f.Value != 0; break;
    case kKeepLinesTogether: if (varint) s.KeepLinesTogether = f.Value != 0; break;
    case kKeepWithNext: if (varint) s.KeepWithNext = f.Value != 0; break;
    case kLeftIndent: if (auto v = FixedFloat(f)) s.LeftIndent = *v; break;
    case kLineSpacing: if (bytes) ApplyLineSpacing(TMessage(f.Bytes), s); break;
    case kPageBreakBefore: if (varint) s.PageBreakBefore = f.Value != 0; break;
    case kBorderKind: if (varint) border.Kind = f.Value; break;
    case kBorderOffset: if (bytes) border.Offset = BorderOffset(TMessage(f.Bytes)); break;
    case kRightIndent: if (auto v = FixedFloat(f)) s.RightIndent = *v; break;
    case kSpaceAfter: if (auto v = FixedFloat(f)) s.SpaceAfter = *v; break;
    case kSpaceBefore: if (auto v = FixedFloat(f)) s.SpaceBefore = *v; break;
    case kTabsNull: if (varint) lists.TabsNull = f.Value != 0; break;
    case kTabs: if (bytes) lists.Tabs = TMessage(f.Bytes); break;
    case kWidowControl: if (varint) s.WidowControl = f.Value != 0; break;
    case kBorderStrokeNull: if (varint && f.Value != 0) border.Stroke.reset(); break;
    case kBorderStroke: if (bytes) border.Stroke = ReadStroke(TMessage(f.Bytes)); break;
    case kBorderSides: if (varint) border.Sides = f.Value; break;
    case kBorderRounded: if (varint) border.Rounded = f.Value != 0; break;
    // Body text stores 0xFFFFFFFF; headings 0-8.
    case kOutlineLevel: if (varint) s.OutlineLevel = f.Value < 9 ? static_cast<int>(f.Value) : -1; break;
    default: break;
    }
}

}  // namespace

void ApplyParagraphProperties(const TMessage& p, doc::TParagraphStyle& s, TBorderFields& border) {
    TParagraphLists lists;
    TProtoReader reader(p.Bytes());
    TProtoField f;
    while (reader.Next(f))
        ApplyParagraphField(f, s, border, lists);
    if (lists.FillNull)
        s.Fill.reset();
    else if (lists.Fill)
        s.Fill = ReadColor(*lists.Fill);
    if (lists.TabsNull)
        s.TabStops.clear();
    else if (lists.Tabs)
        s.TabStops = TabStops(*lists.Tabs);
}

void ApplyFaceFromFontName(doc::TCharacterStyle& style) {
    // The face part of a PostScript name follows its last hyphen ("Times-BoldItalic",
    // "TimesNewRomanPS-BoldMT", "MinionPro-It"). A bold face draws bold even where the
    // bold flag is off: Pages keeps the flag for the family's bold trait only.
    const std::string name = platform::ToUtf8(style.FontName);
    const auto dash = name.rfind('-');
    if (dash == std::string::npos)
        return;
    const std::string_view face(name.c_str() + dash + 1);
    if (ContainsNoCase(face, "bold") || ContainsNoCase(face, "black") || ContainsNoCase(face, "heavy"))
        style.Bold = true;
    if (ContainsNoCase(face, "italic") || ContainsNoCase(face, "oblique") ||
        (face.size() >= 2 && face.substr(face.size() - 2) == "It"))
        style.Italic = true;
}

std::vector<const TObject*> TStylesheet::Chain(std::uint64_t id, std::initializer_list<std::uint32_t> types,
                                               const wchar_t* role) const {
    std::vector<const TObject*> chain;
    const TObject* style = &ExpectObject(FStore, id, types, role);
    std::unordered_set<std::uint64_t> seen;
    while (style && chain.size() < doc::limits::kMaxStyleDepth && seen.insert(style->Id).second) {
        chain.push_back(style);
        auto record = StyleRecord(*style);
        auto parent = record ? record->Reference(style_record::kParent) : std::nullopt;
        const TObject* next = parent ? FStore.Find(*parent) : nullptr;
        style = next && std::find(types.begin(), types.end(), next->Type) != types.end() ? next : nullptr;
    }
    std::reverse(chain.begin(), chain.end());
    return chain;
}

const TStylesheet::TParagraphEntry& TStylesheet::ParagraphEntry(std::uint64_t id) {
    if (auto it = FParagraphs.find(id); it != FParagraphs.end())
        return it->second;
    TParagraphEntry entry;
    doc::TParagraphStyle resolved;
    TBorderFields border;
    if (id != 0) {
        for (const TObject* style : Chain(id, {types::kParagraphStyle, types::kTocEntryStyle}, L"paragraph style")) {
            if (auto record = StyleRecord(*style)) {
                if (auto name = record->String(style_record::kName); name && !name->empty())
                    resolved.Name = Wide(*name);
            }
            auto body = ParagraphStyleBody(*style);
            if (!body)
                continue;
            if (auto characters = body->Message(paragraph_style::kCharacterProperties))
                ApplyCharacterProperties(*characters, resolved.Character);
            if (auto paragraph = body->Message(paragraph_style::kParagraphProperties)) {
                ApplyParagraphProperties(*paragraph, resolved, border);
                if (paragraph->Varint(paragraph_properties::kListStyleNull).value_or(0) != 0)
                    entry.ListStyle = 0;
                else if (auto list = paragraph->Reference(paragraph_properties::kListStyle))
                    entry.ListStyle = *list;
            }
        }
        ApplyFaceFromFontName(resolved.Character);
        resolved.Border = border.Resolve();
    }
    entry.Style = std::move(resolved);
    return FParagraphs.emplace(id, std::move(entry)).first->second;
}

const doc::TShared<doc::TParagraphStyle>& TStylesheet::Paragraph(std::uint64_t id) { return ParagraphEntry(id).Style; }

std::uint64_t TStylesheet::ParagraphListStyle(std::uint64_t id) { return ParagraphEntry(id).ListStyle; }

const doc::TShared<doc::TCharacterStyle>& TStylesheet::Character(std::uint64_t paragraphStyle, std::uint64_t characterStyle) {
    const auto key = std::make_pair(paragraphStyle, characterStyle);
    if (auto it = FCharacters.find(key); it != FCharacters.end())
        return it->second;
    doc::TCharacterStyle style = Paragraph(paragraphStyle)->Character;
    if (characterStyle != 0) {
        for (const TObject* s : Chain(characterStyle, {types::kCharacterStyle}, L"character style"))
            if (auto characters = s->Payload.Message(style::kProperties))
                ApplyCharacterProperties(*characters, style);
        ApplyFaceFromFontName(style);
    }
    return FCharacters.emplace(key, doc::TShared<doc::TCharacterStyle>(std::move(style))).first->second;
}

const doc::TListStyle& TStylesheet::List(std::uint64_t id, double fontSize) {
    const auto key = std::make_pair(id, fontSize);
    if (auto it = FLists.find(key); it != FLists.end())
        return it->second;
    // A variation overrides whole per-level arrays; the levels it leaves out come from
    // its parent.
    std::vector<std::uint64_t> labels, numbers, tiered;
    std::vector<float> textIndents, indents;
    std::vector<std::string> strings;
    std::wstring name;
    for (const TObject* style : Chain(id, {types::kListStyle}, L"list style")) {
        const TMessage& p = style->Payload;
        if (auto record = StyleRecord(*style))
            if (auto n = record->String(style_record::kName); n && !n->empty())
                name = Wide(*n);
        if (auto v = p.Varints(list_style::kLabelTypes); !v.empty()) labels = std::move(v);
        if (auto v = p.Floats(list_style::kTextIndents); !v.empty()) textIndents = std::move(v);
        if (auto v = p.Floats(list_style::kIndents); !v.empty()) indents = std::move(v);
        if (auto v = p.Varints(list_style::kNumberTypes); !v.empty()) numbers = std::move(v);
        if (auto v = p.Strings(list_style::kBulletStrings); !v.empty()) strings = std::move(v);
        if (auto v = p.Varints(list_style::kTieredNumbers); !v.empty()) tiered = std::move(v);
    }
    constexpr std::size_t kLevels = 9;
    std::size_t count = std::max({labels.size(), textIndents.size(), indents.size(), numbers.size(), strings.size()});
    count = std::clamp<std::size_t>(count, 1, kLevels);
    auto finite = [](float v) { return std::isfinite(v) ? static_cast<double>(v) : 0.0; };
    doc::TListStyle list;
    list.Name = name;
    for (std::size_t i = 0; i < count; ++i) {
        doc::TListLevel level;
        const auto label = i < labels.size() ? labels[i] : 0;
        level.Label = label == 1   ? doc::TListLabel::llImage
                      : label == 2 ? doc::TListLabel::llString
                      : label == 3 ? doc::TListLabel::llNumber
                                   : doc::TListLabel::llNone;
        if (i < strings.size() && !strings[i].empty())
            level.Bullet = Utf16(strings[i]);
        const auto number = i < numbers.size() ? numbers[i] : 0;
        level.Format = NumberFormat(number);
        switch (number % 3) {
        case 1: level.Prefix = u"("; level.Suffix = u")"; break;
        case 2: level.Prefix.clear(); level.Suffix = u")"; break;
        default: level.Prefix.clear(); level.Suffix = u"."; break;
        }
        level.Tiered = i < tiered.size() && tiered[i] != 0;
        if (i < indents.size())
            level.Indent = finite(indents[i]);
        if (i < textIndents.size())
            level.TextIndent = finite(textIndents[i]) * fontSize;
        list.Levels.push_back(std::move(level));
    }
    return FLists.emplace(key, std::move(list)).first->second;
}

TColumnLayout TStylesheet::Columns(std::uint64_t id) {
    TColumnLayout layout;
    std::optional<TMessage> columns;
    for (const TObject* style : Chain(id, {types::kColumnStyle}, L"column style"))
        if (auto properties = style->Payload.Message(style::kProperties))
            if (auto c = properties->Message(column_properties::kColumns))
                columns = c;
    if (!columns)
        return layout;
    if (auto equal = columns->Message(columns::kEqual)) {
        layout.Columns =
            static_cast<int>(std::clamp<std::uint64_t>(equal->Varint(equal_columns::kCount).value_or(1), 1, 10));
        layout.Gap = std::max(0.0, Float(*equal, equal_columns::kGap, layout.Gap));
    } else if (auto unequal = columns->Message(columns::kUnequal)) {
        auto following = unequal->Messages(unequal_columns::kFollowing);
        layout.Columns = static_cast<int>(std::min<std::size_t>(following.size() + 1, 10));
        if (!following.empty())
            layout.Gap = std::max(0.0, Float(following.front(), following_column::kGap, layout.Gap));
    }
    return layout;
}

TShapeLook TStylesheet::Shape(std::uint64_t id) {
    TShapeLook look;
    const TObject& first = ExpectObject(FStore, id, {types::kTextShapeStyle, types::kShapeStyle}, L"shape style");
    for (const TObject* style : Chain(id, {first.Type}, L"shape style")) {
        if (auto properties = ShapeProperties(*style)) {
            if (auto fill = properties->Message(shape_properties::kFill)) {
                look.Fill = ReadFill(*fill);
                look.Gradient = ReadGradient(*fill);
            }
            if (auto stroke = properties->Message(shape_properties::kStroke))
                look.Stroke = ReadStroke(*stroke);
            if (auto opacity = Float(*properties, shape_properties::kOpacity)) {
                const double alpha = std::clamp(*opacity, 0.0, 1.0);
                if (look.Fill)
                    look.Fill->A *= alpha;
                if (look.Gradient)
                    for (auto& stop : look.Gradient->Stops)
                        stop.Color.A *= alpha;
                if (look.Stroke)
                    look.Stroke->Color.A *= alpha;
            }
        }
        if (style->Type == types::kTextShapeStyle) {
            if (auto text = style->Payload.Message(text_shape_style::kTextProperties)) {
                if (auto padding = text->Message(text_shape_properties::kPadding))
                    look.Inset = std::max(0.0, Float(*padding, padding::kLeft, 0));
                if (auto paragraph = text->Reference(text_shape_properties::kParagraphStyle))
                    look.ParagraphStyle = *paragraph;
            }
        }
    }
    return look;
}

std::optional<doc::TStroke> TStylesheet::MediaStroke(std::uint64_t id) {
    std::optional<doc::TStroke> stroke;
    for (const TObject* style : Chain(id, {types::kMediaStyle}, L"media style"))
        if (auto properties = style->Payload.Message(style::kProperties))
            if (auto s = properties->Message(media_properties::kStroke))
                stroke = ReadStroke(*s);
    return stroke;
}

const TCellLook& TStylesheet::Cell(std::uint64_t id) {
    if (auto it = FCells.find(id); it != FCells.end())
        return it->second;
    TCellLook look;
    for (const TObject* style : Chain(id, {types::kCellStyle}, L"cell style")) {
        auto properties = style->Payload.Message(style::kProperties);
        if (!properties)
            continue;
        if (auto fill = properties->Message(cell_properties::kFill))
            look.Fill = ReadFill(*fill);
        if (auto s = properties->Message(cell_properties::kTopStroke)) look.Top = ReadStroke(*s);
        if (auto s = properties->Message(cell_properties::kRightStroke)) look.Right = ReadStroke(*s);
        if (auto s = properties->Message(cell_properties::kBottomStroke)) look.Bottom = ReadStroke(*s);
        if (auto s = properties->Message(cell_properties::kLeftStroke)) look.Left = ReadStroke(*s);
    }
    return FCells.emplace(id, std::move(look)).first->second;
}

}  // namespace iwork::detail

namespace iwork::detail {

TTableLook TStylesheet::Table(std::uint64_t id) {
    TTableLook look;
    for (const TObject* style : Chain(id, {types::kTableStyle}, L"table style")) {
        auto properties = style->Payload.Message(style::kProperties);
        if (!properties)
            continue;
        using namespace fields::table_style_properties;
        TProtoReader reader(properties->Bytes());
        TProtoField f;
        while (reader.Next(f)) {
            if (f.Number >= kFirstStroke && f.Number <= kLastStroke && f.Type == TWireType::wtBytes)
                look.Strokes[f.Number] = ReadStroke(TMessage(f.Bytes));
            else if (f.Number >= kFirstSwitch && f.Number <= kLastSwitch && f.Type == TWireType::wtVarint)
                look.Switches[f.Number] = f.Value != 0;
        }
    }
    return look;
}

}  // namespace iwork::detail
