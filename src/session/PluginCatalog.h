#pragma once

#include "structview/PluginDefinition.h"
#include "structview/PluginParser.h"

#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>

namespace pelmar {

// The plugin folder: which classes have a plugin file, and each plugin parsed once. The names
// of the folder's entries are registered by each scan and never forgotten (a plugin removed
// from the folder stays listed until the program ends); a scan drops the parsed plugins and
// layouts, so that a map loaded after a plugin was changed sees the change.
class PluginCatalog {
public:
    explicit PluginCatalog(std::filesystem::path folder);

    const std::filesystem::path& folder() const { return folder_; }

    // Registers the name of every entry of the folder (listed when it is first needed, so that
    // commands that need no plugin do not list it); a folder that is missing or cannot be
    // listed registers nothing.
    void ScanForPlugins();

    // True when the entry `tagClass` + ".ent" has been registered.
    bool HasPluginFor(std::string_view tagClass) const;

    // The plugin of `tagClass`, read and parsed at its first use. Throws PelmarError
    // (BadPlugin) naming the file when it cannot be read or parsed, or when no plugin file can
    // exist for the class (its name holds "/" or a zero byte).
    std::shared_ptr<const PluginDef> PluginFor(std::string_view tagClass);
    // What a walk over the map's addresses needs of the plugin of `tagClass`: the whole plugin
    // when it has been parsed, else its layout of addresses (PluginDetail::Addresses), parsed
    // at its first use; a precise relocation reads every class's plugin, and this part of them
    // in half the time. Throws as PluginFor does.
    std::shared_ptr<const PluginDef> LayoutFor(std::string_view tagClass);

    // The path of the plugin file of `tagClass`.
    std::filesystem::path PluginPath(std::string_view tagClass) const;

private:
    using Parsed = std::map<std::string, std::shared_ptr<const PluginDef>, std::less<>>;
    std::shared_ptr<const PluginDef> Parse(std::string_view tagClass, PluginDetail detail) const;
    // The plugin of `tagClass` in `kept`, parsed with `detail` and kept there at its first use.
    std::shared_ptr<const PluginDef> Kept(Parsed& kept, std::string_view tagClass,
                                          PluginDetail detail) const;
    void FinishScan() const;
    std::filesystem::path folder_;
    mutable bool scanPending_ = false;
    mutable std::set<std::string> entries_;
    Parsed parsed_;  // whole plugins
    Parsed layouts_; // layouts of addresses
};

} // namespace pelmar
