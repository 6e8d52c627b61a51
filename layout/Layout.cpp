#include "layout/Layout.h"

#include <algorithm>

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

        auto& frames = FFlow.Pages();
        const doc::TPageSetup& setup = FFlow.Setup();
        out.Pages.reserve(frames.size());
        for (std::size_t i = 0; i < frames.size(); ++i) {
            TPageFrame& frame = frames[i];
            TPage page;
            page.Width = setup.Width;
            page.Height = setup.Height;
            FContext.Fields = {Digits(frame.Number), Digits(std::max<long long>(frames.size(), 1))};
            // Pictures behind the text go first; the body's items are already in place.
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
            // Footnotes numbered by page count from 1 on every page.
            const doc::TFootnoteSettings& notes = FContext.Document.FootnoteSettings;
            if (notes.Numbering == doc::TFootnoteNumbering::fnPage && !frame.Footnotes.empty()) {
                FPageMarks = *FMarks;
                long long number = 0;
                for (std::size_t f : frame.Footnotes)
                    if (f < FPageMarks.size() && FContext.Document.Footnotes[f].CustomMark.empty())
                        FPageMarks[f] = FormatNumber(++number, notes.Format);
                FContext.FootnoteMarks = &FPageMarks;
            }
            FillSlots(page.Items, frame.Fields, FContext.Fields, *FContext.FootnoteMarks);
            HeaderFooter(frame, page.Items);
            Footnotes(frame, page.Items);
            for (std::size_t d : frame.Anchored)
                DrawDrawable(FContext, d, FContext.Document.Drawables[d].Frame, page.Items);
            Floating(i, false, page.Items);
            FContext.FootnoteMarks = FMarks;
            out.Pages.push_back(std::move(page));
        }
        return out;
    }

private:
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
            TBlock header = LayOutHeaderFooter(master.Header, width, context);
            AppendTranslated(items, std::move(header.Items), setup.Left, setup.HeaderMargin);
        }
        if (document.FootersOn && !master.Footer.Empty()) {
            TBlock footer = LayOutHeaderFooter(master.Footer, width, context);
            const double top = setup.Height - setup.FooterMargin - footer.Height;
            AppendTranslated(items, std::move(footer.Items), setup.Left, top);
        }
    }

    void Footnotes(const TPageFrame& frame, std::vector<TPageItem>& items) {
        if (frame.Footnotes.empty()) return;
        const doc::TDocument& document = FContext.Document;
        const doc::TPageSetup& setup = FFlow.Setup();
        const double width = FFlow.ColumnWidthOf(0);
        double y = frame.BodyBottom - frame.FootnoteRoom + Sane(document.FootnoteSettings.Gap, 0, 500, 10);
        TLineItem rule;
        rule.From = {setup.Left, y};
        rule.To = {setup.Left + std::min(FootnoteSeparatorLength, width / 2), y};
        rule.Stroke.Width = 0.5;
        items.emplace_back(rule);
        y += FootnoteSeparatorSpace;
        for (std::size_t f : frame.Footnotes) {
            const TBlock block = LayOutFootnote(f, width, FContext);
            AppendTranslated(items, block.Items, setup.Left, y);
            y += block.Height;
        }
    }

    TTextContext& FContext;
    TBodyFlow& FFlow;
    const std::vector<std::u16string>* FMarks;  // numbered through the document or section
    std::vector<std::u16string> FPageMarks;     // numbered on the page being made
};

}  // namespace

TLaidOutDocument LayOut(const doc::TDocument& document, IFontProvider& fonts) {
    TFontCache cache(fonts);
    const std::vector<std::u16string> marks = FootnoteMarks(document);
    TTextContext context{document, cache, {}, &marks, true};
    TBodyFlow flow(context);
    std::size_t floatingPages = 0;
    for (const doc::TPageDrawables& group : document.FloatingByPage)
        floatingPages = std::max(floatingPages, std::min<std::size_t>(group.Page, 10000) + 1);
    if (document.HasBody) {
        flow.Run();
        flow.EnsurePages(floatingPages);
    } else {
        flow.BlankPages(std::min<std::size_t>(document.PageCount ? document.PageCount : floatingPages, 10000));
    }
    return TPageMaker(context, flow).Make();
}

}  // namespace layout
