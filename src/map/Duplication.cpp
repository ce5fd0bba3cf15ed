#include "map/Duplication.h"

#include "map/HeaderUpkeep.h"
#include "map/MapLayout.h"
#include "platform/Error.h"
#include "platform/Int32.h"
#include "platform/Words.h"

#include <algorithm>
#include <string>

namespace pelmar {

namespace {

[[noreturn]] void Refuse(const std::string& problem, std::optional<int64_t> at = {}) {
    throw PelmarError(ErrorKind::Refused, problem, at);
}

using Place = DuplicationTarget;

const Tag& RequireTagWithData(const HaloPcMap& map, int32_t index) {
    if (index < 0 || index >= map.TagCount) {
        Refuse("there is no tag " + std::to_string(index) + " in the index");
    }
    const Tag& tag = map.TagCache[static_cast<size_t>(index)];
    if (!tag.HasData()) {
        Refuse("tag " + tag.NameKey() +
               " has no data in this file: " + std::string(WhyNoData(tag.place)));
    }
    if (tag.Size <= 0) {
        Refuse("tag " + tag.NameKey() + " has no data of its own (its size is 0)", tag.Offset);
    }
    return tag;
}

void RequireArrayInTag(const Place& p) {
    const int64_t reference = p.chunk.referenceOffset;
    if (reference < p.tag->Offset || reference + 8 > p.TagEnd()) {
        Refuse("the struct's reference lies outside the data of tag " + p.tag->NameKey() +
                   " (the chunk tree may be out of date or the plugin wrong)",
               reference);
    }
    if (p.count <= 0 || p.chunk.chunkIndex < 0 || p.chunk.chunkIndex >= p.count) {
        Refuse("chunk " + std::to_string(int64_t{p.chunk.chunkIndex} + 1) +
               " is not in the struct, whose count is " + std::to_string(p.count) +
               " (the chunk tree may be out of date)");
    }
    const int64_t arrayEnd = int64_t{p.first} + int64_t{p.count} * p.chunk.chunkSize;
    if (p.first < p.tag->Offset || arrayEnd > p.TagEnd()) {
        Refuse("the struct's " + std::to_string(p.count) + " chunks of " +
                   std::to_string(p.chunk.chunkSize) + " bytes lie outside the data of tag " +
                   p.tag->NameKey() + " (the plugin may be wrong or the map damaged)",
               p.first);
    }
}

} // namespace

DuplicationTarget LocateTarget(const HaloPcMap& map, const DuplicationRequest& request,
                               int64_t extra) {
    Place p;
    p.tag = &RequireTagWithData(map, request.tagIndex);
    p.chunk = request.chunk;
    if (p.chunk.chunkSize <= 0) {
        Refuse(p.chunk.chunkSize == 0
                   ? std::string("the struct's chunk size is 0 (its size is 0 or not given), so "
                                 "there is nothing to duplicate")
                   : "the struct's chunk size " + std::to_string(p.chunk.chunkSize) +
                         " is negative");
    }
    const std::span<const uint8_t> file = map.bytes();
    p.oldLength = static_cast<int64_t>(file.size());
    p.count = ReadWord(file, p.chunk.referenceOffset, "the struct's count");
    p.first = SubWrap(ReadWord(file, int64_t{p.chunk.referenceOffset} + 4, "the struct's pointer"),
                      map.Magic);
    RequireArrayInTag(p);
    p.insertAt = AddWrap(p.first, MulWrap(p.count, p.chunk.chunkSize));
    p.newLength = p.oldLength + p.chunk.chunkSize + extra;
    if (static_cast<uint64_t>(p.newLength) > layout::kMaxMapFileSize) {
        Refuse("the map would grow to " + std::to_string(p.newLength) +
               " bytes, more than a map file can address");
    }
    return p;
}

namespace {

// The scenario's words up to its scan end (word 1448 of its data), which must lie within the
// scenario's data: an end beyond it would move later words twice, one before it would leave
// the scenario's own pointers behind.
WordRun ScenarioRun(const HaloPcMap& map, const Place& p) {
    const Tag& scenario = map.Scenario();
    if (!scenario.HasData()) {
        Refuse("the scenario (index entry 0) has no data in this file");
    }
    const int64_t endWord = int64_t{scenario.Offset} + layout::kScenarioScanEndField;
    const int32_t end =
        SubWrap(ReadWord(map.bytes(), endWord, "the scenario's scan end"), map.Magic);
    const int64_t scenarioEnd = int64_t{scenario.Offset} + scenario.Size;
    if (end < scenario.Offset || end > scenarioEnd) {
        Refuse("the scenario's scan end (word 1448 of its data) points outside the scenario's "
               "data",
               endWord);
    }
    return WordsStartingBefore(scenario.Offset, end, static_cast<size_t>(p.newLength));
}

// The general scan of the scenario class starts at the data of index entry 1 as it lay
// before the edit, which must follow the scenario's data.
int32_t SecondTagStart(const HaloPcMap& map) {
    if (map.TagCount < 2 || !map.TagCache[1].HasData()) {
        Refuse("the scenario's relocation starts at the data of the second tag, and the map has "
               "none");
    }
    const Tag& scenario = map.Scenario();
    if (map.TagCache[1].Offset < int64_t{scenario.Offset} + scenario.Size) {
        Refuse("the second tag's data does not follow the scenario's", map.TagCache[1].Offset);
    }
    return map.TagCache[1].Offset;
}

} // namespace

void RaiseCount(FileEdit& edit, const DuplicationTarget& p) {
    uint8_t raised[4];
    StoreI32(raised, AddWrap(p.count, 1));
    for (int64_t i = 0; i < 4; ++i) {
        FileEdit::Op op;
        op.at = edit.NewPosition(p.chunk.referenceOffset + i);
        op.bytes = {raised[i]};
        edit.ops.push_back(std::move(op));
    }
}

namespace {

void MoveIndexAddresses(const HaloPcMap& map, FileEdit& edit, const MovedValues& moved,
                        int32_t amount) {
    for (int32_t i = 0; i < map.TagCount; ++i) {
        if (map.TagCache[static_cast<size_t>(i)].HasData()) {
            const int64_t at =
                map.tagOffset + layout::kEntrySize * i + layout::kEntryDataAddressField;
            edit.Shift(WordRun{edit.NewPosition(at), 1}, moved, amount);
        }
    }
}

} // namespace

bool CopyFixUp::IsRescanned(int64_t at) const {
    return std::any_of(rescanned.begin(), rescanned.end(),
                       [at](const WordRun& run) { return run.Holds(at); });
}

void FixUpCopy(std::span<uint8_t> copy, const CopyFixUp& fix) {
    const size_t words = copy.size() / 4;
    for (size_t k = 0; k < words; ++k) {
        uint8_t* word = copy.data() + 4 * k;
        const int32_t value = LoadI32(word);
        const int32_t target = SubWrap(value, fix.magic);
        if (fix.tagStart < target && target < fix.tagEnd) {
            StoreI32(word, 0);
            if (k > 0) {
                StoreI32(word - 4, 0);
            }
        } else if (target >= fix.tagEnd && target < fix.oldLength &&
                   !fix.IsRescanned(fix.position + int64_t{4} * k)) {
            StoreI32(word, AddWrap(value, fix.raise));
        }
    }
}

DuplicationPlan PlanDuplication(const HaloPcMap& map, const DuplicationRequest& request) {
    const Place p = LocateTarget(map, request);
    const std::span<const uint8_t> file = map.bytes();
    const int32_t amount = p.chunk.chunkSize;
    const auto newSize = static_cast<size_t>(p.newLength);
    DuplicationPlan plan;
    plan.countBefore = p.count;
    plan.insertAt = p.insertAt;
    FileEdit& edit = plan.edit;
    std::vector<uint8_t> copy(file.begin() + p.ChunkStart(),
                              file.begin() + p.ChunkStart() + p.chunk.chunkSize);
    edit.Insert(p.insertAt, copy); // fixed up below, once the relocation runs are known
    RaiseCount(edit, p);

    CopyFixUp fix{map.Magic,   p.tag->Offset, static_cast<int32_t>(p.TagEnd()),
                  p.oldLength, amount,        p.insertAt,
                  {}};
    const MovedValues moved = MovedAddresses(p.insertAt, map.Magic, newSize);
    if (request.scenarioClass) {
        const WordRun scenarioRun = ScenarioRun(map, p);
        const WordRun generalRun =
            WordsEndingBy(SecondTagStart(map), static_cast<int64_t>(newSize), newSize);
        fix.rescanned = {scenarioRun, generalRun};
        edit.Shift(scenarioRun, MovedOffsets(p.insertAt, map.Magic, newSize), amount);
        MoveIndexAddresses(map, edit, moved, amount);
        edit.Shift(generalRun, moved, amount);
    } else {
        const int64_t tagWordsEnd = std::min<int64_t>(p.insertAt, p.TagEnd());
        edit.Shift(WordsEndingBy(p.tag->Offset, tagWordsEnd, newSize), moved, amount);
        MoveIndexAddresses(map, edit, moved, amount);
        edit.Shift(
            WordsEndingBy(int64_t{p.insertAt} + amount, static_cast<int64_t>(newSize), newSize),
            moved, amount);
    }
    FixUpCopy(copy, fix);
    edit.insertions.front().bytes = std::move(copy);
    KeepHeaderTrue(map, edit);
    return plan;
}

} // namespace pelmar
