#include "map/HaloPcMap.h"

#include <algorithm>

namespace pelmar {

std::string HaloPcMap::Reverse(std::string_view s) {
    return std::string(s.rbegin(), s.rend());
}

std::optional<int32_t> HaloPcMap::FindTagByName(const std::string& key) const {
    auto it = TagByName.find(key);
    if (it == TagByName.end()) {
        return std::nullopt;
    }
    return it->second;
}

std::optional<int32_t> HaloPcMap::FindTagByIdent(uint32_t ident) const {
    auto it = TagsByIdent.find(ident);
    if (it == TagsByIdent.end()) {
        return std::nullopt;
    }
    return it->second;
}

const std::vector<std::string>& HaloPcMap::NamesOfClass(const std::string& class1) const {
    static const std::vector<std::string> none;
    auto it = TagsByClass.find(class1);
    return it == TagsByClass.end() ? none : it->second;
}

void HaloPcMap::IndexTag(int32_t index) {
    const Tag& t = TagCache[static_cast<size_t>(index)];
    TagsByIdent[t.ident] = index;
    TagByName[t.NameKey()] = index;
    auto [it, isNewClass] = TagsByClass.try_emplace(t.Class1);
    it->second.push_back(t.Name);
    if (isNewClass) {
        TagClass.insert(std::upper_bound(TagClass.begin(), TagClass.end(), t.Class1), t.Class1);
    }
}

} // namespace pelmar
