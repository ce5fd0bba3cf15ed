#include "structview/PreciseEdits.h"

#include "map/HeaderUpkeep.h"
#include "map/MapLayout.h"
#include "platform/Error.h"
#include "platform/Int32.h"
#include "platform/Words.h"

#include <functional>

namespace pelmar {

namespace {

// Adds to `edit` the moves of the declared address words and of the index's addresses: a
// word whose target (word - magic) lies in [from, oldLength) grows by moveOf(target).
void MoveDeclaredAddresses(const HaloPcMap& map, std::span<const AddressSlot> slots, int64_t from,
                           const std::function<int32_t(int32_t)>& moveOf, bool index,
                           FileEdit& edit) {
    const std::span<const uint8_t> file = map.bytes();
    const auto oldLength = static_cast<int64_t>(file.size());
    const auto move = [&](int64_t at, int32_t value) {
        const int32_t target = SubWrap(value, map.Magic);
        if (target >= from && target <= oldLength) { // the end of the file moves too
            edit.AddWord(edit.NewPosition(at), moveOf(target));
        }
    };
    edit.ops.reserve(edit.ops.size() + slots.size() +
                     (index ? 2 * static_cast<size_t>(map.TagCount) : 0));
    for (const AddressSlot& slot : slots) {
        move(slot.at, slot.value);
    }
    for (int32_t i = 0; index && i < map.TagCount; ++i) {
        const int64_t entry = map.tagOffset + layout::kEntrySize * i;
        move(entry + layout::kEntryNameAddressField,
             ReadWord(file, entry + layout::kEntryNameAddressField, "an index entry"));
        if (map.TagCache[static_cast<size_t>(i)].HasData()) {
            move(entry + layout::kEntryDataAddressField,
                 ReadWord(file, entry + layout::kEntryDataAddressField, "an index entry"));
        }
    }
}

// The copy of a chunk that Duplicate inserts, built in one buffer that starts at `insertAt`.
class ChunkCopy {
public:
    ChunkCopy(const HaloPcMap& map, const DuplicationTarget& t, bool deep)
        : map_(map), t_(t), deep_(deep) {
        const std::span<const uint8_t> file = map.bytes();
        bytes_.assign(file.begin() + t.ChunkStart(),
                      file.begin() + t.ChunkStart() + t.chunk.chunkSize);
    }

    // Fixes up (and, deep, extends) the element at `at` of the buffer, laid out by `layout`.
    void Element(const StructDef& layout, int64_t at) {
        for (const StructDef& block : layout.structs) {
            Block(block, at + block.offset);
        }
        for (const FieldDef& f : layout.fields) {
            if (f.type == FieldType::Data) {
                Data(at + f.offset);
            } else if (f.type == FieldType::TagRef) {
                outside_.push_back(at + f.offset + 4);
            }
        }
    }

    // Raises the words that point past the insertion point by the whole insertion.
    std::vector<uint8_t> Finish() {
        const auto amount = static_cast<int32_t>(bytes_.size());
        for (int64_t at : outside_) {
            const int32_t target = SubWrap(LoadI32(bytes_.data() + at), map_.Magic);
            if (target >= t_.insertAt && target < t_.oldLength) {
                StoreI32(bytes_.data() + at, AddWrap(LoadI32(bytes_.data() + at), amount));
            }
        }
        return std::move(bytes_);
    }

private:
    bool InTag(int64_t start, int64_t length) const {
        return start >= t_.tag->Offset && length >= 0 && start + length <= t_.TagEnd();
    }

    // Appends `length` bytes of the old file at `from`; returns their map address once inserted.
    int32_t Append(int64_t from, int64_t length) {
        if (static_cast<int64_t>(bytes_.size()) + length > t_.chunk.chunkSize + t_.tag->Size) {
            throw PelmarError(ErrorKind::Refused,
                              "the chunk's sub-blocks overlap or repeat: their copies would be "
                              "larger than the whole tag",
                              from);
        }
        const auto at = static_cast<int32_t>(bytes_.size());
        const std::span<const uint8_t> file = map_.bytes();
        bytes_.insert(bytes_.end(), file.begin() + from, file.begin() + from + length);
        return AddWrap(map_.Magic, t_.insertAt + at);
    }

