#include "iwork/ReadContext.h"

#include <algorithm>
#include <cmath>

#include "iwork/CommonFields.h"
#include "document/Errors.h"
#include "iwork/ObjectTypes.h"
#include "iwork/StorageFields.h"
#include "iwork/Stylesheet.h"
#include "platform/Text.h"

namespace iwork::detail {

namespace {

using namespace fields;

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
    throw doc::EDamagedDocument(sentence);
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

TReadContext::TReadContext(const TObjectStore& store, const std::wstring& dataFolder, doc::TDocument& document)
    : Store(store),
      Doc(document),
      FStyles(std::make_unique<TStylesheet>(store)),
      FData(store, dataFolder),
      Lists(document, *FStyles) {}

TReadContext::~TReadContext() = default;

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

}  // namespace iwork::detail
