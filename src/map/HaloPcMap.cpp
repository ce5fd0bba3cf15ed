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

void HaloPcMap::IndexTags() {
    TagsByIdent.reserve(TagCache.size());
    byName_.reserve(TagCache.size());
    // A class's four bytes read as a big-endian number sort as its text does.
    std::unordered_map<uint32_t, std::vector<int32_t>> byClass;
    for (size_t i = 0; i < TagCache.size(); ++i) {
        const Tag& t = TagCache[i];
        const auto index = static_cast<int32_t>(i);
        TagsByIdent[t.ident] = index;
        if (const std::optional<NameKey> key = KeyOf(t.Class1, t.Name)) {
            byName_[*key] = index;
        }
        uint32_t code = 0;
        for (const char c : std::string_view(t.Class1).substr(0, 4)) {
            code = (code << 8) | static_cast<unsigned char>(c);
        }
        byClass[code].push_back(index);
    }
    std::vector<uint32_t> codes;
    codes.reserve(byClass.size());
    for (const auto& [code, tags] : byClass) {
        codes.push_back(code);
    }
    std::sort(codes.begin(), codes.end());
    for (const uint32_t code : codes) {
        std::vector<int32_t>& tags = byClass[code];
        const std::string& name = TagCache[static_cast<size_t>(tags.front())].Class1;
        TagsByClass.emplace_hint(TagsByClass.end(), name, std::move(tags));
        TagClass.push_back(name);
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
