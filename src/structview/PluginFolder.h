#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace pelmar {

// The names of the entries found in the plugin folder (the window's PluginsDic). Each scan
// registers every entry of the folder, whatever its kind or extension; nothing is ever
// removed, so the names registered are the union of every scan so far.
class PluginFolder {
public:
    // Registers the name of every entry of `folder`, with its 1-based position in the listing
    // sorted by name. A folder that is missing or cannot be listed registers nothing.
    void ScanForPlugins(const std::filesystem::path& folder);

    // True when the entry `tagClass` + ".ent" has been registered.
    bool HasPluginFor(std::string_view tagClass) const;

    // The position registered for entry `name`, if it has been registered.
    std::optional<int32_t> Lookup(const std::string& name) const;

    size_t size() const { return entries_.size(); }

private:
    std::unordered_map<std::string, int32_t> entries_;
};

} // namespace pelmar
