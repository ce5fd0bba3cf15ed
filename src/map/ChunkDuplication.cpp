#include "map/ChunkDuplication.h"

#include "map/MapLayout.h"
#include "platform/AsciiText.h"
#include "platform/AtomicFileWriter.h"
#include "platform/ByteBuffer.h"
#include "platform/FileReader.h"
#include "platform/Int32.h"
#include "platform/LittleEndian.h"
#include "platform/PelmarError.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace pelmar {

namespace {

constexpr char kUnchanged[] = "; nothing was changed";

[[noreturn]] void Refuse(const HaloPcMap& map, const std::string& problem) {
    throw PelmarError(FileMessage(map.f, problem + kUnchanged));
}

// Where the struct lies in the file and where the copy goes, in file offsets of the file as
// it is before the edit.
struct Plan {
    ChunkToDuplicate chunk;
    int32_t count = 0;
    int32_t first = 0;    // the struct's chunk 0
    int32_t insertAt = 0; // the byte after the array's last element
    uint64_t oldLength = 0;
    uint64_t newLength = 0;

    int64_t ChunkStart() const {
        return int64_t{first} + int64_t{chunk.chunkSize} * chunk.chunkIndex;
    }
    // Where a byte of the old file lies in the new one.
    int64_t NewPosition(int64_t old) const { return old < insertAt ? old : old + chunk.chunkSize; }
};

void RequireUsableChunkSize(const HaloPcMap& map, int32_t chunkSize) {
    if (chunkSize == 0) {
        Refuse(map, "the struct's chunk size is 0 (its size is 0 or not given), so there is "
                    "nothing to duplicate");
    }
    if (chunkSize < 0) {
        Refuse(map, "the struct's chunk size " + std::to_string(chunkSize) + " is negative");
    }
}

void RequireChunkInArray(const HaloPcMap& map, const Plan& plan) {
    if (plan.count <= 0 || plan.chunk.chunkIndex < 0 || plan.chunk.chunkIndex >= plan.count) {
        Refuse(map, "chunk " + std::to_string(int64_t{plan.chunk.chunkIndex} + 1) +
                        " is not in the struct, whose count is " + std::to_string(plan.count) +
                        " (the chunk tree may be out of date)");
    }
    const int64_t arrayEnd = int64_t{plan.first} + int64_t{plan.count} * plan.chunk.chunkSize;
    if (plan.first < 0 || static_cast<uint64_t>(arrayEnd) > plan.oldLength) {
        Refuse(map, "the struct's " + std::to_string(plan.count) + " chunks of " +
                        std::to_string(plan.chunk.chunkSize) + " bytes at offset " +
                        std::to_string(plan.first) + " lie outside the file (" +
                        std::to_string(plan.oldLength) +
                        " bytes; the chunk tree may be out of date or the plugin wrong)");
    }
}

Plan MakePlan(const HaloPcMap& map, const FileReader& file, const ChunkToDuplicate& chunk) {
    Plan plan;
    plan.chunk = chunk;
    plan.oldLength = file.Length();
    if (!file.Contains(chunk.referenceOffset, 8)) {
        Refuse(map, "the struct's reference at offset " + std::to_string(chunk.referenceOffset) +
                        " lies outside the file (" + std::to_string(plan.oldLength) +
                        " bytes; the chunk tree may be out of date or the plugin wrong)");
    }
    plan.count = file.ReadI32(chunk.referenceOffset);
    plan.first = SubWrap(file.ReadI32(int64_t{chunk.referenceOffset} + 4), map.Magic);
    RequireChunkInArray(map, plan);
    plan.insertAt = AddWrap(plan.first, MulWrap(plan.count, chunk.chunkSize));
    plan.newLength = plan.oldLength + static_cast<uint64_t>(chunk.chunkSize);
    if (plan.newLength > layout::kMaxMapFileSize) {
        Refuse(map, "the map would grow to " + std::to_string(plan.newLength) +
                        " bytes, more than a map file can address");
    }
    return plan;
}

// Reads the old file into a buffer of the new length, leaving a gap of one chunk at the
// insertion point, so that nothing has to be moved in memory afterwards.
ByteBuffer ReadAroundGap(const FileReader& file, const Plan& plan) {
    ByteBuffer bytes(static_cast<size_t>(plan.newLength));
    const auto insertAt = static_cast<size_t>(plan.insertAt);
    file.ReadExact(0, bytes.data(), insertAt);
    file.ReadExact(plan.insertAt, bytes.data() + insertAt + plan.chunk.chunkSize,
                   static_cast<size_t>(plan.oldLength) - insertAt);
    return bytes;
}

// Writes count + 1 over the count. Byte by byte through NewPosition: a reference that lies at
// or across the insertion point has moved with the bytes behind it.
void RaiseCount(ByteBuffer& bytes, const Plan& plan) {
    uint8_t raised[4];
    StoreI32(raised, AddWrap(plan.count, 1));
    for (int64_t i = 0; i < 4; ++i) {
        bytes.data()[plan.NewPosition(plan.chunk.referenceOffset + i)] = raised[i];
    }
}

// The chunk lies wholly before the insertion point, so it sits where it did in the old file.
std::span<uint8_t> CopyChunkIntoGap(ByteBuffer& bytes, const Plan& plan) {
    uint8_t* gap = bytes.data() + plan.insertAt;
    std::memcpy(gap, bytes.data() + plan.ChunkStart(), static_cast<size_t>(plan.chunk.chunkSize));
    return {gap, static_cast<size_t>(plan.chunk.chunkSize)};
}

CopyFixUp FixUpFor(const HaloPcMap& map, const Tag& tag, const Plan& plan) {
    CopyFixUp fix;
    fix.magic = map.Magic;
    fix.tagStart = tag.Offset;
    fix.tagEnd = AddWrap(tag.Offset, tag.Size);
    fix.raise = plan.chunk.chunkSize;
    fix.position = plan.insertAt;
    return fix;
}

// The scenario class: the scenario's own scan, then the general one from the second tag's
// data as it lay before the edit. Both may cover the copy.
void RelocateForScenario(const HaloPcMap& map, std::span<uint8_t> file, std::span<uint8_t> copy,
                         CopyFixUp fix, const Plan& plan) {
    if (map.TagCache.size() < 2) {
        Refuse(map, "the scenario's relocation starts at the second tag's data, and the map has "
                    "only one tag");
    }
    const int32_t secondTag = map.TagCache[1].Offset;
    fix.rescanned = {ScenarioScanWords(map, file),
                     WordsEndingBy(secondTag, static_cast<int64_t>(file.size()), file.size())};
    FixUpCopy(copy, fix);
    map.UpdateScnr(file, plan.insertAt, plan.chunk.chunkSize);
    map.UpdateFromPoint(file, secondTag, plan.insertAt, plan.chunk.chunkSize);
}

// Every other class: the current tag's words before the insertion point, then everything
// from the end of the copy onwards.
void RelocateForTag(const HaloPcMap& map, std::span<uint8_t> file, std::span<uint8_t> copy,
                    const CopyFixUp& fix, const Plan& plan) {
    FixUpCopy(copy, fix);
    const int64_t tagWordsEnd = std::min<int64_t>(plan.insertAt, fix.tagEnd);
    ShiftWords(file, WordsEndingBy(fix.tagStart, tagWordsEnd, file.size()),
               MovedAddresses(plan.insertAt, map.Magic, file.size()), plan.chunk.chunkSize);
    map.UpdateFromPoint(file, AddWrap(plan.insertAt, plan.chunk.chunkSize), plan.insertAt,
                        plan.chunk.chunkSize);
}

const Tag& RequireTag(const HaloPcMap& map, int32_t currentTag) {
    if (!map.IsLoaded() || map.f.empty()) {
        throw PelmarError("No map is loaded.");
    }
    if (currentTag < 0 || static_cast<size_t>(currentTag) >= map.TagCache.size()) {
        Refuse(map, "there is no tag " + std::to_string(currentTag) + " in the index");
    }
    return map.TagCache[static_cast<size_t>(currentTag)];
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
        } else if (target > fix.tagEnd && !fix.IsRescanned(fix.position + int64_t{4} * k)) {
            StoreI32(word, AddWrap(value, fix.raise));
        }
    }
}

