#include "session/MapSession.h"

#include "map/Duplication.h"
#include "map/Import.h"
#include "map/MapLayout.h"
#include "map/StreamEdit.h"
#include "platform/AsciiText.h"
#include "platform/Error.h"
#include "structview/PreciseEdits.h"

#include <cstring>
#include <future>

namespace pelmar {

namespace {

// The leading part of a map that the stale check compares: header, index and entries.
size_t IndexBytes(const HaloPcMap& map) {
    return static_cast<size_t>(int64_t{map.tagOffset} + layout::kEntrySize * map.TagCount);
}

std::string Hex(uint32_t value) {
    char text[11];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

} // namespace

MapSession::MapSession(std::shared_ptr<PluginCatalog> plugins) : plugins_(std::move(plugins)) {}

MapSession::~MapSession() = default;

void MapSession::Open(const std::filesystem::path& path) {
    EditLock lock;
    if (std::filesystem::exists(JournalPath(path))) {
        lock = EditLock::Acquire(path, patience_); // an interrupted write is finished under it
    }
    Read(path, std::move(lock));
    heldLock_.Release();
}

void MapSession::OpenForEdit(const std::filesystem::path& path) {
    Read(path, EditLock::Acquire(path, patience_));
}

void MapSession::Read(const std::filesystem::path& path, EditLock lock) {
    try {
        if (lock.held()) {
            RecoverInterruptedWrite(path);
        }
        FileIdentity identity;
        auto file = MappedFile::Open(path, layout::kMaxMapFileSize, &identity);
        HaloPcMap decoded = HaloPcMap::Decode(file, file->bytes());
        auto history = std::make_unique<History>(path);
        // Nothing below can fail: the session takes the new map only once it is complete.
        map_ = std::move(decoded);
        file_ = std::move(file);
        identity_ = identity;
        path_ = path;
        open_ = true;
        history_ = std::move(history);
        heldLock_ = std::move(lock);
        map_.checksumUpToDate = history_->KnownChecksum(identity_);
        KeepIndex();
    } catch (PelmarError& e) {
        throw e.InFile(path);
    }
}

void MapSession::Close() {
    map_ = HaloPcMap();
    file_.reset();
    index_.clear();
    history_.reset();
    path_.clear();
    open_ = false;
    heldLock_.Release();
}

TagTree MapSession::SelectTag(int32_t tagIndex) {
    const Tag& tag = map_.TagCache.at(static_cast<size_t>(tagIndex));
    TagTree tree;
    if (!tag.HasData()) {
        tree.message = "No data in this file: " + std::string(WhyNoData(tag.place)) + ".";
        return tree;
    }
    try {
        tree.plugin = plugins_->PluginFor(tag.Class1);
    } catch (const PelmarError& e) {
        tree.message = e.what();
        return tree;
    }
    if (!tree.plugin->root.HasStructs()) {
        tree.message = kNoInternalNodes;
        return tree;
    }
    tree.root = RootRow(ViewOf(tagIndex, *tree.plugin));
    return tree;
}

TreeView MapSession::ViewOf(int32_t tagIndex, const PluginDef& plugin) const {
    const Tag& tag = map_.TagCache.at(static_cast<size_t>(tagIndex));
    return TreeView{plugin, map_.bytes(), map_.Magic, tag.Offset};
}

std::vector<ChunkRow> MapSession::Expand(int32_t tagIndex, const PluginDef& plugin,
                                         const ChunkRow& row) {
    try {
        return ExpandRow(ViewOf(tagIndex, plugin), row);
    } catch (PelmarError& e) {
        throw e.InFile(path_);
    }
}

void MapSession::KeepIndex() {
    const std::span<const uint8_t> bytes = map_.bytes();
    index_.assign(bytes.begin(), bytes.begin() + static_cast<long>(IndexBytes(map_)));
}

void MapSession::RequireUnchangedOnDisk() const {
    const FileIdentity now = IdentityOf(path_);
    std::vector<uint8_t> index(index_.size());
    const bool same = now.SameVersion(identity_) && !file_->Truncated() &&
                      ReadFileRange(path_, 0, index) && index == index_;
    if (!same) {
        throw PelmarError(ErrorKind::Stale,
                          "the map changed on disk since it was loaded; load it again");
    }
}

void MapSession::Rethrow(PelmarError& e, bool unchanged) const {
    e.InFile(path_);
    if (unchanged) {
        e.MapUnchanged();
    }
    throw e;
}

EditOutcome MapSession::Commit(const std::function<EditOutcome()>& work) {
    if (!open_) {
        throw PelmarError(ErrorKind::Refused, "no map is loaded");
    }
    try {
        struct ReleaseAtEnd {
            EditLock& lock;
            ~ReleaseAtEnd() { lock.Release(); }
        } release{editLock_};
        if (!heldLock_.held()) {
            editLock_ = EditLock::Acquire(path_, patience_);
        }
        if (std::filesystem::exists(JournalPath(path_))) {
            throw PelmarError(ErrorKind::Stale, "an interrupted edit of the map must be finished "
                                                "first; load it again");
        }
        RequireUnchangedOnDisk();
        return work();
    } catch (PelmarError& e) {
        // Until a journal of this edit exists, a failure has left the map as it was.
        Rethrow(e, e.kind() == ErrorKind::Stale || !std::filesystem::exists(JournalPath(path_)));
    }
}

HaloPcMap MapSession::Checked(std::shared_ptr<const void> owner,
                              std::span<const uint8_t> bytes) const {
    HaloPcMap decoded;
    try {
        decoded = HaloPcMap::Decode(std::move(owner), bytes);
    } catch (const PelmarError& e) {
        throw PelmarError(ErrorKind::Refused,
                          "the edit would leave a map that cannot be opened: " + e.detail(),
                          e.offset());
    }
    // An entry whose address leads outside the file must not come to lead into it because the
    // file grew (nor the other way round): its tag would change meaning.
    const size_t common = std::min(decoded.TagCache.size(), map_.TagCache.size());
    for (size_t i = 0; i < common; ++i) {
        if (decoded.TagCache[i].HasData() != map_.TagCache[i].HasData()) {
            throw PelmarError(ErrorKind::Refused,
                              "the edit would change whether tag " + map_.TagCache[i].NameKey() +
                                  " has data in this file (its data address lies just past the "
                                  "end of the file)");
        }
    }
    return decoded;
}

void MapSession::Refresh() {
    FileIdentity identity;
    auto file = MappedFile::Open(path_, layout::kMaxMapFileSize, &identity);
    map_ = HaloPcMap::Decode(file, file->bytes());
    file_ = std::move(file);
    identity_ = identity;
    KeepIndex();
}

WriteMethod MapSession::Replace(uint64_t length, const ContentWriter& write) {
    std::optional<HaloPcMap> checked;
    ReplaceOptions::Replacement replacement;
    ReplaceOptions options{
        identity_, faults_,
        [this, &checked](std::shared_ptr<const void> owner, std::span<const uint8_t> bytes) {
            checked = Checked(std::move(owner), bytes);
        },
        &replacement};
    const WriteMethod method = ReplaceFile(path_, length, write, options);
    if (replacement.file && checked) {
        // The file now at the path is the one the check decoded.
        map_ = std::move(*checked);
        file_ = std::move(replacement.file);
        identity_ = replacement.identity;
        KeepIndex();
    } else {
        Refresh();
    }
    return method;
}

void MapSession::Patch(std::span<const FilePatch> patches) {
    PatchFile(path_, patches, map_.FileLength(), {identity_, faults_, nullptr});
    // The mapping shows the file's new bytes; the index kept for the stale check may hold the
    // header's checksum.
    identity_ = IdentityOf(path_);
    KeepIndex();
}

void MapSession::Remember(EditRecord record, EditOutcome& outcome) {
    record.after = identity_;
    try {
        history_->Push(record);
    } catch (const PelmarError& e) {
        outcome.warnings.push_back("this edit cannot be undone: " + Describe(e));
    }
}

EditOutcome MapSession::Write(FileEdit edit, std::string summary) {
    std::shared_ptr<const MappedFile> old = file_;
    const std::optional<bool> before = map_.checksumUpToDate;
    old->Release(0, old->bytes().size()); // what planning read: the stream reads the file itself
    EditRecord record;
    record.description = summary;
    record.before = identity_;
    record.oldLength = map_.FileLength();
    record.newLength = record.oldLength + edit.InsertedBytes();
    StreamControl control;
    control.trace = &record.trace;
    control.progress = progress_;
    uint64_t forgotten = 0;
    control.passed = [&old, &forgotten](uint64_t oldOffset) {
        old->Forget(forgotten, oldOffset - std::min(oldOffset, forgotten));
        forgotten = std::max(forgotten, oldOffset);
    };
    EditOutcome outcome;
    bool recomputed = false;
    outcome.method = Replace(record.newLength, [&](ByteSink& sink) {
        recomputed = StreamEdit(*old, edit, sink, control);
    });
    // A checksum the edit recomputed is right. One it left alone stays as right as it was: wrong
    // when the edit found it wrong, unknown when the edit was told to keep it.
    map_.checksumUpToDate =
        recomputed ? std::optional(true)
        : edit.checksum == FileEdit::Checksum::RecomputeIfRight || before == false
            ? std::optional(false)
            : std::nullopt;
    edit.checksum = recomputed ? FileEdit::Checksum::Recompute : FileEdit::Checksum::Keep;
    history_->RememberChecksum(identity_, map_.checksumUpToDate);
    outcome.summary = std::move(summary);
    outcome.warnings = edit.warnings;
    record.edit = std::move(edit);
    if (outcome.method != WriteMethod::Renamed) {
        Remember(std::move(record), outcome);
        return outcome;
    }
    // The replaced file is gone from the folder; the file system frees its blocks when its last
    // descriptor closes, which takes tens of milliseconds for a large map. The record is
    // stored meanwhile. The edit lock, held on the replaced file, has done its work.
    std::future<void> stored =
        std::async(std::launch::async, [&] { Remember(std::move(record), outcome); });
    old.reset();
    heldLock_.Release();
    editLock_.Release();
    stored.get();
    return outcome;
}

LayoutLookup MapSession::Layouts() {
    return [this](std::string_view tagClass) -> const PluginDef* {
        return plugins_->HasPluginFor(tagClass) ? plugins_->LayoutFor(tagClass).get() : nullptr;
    };
}

std::vector<AddressSlot> MapSession::Addresses() {
    // What the walk has read is let go of every few MiB, not after every tag.
    constexpr int64_t kStretch = int64_t{8} << 20;
    int64_t released = 0;
    return DeclaredAddresses(map_, Layouts(), [this, &released](int64_t passed) {
        if (passed >= released + kStretch) {
            file_->Release(static_cast<uint64_t>(released),
                           static_cast<uint64_t>(passed - released));
            released = passed;
        }
    });
}

RelocationChoice MapSession::ChooseRelocation(const std::string* importedClass) {
    if (mode_ == RelocationMode::Scan) {
        return {false, "relocation by value, as asked"};
    }
    std::optional<std::string> uncovered = FirstUncoveredClass(map_, Layouts());
    if (!uncovered && importedClass != nullptr) {
        const PluginDef* layout = nullptr;
        try {
            layout = Layouts()(*importedClass);
        } catch (const PelmarError&) {
        }
        if (layout == nullptr || !layout->complete) {
            uncovered =
                "the imported tag's class \"" + *importedClass + "\" has no complete plugin";
        }
    }
    if (!uncovered) {
        return {true, "precise relocation: the plugins describe every class of the map"};
    }
    if (mode_ == RelocationMode::Precise) {
        throw PelmarError(ErrorKind::Refused,
                          "precise relocation needs the plugins to describe every class of the "
                          "map, and " +
                              *uncovered);
    }
    return {false, "relocation by value: " + *uncovered};
}

EditOutcome MapSession::Duplicate(int32_t tagIndex, const ChunkPath& path, bool deep) {
    RelocationChoice relocation;
    EditOutcome outcome = Commit([&] {
        if (tagIndex < 0 || tagIndex >= map_.TagCount) {
            throw PelmarError(ErrorKind::NotFound, "there is no tag " + std::to_string(tagIndex));
        }
        const Tag& tag = map_.TagCache[static_cast<size_t>(tagIndex)];
        const std::shared_ptr<const PluginDef> plugin = plugins_->PluginFor(tag.Class1);
        const LocatedChunk located = LocateChunk(ViewOf(tagIndex, *plugin), path);
        relocation = ChooseRelocation();
        if (deep && !relocation.precise) {
            throw PelmarError(ErrorKind::Refused,
                              "duplicating with sub-blocks needs precise relocation (" +
                                  relocation.reason + ")");
        }
        DuplicationRequest request;
        request.tagIndex = tagIndex;
        request.scenarioClass = EqualsIgnoringAsciiCase(plugin->tagClass, "scnr");
        request.chunk = located.chunk;
        DuplicationPlan plan =
            relocation.precise
                ? PlanPreciseDuplication(map_, request, *located.layout, Addresses(), deep)
                : PlanDuplication(map_, request);
        const std::string summary = "duplicate " + located.layout->name + " : " +
                                    std::to_string(located.chunk.chunkIndex + 1) +
                                    (deep ? " with its sub-blocks" : "") + " of " + tag.Name.str();
        return Write(std::move(plan.edit), summary);
    });
    outcome.relocation = relocation;
    return outcome;
}

EditOutcome MapSession::Import(const HaloPcMap& source, int32_t n) {
    RelocationChoice relocation;
    EditOutcome outcome = Commit([&] {
        const Tag& imported = ImportedTag(source, n);
        relocation = ChooseRelocation(&imported.Class1);
        ImportPlan plan;
        if (relocation.precise) {
            const std::shared_ptr<const PluginDef> layout = plugins_->LayoutFor(imported.Class1);
            plan = PlanPreciseImport(map_, Addresses(), source, *layout, n);
        } else {
            plan = PlanImport(map_, source, n);
        }
        const Tag& tag = source.TagCache[static_cast<size_t>(n)];
        std::string summary =
            "New tag: " + tag.Class1 + ":" + plan.storedName + " (id " + Hex(plan.newIdent) + ")";
        if (plan.identMoved) {
            summary += "; the usual id was taken by another tag, so the next free one was used";
        }
        return Write(std::move(plan.edit), summary);
    });
    outcome.relocation = relocation;
    return outcome;
}

} // namespace pelmar
