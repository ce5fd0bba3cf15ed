#include "FieldAttributes.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string_view>
#include <utility>
#include <vector>

namespace makeplugins {

namespace {

using nlohmann::json;

// Boolean markers, in the order the markers attribute lists them.
constexpr std::array<std::string_view, 8> kMarkers = {
    "cache_only", "non_cached",    "mcc_only",      "unused",
    "flagged",    "zero_on_index", "ignore_cached", "compile_ignore"};

// Keys read elsewhere or deliberately left out of plugins (typedef, file_offset, index_owner).
constexpr std::array<std::string_view, 21> kOtherKeys = {
    "name",        "type",        "offset",        "size",          "count",           "bounds",
    "max",         "classes",     "non_null",      "external_file", "pointer",         "index_of",
    "options",     "bits",        "element_size",  "struct",        "cache_only_bits", "typedef",
    "file_offset", "index_owner", "shifted_by_one"};

bool Contains(const auto& list, const auto& key) {
    return std::find(list.begin(), list.end(), key) != list.end();
}

// True when `key` is present and not false (external_file holds a file name).
bool IsSet(const json& field, const char* key) {
    const auto it = field.find(key);
    return it != field.end() && !(it->is_boolean() && !it->get<bool>());
}

std::string JoinedClasses(const json& classes) {
    std::string joined;
    for (const json& c : classes) {
        joined += (joined.empty() ? "" : ",") + c.get<std::string>();
    }
    return joined;
}

std::string TrueMarkers(const json& field) {
    std::string listed;
    for (std::string_view marker : kMarkers) {
        if (IsSet(field, std::string(marker).c_str())) {
            listed += (listed.empty() ? "" : " ") + std::string(marker);
        }
    }
    return listed;
}

// Bit index of one cache_only_bits entry, which is either an index or a bit name.
long long CacheOnlyBit(const json& entry, const json& bits, const std::string& where) {
    if (entry.is_number_integer()) {
        return entry.get<long long>();
    }
    const auto first = std::find(bits.begin(), bits.end(), entry);
    if (first == bits.end() || std::find(std::next(first), bits.end(), entry) != bits.end()) {
        throw std::runtime_error(where + ": cache-only bit " + entry.dump() +
                                 " is not exactly one of the field's bits");
    }
    return std::distance(bits.begin(), first);
}

void AddBits(pugi::xml_node node, const json& field, const std::string& where) {
    const json& bits = field.at("bits");
    std::vector<long long> cacheOnly;
    for (const json& entry : field.value("cache_only_bits", json::array())) {
        cacheOnly.push_back(CacheOnlyBit(entry, bits, where));
    }
    for (std::size_t i = 0; i < bits.size(); ++i) {
        pugi::xml_node bit = node.append_child("bit");
        bit.append_attribute("index") = static_cast<long long>(i);
        bit.append_attribute("name") = bits[i].get<std::string>().c_str();
        if (Contains(cacheOnly, static_cast<long long>(i))) {
            bit.append_attribute("cacheonly") = "true";
        }
    }
}

void AddOptions(pugi::xml_node node, const json& options) {
    for (std::size_t i = 0; i < options.size(); ++i) {
        pugi::xml_node option = node.append_child("option");
        option.append_attribute("value") = static_cast<long long>(i);
        option.append_attribute("name") = options[i].get<std::string>().c_str();
    }
}

} // namespace

void CheckKnownKeys(const json& field, const std::string& where) {
    for (const auto& [key, value] : field.items()) {
        if (!Contains(kMarkers, key) && !Contains(kOtherKeys, key)) {
            throw std::runtime_error(where + " > " + field.value("name", std::string()) +
                                     ": unknown field key \"" + key + "\"");
        }
    }
}

void AddPlacement(pugi::xml_node node, const json& field, long long size) {
    node.append_attribute("name") = field.at("name").get<std::string>().c_str();
    node.append_attribute("offset") = field.at("offset").get<long long>();
    node.append_attribute("size") = size;
}

void AddOptionalAttributes(pugi::xml_node node, const json& field) {
    if (field.contains("count")) {
        node.append_attribute("count") = field.at("count").get<long long>();
    }
    const std::array<std::pair<const char*, const char*>, 2> flagsBeforeMax = {
        {{"bounds", "bounds"}, {"shifted_by_one", "shifted"}}};
    for (const auto& [key, attribute] : flagsBeforeMax) {
        if (IsSet(field, key)) {
            node.append_attribute(attribute) = "true";
        }
    }
    if (field.contains("max")) {
        node.append_attribute("max") = field.at("max").get<long long>();
    }
    if (field.contains("classes")) {
        node.append_attribute("classes") = JoinedClasses(field.at("classes")).c_str();
    }
    const std::array<std::pair<const char*, const char*>, 3> flagsAfterMax = {
        {{"non_null", "nonnull"}, {"external_file", "external"}, {"pointer", "pointer"}}};
    for (const auto& [key, attribute] : flagsAfterMax) {
        if (IsSet(field, key)) {
            node.append_attribute(attribute) = "true";
        }
    }
    if (field.contains("index_of")) {
        node.append_attribute("indexof") = field.at("index_of").get<std::string>().c_str();
    }
    if (const std::string markers = TrueMarkers(field); !markers.empty()) {
        node.append_attribute("markers") = markers.c_str();
    }
}

void AddValueNames(pugi::xml_node node, const json& field, const std::string& where) {
    if (field.contains("options")) {
        AddOptions(node, field.at("options"));
    }
    if (field.contains("bits")) {
        AddBits(node, field, where);
    }
}

} // namespace makeplugins