bool IsScenarioClass(const std::string& tagClass) {
    return EqualsIgnoringAsciiCase(tagClass, "scnr");
}

DuplicationResult DuplicateChunk(HaloPcMap& map, int32_t currentTag, const std::string& tagClass,
                                 const ChunkToDuplicate& chunk) {
    const Tag& tag = RequireTag(map, currentTag);
    RequireUsableChunkSize(map, chunk.chunkSize);
    Plan plan;
    ByteBuffer bytes;
    {
        const FileReader file(map.f);
        if (file.Length() > layout::kMaxMapFileSize) {
            Refuse(map, "the file is too large (" + std::to_string(file.Length()) + " bytes)");
        }
        plan = MakePlan(map, file, chunk);
        bytes = ReadAroundGap(file, plan);
    }
    RaiseCount(bytes, plan);
    const std::span<uint8_t> copy = CopyChunkIntoGap(bytes, plan);
    const CopyFixUp fix = FixUpFor(map, tag, plan);
    if (IsScenarioClass(tagClass)) {
        RelocateForScenario(map, bytes.span(), copy, fix, plan);
    } else {
        RelocateForTag(map, bytes.span(), copy, fix, plan);
    }
    const std::span<const uint8_t> whole = bytes.span();
    ReplaceFileContents(map.f, std::span(&whole, 1));
    map.RecordInsertion(plan.insertAt, chunk.chunkSize);
    return {plan.count, plan.insertAt, static_cast<int64_t>(plan.newLength)};
}

} // namespace pelmar
