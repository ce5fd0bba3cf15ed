#pragma once

#include <pugixml.hpp>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace pelmar {

// The message shown when a plugin's root has no struct element.
inline constexpr char kNoInternalNodes[] = "No internal nodes found.";

// The plugin registry: the elements of the installed plugin that the chunk tree has needed
// (XmlNodeArray, the root at index 0) and the index from struct keys to positions in it
// (XmlNodeArrayDictionary). The registry keeps the parsed document alive as long as it holds
// elements of it.
class PluginRegistry {
public:
    // Starts a new, empty element list and lets go of the document. The dictionary keeps its
    // keys; they are registered again before the chunk tree uses them.
    void Reset();

    // Keeps `doc` alive until the next Reset.
    void Adopt(std::shared_ptr<pugi::xml_document> doc);

    // Appends `node` to the element list and points `key` at it; returns its index.
    int32_t Register(const std::string& key, pugi::xml_node node);

    // The element registered last under `key`. A key never registered resolves to index 0,
    // the installed plugin's root. An index with no element behind it (no plugin installed,
    // or a key left over from an earlier plugin) gives the empty node, which has no children
    // and no attributes.
    pugi::xml_node Lookup(const std::string& key) const;

    const std::vector<pugi::xml_node>& XmlNodeArray() const { return nodes_; }
    const std::unordered_map<std::string, int32_t>& XmlNodeArrayDictionary() const {
        return index_;
    }

private:
    std::shared_ptr<pugi::xml_document> doc_;
    std::vector<pugi::xml_node> nodes_;
    std::unordered_map<std::string, int32_t> index_;
};

// True for an element named "struct" in any mix of capitals.
bool IsStructElement(pugi::xml_node node);

// True when `node` has at least one child that is a struct element.
bool StructsCheck(pugi::xml_node node);

// The attribute `name` of `node`; empty when absent.
std::string_view GetAttribute(pugi::xml_node node, const char* name);

// Installs the parsed plugin `doc`, whose root is its first element. When the root has no
// struct element, nothing changes and the result is empty: the caller shows kNoInternalNodes.
// Otherwise the registry is emptied, keeps `doc`, and registers the root under its `class`
// attribute (at index 0); the result is that class.
std::optional<std::string> LoadPlugin(PluginRegistry& registry,
                                      std::shared_ptr<pugi::xml_document> doc);

} // namespace pelmar
