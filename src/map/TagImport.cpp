#include "map/TagImport.h"

#include "map/HaloPcMap.h"
#include "map/MapLayout.h"
#include "platform/AtomicFileWriter.h"
#include "platform/FileReader.h"
#include "platform/Int32.h"
#include "platform/LittleEndian.h"
#include "platform/PelmarError.h"

#include <array>
#include <cstring>
#include <string>

// Copying a tag from another map. The new file is assembled in memory from the file's bytes
// as they are now (the tags' data copies in the model may be older than the file), changed
// in place, and written in one crash-safe replacement, the inserted pieces between them. The
// model is brought up to date only once that write succeeded.
//
// The new file, in order: everything up to the end of the tag entries (tag count raised,
// every entry's name and data addresses moved), the new entry, the names, the new tag's
// stored name and a zero byte, the tags' data (addresses into it raised), the copied data.

namespace pelmar {

namespace {

using layout::kEntrySize;

constexpr int32_t kEntryBytes = static_cast<int32_t>(kEntrySize);
constexpr uint32_t kTagIdStep = 0x00010001;

// The values of one import, fixed before anything is written.
struct ImportLayout {
    int32_t fileLength = 0;     // the file's length before the import
    int32_t tagCount = 0;       // the tag count before the import
    int32_t entriesEnd = 0;     // where the new entry is inserted: the end of the entries
    int32_t dataStart = 0;      // the first tag's data: where the stored name is inserted
    int32_t shift = 0;          // how far the data moves: one entry plus the stored name
    int32_t newDataOffset = 0;  // file offset of the copied data
    int32_t newDataAddress = 0; // the same as a map address
    uint32_t newIdent = 0;      // the new tag's id
    std::string storedName;     // the name written to the file

