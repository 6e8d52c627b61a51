#include "layout/Layout.h"

#include <algorithm>
#include <climits>
#include <map>
#include <tuple>

#include "layout/Drawables.h"
#include "layout/Footnotes.h"
#include "layout/HeadersFooters.h"
#include "layout/Lists.h"
#include "layout/Pagination.h"
#include "layout/TextBlock.h"

namespace layout {

namespace {

std::u16string Digits(long long n) { return FormatNumber(n, doc::TNumberFormat::nfDecimal); }

void FillSlots(std::vector<TPageItem>& items, const std::vector<TFieldSlot>& slots, const TFieldValues& values,
               const std::vector<std::u16string>& marks) {
    for (const TFieldSlot& slot : slots) {
        auto* text = slot.Item < items.size() ? std::get_if<TTextItem>(&items[slot.Item]) : nullptr;
        if (!text) continue;
        switch (slot.Kind) {
        case TSlotKind::skPageNumber: text->Text = values.PageNumber; break;
        case TSlotKind::skPageCount: text->Text = values.PageCount; break;
        case TSlotKind::skFootnoteMark:
            if (slot.Footnote < marks.size()) text->Text = marks[slot.Footnote];
            break;
        }
    }
}

class TPageMaker {
public:
    TPageMaker(TTextContext& context, TBodyFlow& flow)
        : FContext(context), FFlow(flow), FMarks(context.FootnoteMarks) {}

    TLaidOutDocument Make() {
        const doc::TDocument& document = FContext.Document;
        TLaidOutDocument out;
        out.Title = document.Title;
        // The reader may have counted the unsupported drawables already: the larger count stands.
        out.LeftOut = document.LeftOut;
        std::map<std::wstring, int> unsupported;
        for (const doc::TDrawable& d : document.Drawables)
            if (d.Kind == doc::TDrawableKind::dkUnsupported) ++unsupported[d.What.empty() ? L"object" : d.What];
        for (const auto& [what, count] : unsupported) out.LeftOut[what] = std::max(out.LeftOut[what], count);
        const std::wstring past = L" past page " + std::to_wstring(kMaxPages);
        if (FFlow.ParagraphsCut() > 0)
            out.LeftOut[L"paragraph" + past] += static_cast<int>(std::min<std::size_t>(FFlow.ParagraphsCut(), INT_MAX));
        if (FFlow.NotesCut() > 0)
            out.LeftOut[L"endnote" + past] += static_cast<int>(std::min<std::size_t>(FFlow.NotesCut(), INT_MAX));

        out.Pages.reserve(FFlow.Pages().size());
        for (std::size_t i = 0; i < FFlow.Pages().size(); ++i) out.Pages.push_back(MakePage(i));
        return out;
    }

private:
    // The page's items in drawing order: the master's and the page's pictures behind the text, the
    // body, header and footer, footnotes, the objects anchored in the text, the pictures in front.
    TPage MakePage(std::size_t i) {
        auto& frames = FFlow.Pages();
        TPageFrame& frame = frames[i];
        TPage page;
        page.Width = FFlow.Setup().Width;
        page.Height = FFlow.Setup().Height;
        FContext.Fields = {Digits(frame.Number), Digits(std::max<long long>(frames.size(), 1))};
        std::vector<TPageItem> background;
        for (std::size_t d : MasterOf(FFlow.Section(frame.Section), frame.Master).Drawables)
            if (d < FContext.Document.Drawables.size())
                DrawDrawable(FContext, d, FContext.Document.Drawables[d].Frame, background);
        Floating(i, true, background);
        if (background.empty()) {
            page.Items = std::move(frame.Items);
        } else {
            page.Items = std::move(background);
            for (TFieldSlot& slot : frame.Fields) slot.Item += page.Items.size();
            page.Items.insert(page.Items.end(), std::make_move_iterator(frame.Items.begin()),
                              std::make_move_iterator(frame.Items.end()));
        }
        NumberFootnotesOnPage(frame);
        FillSlots(page.Items, frame.Fields, FContext.Fields, *FContext.FootnoteMarks);
        HeaderFooter(frame, page.Items);
        Footnotes(frame, page.Items);
        for (const TAnchoredPlace& anchored : frame.Anchored)
            DrawDrawable(FContext, anchored.Drawable, anchored.Frame, page.Items);
        Floating(i, false, page.Items);
        FContext.FootnoteMarks = FMarks;
        // The flow reserves room for a page as full as the one before; what a page leaves
        // unused goes back now, for the pages after it and the PDF.
        page.Items.shrink_to_fit();
        return page;
    }

    // Footnotes numbered by page count from 1 on every page.
    void NumberFootnotesOnPage(const TPageFrame& frame) {
        const doc::TFootnoteSettings& notes = FContext.Document.FootnoteSettings;
        if (notes.Numbering != doc::TFootnoteNumbering::fnPage || frame.Footnotes.empty()) return;
        FPageMarks = *FMarks;
        long long number = 0;
        for (std::size_t f : frame.Footnotes)
            if (f < FPageMarks.size() && FContext.Document.Footnotes[f].CustomMark.empty())
                FPageMarks[f] = FormatNumber(++number, notes.Format);
        FContext.FootnoteMarks = &FPageMarks;
    }

