#pragma once

#include "map/MapHeader.h"
#include "map/Tag.h"
#include "platform/ByteBuffer.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace pelmar {

// One opened map: its header values, its tags in index order and the lookup tables built from
// them. File offset = map address - Magic. A model is decoded from the file's bytes and never
// reads a file itself (the session owns the file).
class HaloPcMap {
public:
    // Decodes the map held in `bytes`. Throws PelmarError (BadMap, with the offset) when the
    // bytes do not hold a map this program can open; the checks made here are the layout
    // checks that every edit's result must pass too.
    static HaloPcMap Decode(std::shared_ptr<const ByteBuffer> bytes);
    // The same for bytes that `owner` keeps alive (a mapped file, for one).
    static HaloPcMap Decode(std::shared_ptr<const void> owner, std::span<const uint8_t> bytes);

    // `s` with its characters in reverse order (class codes are stored reversed).
    static std::string Reverse(std::string_view s);

    bool IsLoaded() const { return !TagCache.empty(); }
    // The map's scenario: the tag of index entry 0. Requires a loaded map.
    const Tag& Scenario() const { return TagCache.front(); }
    // Index into TagCache of the tag whose key (class + ":" + name) is `key`, if any; when
    // several have it, the last in index order.
    std::optional<int32_t> FindTagByName(std::string_view key) const;
    std::optional<int32_t> FindTagByIdent(uint32_t ident) const;
    // The indexes of a class's tags in index order (empty for an unknown class).
    const std::vector<int32_t>& TagsOfClass(const std::string& class1) const;
    // The bytes the model was decoded from: the file as it was when loaded or last edited.
    std::span<const uint8_t> bytes() const;
    uint64_t FileLength() const { return bytes().size(); }

    std::optional<MapHeader> header; // present when the file begins with the signature
    // Whether the header's checksum matches the contents, when the owner of the file knows it
    // (computing it reads the whole file).
    std::optional<bool> checksumUpToDate;
    int32_t indexOffset = 0;
    int32_t MapMagic = 0;
    int32_t tagOffset = 0;
    int32_t Magic = 0;
    int32_t TagCount = 0;
    std::vector<Tag> TagCache;
    std::unordered_map<uint32_t, int32_t> TagsByIdent;       // tag id -> index
    std::map<std::string, std::vector<int32_t>> TagsByClass; // class -> indexes
    std::vector<std::string> TagClass;                       // distinct classes, ascending

private:
    // Fills the lookup tables and the sorted list of classes from TagCache.
    void IndexTags();

    // Keys of TagByName: the class's four bytes and a view of the tag's shared name.
    struct NameKey {
        std::array<char, 4> cls;
        std::string_view name;
        bool operator==(const NameKey&) const = default;
    };
    struct NameKeyHash {
        size_t operator()(const NameKey& k) const;
    };
    static std::optional<NameKey> KeyOf(std::string_view cls, std::string_view name);

    std::shared_ptr<const void> owner_;
    std::span<const uint8_t> bytes_;
    std::unordered_map<NameKey, int32_t, NameKeyHash> byName_; // TagByName

    friend class MapDecoder;
};

} // namespace pelmar
