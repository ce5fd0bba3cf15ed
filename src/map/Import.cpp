// Copying a tag from another map (or from this one). The new file, in order: everything up to
// the end of the tag entries (tag count raised, entries' name and data addresses moved), the
// new entry, the names, the new tag's stored name and a zero byte, the tags' data (addresses
// into it raised), the copied data.

#include "map/Import.h"
#include "map/HeaderUpkeep.h"
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

} // namespace

int32_t ImportLayout::MoveOf(int32_t offset) const {
    if (offset < entriesEnd) {
        return 0;
    }
    return offset < dataStart ? kEntryBytes : shift;
}

const Tag& ImportedTag(const HaloPcMap& source, int32_t n) {
    if (n < 0 || n >= source.TagCount) {
        throw PelmarError(ErrorKind::NotFound, "there is no tag number " + std::to_string(n) +
                                                   " to import (the map has " +
                                                   std::to_string(source.TagCount) + " tags)");
    }
    const Tag& tag = source.TagCache[static_cast<size_t>(n)];
    if (!tag.HasData()) {
        Refuse("tag " + tag.NameKey() +
               " has no data in its map to copy: " + std::string(WhyNoData(tag.place)));
    }
    return tag;
}

namespace {

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

} // namespace

ImportLayout PlanImportLayout(const HaloPcMap& map, const Tag& tag, const std::string& storedName,
                              bool alignData) {
    ImportLayout l;
    l.fileLength = static_cast<int32_t>(map.FileLength());
    l.entriesEnd = map.tagOffset + kEntryBytes * map.TagCount;
    l.dataStart = FirstDataStart(map);
    if (l.dataStart < l.entriesEnd) {
        Refuse("the first tag's data starts inside the tag index, which ends at offset " +
                   std::to_string(l.entriesEnd) + "; no tag can be added",
               l.dataStart);
    }
    l.nameBytes = static_cast<int32_t>(storedName.size()) + 1;
    if (alignData) {
        l.nameBytes = (l.nameBytes + 3) & ~3;
    }
    const uint64_t growth =
        uint64_t{kEntrySize} + static_cast<uint64_t>(l.nameBytes) + static_cast<uint64_t>(tag.Size);
    if (static_cast<uint64_t>(l.fileLength) + growth > layout::kMaxMapFileSize) {
        Refuse("the map would grow past " + std::to_string(layout::kMaxMapFileSize) +
               " bytes with the imported tag");
    }
    l.shift = kEntryBytes + l.nameBytes;
    l.newDataAddress = AddWrap(map.Magic, l.fileLength + l.shift);
    RequireNamesStayWhole(map, l);
    return l;
}

uint32_t NewTagIdent(const HaloPcMap& map, bool& moved) {
    uint32_t ident = map.TagCache.back().ident + kTagIdStep;
    moved = false;
    while (map.FindTagByIdent(ident)) {
        ident += kTagIdStep;
        moved = true;
    }
    return ident;
}

namespace {

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

// The data region's addresses, moved by value: dataStart + Magic <= w < fileLength + Magic, both
// bounds 32-bit sums (an empty range when the upper one wraps below the lower).
void MoveDataRegion(const HaloPcMap& map, const ImportLayout& l, FileEdit& edit) {
    const auto newSize = static_cast<size_t>(l.fileLength + l.shift);
    const MovedValues region{0, AddWrap(l.dataStart, map.Magic), AddWrap(l.fileLength, map.Magic)};
    edit.Shift(WordsEndingBy(l.dataStart + l.shift, l.fileLength + l.shift, newSize), region,
               l.shift);
}

} // namespace

void AddEntryAndName(const HaloPcMap& map, const Tag& tag, const ImportLayout& l,
                     const ImportPlan& plan, FileEdit& edit) {
    using namespace layout;
    std::vector<uint8_t> name(plan.storedName.begin(), plan.storedName.end());
    name.resize(static_cast<size_t>(l.nameBytes), 0);
    edit.Insert(l.entriesEnd, NewEntry(map, tag, l, plan.newIdent));
    edit.Insert(l.dataStart, std::move(name));
    edit.SetWord(map.indexOffset + kIndexTagCountField, map.TagCount + 1);
    edit.ops.reserve(edit.ops.size() + 2 * static_cast<size_t>(map.TagCount));
    // Every name moves; data addresses only of tags whose data is here (the others hold 0, a
    // resource index or no address at all).
    for (int32_t i = 0; i < map.TagCount; ++i) {
        const Tag& t = map.TagCache[static_cast<size_t>(i)];
        const int64_t entry = map.tagOffset + kEntrySize * i;
        edit.AddWord(entry + kEntryNameAddressField, l.MoveOf(t.NameOffset));
        if (t.HasData()) {
            edit.AddWord(entry + kEntryDataAddressField, l.shift);
        }
    }
}

ImportPlan PlanImport(const HaloPcMap& map, const HaloPcMap& source, int32_t n) {
    const Tag& tag = ImportedTag(source, n);
    ImportPlan plan;
    plan.storedName = StoredName(tag.Name, map.TagCount + 1);
    const ImportLayout l = PlanImportLayout(map, tag, plan.storedName, false);
    plan.newIdent = NewTagIdent(map, plan.identMoved);
    const DataMove move{source, map, AddWrap(tag.Offset, source.Magic), tag.Size, l.newDataAddress};
    AddEntryAndName(map, tag, l, plan, plan.edit);
    plan.edit.Insert(l.fileLength, TranslateTagData(tag.TagBlock.bytes(), move));
    MoveDataRegion(map, l, plan.edit);
    KeepHeaderTrue(map, plan.edit);
    return plan;
}

} // namespace pelmar
