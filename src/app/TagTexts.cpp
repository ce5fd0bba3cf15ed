#include "app/TagTexts.h"

#include "app/BytesText.h"

#include <algorithm>

namespace pelmar::app {

QStringList TagTexts(const HaloPcMap& map, const std::vector<std::string>& classes) {
    const bool any = classes.empty() || std::ranges::find(classes, "*") != classes.end();
    std::vector<std::string> keys;
    for (const Tag& tag : map.TagCache) {
        if (any || std::ranges::find(classes, tag.Class1) != classes.end()) {
            keys.push_back(tag.NameKey());
        }
    }
    std::ranges::sort(keys);
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(keys.size()));
    for (const std::string& key : keys) {
        texts << BytesText(key);
    }
    return texts;
}

} // namespace pelmar::app
