// Writes the fuzzer's seed packages into the folder given as the argument.

#include <cstdio>
#include <fstream>
#include <string>

#include "support/ZipWriter.h"

using namespace testsupport;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s folder\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    std::string text;
    while (text.size() < 3000) text += "seed text " + std::to_string(text.size()) + "\n";

    std::vector<std::pair<std::string, TZipPackage>> seeds;
    seeds.push_back({"empty.zip", TZipPackage{}});
    TZipPackage p;
    p.Entries = {MakeEntry("a.txt", "stored")};
    seeds.push_back({"stored.zip", p});
    p.Entries = {MakeEntry("d.txt", text, 8)};
    seeds.push_back({"deflated.zip", p});
    p.Entries = {MakeEntry("dd.txt", text, 8, 0x0008), MakeEntry("next.txt", "n")};
    seeds.push_back({"descriptor.zip", p});
    p.Entries = {MakeEntry("sd.txt", text, 0, 0x0008), MakeEntry("n.txt", "n", 8)};
    seeds.push_back({"stored-descriptor.zip", p});
    p.Entries = {MakeEntry("Sub/", ""), MakeEntry("Sub/Deep/x.pdf", "%PDF-1.4", 8),
                 MakeEntry("\xC3\xBC/n.txt", "u", 0, 0x0800), MakeEntry("zero", "", 8)};
    p.Comment = "a comment";
    seeds.push_back({"tree.zip", p});
    p = TZipPackage{};
    p.Entries = {MakeEntry("QuickLook/Preview.pdf", "%PDF-1.3\n" + text, 8), MakeEntry("index.xml", text, 8),
                 MakeEntry("buildVersionHistory.plist", "<plist/>")};
    seeds.push_back({"pages4-like.zip", p});

    for (const auto& [name, package] : seeds) {
        const auto bytes = ZipBytes(package);
        std::ofstream out(folder + "/" + name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    return 0;
}
