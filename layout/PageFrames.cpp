#include "layout/PageFrames.h"

#include <algorithm>

namespace layout {

namespace {

constexpr double kMinBodyHeight = 12;

}  // namespace

TPageFrame TPageFrames::Next(const doc::TSection& section, std::size_t index, bool startsSection,
                             const TPageFrame* previous) {
    TPageFrame page;
    page.Section = index;
    if (!previous)
        page.Number = section.PageNumberStartAt.value_or(1);
    else if (startsSection && section.PageNumberStartAt)
        page.Number = *section.PageNumberStartAt;
    else
        page.Number = previous->Number + 1;
    page.Master = MasterFor(section, startsSection, page.Number);
    const auto [header, footer] = HeaderFooterHeights(section, index, page.Master);
    page.BodyTop = FSetup.Top;
    if (header > 0) page.BodyTop = std::max(page.BodyTop, FSetup.HeaderMargin + header);
    page.BodyBottom = FSetup.Height - FSetup.Bottom;
    if (footer > 0) page.BodyBottom = std::min(page.BodyBottom, FSetup.Height - FSetup.FooterMargin - footer);
    page.BodyBottom = std::max(page.BodyBottom, std::min(page.BodyTop + kMinBodyHeight, FSetup.Height));
    return page;
}

std::pair<double, double> TPageFrames::HeaderFooterHeights(const doc::TSection& section, std::size_t index,
                                                           TMasterKind master) {
    const auto key = std::make_pair(index, int(master));
    auto found = FHeights.find(key);
    if (found != FHeights.end()) return found->second;
    const doc::TDocument& document = FContext.Document;
    const doc::TPageMaster& m = MasterOf(section, master);
    const double width = FSetup.Width - FSetup.Left - FSetup.Right;
    TTextContext context{document, FContext.Fonts, {u"99", u"99"}, FContext.FootnoteMarks, false};
    const bool header = document.HeadersOn && !m.Header.Empty();
    const bool footer = document.FootersOn && !m.Footer.Empty();
    return FHeights[key] = {header ? LayOutHeaderFooter(m.Header, width, context, FSetup.Height).Height : 0,
                            footer ? LayOutHeaderFooter(m.Footer, width, context, FSetup.Height).Height : 0};
}

}  // namespace layout