    // How far the byte at file offset `offset` moves: not at all before the new entry, by
    // one entry up to the first tag's data, by the whole shift from there on.
    int32_t MoveOf(int32_t offset) const {
        if (offset < entriesEnd) {
            return 0;
        }
        return offset < dataStart ? kEntryBytes : shift;
    }
};

[[noreturn]] void Fail(const std::filesystem::path& file, const std::string& problem) {
    throw PelmarError(FileMessage(file, problem));
}

std::string SourceName(const HaloPcMap& source) {
    return source.f.empty() ? std::string("the source map") : source.f.string();
}

// A copy of the source's tag record, so that nothing of the source map is ever changed.
Tag CopySourceTag(const HaloPcMap& source, int32_t n) {
    if (!source.IsLoaded()) {
        throw PelmarError("no source map is loaded to import a tag from");
    }
    const int64_t count = static_cast<int64_t>(source.TagCache.size());
    if (n < 0 || n >= count) {
        throw PelmarError(SourceName(source) + ": there is no tag number " + std::to_string(n) +
                          " to import (the map has " + std::to_string(count) + " tags)");
    }
    Tag tag = source.TagCache[static_cast<size_t>(n)];
    if (tag.Size < 0) {
        throw PelmarError(SourceName(source) + ": tag " + std::to_string(n) +
                          " has a negative size");
    }
    for (const std::string* code : {&tag.Class1, &tag.Class2, &tag.Class3}) {
        if (code->size() != 4) {
            throw PelmarError(SourceName(source) + ": tag " + std::to_string(n) +
                              " has a class code that is not 4 bytes long");
        }
    }
    return tag;
}

// The import trusts the model's offsets only where the file still agrees with them.
void RequireFileMatchesModel(const HaloPcMap& map, std::span<const uint8_t> file) {
    using namespace layout;
    const int32_t count = map.TagCount;
    const auto changed = [&](const std::string& what) {
        Fail(map.f, "the file has changed since it was loaded (" + what +
                        "); load it again before importing");
    };
    if (count != static_cast<int64_t>(map.TagCache.size()) ||
        !RangeFits(map.tagOffset, int64_t{count} * kEntrySize, file.size()) ||
        !WordFits(map.indexOffset + kIndexTagCountField, file.size()) ||
        LoadI32(file.data() + map.indexOffset + kIndexTagCountField) != count) {
        changed("its tag count or index differs");
    }
    for (int32_t i = 0; i < count; ++i) {
        const Tag& t = map.TagCache[static_cast<size_t>(i)];
        const uint8_t* entry = file.data() + map.tagOffset + kEntrySize * i;
        if (LoadI32(entry + kEntryNameAddressField) != AddWrap(t.NameOffset, map.Magic) ||
            LoadI32(entry + kEntryDataAddressField) != AddWrap(t.Offset, map.Magic)) {
            changed("entry " + std::to_string(i) + " of the tag index differs");
        }
    }
}

// A name that runs across an insertion point would be split by the inserted bytes.
void RequireNamesStayWhole(const HaloPcMap& map, std::span<const uint8_t> file,
                           const ImportLayout& l) {
    for (size_t i = 0; i < map.TagCache.size(); ++i) {
        const int32_t start = map.TagCache[i].NameOffset;
        if (start < 0 || static_cast<size_t>(start) >= file.size()) {
            Fail(map.f, "the name of tag " + std::to_string(i) + " lies outside the file");
        }
        const void* zero = std::memchr(file.data() + start, 0, file.size() - start);
        const int64_t end = zero == nullptr ? static_cast<int64_t>(file.size())
                                            : static_cast<const uint8_t*>(zero) - file.data();
        for (int32_t insertAt : {l.entriesEnd, l.dataStart}) {
            if (start < insertAt && insertAt <= end) {
                Fail(map.f, "the name of tag " + std::to_string(i) + " runs across offset " +
                                std::to_string(insertAt) + ", where the import inserts bytes");
            }
        }
    }
}

ImportLayout PlanLayout(const HaloPcMap& map, std::span<const uint8_t> file, const Tag& tag) {
    ImportLayout l;
    if (file.size() > layout::kMaxMapFileSize) {
        Fail(map.f, "the file is too large (" + std::to_string(file.size()) + " bytes)");
    }
    l.fileLength = static_cast<int32_t>(file.size());
    l.tagCount = map.TagCount;
    l.entriesEnd = map.tagOffset + kEntryBytes * map.TagCount;
    l.dataStart = map.TagCache.front().Offset;
    if (l.dataStart < l.entriesEnd) {
        Fail(map.f, "the first tag's data (offset " + std::to_string(l.dataStart) +
                        ") starts inside the tag index, which ends at offset " +
                        std::to_string(l.entriesEnd) + "; no tag can be added");
    }
    if (map.TagCache.back().Offset > l.fileLength) {
        Fail(map.f, "the last tag's data starts past the end of the file");
    }
    l.storedName = tagimport::StoredName(tag.Name, map.TagCount + 1);
    const uint64_t growth =
        uint64_t{kEntrySize} + l.storedName.size() + 1 + static_cast<uint64_t>(tag.Size);
    if (static_cast<uint64_t>(l.fileLength) + growth > layout::kMaxMapFileSize) {
        Fail(map.f, "the map would grow past " + std::to_string(layout::kMaxMapFileSize) +
                        " bytes with the imported tag");
    }
    l.shift = kEntryBytes + static_cast<int32_t>(l.storedName.size()) + 1;
    l.newDataOffset = l.fileLength + l.shift;
    l.newDataAddress = AddWrap(map.Magic, l.newDataOffset);
    l.newIdent = map.TagCache.back().ident + kTagIdStep;
    RequireNamesStayWhole(map, file, l);
    return l;
}

// The bytes of the tag to copy. From another map they are its data copy in memory; from
// this same map they are taken from the file as it is now, since earlier edits may have
// moved the tag after its copy was made.
std::span<const uint8_t> SourceData(const HaloPcMap& map, const HaloPcMap& source, const Tag& tag,
                                    std::span<const uint8_t> file) {
    if (&source == &map) {
        if (!RangeFits(tag.Offset, tag.Size, file.size())) {
            Fail(map.f, "the data of tag " + tag.NameKey() + " lies outside the file");
        }
        return file.subspan(static_cast<size_t>(tag.Offset), static_cast<size_t>(tag.Size));
    }
    if (tag.Size < 0 || tag.TagBlock.size() != static_cast<size_t>(tag.Size)) {
        throw PelmarError(SourceName(source) + ": the data of tag " + tag.NameKey() +
                          " does not match its size");
    }
    return tag.TagBlock.bytes();
}

std::array<uint8_t, kEntrySize> NewEntry(const HaloPcMap& map, const Tag& tag,
                                         const ImportLayout& l) {
    std::array<uint8_t, kEntrySize> entry{};
    const std::string* codes[] = {&tag.Class1, &tag.Class2, &tag.Class3};
    for (size_t k = 0; k < 3; ++k) {
        const std::string stored = HaloPcMap::Reverse(*codes[k]);
        std::memcpy(entry.data() + 4 * k, stored.data(), 4);
    }
    StoreU32(entry.data() + layout::kEntryIdentField, l.newIdent);
    StoreI32(entry.data() + layout::kEntryNameAddressField,
             AddWrap(map.Magic, l.dataStart + kEntryBytes));
    StoreI32(entry.data() + layout::kEntryDataAddressField, l.newDataAddress);
    return entry;
}

// Edits the file's bytes in place: the tag count, every entry's name and data addresses, and
// the addresses into the data region, which all move.
void RelocateInPlace(const HaloPcMap& map, std::span<uint8_t> file, const ImportLayout& l) {
    using namespace layout;
    StoreI32(file.data() + map.indexOffset + kIndexTagCountField, l.tagCount + 1);
    for (int32_t i = 0; i < l.tagCount; ++i) {
        const Tag& t = map.TagCache[static_cast<size_t>(i)];
        uint8_t* entry = file.data() + map.tagOffset + kEntrySize * i;
        StoreI32(entry + kEntryNameAddressField,
                 AddWrap(LoadI32(entry + kEntryNameAddressField), l.MoveOf(t.NameOffset)));
        StoreI32(entry + kEntryDataAddressField,
                 AddWrap(LoadI32(entry + kEntryDataAddressField), l.shift));
    }
    // The data region's addresses run from the first tag's data to the end of the file.
    tagimport::RaiseWordsInRange(file.subspan(static_cast<size_t>(l.dataStart)),
                                 AddWrap(l.dataStart, map.Magic), AddWrap(l.fileLength, map.Magic),
                                 l.shift);
}

std::span<const uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// The model side, once the file is written: nothing here can fail but the last look-up
// insertion's allocation.
void RecordImport(HaloPcMap& map, Tag imported, const ImportLayout& l) {
    for (Tag& t : map.TagCache) {
        t.NameOffset = AddWrap(t.NameOffset, l.MoveOf(t.NameOffset));
        t.Offset = AddWrap(t.Offset, l.shift);
    }
    map.TagCache.push_back(std::move(imported));
    map.TagCount = l.tagCount + 1;
    map.IndexTag(l.tagCount);
}

// The checks that need no file bytes, made before the file is read.
void RequireImportPossible(const HaloPcMap& map, const HaloPcMap& sourceMap, int32_t n) {
    if (!map.IsLoaded() || map.f.empty()) {
        throw PelmarError("no map is loaded to import a tag into");
    }
    CopySourceTag(sourceMap, n);
    RequireWritableFile(map.f);
}

} // namespace

namespace tagimport {

void ImportTag(HaloPcMap& map, const HaloPcMap& sourceMap, int32_t n, std::span<uint8_t> file) {
    RequireImportPossible(map, sourceMap, n);
    Tag tag = CopySourceTag(sourceMap, n);
    RequireFileMatchesModel(map, file);
    const ImportLayout l = PlanLayout(map, file, tag);

    const DataMove move{sourceMap, map, AddWrap(tag.Offset, sourceMap.Magic), tag.Size,
                        l.newDataAddress};
    std::vector<uint8_t> data = TranslateTagData(SourceData(map, sourceMap, tag, file), move);
    const std::array<uint8_t, kEntrySize> entry = NewEntry(map, tag, l);
    const std::string nameBytes = l.storedName + '\0';
    // Room for the new tag, so that recording it after the write cannot fail halfway.
    map.TagCache.reserve(map.TagCache.size() + 1);
    map.TagByName.reserve(map.TagByName.size() + 1);
    map.TagsByIdent.reserve(map.TagsByIdent.size() + 1);

    RelocateInPlace(map, file, l);
    const auto entriesEnd = static_cast<size_t>(l.entriesEnd);
    const auto dataStart = static_cast<size_t>(l.dataStart);
    const std::array<std::span<const uint8_t>, 6> pieces = {
        file.first(entriesEnd),
        entry,
        file.subspan(entriesEnd, dataStart - entriesEnd),
        Bytes(nameBytes),
        file.subspan(dataStart),
        data};
    ReplaceFileContents(map.f, pieces);

    tag.ident = l.newIdent;
    tag.NameOffset = l.dataStart + kEntryBytes;
    tag.Offset = l.newDataOffset;
    tag.TagBlock = SharedBytes::Own(std::move(data));
    RecordImport(map, std::move(tag), l);
}

} // namespace tagimport

void HaloPcMap::AddMetaToMapFromMap(const HaloPcMap& sourceMap, int32_t n) {
    RequireImportPossible(*this, sourceMap, n);
    // The file as it is now: the model's copies of the tags' data may be older.
    ByteBuffer file = ReadWholeFile(f, layout::kMaxMapFileSize);
    tagimport::ImportTag(*this, sourceMap, n, file.span());
}

} // namespace pelmar
