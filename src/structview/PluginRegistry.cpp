#include "structview/PluginRegistry.h"

#include "structview/PluginFile.h"
#include "structview/TextValues.h"

namespace pelmar {

void PluginRegistry::Reset() {
    nodes_ = {};
    doc_.reset();
}

void PluginRegistry::Adopt(std::shared_ptr<pugi::xml_document> doc) {
    doc_ = std::move(doc);
}

int32_t PluginRegistry::Register(const std::string& key, pugi::xml_node node) {
    nodes_.push_back(node);
    const auto index = static_cast<int32_t>(nodes_.size() - 1);
    index_[key] = index;
    return index;
}

pugi::xml_node PluginRegistry::Lookup(const std::string& key) const {
    const auto it = index_.find(key);
    const int32_t index = it == index_.end() ? 0 : it->second;
    if (index < 0 || static_cast<size_t>(index) >= nodes_.size()) {
        return {};
    }
    return nodes_[static_cast<size_t>(index)];
}

bool IsStructElement(pugi::xml_node node) {
    return node.type() == pugi::node_element && SameText(node.name(), "struct");
}

bool StructsCheck(pugi::xml_node node) {
    for (pugi::xml_node child : node.children()) {
        if (IsStructElement(child)) {
            return true;
        }
    }
    return false;
}

std::string_view GetAttribute(pugi::xml_node node, const char* name) {
    return node.attribute(name).value();
}

std::optional<std::string> LoadPlugin(PluginRegistry& registry,
                                      std::shared_ptr<pugi::xml_document> doc) {
    const pugi::xml_node root = PluginRoot(*doc);
    if (!StructsCheck(root)) {
        return std::nullopt;
    }
    std::string tagClass(GetAttribute(root, "class"));
    registry.Reset();
    registry.Adopt(std::move(doc));
    registry.Register(tagClass, root);
    return tagClass;
}

} // namespace pelmar