    void Floating(std::size_t page, bool background, std::vector<TPageItem>& items) {
        for (const doc::TPageDrawables* group : FFlow.FloatingOn(page)) {
            for (std::size_t d : background ? group->Background : group->Foreground)
                if (d < FContext.Document.Drawables.size())
                    DrawDrawable(FContext, d, FContext.Document.Drawables[d].Frame, items);
        }
    }

    void HeaderFooter(const TPageFrame& frame, std::vector<TPageItem>& items) {
        const doc::TDocument& document = FContext.Document;
        const doc::TPageSetup& setup = FFlow.Setup();
        const doc::TPageMaster& master = MasterOf(FFlow.Section(frame.Section), frame.Master);
        const double width = setup.Width - setup.Left - setup.Right;
        TTextContext context{document, FContext.Fonts, FContext.Fields, FContext.FootnoteMarks, false};
        if (document.HeadersOn && !master.Header.Empty()) {
            const TBlock& header = PartBlock(frame, master.Header, false, width, context);
            AppendTranslated(items, header.Items, setup.Left, setup.HeaderMargin);
        }
        if (document.FootersOn && !master.Footer.Empty()) {
            const TBlock& footer = PartBlock(frame, master.Footer, true, width, context);
            const double top = setup.Height - setup.FooterMargin - footer.Height;
            AppendTranslated(items, footer.Items, setup.Left, top);
        }
    }

    // A header or footer is laid out once when it shows no page number, else anew on each page
    // (a wider number re-centres it) until that has cost kMaxRelaidUnits: past that, as with a
    // damaged document's megabyte of header on ten thousand pages, its numbers are filled in.
    const TBlock& PartBlock(const TPageFrame& frame, const doc::THeaderFooter& parts, bool footer, double width,
                            TTextContext& context) {
        const auto key = std::make_tuple(frame.Section, int(frame.Master), footer);
        auto found = FParts.find(key);
        if (found != FParts.end() && (found->second.Fields.empty() || FRelaidUnits > kMaxRelaidUnits)) {
            static const std::vector<std::u16string> none;
            FillSlots(found->second.Items, found->second.Fields, context.Fields,
                      context.FootnoteMarks ? *context.FootnoteMarks : none);
            return found->second;
        }
        for (const doc::TTextStorage* part : {&parts.Left, &parts.Center, &parts.Right})
            for (const doc::TParagraph& paragraph : part->Paragraphs) FRelaidUnits += 1 + paragraph.Text.size();
        return FParts[key] = LayOutHeaderFooter(parts, width, context, FFlow.Setup().Height);
    }

    void Footnotes(const TPageFrame& frame, std::vector<TPageItem>& items) {
        if (frame.Footnotes.empty()) return;
        const doc::TDocument& document = FContext.Document;
        const doc::TPageSetup& setup = FFlow.Setup();
        const double width = FFlow.ColumnWidthOf(0);
        double y = frame.BodyBottom - frame.FootnoteRoom + Sane(document.FootnoteSettings.Gap, 0, 500, doc::kDefaultFootnoteGap);
        TLineItem rule;
        rule.From = {setup.Left, y};
        rule.To = {setup.Left + std::min(kFootnoteSeparatorLength, width / 2), y};
        rule.Stroke.Width = 0.5;
        items.emplace_back(rule);
        y += kFootnoteSeparatorSpace;
        for (std::size_t f : frame.Footnotes) {
            const TBlock block = LayOutFootnote(f, width, FContext);
            AppendTranslated(items, block.Items, setup.Left, y);
            y += block.Height;
        }
    }

    static constexpr std::size_t kMaxRelaidUnits = 2'000'000;

    TTextContext& FContext;
    TBodyFlow& FFlow;
    const std::vector<std::u16string>* FMarks;  // numbered through the document or section
    std::vector<std::u16string> FPageMarks;     // numbered on the page being made
    std::map<std::tuple<std::size_t, int, bool>, TBlock> FParts;  // (section, master, footer)
    std::size_t FRelaidUnits = 0;
};

}  // namespace

TLaidOutDocument LayOut(const doc::TDocument& document, IFontProvider& fonts) {
    TFontCache cache(fonts);
    const std::vector<std::u16string> marks = FootnoteMarks(document);
    TTextContext context{document, cache, {}, &marks, true};
    TBodyFlow flow(context);
    std::size_t floatingPages = 0;
    for (const doc::TPageDrawables& group : document.FloatingByPage)
        floatingPages = std::max(floatingPages, std::min<std::size_t>(group.Page, kMaxPages - 1) + 1);
    if (document.HasBody) {
        flow.Run();
        flow.EnsurePages(floatingPages);
    } else {
        flow.BlankPages(std::min<std::size_t>(document.PageCount ? document.PageCount : floatingPages, kMaxPages));
    }
    return TPageMaker(context, flow).Make();
}

}  // namespace layout
