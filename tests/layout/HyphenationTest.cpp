// Hyphenation: where a word may break (libhyphen with Debian's dictionaries), and lines that end
// inside a word with a hyphen when the document hyphenates, from the setting as a document stores it.

#include <gtest/gtest.h>

#include "iwork/DocumentFields.h"
#include "iwork/ModernReader.h"
#include "iwork/StorageFields.h"
#include "iwork/StyleFields.h"
#include "layout/Hyphenation.h"
#include "support/TestSupport.h"
#include "tests/iwork/ModernDocumentBuilder.h"
#include "tests/layout/LayoutTestSupport.h"

namespace {

using namespace testsupport;

// A word with its breaks marked: "hy-phen-ation".
std::u16string Marked(const std::u16string& word, const std::vector<std::uint32_t>& points) {
    std::u16string out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (next < points.size() && points[next] == i) {
            out += u'-';
            ++next;
        }
        out += word[i];
    }
    return out;
}

TEST(Hyphenation, BreaksComeFromTheDictionaryOfTheLanguage) {
    const struct {
        const char* Language;
        std::u16string Word, Expected;
    } cases[] = {
        {"en", u"hyphenation", u"hy-phen-ation"},
        {"en_US", u"Performance", u"Per-for-mance"},
        {"en_US", u"classification", u"clas-si-fi-ca-tion"},
        {"en-GB", u"classification", u"clas-si-fic-a-tion"},  // British patterns, British breaks
        // Punctuation around a word stays outside it.
        {"en", u"(example),", u"(ex-am-ple),"},
        // No break closer to either end than the dictionary allows (two letters, three).
        {"en", u"table", u"ta-ble"},
        {"en", u"cat", u"cat"},
        {"fr", u"téléphone", u"té-lé-phone"},
    };
    for (const auto& c : cases) {
        layout::THyphenator hyphenator(c.Language);
        ASSERT_TRUE(hyphenator.Available()) << c.Language << ": scripts/setup.sh installs its dictionary";
        EXPECT_EQ(Narrow(Marked(c.Word, hyphenator.Points(c.Word))), Narrow(c.Expected)) << c.Language;
    }
}

// Debian's German dictionaries spell their patterns in Latin-1 (and take seconds to load): one of
// the same kind, made here, whose one pattern breaks after "ü".
TEST(Hyphenation, Latin1DictionariesSeeTheirOwnLetters) {
    TScratchFolder folder;
    WriteFile(folder / L"hyph_zz.dic", std::string("ISO8859-1\nLEFTHYPHENMIN 1\nRIGHTHYPHENMIN 1\n\xFC" "1\n"));
    layout::THyphenator latin1("zz_ZZ", {folder.Path()});
    ASSERT_TRUE(latin1.Available());
    EXPECT_EQ(Narrow(Marked(u"Brücke", latin1.Points(u"Brücke"))), Narrow(u"Brü-cke"));
    EXPECT_EQ(Narrow(Marked(u"BRÜCKEn", latin1.Points(u"BRÜCKEn"))), Narrow(u"BRÜ-CKEn"));
    // A letter Latin-1 has no byte for: no breaks rather than wrong ones.
    EXPECT_TRUE(latin1.Points(u"Brückeł").empty());
}

TEST(Hyphenation, NoBreaksInWhatIsNoPlainWord) {
    layout::THyphenator english("en");
    for (const std::u16string word : {u"HYPHENATION", u"hyphenation2024", u"www.hyphenation.org", u"hyphen@example",
                                      u"read/write/execute", u"hyphen_ation", u"", u"x"})
        EXPECT_TRUE(english.Points(word).empty()) << Narrow(word);
    // A language without a dictionary (Japanese is never hyphenated) finds none.
    EXPECT_FALSE(layout::THyphenator("ja").Available());
    EXPECT_TRUE(layout::THyphenator("ja").Points(u"hyphenation").empty());
    EXPECT_FALSE(layout::THyphenator("not a language").Available());
}

TEST(Hyphenation, ParagraphLanguageThenDocumentLanguageThenEnglish) {
    EXPECT_EQ(layout::HyphenationLanguage("de", "en"), "de");
    EXPECT_EQ(layout::HyphenationLanguage("", "fr"), "fr");
    EXPECT_EQ(layout::HyphenationLanguage("", ""), "en");
}

// 10 pt text in the fake face: every character 5 pt wide, a hyphen too.
std::vector<std::u16string> LaidOut(doc::TDocument d) {
    TFakeFonts fonts;
    return Texts(Lines(layout::LayOut(d, fonts)));
}

doc::TDocument Column(const std::u16string& text, double width, bool hyphenation) {
    doc::TDocument d = Doc(width, 400);
    d.Hyphenation = hyphenation;
    d.Body.Paragraphs.push_back(Para(text));
    return d;
}

