// Copying a tag from another map (or from this one). The new file, in order: everything up to
// the end of the tag entries (tag count raised, entries' name and data addresses moved), the
// new entry, the names, the new tag's stored name and a zero byte, the tags' data (addresses
// into it raised), the copied data.

#include "map/HeaderUpkeep.h"
#include "map/Import.h"
#include "map/MapLayout.h"
#include "platform/Error.h"
#include "platform/Int32.h"
#include "platform/Words.h"

#include <array>
#include <cstring>
#include <string>

namespace pelmar {

namespace {

using layout::kEntrySize;

constexpr int32_t kEntryBytes = static_cast<int32_t>(kEntrySize);
constexpr uint32_t kTagIdStep = 0x00010001;

[[noreturn]] void Refuse(const std::string& problem, std::optional<int64_t> at = {}) {
    throw PelmarError(ErrorKind::Refused, problem, at);
}

// The values of one import, fixed before anything is written.
struct ImportLayout {
    int32_t fileLength = 0;     // the file's length before the import
    int32_t entriesEnd = 0;     // where the new entry is inserted: the end of the entries
    int32_t dataStart = 0;      // the first tag's data: where the stored name is inserted
    int32_t shift = 0;          // how far the data moves: one entry plus the stored name
    int32_t newDataAddress = 0; // map address of the copied data

