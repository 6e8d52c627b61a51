// Lays out about a thousand pages of styled text with the fixed-metric fonts and prints the time
// it took. Not a test: run the release build (`build/native-release/tests/layout/layout_bench`).

#include <ctime>
#include <cstdio>

#include "tests/layout/LayoutTestSupport.h"

int main(int argc, char**) {
    using namespace testsupport;
    doc::TDocument d;
    d.Sections.emplace_back();
    d.Sections[0].Odd.Footer.Center.Paragraphs.push_back(Para(u"\uFFFC"));
    d.Sections[0].Odd.Footer.Center.Paragraphs[0].Attachments.push_back(
        {0, doc::TAttachmentKind::akField, 0, doc::TFieldKind::fkPageNumber, u""});
    const std::u16string words[] = {u"lorem", u"ipsum", u"dolor", u"sit", u"amet,", u"consectetur", u"adipiscing",
                                    u"elit", u"sed", u"do", u"eiusmod", u"tempor", u"incididunt", u"ut", u"labore"};
    doc::TParagraphStyle style = Style(11);
    style.Alignment = doc::TAlignment::alJustified;
    style.SpaceAfter = 6;
    unsigned seed = 1;
    for (int p = 0; p < 12000; ++p) {
        doc::TParagraph paragraph;
        paragraph.Style = style;
        const int count = 20 + int((seed = seed * 1103515245 + 12345) >> 16) % 80;
        for (int w = 0; w < count; ++w) {
            const std::uint32_t start = std::uint32_t(paragraph.Text.size());
            paragraph.Text += words[(seed = seed * 1103515245 + 12345) >> 16 & 7 ? w % 15 : (w * 7) % 15];
            paragraph.Text += u' ';
            doc::TRun run{start, std::uint32_t(paragraph.Text.size()), style.Character};
            run.Style.Edit().Bold = w % 5 == 0;
            run.Style.Edit().Italic = w % 7 == 0;
            paragraph.Runs.push_back(run);
        }
        d.Body.Paragraphs.push_back(std::move(paragraph));
    }
    if (argc > 1) return 0;  // any argument: build the document only, to subtract its cost
    TFakeFonts fonts;
    // Processor time, so that other work on the machine does not count.
    const std::clock_t start = std::clock();
    const layout::TLaidOutDocument out = layout::LayOut(d, fonts);
    const double ms = double(std::clock() - start) * 1000 / CLOCKS_PER_SEC;
    std::size_t items = 0;
    for (const auto& page : out.Pages) items += page.Items.size();
    std::printf("%zu pages, %zu items, %.1f ms\n", out.Pages.size(), items, ms);
}
