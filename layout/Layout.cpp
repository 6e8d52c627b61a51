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

void FillSlots(std::vector<TPageItem>& items, std::size_t base, const std::vector<TFieldSlot>& slots,
               const TFieldValues& values) {
    for (const TFieldSlot& slot : slots) {
        if (base + slot.Item >= items.size()) continue;
        if (auto* text = std::get_if<TTextItem>(&items[base + slot.Item]))
            text->Text = slot.Kind == TSlotKind::skPageNumber ? values.PageNumber : values.PageCount;
    }
}

class TPageMaker {
public:
    TPageMaker(TTextContext& context, TBodyFlow& flow) : FContext(context), FFlow(flow) {}

    TLaidOutDocument Make() {
        const doc::TDocument& document = FContext.Document;
        TLaidOutDocument out;
        out.Title = document.Title;
        out.LeftOut = document.LeftOut;
        for (const doc::TDrawable& d : document.Drawables)
            if (d.Kind == doc::TDrawableKind::dkUnsupported) ++out.LeftOut[d.What.empty() ? L"object" : d.What];
        if (FFlow.ParagraphsCut() > 0)
            out.LeftOut[L"paragraph past page " + std::to_wstring(MaxPages)] +=
                static_cast<int>(std::min<std::size_t>(FFlow.ParagraphsCut(), INT_MAX));

        const auto& frames = FFlow.Pages();
        const doc::TPageSetup& setup = FFlow.Setup();
        auto& placed = FFlow.Placed();
        std::size_t next = 0;
        out.Pages.reserve(frames.size());
        for (std::size_t i = 0; i < frames.size(); ++i) {
            const TPageFrame& frame = frames[i];
            TPage page;
            page.Width = setup.Width;
            page.Height = setup.Height;
            FContext.Fields = {Digits(frame.Number), Digits(std::max<long long>(frames.size(), 1))};
            Floating(i, true, page.Items);
            HeaderFooter(frame, page.Items);
            for (; next < placed.size() && placed[next].Page == i; ++next) {
                TPlacedLine& line = placed[next];
                const std::size_t base = page.Items.size();
                AppendTranslated(page.Items, line.Line.Items, line.X, line.Y);
                FillSlots(page.Items, base, line.Line.Fields, FContext.Fields);
            }
            Footnotes(frame, page.Items);
            Floating(i, false, page.Items);
            out.Pages.push_back(std::move(page));
        }
        return out;
    }

private:
    void Floating(std::size_t page, bool background, std::vector<TPageItem>& items) {
        for (const doc::TPageDrawables& group : FContext.Document.FloatingByPage) {
            if (group.Page != page) continue;
            for (std::size_t d : background ? group.Background : group.Foreground)
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
            AppendTranslated(items, footer.Items, setup.Left, setup.Height - setup.FooterMargin - footer.Height);
        }
    }

    // A header or footer is laid out once when it shows no page number, else anew on each page
    // (a wider number re-centres it) until that has cost MaxRelaidUnits: past that, as with a
    // damaged document's megabyte of header on ten thousand pages, its numbers are filled in.
    const TBlock& PartBlock(const TPageFrame& frame, const doc::THeaderFooter& parts, bool footer, double width,
                            TTextContext& context) {
        const auto key = std::make_tuple(frame.Section, int(frame.Master), footer);
        auto found = FParts.find(key);
        if (found != FParts.end() && (found->second.Fields.empty() || FRelaidUnits > MaxRelaidUnits)) {
            FillSlots(found->second.Items, 0, found->second.Fields, context.Fields);
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
        double y = frame.BodyBottom - frame.FootnoteRoom + Sane(document.FootnoteSettings.Gap, 0, 500, 10);
        TLineItem rule;
        rule.From = {setup.Left, y};
        rule.To = {setup.Left + std::min(FootnoteSeparatorLength, width / 2), y};
        rule.Stroke.Width = 0.5;
        items.push_back(rule);
        y += FootnoteSeparatorSpace;
        for (std::size_t f : frame.Footnotes) {
            const TBlock block = LayOutFootnote(f, width, FContext);
            AppendTranslated(items, block.Items, setup.Left, y);
            y += block.Height;
        }
    }

    static constexpr std::size_t MaxRelaidUnits = 2'000'000;

    TTextContext& FContext;
    TBodyFlow& FFlow;
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
        floatingPages = std::max(floatingPages, std::min<std::size_t>(group.Page, MaxPages - 1) + 1);
    if (document.HasBody) {
        flow.Run();
        flow.EnsurePages(floatingPages);
    } else {
        flow.BlankPages(std::min<std::size_t>(document.PageCount ? document.PageCount : floatingPages, MaxPages));
    }
    return TPageMaker(context, flow).Make();
}

}  // namespace layout
