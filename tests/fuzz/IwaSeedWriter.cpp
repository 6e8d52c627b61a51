// Writes the IWA fuzzer's seeds into the folder given first: small .iwa files built with the
// test writer, their decompressed archives, and the decompressed archives of every .iwa
// named after the folder (the corpus's files, which run-iwa.sh copies in as they are).

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "iwork/IwaArchive.h"
#include "platform/Exception.h"
#include "support/IwaWriter.h"

using namespace testsupport;

namespace {

void Save(const std::string& path, const TBytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s folder [file.iwa...]\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];

    const TProtoWriter style = TProtoWriter()
                                   .Message(1, TProtoWriter().String(1, "Body").String(2, "body").Reference(3, 9))
                                   .Message(11, TProtoWriter().Bool(1, true).Float(3, 11.0f).String(5, "Helvetica"))
                                   .PackedFloats(12, {1.0f, 2.5f});
    const TProtoWriter storage =
        TProtoWriter()
            .Varint(1, 0)
            .String(3, "My hovercraft is full of eels.\n")
            .Message(5, TProtoWriter().Message(1, TProtoWriter().Varint(1, 0).Reference(2, 20)))
            .PackedVarints(14, {0, 31})
            .SInt(20, -7)
            .Double(21, 0.5);
    TIwaObject patched(30, 2001, storage, {20});
    patched.Patches = {{2001, TProtoWriter().String(3, "patch")}};
    TIwaObject unpacked(31, 2022, style, {9, 10, 11});
    unpacked.UnpackedReferences = true;
    const std::vector<TIwaObject> objects = {
        TIwaObject(1, 10000, TProtoWriter().Reference(4, 30).Float(30, 595.0f).Float(31, 842.0f), {30}),
        TIwaObject(20, 2022, style, {9}),
        patched,
        unpacked,
    };
    Save(folder + "/synthetic.iwa", IwaFile(objects));
    Save(folder + "/synthetic-small-chunks.iwa", IwaFile(objects, 40));
    Save(folder + "/synthetic.archives", IwaArchives(objects));

    for (int i = 2; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        const TBytes bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        try {
            Save(folder + "/decompressed-" + std::to_string(i - 1) + ".archives", iwork::DecompressIwa(bytes));
        } catch (const Exception& e) {
            std::fprintf(stderr, "%s: %s\n", argv[i], e.what());
        }
    }
    return 0;
}
