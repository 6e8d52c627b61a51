#include "convert/DocumentText.h"

#include <set>

namespace {

class TTextWriter {
public:
    TTextWriter(const doc::TDocument& document, bool withFields) : FDocument(document), FWithFields(withFields) {}

    std::wstring Run() {
        Storage(FDocument.Body);
        // Text boxes and tables that float on the pages, page by page.
        for (const doc::TPageDrawables& page : FDocument.FloatingByPage) {
            for (const auto* layer : {&page.Background, &page.Foreground}) {
                for (const std::size_t index : *layer) Drawable(index);
            }
        }
        return FOut;
    }

private:
    void Storage(const doc::TTextStorage& storage) {
        for (const doc::TParagraph& paragraph : storage.Paragraphs) {
            std::wstring line;
            std::size_t attachment = 0;
            std::vector<std::size_t> inlineObjects;
            for (std::size_t i = 0; i < paragraph.Text.size(); ++i) {
                const char16_t c = paragraph.Text[i];
                if (c == u'\uFFFC') {
                    while (attachment < paragraph.Attachments.size() && paragraph.Attachments[attachment].Position < i) {
                        ++attachment;
                    }
                    if (attachment < paragraph.Attachments.size() && paragraph.Attachments[attachment].Position == i) {
                        const doc::TAttachment& a = paragraph.Attachments[attachment];
                        if (a.Kind == doc::TAttachmentKind::akField && FWithFields) AppendUtf16(line, a.FieldText);
                        if (a.Kind == doc::TAttachmentKind::akDrawable) inlineObjects.push_back(a.Index);
                    }
                    continue;
                }
                if (c == u'\u2028' || c == u'\u2029') {
                    line += L'\n';
                } else if (c >= 0x20 || c == u'\t') {
                    AppendUnit(line, c);
                }
            }
            FOut += line;
            FOut += L'\n';
            for (const std::size_t index : inlineObjects) Drawable(index);
        }
    }

    void Drawable(std::size_t index) {
        if (index >= FDocument.Drawables.size() || !FVisited.insert(index).second) return;
        const doc::TDrawable& d = FDocument.Drawables[index];
        switch (d.Kind) {
            case doc::TDrawableKind::dkTable:
                if (d.Table < FDocument.Tables.size()) Table(FDocument.Tables[d.Table]);
                break;
            case doc::TDrawableKind::dkGroup:
                for (const std::size_t child : d.Children) Drawable(child);
                break;
            default:
                Storage(d.Text);
                break;
        }
    }

    void Table(const doc::TTable& table) {
        for (const auto& row : table.Cells) {
            std::wstring line;
            for (std::size_t column = 0; column < row.size(); ++column) {
                if (column > 0) line += L'\t';
                bool first = true;
                for (const doc::TParagraph& p : row[column].Text.Paragraphs) {
                    if (!first) line += L' ';
                    first = false;
                    for (const char16_t c : p.Text) {
                        if (c == u'\t' || c == u'\u2028') {
                            line += L' ';
                        } else if (c >= 0x20 && c != u'\uFFFC') {
                            AppendUnit(line, c);
                        }
                    }
                }
            }
            FOut += line;
            FOut += L'\n';
        }
    }

    // UTF-16 into the engine's wide text (UTF-32 where wchar_t is 32 bits).
    void AppendUnit(std::wstring& out, char16_t c) {
        if constexpr (sizeof(wchar_t) == 2) {
            out += static_cast<wchar_t>(c);
        } else if (c >= 0xDC00 && c <= 0xDFFF && !out.empty() && out.back() >= 0xD800 && out.back() <= 0xDBFF) {
            const auto high = static_cast<std::uint32_t>(out.back());
            out.back() = static_cast<wchar_t>(0x10000 + ((high - 0xD800) << 10) + (c - 0xDC00));
        } else {
            out += static_cast<wchar_t>(c);
        }
    }
    void AppendUtf16(std::wstring& out, const std::u16string& text) {
        for (const char16_t c : text) AppendUnit(out, c);
    }

    const doc::TDocument& FDocument;
    const bool FWithFields;
    std::wstring FOut;
    std::set<std::size_t> FVisited;
};

}  // namespace

std::wstring DocumentText(const doc::TDocument& document, bool withFields) {
    return TTextWriter(document, withFields).Run();
}
