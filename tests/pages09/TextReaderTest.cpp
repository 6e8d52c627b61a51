// The text of a Pages '09 document's index.xml, stored plain or gzip-compressed, and what a
// damaged one gives.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/Errors.h"
#include "pages09/TextReader.h"
#include "support/TestSupport.h"
#include "support/ZipWriter.h"

using namespace testsupport;

namespace {

const std::string kIndexXml =
    "<?xml version=\"1.0\"?><sl:document xmlns:sf=\"x\"><sf:text-storage><sf:text-body>"
    "<sf:p sf:style=\"a\">Fish &amp; chips<sf:tab/>&#x263A;&#65;</sf:p>"
    "<sf:p>one<sf:lnbr/>two <sf:span sf:style=\"b\">&lt;bold&gt;</sf:span></sf:p>"
    "<sf:p/>"
    "</sf:text-body></sf:text-storage><sf:p>after the body</sf:p></sl:document>";

const std::vector<std::u16string> kParagraphs = {u"Fish & chips\t\u263AA", u"one\u2028two <bold>", u""};

std::vector<std::u16string> Texts(const doc::TDocument& document) {
    std::vector<std::u16string> texts;
    for (const auto& p : document.Body.Paragraphs) texts.push_back(p.Text);
    return texts;
}

// What reading the file with these bytes says: its message, or "no error".
std::string Refusal(const std::string& bytes) {
    TScratchFolder scratch;
    WriteFile(scratch / L"index.xml.gz", bytes);
    try {
        pages09::ReadText(scratch / L"index.xml.gz");
    } catch (const doc::EDamagedDocument& e) {
        return e.what();
    }
    return "no error";
}

}  // namespace

TEST(Pages09Text, PlainAndGzippedIndexGiveTheSameParagraphs) {
    const struct {
        const char* What;
        const wchar_t* Name;
        std::string Bytes;
    } cases[] = {
        {"plain", L"index.xml", kIndexXml},
        {"gzip", L"index.xml.gz", Gzip(kIndexXml)},
        // Large enough to take many reads of the inflate stream.
        {"gzip, long", L"index.xml.gz", Gzip(kIndexXml + std::string(300000, ' '))},
    };
    for (const auto& c : cases) {
        TScratchFolder scratch;
        WriteFile(scratch / c.Name, c.Bytes);
        const doc::TDocument document = pages09::ReadText(scratch / c.Name);
        EXPECT_EQ(Texts(document), kParagraphs) << c.What;
        EXPECT_EQ(document.Sections.size(), 1u) << c.What;
        for (const auto& p : document.Body.Paragraphs) {
            ASSERT_EQ(p.Runs.size(), 1u) << c.What;
            EXPECT_EQ(p.Runs[0].End, p.Text.size()) << c.What;
        }
    }
}

TEST(Pages09Text, DamagedIndexIsRefusedAsDamaged) {
    const std::string gzip = Gzip(kIndexXml + std::string(5000, 'x'));
    std::string badData = gzip;
    badData[12] = static_cast<char>(badData[12] ^ 0xFF);
    std::string badChecksum = gzip;
    badChecksum[gzip.size() - 6] = static_cast<char>(badChecksum[gzip.size() - 6] ^ 0x01);
    const struct {
        const char* What;
        std::string Bytes;
        const char* Message;
    } cases[] = {
        {"cut in the deflate data", gzip.substr(0, gzip.size() / 2), "index.xml.gz is truncated or corrupt"},
        // Every byte of the text is there; only the trailer that closes the stream is missing.
        {"cut before the trailer", gzip.substr(0, gzip.size() - 8), "index.xml.gz is truncated or corrupt"},
        {"only the gzip magic", gzip.substr(0, 2), "index.xml.gz is truncated or corrupt"},
        {"a broken deflate block", badData, "index.xml.gz is truncated or corrupt"},
        {"a checksum that does not match", badChecksum, "index.xml.gz is truncated or corrupt"},
        {"a tag left open", "<sf:text-body><sf:p>text<sf:tab", "index.xml ends inside a tag"},
        {"whole", gzip, "no error"},
    };
    for (const auto& c : cases) EXPECT_EQ(Refusal(c.Bytes), c.Message) << c.What;
}

TEST(Pages09Text, MissingIndexIsRefusedAsDamaged) {
    TScratchFolder scratch;
    try {
        pages09::ReadText(scratch / L"index.xml");
        FAIL() << "read a file that is not there";
    } catch (const doc::EDamagedDocument& e) {
        EXPECT_EQ(e.Message(), L"cannot open index.xml");
    }
}
