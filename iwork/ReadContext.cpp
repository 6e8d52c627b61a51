#include "iwork/ReadContext.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "document/Limits.h"
#include "iwork/DocumentFields.h"
#include "iwork/Errors.h"
#include "iwork/ObjectTypes.h"
#include "iwork/StorageFields.h"
#include "iwork/Stylesheet.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace iwork::detail {

namespace {

using namespace fields;
namespace limits = doc::limits;

// Equal styles hash alike (their numbers compare with ==, so both zeros hash as one).
std::size_t Hash(const doc::TListStyle& style) {
    std::size_t h = std::hash<std::wstring>()(style.Name);
    auto mix = [&h](std::size_t v) { h ^= v + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2); };
    auto number = [](double v) { return v == 0 ? std::size_t(0) : std::hash<double>()(v); };
    for (const doc::TListLevel& level : style.Levels) {
        mix(static_cast<std::size_t>(level.Label) * 8 + static_cast<std::size_t>(level.Format) * 2 + level.Tiered);
        mix(std::hash<std::u16string>()(level.Bullet + u'\0' + level.Prefix + u'\0' + level.Suffix));
        mix(number(level.Indent));
        mix(number(level.TextIndent));
    }
    return h;
}

const wchar_t* TypeName(std::uint32_t type) {
    switch (type) {
    case types::kTextStorage: return L"text storage";
    case types::kParagraphStyle: return L"paragraph style";
    case types::kCharacterStyle: return L"character style";
    case types::kListStyle: return L"list style";
    case types::kImage: return L"image";
    case types::kTableInfo: return L"table";
    case types::kShapeInfo: return L"text box";
    case types::kSection: return L"section";
    case types::kPageMaster: return L"page master";
    default: return nullptr;
    }
}

}  // namespace

void Damaged(const std::wstring& what) {
    // One sentence, as the other errors of the reader read: "Object 12, a paragraph style, is missing".
    std::wstring sentence = what;
    if (!sentence.empty() && sentence[0] >= L'a' && sentence[0] <= L'z')
        sentence[0] = static_cast<wchar_t>(sentence[0] - L'a' + L'A');
    throw EDamagedDocument(sentence);
}

std::wstring ObjectName(std::uint64_t id) { return L"object " + std::to_wstring(id); }

const TObject& ExpectObject(const TObjectStore& store, std::uint64_t id, std::initializer_list<std::uint32_t> types,
                            const wchar_t* role) {
    const TObject* object = store.Find(id);
    if (!object)
        Damaged(ObjectName(id) + L", a " + role + L", is missing");
    if (std::find(types.begin(), types.end(), object->Type) == types.end()) {
        const wchar_t* name = TypeName(object->Type);
        Damaged(ObjectName(id) + L" should be a " + role + L" but is " +
                (name ? std::wstring(L"a ") + name : L"of type " + std::to_wstring(object->Type)));
    }
    return *object;
}

std::optional<double> Float(const TMessage& message, std::uint32_t field) {
    if (auto v = message.Float(field); v && std::isfinite(*v))
        return *v;
    if (auto v = message.Double(field); v && std::isfinite(*v))
        return *v;
    return std::nullopt;
}

double Float(const TMessage& message, std::uint32_t field, double fallback) {
    return Float(message, field).value_or(fallback);
}

std::optional<TPointValue> Point(const TMessage& message, std::uint32_t field) {
    auto point = message.Message(field);
    if (!point)
        return std::nullopt;
    return TPointValue{Float(*point, point::kX, 0), Float(*point, point::kY, 0)};
}

TDataFiles::TDataFiles(const TObjectStore& store, const std::wstring& dataFolder) : FDataFolder(dataFolder) {
    ListDataFolder();
    // The package metadata is object 2 of Index/Metadata.iwa.
    const TObject* metadata = store.Find(2);
    if (!metadata || metadata->Type != types::kPackageMetadata)
        return;
    for (const auto& data : metadata->Payload.Messages(package_metadata::kDataFiles)) {
        auto id = data.Varint(data_file::kIdentifier);
        if (!id)
            continue;
        auto& names = FNames[*id];
        // The file name on disk (with its identifier appended), else the preferred name.
        for (std::uint32_t field : {data_file::kFileName, data_file::kPreferredFileName}) {
            auto name = data.String(field);
            if (!name || name->empty())
                continue;
            std::wstring wide = Wide(*name);
            // A name is one file of Data/: nothing that could reach outside it.
            if (wide.find_first_of(L"\\/:") != std::wstring::npos || wide == L"." || wide == L"..")
                continue;
            // Pages writes non-ASCII names into the ZIP in UTF-8 without the flag that says so,
            // so an unpacked package holds them as code page 437 read them.
            std::wstring unpacked = platform::DecodeZipName(*name, false);
            names.push_back(std::move(wide));
            if (unpacked != names.back())
                names.push_back(std::move(unpacked));
        }
    }
}

