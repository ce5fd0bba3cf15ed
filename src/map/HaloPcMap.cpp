#include "map/HaloPcMap.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace pelmar {

std::string HaloPcMap::Reverse(std::string_view s) {
    return std::string(s.rbegin(), s.rend());
}

size_t HaloPcMap::NameKeyHash::operator()(const NameKey& k) const {
    uint32_t cls = 0;
    std::memcpy(&cls, k.cls.data(), 4);
    return std::hash<std::string_view>()(k.name) ^ (size_t{cls} * 0x9E3779B97F4A7C15ull);
}

std::optional<HaloPcMap::NameKey> HaloPcMap::KeyOf(std::string_view cls, std::string_view name) {
    if (cls.size() != 4) {
        return std::nullopt;
    }
    NameKey key{{}, name};
    std::memcpy(key.cls.data(), cls.data(), 4);
    return key;
}

std::optional<int32_t> HaloPcMap::FindTagByName(std::string_view key) const {
    if (key.size() < 5 || key[4] != ':') {
        return std::nullopt;
    }
    const std::optional<NameKey> k = KeyOf(key.substr(0, 4), key.substr(5));
    const auto it = byName_.find(*k);
    if (it == byName_.end()) {
        return std::nullopt;
    }
    return it->second;
}

std::optional<int32_t> HaloPcMap::FindTagByIdent(uint32_t ident) const {
    const auto it = TagsByIdent.find(ident);
    if (it == TagsByIdent.end()) {
        return std::nullopt;
    }
    return it->second;
}

const std::vector<int32_t>& HaloPcMap::TagsOfClass(const std::string& class1) const {
    static const std::vector<int32_t> none;
    const auto it = TagsByClass.find(class1);
    return it == TagsByClass.end() ? none : it->second;
}

std::span<const uint8_t> HaloPcMap::bytes() const {
    return bytes_;
}

void HaloPcMap::IndexTag(int32_t index) {
    const Tag& t = TagCache[static_cast<size_t>(index)];
    TagsByIdent[t.ident] = index;
    if (const std::optional<NameKey> key = KeyOf(t.Class1, t.Name)) {
        byName_[*key] = index;
    }
    auto [it, isNewClass] = TagsByClass.try_emplace(t.Class1);
    it->second.push_back(index);
    if (isNewClass) {
        TagClass.insert(std::upper_bound(TagClass.begin(), TagClass.end(), t.Class1), t.Class1);
    }
}

std::string_view WhyNoData(DataPlace place) {
    switch (place) {
    case DataPlace::Here:
        return "";
    case DataPlace::BspArea:
        return "the BSP is stored in its own area of the file";
    case DataPlace::ResourceMap:
        return "its data is in a resource map";
    case DataPlace::Stub:
        return "it is a stub entry without data";
    case DataPlace::Outside:
        break;
    }
    return "its data address points outside this file";
}

} // namespace pelmar