    void Block(const StructDef& block, int64_t ref) {
        if (!RangeFits(ref, 8, bytes_.size())) {
            return;
        }
        const int32_t count = LoadI32(bytes_.data() + ref);
        const int32_t first = SubWrap(LoadI32(bytes_.data() + ref + 4), map_.Magic);
        if (count <= 0 || !InTag(first, 1)) {
            outside_.push_back(ref + 4);
            return;
        }
        const int64_t length = int64_t{count} * block.size;
        if (!deep_ || block.size <= 0 || !InTag(first, length)) {
            StoreI32(bytes_.data() + ref, 0); // the copy owns no sub-blocks
            StoreI32(bytes_.data() + ref + 4, 0);
            return;
        }
        const int64_t start = static_cast<int64_t>(bytes_.size());
        StoreI32(bytes_.data() + ref + 4, Append(first, length));
        for (int32_t k = 0; k < count; ++k) {
            Element(block, start + block.size * k);
        }
    }

    void Data(int64_t field) {
        if (!RangeFits(field, 16, bytes_.size())) {
            return;
        }
        const int32_t size = LoadI32(bytes_.data() + field);
        const int32_t start = SubWrap(LoadI32(bytes_.data() + field + 12), map_.Magic);
        if (!InTag(start, 1)) {
            outside_.push_back(field + 12);
        } else if (deep_ && size > 0 && InTag(start, size)) {
            StoreI32(bytes_.data() + field + 12, Append(start, size));
        } else {
            StoreI32(bytes_.data() + field, 0);
            StoreI32(bytes_.data() + field + 12, 0);
        }
    }

    const HaloPcMap& map_;
    const DuplicationTarget& t_;
    bool deep_;
    std::vector<uint8_t> bytes_;
    std::vector<int64_t> outside_; // address words that keep pointing where they did
};

// The copied data of an imported tag, translated field by field.
class ImportedData {
public:
    ImportedData(const HaloPcMap& map, const HaloPcMap& source, const Tag& tag,
                 const ImportLayout& l)
        : map_(map), source_(source), tag_(tag), l_(l),
          sourceBase_(AddWrap(tag.Offset, source.Magic)),
          bytes_(tag.TagBlock.bytes().begin(), tag.TagBlock.bytes().end()) {}

    std::vector<uint8_t> Translate(const StructDef& layout) {
        AddressWalker walker(source_.bytes(), source_.Magic,
                             static_cast<int64_t>(source_.FileLength() / 4) + 64);
        std::vector<AddressSlot> slots;
        walker.Walk(layout, tag_.Offset, slots);
        for (const AddressSlot& slot : slots) {
            Visit(slot);
        }
        return std::move(bytes_);
    }

private:
    void Visit(const AddressSlot& slot) {
        const int64_t at = slot.at - tag_.Offset;
        const int64_t width = slot.kind == SlotKind::TagRef ? 12 : 4;
        if (!RangeFits(at, width, bytes_.size())) {
            return; // a word of another tag, reached through a block that points there
        }
        uint8_t* word = bytes_.data() + at;
        switch (slot.kind) {
        case SlotKind::Block:
        case SlotKind::Data:
            Rebase(word);
            return;
        case SlotKind::TagRef:
            Reference(word);
            return;
        case SlotKind::TagId:
            if (const std::optional<int32_t> dest = Destination(LoadU32(word))) {
                StoreU32(word, *dest < 0 ? 0xFFFFFFFFu : Ident(*dest));
            }
            return;
        }
    }

    void Rebase(uint8_t* word) const {
        const int32_t v = LoadI32(word);
        if (v >= sourceBase_ && v < AddWrap(sourceBase_, tag_.Size)) {
            StoreI32(word, AddWrap(SubWrap(v, sourceBase_), l_.newDataAddress));
        }
    }