std::wstring TDataFiles::Path(std::uint64_t dataId) const {
    auto it = FNames.find(dataId);
    if (it == FNames.end())
        return {};
    for (const auto& name : it->second) {
        // As the file system finds it: Windows ignores case.
        auto file = FFiles.find(name);
        if (file == FFiles.end())
            file = FFiles.find(platform::LowerCase(name));
        if (file != FFiles.end())
            return FDataFolder + L"\\" + file->second;
    }
    return {};
}

void TDataFiles::ListDataFolder() {
    if (FDataFolder.empty())
        return;
    // Listed once: only the package's own files count (a link in a folder document may
    // lead to any file of the computer), and a document names thousands of pictures.
    platform::TFindListing listing = platform::TFindListing::Start(FDataFolder + L"\\*.*");
    platform::TFindEntry entry;
    while (listing.Next(entry)) {
        if (!platform::IsOwnEntry(entry) || (entry.Attributes & platform::kAttrDirectory))
            continue;
        FFiles.insert_or_assign(entry.Name, entry.Name);  // an exact name wins over another's case
        FFiles.emplace(platform::LowerCase(entry.Name), entry.Name);
    }
}

TReadContext::TReadContext(const TObjectStore& store, const TModernPackage& package, doc::TDocument& document)
    : Store(store),
      Package(package),
      Doc(document),
      FStyles(std::make_unique<TStylesheet>(store)),
      FData(store, package.DataFolder) {}

TReadContext::~TReadContext() = default;

int TReadContext::AddListStyle(doc::TListStyle style) {
    // Found by hash: a document may hold thousands of list styles (or one at thousands of sizes).
    auto& lists = Doc.ListStyles;
    const std::size_t hash = Hash(style);
    for (auto [it, end] = FListsByHash.equal_range(hash); it != end; ++it)
        if (lists[it->second] == style)
            return it->second;
    lists.push_back(std::move(style));
    const int index = static_cast<int>(lists.size() - 1);
    FListsByHash.emplace(hash, index);
    return index;
}

int TReadContext::ListStyleIndex(std::uint64_t id, double fontSize) {
    const auto key = std::make_pair(id, fontSize);
    if (auto known = FListIndexes.find(key); known != FListIndexes.end())
        return known->second;
    const int index = AddListStyle(Styles().List(id, fontSize));
    FListIndexes.emplace(key, index);
    return index;
}

int TReadContext::LinkIndex(const TObject& hyperlink) {
    if (auto known = FLinks.find(hyperlink.Id); known != FLinks.end())
        return known->second;
    const auto target = hyperlink.Payload.String(hyperlink::kTarget);

    int index = -1;
    if (target && !target->empty()) {
        Doc.Links.push_back(Wide(*target));
        index = static_cast<int>(Doc.Links.size() - 1);
    }
    FLinks.emplace(hyperlink.Id, index);
    return index;
}

void TReadContext::Charge(std::size_t units) {
    FSpent += units;
    if (FSpent > limits::kReadBudget)
        Damaged(L"the document asks for more objects, table cells and text than any real document holds");
}

void TReadContext::ChargeParagraphs(std::size_t count, std::size_t characters) {
    Charge(count * limits::price::kParagraph + characters / limits::price::kCharactersPerUnit);
}

void TReadContext::ChargeStorage(std::uint64_t id, std::size_t bytes) {
    if (!FStoragesRead.insert(id).second)
        Charge(bytes * limits::price::kStorageByteReadAgain);
}

TReadContext::TNesting::TNesting(TReadContext& context, std::uint64_t id) : FContext(context), FId(id) {
    FContext.Charge(limits::price::kObject);
    if (FContext.FDepth >= limits::kMaxNesting)

        Damaged(ObjectName(id) + L" is nested deeper than a document can be");
    if (!FContext.FOpen.insert(id).second)
        Damaged(ObjectName(id) + L" contains itself");
    ++FContext.FDepth;
}

TReadContext::TNesting::~TNesting() {
    --FContext.FDepth;
    FContext.FOpen.erase(FId);
}

}  // namespace iwork::detail
