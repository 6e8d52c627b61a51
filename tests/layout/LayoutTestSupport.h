#pragma once
// Small documents built in the tests, and the laid-out pages read back as lines of text.

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "document/Document.h"
#include "layout/Layout.h"
#include "tests/layout/FakeFonts.h"

namespace testsupport {

inline doc::TParagraphStyle Style(double size = 10) {
    doc::TParagraphStyle style;
    style.Character.FontName = L"Fake";
    style.Character.FontSize = size;
    return style;
}

inline doc::TParagraph Para(const std::u16string& text, const doc::TParagraphStyle& style = Style()) {
    doc::TParagraph p;
    p.Text = text;
    p.Style = style;
    doc::TRun run;
    run.End = std::uint32_t(text.size());
    run.Style = style.Character;
    p.Runs.push_back(run);
    return p;
}

// A page whose body (inside 20 pt margins) is bodyWidth by bodyHeight.
inline doc::TDocument Doc(double bodyWidth = 160, double bodyHeight = 160) {
    doc::TDocument d;
    d.Page.Width = bodyWidth + 40;
    d.Page.Height = bodyHeight + 40;
    d.Page.Left = d.Page.Right = d.Page.Top = d.Page.Bottom = 20;
    d.Page.HeaderMargin = d.Page.FooterMargin = 5;
    d.Sections.emplace_back();
    return d;
}

// Where the writer's pen ends after drawing the item.
inline double ItemEnd(const layout::TTextItem& item) {
    double x = item.X;
    for (char16_t c : item.Text) {
        if (c >= 0xDC00 && c < 0xE000) continue;
        x += item.Font->Advance(c) * item.Size + item.CharSpacing;
        if (c == u' ') x += item.WordSpacing;
    }
    return x;
}

struct TLineView {
    std::size_t Page = 0;
    double Baseline = 0, Left = 0, Right = 0;
    std::u16string Text;
    std::vector<layout::TTextItem> Items;  // copies: the lines outlive the pages they came from
};

// Text items grouped by page and baseline, left to right; lines in reading order.
inline std::vector<TLineView> Lines(const layout::TLaidOutDocument& out) {
    std::vector<TLineView> lines;
    for (std::size_t p = 0; p < out.Pages.size(); ++p) {
        std::map<long long, std::vector<const layout::TTextItem*>> rows;
        for (const layout::TPageItem& item : out.Pages[p].Items)
            if (auto* text = std::get_if<layout::TTextItem>(&item)) rows[std::llround(text->Y * 1000)].push_back(text);
        for (auto& [y, items] : rows) {
            std::sort(items.begin(), items.end(), [](auto* a, auto* b) { return a->X < b->X; });
            TLineView line;
            line.Page = p;
            line.Baseline = items.front()->Y;
            line.Left = items.front()->X;
            line.Right = ItemEnd(*items.back());
            for (auto* i : items) {
                line.Text += i->Text;
                line.Items.push_back(*i);
            }
            lines.push_back(std::move(line));
        }
    }
    return lines;
}

inline std::vector<std::u16string> Texts(const std::vector<TLineView>& lines) {
    std::vector<std::u16string> texts;
    for (const auto& l : lines) texts.push_back(l.Text);
    return texts;
}

inline std::string Narrow(const std::u16string& s) {
    std::string out;
    for (char16_t c : s) {
        if (c < 0x80) out += char(c);
        else out += "\\u" + std::to_string(int(c));
    }
    return out;
}

template <class T>
std::vector<const T*> ItemsOf(const layout::TPage& page) {
    std::vector<const T*> found;
    for (const auto& item : page.Items)
        if (auto* t = std::get_if<T>(&item)) found.push_back(t);
    return found;
}

}  // namespace testsupport