    // A tag reference from its path address on: path address, path length, id.
    void Reference(uint8_t* path) const {
        const std::optional<int32_t> dest = Destination(LoadU32(path + 8));
        if (!dest) {
            return;
        }
        if (*dest < 0) {
            StoreI32(path, 0);
            StoreI32(path + 4, 0);
            StoreU32(path + 8, 0xFFFFFFFFu);
            return;
        }
        const Tag& t = map_.TagCache[static_cast<size_t>(*dest)];
        StoreI32(path, AddWrap(map_.Magic, AddWrap(t.NameOffset, l_.MoveOf(t.NameOffset))));
        StoreI32(path + 4, static_cast<int32_t>(t.Name.size()));
        StoreU32(path + 8, t.ident);
    }

    uint32_t Ident(int32_t index) const { return map_.TagCache[static_cast<size_t>(index)].ident; }

    // For the id of a source tag: the index of this map's tag of the same class and name, or
    // -1 when there is none. Empty when `id` is not the id of a source tag.
    std::optional<int32_t> Destination(uint32_t id) const {
        const std::optional<int32_t> index = source_.FindTagByIdent(id);
        if (!index) {
            return std::nullopt;
        }
        return map_.FindTagByName(source_.TagCache[static_cast<size_t>(*index)].NameKey())
            .value_or(-1);
    }

    const HaloPcMap& map_;
    const HaloPcMap& source_;
    const Tag& tag_;
    const ImportLayout& l_;
    int32_t sourceBase_;
    std::vector<uint8_t> bytes_;
};

} // namespace

DuplicationPlan PlanPreciseDuplication(const HaloPcMap& map, const DuplicationRequest& request,
                                       const StructDef& chunkLayout,
                                       std::span<const AddressSlot> slots, bool deep) {
    const DuplicationTarget target = LocateTarget(map, request);
    if (chunkLayout.max > 0 && target.count >= chunkLayout.max) {
        throw PelmarError(ErrorKind::Refused,
                          "the struct \"" + chunkLayout.name + "\" already holds " +
                              std::to_string(target.count) +
                              " elements, the most its layout allows",
                          request.chunk.referenceOffset);
    }
    ChunkCopy copy(map, target, deep);
    copy.Element(chunkLayout, 0);
    std::vector<uint8_t> bytes = copy.Finish();
    const auto amount = static_cast<int32_t>(bytes.size());
    LocateTarget(map, request,
                 amount - target.chunk.chunkSize); // the size check, deep copy included
    DuplicationPlan plan;
    plan.countBefore = target.count;
    plan.insertAt = target.insertAt;
    plan.edit.Insert(target.insertAt, std::move(bytes));
    RaiseCount(plan.edit, target);
    MoveDeclaredAddresses(
        map, slots, target.insertAt, [amount](int32_t) { return amount; }, true, plan.edit);
    KeepHeaderTrue(map, plan.edit);
    return plan;
}

} // namespace pelmar

namespace pelmar {

ImportPlan PlanPreciseImport(const HaloPcMap& map, std::span<const AddressSlot> slots,
                             const HaloPcMap& source, const PluginDef& sourceLayout, int32_t n) {
    const Tag& tag = ImportedTag(source, n);
    ImportPlan plan;
    plan.storedName = StoredName(tag.Name, map.TagCount + 1);
    const ImportLayout l = PlanImportLayout(map, tag, plan.storedName, true);
    plan.newIdent = NewTagIdent(map, plan.identMoved);
    AddEntryAndName(map, tag, l, plan, plan.edit);
    plan.edit.Insert(l.fileLength, ImportedData(map, source, tag, l).Translate(sourceLayout.root));
    MoveDeclaredAddresses(
        map, slots, l.entriesEnd, [&l](int32_t target) { return l.MoveOf(target); }, false,
        plan.edit);
    KeepHeaderTrue(map, plan.edit);
    return plan;
}

} // namespace pelmar