TEST(Hyphenation, AWordThatDoesNotFitBreaksAtTheLastPointThatFitsWithItsHyphen) {
    const struct {
        const char* What;
        std::u16string Text;
        double Width;
        std::vector<std::u16string> Lines;
    } cases[] = {
        // "aaaa hyphen-" is 60 pt: it fits a 60 pt line, not 59, where "hy-" does.
        {"the last point that fits", u"aaaa hyphenation", 60, {u"aaaa hyphen-", u"ation"}},
        {"the hyphen's width counts", u"aaaa hyphenation", 59, {u"aaaa hy-", u"phenation"}},
        {"no point fits: the word moves", u"aaaaaaaa hyphenation", 50, {u"aaaaaaaa", u"hyphen-", u"ation"}},
        {"a word that fits is not broken", u"aaaa table", 60, {u"aaaa table"}},
        {"capitals only move whole", u"aaaa HYPHENATION", 60, {u"aaaa", u"HYPHENATION"}},
        {"an address moves whole", u"aaaa hyphen.org", 60, {u"aaaa", u"hyphen.org"}},
        {"a word with digits moves whole", u"aaaa hyphenation2", 60, {u"aaaa", u"hyphenation2"}},
        {"after a word's own hyphen", u"an auto-downloader", 70, {u"an auto-down-", u"loader"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LaidOut(Column(c.Text, c.Width, true)), c.Lines) << c.What;
}

TEST(Hyphenation, OnlyWhereTheDocumentAndTheParagraphStyleAskForIt) {
    EXPECT_EQ(LaidOut(Column(u"aaaa hyphenation", 60, false)), (std::vector<std::u16string>{u"aaaa", u"hyphenation"}));
    doc::TDocument optedOut = Column(u"aaaa hyphenation", 60, true);
    optedOut.Body.Paragraphs.front().Style.Edit().Hyphenate = false;
    EXPECT_EQ(LaidOut(optedOut), (std::vector<std::u16string>{u"aaaa", u"hyphenation"}));
    // Text in a language without a dictionary is not hyphenated with another language's.
    doc::TDocument japanese = Column(u"aaaa hyphenation", 60, true);
    japanese.Body.Paragraphs.front().Language = "ja";
    EXPECT_EQ(LaidOut(japanese), (std::vector<std::u16string>{u"aaaa", u"hyphenation"}));
}

// The same paragraph as a document stores it: the settings' hyphenation option, the paragraph
// style's own, the text's language.
doc::TDocument Stored(std::optional<bool> documentOption, std::optional<bool> styleOption) {
    using namespace iwork::fields;
    TDocumentBuilder b;
    b.Root.Float(document::kLeftMargin, 20).Float(document::kRightMargin, 612 - 20 - 60);  // a 60 pt column
    TProtoWriter options;
    if (documentOption) options.Bool(settings::kHyphenation, *documentOption);
    options.String(settings::kLanguage, "en");
    b.Root.Reference(document::kSettings, b.Add(kSettings, options));
    TProtoWriter paragraphProperties;
    if (styleOption) paragraphProperties.Bool(paragraph_properties::kHyphenate, *styleOption);
    const std::uint64_t style = b.Add(
        kParagraphStyle, Style("Body", 0, Font(10, "Fake")).Message(paragraph_style::kParagraphProperties, paragraphProperties));
    TProtoWriter languages;
    languages.Message(attribute_table::kEntries,
                      TProtoWriter().Varint(language_entry::kCharacterIndex, 0).String(language_entry::kLanguage, "en"));
    b.Body(Storage("aaaa hyphenation")
               .Message(storage::kParagraphStyles, ObjectTable({{0, style}}))
               .Message(storage::kLanguages, languages));
    return b.Read();
}

TEST(Hyphenation, StoredSettingTurnsItOnAndAParagraphStyleOff) {
    const doc::TDocument on = Stored(true, std::nullopt);
    EXPECT_TRUE(on.Hyphenation);
    EXPECT_EQ(on.Language, "en");
    ASSERT_EQ(on.Body.Paragraphs.size(), 1u);
    EXPECT_TRUE(on.Body.Paragraphs.front().Style->Hyphenate);
    EXPECT_EQ(on.Body.Paragraphs.front().Language, "en");
    EXPECT_EQ(LaidOut(on), (std::vector<std::u16string>{u"aaaa hyphen-", u"ation"}));

    // Pages' default: off unless the document says so.
    EXPECT_FALSE(Stored(std::nullopt, std::nullopt).Hyphenation);
    EXPECT_EQ(LaidOut(Stored(false, true)), (std::vector<std::u16string>{u"aaaa", u"hyphenation"}));
    const doc::TDocument styleOff = Stored(true, false);
    EXPECT_FALSE(styleOff.Body.Paragraphs.front().Style->Hyphenate);
    EXPECT_EQ(LaidOut(styleOff), (std::vector<std::u16string>{u"aaaa", u"hyphenation"}));
}

}  // namespace
