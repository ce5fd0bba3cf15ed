#pragma once

#include "map/Tag.h"
#include "platform/ByteBuffer.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace pelmar {

// One opened map file: its header values, its tags in index order and the lookup tables
// built from them. File offset = map address - Magic.
class HaloPcMap {
public:
    // Reads and decodes the map at `path`. On any failure it throws PelmarError naming the
    // file and the problem, and this object keeps everything it held before.
    void LoadMap(const std::filesystem::path& path);

    // Decodes a map from bytes already in memory (`path` only names it in messages).
    static HaloPcMap FromBytes(std::shared_ptr<const ByteBuffer> bytes,
                               const std::filesystem::path& path);

    // `s` with its characters in reverse order.
    static std::string Reverse(std::string_view s);

    bool IsLoaded() const { return !TagCache.empty(); }
    // The map's scenario: the tag of index entry 0. Requires a loaded map.
    const Tag& Scenario() const { return TagCache.front(); }
    // Index into TagCache of the tag stored under `class1 + ":" + name`, if any.
    std::optional<int32_t> FindTagByName(const std::string& key) const;
    std::optional<int32_t> FindTagByIdent(uint32_t ident) const;
    // The names of a class's tags in index order (empty for an unknown class).
    const std::vector<std::string>& NamesOfClass(const std::string& class1) const;

    std::filesystem::path f; // the loaded file; empty before the first load
    int32_t indexOffset = 0;
    int32_t MapMagic = 0;
    int32_t tagOffset = 0;
    int32_t Magic = 0;
    int32_t TagCount = 0;
    std::vector<Tag> TagCache;
    std::unordered_map<std::string, int32_t> TagByName;          // class + ":" + name -> index
    std::unordered_map<uint32_t, int32_t> TagsByIdent;           // tag id -> index
    std::map<std::string, std::vector<std::string>> TagsByClass; // class -> names
    std::vector<std::string> TagClass;                           // distinct classes, ascending

    // Records `tag` (already appended at `index`) in the lookup tables; a class seen for the
    // first time is added to TagClass, which stays sorted.
    void IndexTag(int32_t index);

    // Copies tag `n` of `sourceMap` (its name, class codes and data) into this map's file and
    // model, translating tag references and rebasing the data's own addresses (map/TagImport.h).
    // The file is replaced in one crash-safe write; on any failure it throws PelmarError and
    // leaves the file and both models as they were.
    void AddMetaToMapFromMap(const HaloPcMap& sourceMap, int32_t n);

    // Relocation after `amount` bytes were inserted at file offset `insertAt`; `file` holds
    // the map file's bytes with the insertion already made (see map/Relocation.h).
    // UpdateFromPoint moves the data addresses of the index and every address-like word from
    // `scanStart` to the end; UpdateScnr moves those of the scenario's data up to its scan end.
    void UpdateFromPoint(std::span<uint8_t> file, int32_t scanStart, int32_t insertAt,
                         int32_t amount) const;
    void UpdateScnr(std::span<uint8_t> file, int32_t insertAt, int32_t amount) const;
    // The in-memory side, applied once the edited file is on disk: every tag whose data starts
    // at or after `insertAt` moves by `amount`, and each Size becomes what a reload would give.
    void RecordInsertion(int32_t insertAt, int32_t amount);
};

} // namespace pelmar
