#include "structview/PluginFolder.h"

#include <algorithm>
#include <system_error>
#include <vector>

namespace pelmar {

namespace {

// The names of the entries of `folder`, sorted; empty when it cannot be listed.
std::vector<std::string> EntryNames(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

void PluginFolder::ScanForPlugins(const std::filesystem::path& folder) {
    const std::vector<std::string> names = EntryNames(folder);
    for (size_t i = 0; i < names.size(); ++i) {
        entries_[names[i]] = static_cast<int32_t>(i + 1);
    }
}

bool PluginFolder::HasPluginFor(std::string_view tagClass) const {
    return entries_.count(std::string(tagClass) + ".ent") != 0;
}

std::optional<int32_t> PluginFolder::Lookup(const std::string& name) const {
    const auto it = entries_.find(name);
    if (it == entries_.end()) {
        return std::nullopt;
    }
    return it->second;
}

} // namespace pelmar
