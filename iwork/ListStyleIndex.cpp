#include "iwork/ListStyleIndex.h"

#include <functional>

#include "iwork/Stylesheet.h"

namespace iwork::detail {

namespace {

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

}  // namespace

int TListStyleIndex::Add(doc::TListStyle style) {
    // Found by hash: a document may hold thousands of list styles (or one at thousands of sizes).
    auto& lists = FDoc.ListStyles;
    const std::size_t hash = Hash(style);
    for (auto [it, end] = FByHash.equal_range(hash); it != end; ++it)
        if (lists[it->second] == style)
            return it->second;
    lists.push_back(std::move(style));
    const int index = static_cast<int>(lists.size() - 1);
    FByHash.emplace(hash, index);
    return index;
}

int TListStyleIndex::Index(std::uint64_t id, double fontSize) {
    const auto key = std::make_pair(id, fontSize);
    if (auto known = FIndexes.find(key); known != FIndexes.end())
        return known->second;
    const int index = Add(FStyles.List(id, fontSize));
    FIndexes.emplace(key, index);
    return index;
}

}  // namespace iwork::detail