    // How far the byte at file offset `offset` moves: not at all before the new entry, by one
    // entry up to the first tag's data, by the whole shift from there on.
    int32_t MoveOf(int32_t offset) const {
        if (offset < entriesEnd) {
            return 0;
        }
        return offset < dataStart ? kEntryBytes : shift;
    }
};

const Tag& SourceTag(const HaloPcMap& source, int32_t n) {
    if (n < 0 || n >= source.TagCount) {
        throw PelmarError(ErrorKind::NotFound, "there is no tag number " + std::to_string(n) +
                                                   " to import (the map has " +
                                                   std::to_string(source.TagCount) + " tags)");
    }
    const Tag& tag = source.TagCache[static_cast<size_t>(n)];
    if (!tag.HasData()) {
        Refuse("tag " + tag.NameKey() + " has no data in its map to copy: " +
               std::string(WhyNoData(tag.place)));
    }
    return tag;
}

// The first tag data in file order: the names end there.
int32_t FirstDataStart(const HaloPcMap& map) {
    int64_t first = static_cast<int64_t>(map.FileLength());
    for (const Tag& t : map.TagCache) {
        if (t.HasData()) {
            first = std::min<int64_t>(first, t.Offset);
        }
    }
    return static_cast<int32_t>(first);
}

// A name that runs across an insertion point would be split by the inserted bytes.
void RequireNamesStayWhole(const HaloPcMap& map, const ImportLayout& l) {
    for (size_t i = 0; i < map.TagCache.size(); ++i) {
        const int64_t start = map.TagCache[i].NameOffset;
        const int64_t end = start + static_cast<int64_t>(map.TagCache[i].Name.size());
        for (int32_t insertAt : {l.entriesEnd, l.dataStart}) {
            if (start < insertAt && insertAt <= end) {
                Refuse("the name of tag " + std::to_string(i) +
                           " runs across the place where the import inserts bytes",
                       insertAt);
            }
        }
    }
}

ImportLayout PlanLayout(const HaloPcMap& map, const Tag& tag, const std::string& storedName) {
    ImportLayout l;
    l.fileLength = static_cast<int32_t>(map.FileLength());
    l.entriesEnd = map.tagOffset + kEntryBytes * map.TagCount;
    l.dataStart = FirstDataStart(map);
    if (l.dataStart < l.entriesEnd) {
        Refuse("the first tag's data starts inside the tag index, which ends at offset " +
                   std::to_string(l.entriesEnd) + "; no tag can be added",
               l.dataStart);
    }
    const uint64_t growth =
        uint64_t{kEntrySize} + storedName.size() + 1 + static_cast<uint64_t>(tag.Size);
    if (static_cast<uint64_t>(l.fileLength) + growth > layout::kMaxMapFileSize) {
        Refuse("the map would grow past " + std::to_string(layout::kMaxMapFileSize) +
               " bytes with the imported tag");
    }
    l.shift = kEntryBytes + static_cast<int32_t>(storedName.size()) + 1;
    l.newDataAddress = AddWrap(map.Magic, l.fileLength + l.shift);
    RequireNamesStayWhole(map, l);
    return l;
}

// The id of the new tag: the last tag's id + 0x00010001, or when another tag has that id, the
// next free id in steps of the same size.
uint32_t NewIdent(const HaloPcMap& map, bool& moved) {
    uint32_t ident = map.TagCache.back().ident + kTagIdStep;
    moved = false;
    while (map.FindTagByIdent(ident)) {
        ident += kTagIdStep;
        moved = true;
    }
    return ident;
}

std::vector<uint8_t> NewEntry(const HaloPcMap& map, const Tag& tag, const ImportLayout& l,
                              uint32_t ident) {
    std::vector<uint8_t> entry(kEntrySize, 0);
    const std::string* codes[] = {&tag.Class1, &tag.Class2, &tag.Class3};
    for (size_t k = 0; k < 3; ++k) {
        std::string stored = HaloPcMap::Reverse(*codes[k]);
        stored.resize(4, ' ');
        std::memcpy(entry.data() + 4 * k, stored.data(), 4);
    }
    StoreU32(entry.data() + layout::kEntryIdentField, ident);
    StoreI32(entry.data() + layout::kEntryNameAddressField,
             AddWrap(map.Magic, l.dataStart + kEntryBytes));
    StoreI32(entry.data() + layout::kEntryDataAddressField, l.newDataAddress);
    return entry;
}

// The tag count, every entry's name address (all names move) and the data addresses of tags
// whose data is here, and the addresses into the data region, which all move. Entries of tags
// without data keep their data address: it is 0, a resource index or no address at all.
void Relocate(const HaloPcMap& map, const ImportLayout& l, FileEdit& edit) {
    using namespace layout;
    edit.SetWord(map.indexOffset + kIndexTagCountField, map.TagCount + 1);
    for (int32_t i = 0; i < map.TagCount; ++i) {
        const Tag& t = map.TagCache[static_cast<size_t>(i)];
        const int64_t entry = map.tagOffset + kEntrySize * i;
        edit.AddWord(entry + kEntryNameAddressField, l.MoveOf(t.NameOffset));
        if (t.HasData()) {
            edit.AddWord(entry + kEntryDataAddressField, l.shift);
        }
    }
    const auto newSize = static_cast<size_t>(l.fileLength + l.shift);
    // The data region's addresses: dataStart + Magic <= w < fileLength + Magic, both bounds
    // 32-bit sums (an empty range when the upper one wraps below the lower).
    const MovedValues region{0, AddWrap(l.dataStart, map.Magic), AddWrap(l.fileLength, map.Magic)};
    edit.Shift(WordsEndingBy(l.dataStart + l.shift, l.fileLength + l.shift, newSize), region,
               l.shift);
}

} // namespace

ImportPlan PlanImport(const HaloPcMap& map, const HaloPcMap& source, int32_t n) {
    const Tag& tag = SourceTag(source, n);
    ImportPlan plan;
    plan.storedName = StoredName(tag.Name, map.TagCount + 1);
    const ImportLayout l = PlanLayout(map, tag, plan.storedName);
    plan.newIdent = NewIdent(map, plan.identMoved);

    const DataMove move{source, map, AddWrap(tag.Offset, source.Magic), tag.Size,
                        l.newDataAddress};
    std::vector<uint8_t> name(plan.storedName.begin(), plan.storedName.end());
    name.push_back(0);
    FileEdit& edit = plan.edit;
    edit.Insert(l.entriesEnd, NewEntry(map, tag, l, plan.newIdent));
    edit.Insert(l.dataStart, std::move(name));
    edit.Insert(l.fileLength, TranslateTagData(tag.TagBlock.bytes(), move));
    Relocate(map, l, edit);
    KeepHeaderTrue(map.bytes(), edit);
    return plan;
}

} // namespace pelmar
