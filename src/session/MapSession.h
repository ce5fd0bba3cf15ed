#pragma once

#include "map/FileEdit.h"
#include "map/HaloPcMap.h"
#include "platform/EditLock.h"
#include "platform/Error.h"
#include "platform/FileAccess.h"
#include "platform/MappedFile.h"
#include "platform/SafeWriter.h"
#include "session/History.h"
#include "session/PluginCatalog.h"
#include "structview/AddressWalk.h"
#include "structview/ChunkTree.h"
#include "structview/FieldValues.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pelmar {

// What selecting a tag gives the chunk tree: the plugin of its class and the root row, or a
// message saying why there is no tree ("No internal nodes found.", a plugin that cannot be
// read, a tag whose data is not in this file).
struct TagTree {
    std::shared_ptr<const PluginDef> plugin;
    std::optional<ChunkRow> root;
    std::string message;
};

// How an edit tells the addresses it moves from other words. Precise: only the address
// words that the plugins declare (possible when they describe every class of the map with data
// here). Scan: every word whose value lies in the range of moved addresses. Auto: precise when
// possible, otherwise scan.
enum class RelocationMode { Auto, Precise, Scan };

// Which relocation an edit used, and why, for the user.
struct RelocationChoice {
    bool precise = false;
    std::string reason;
};

// What a completed edit did.
struct EditOutcome {
    std::string summary;               // for the user, after "Done"
    std::vector<std::string> warnings; // e.g. the tag space is exceeded
    RelocationChoice relocation;
    WriteMethod method = WriteMethod::Renamed;
};

// The message of a plugin whose root has no struct element.
inline constexpr char kNoInternalNodes[] = "No internal nodes found.";

// The one owner of a map file. It reads the file once, keeps its bytes and model, and makes
// every edit: check that the file is still the one read, compute the edit on the bytes, check
// that the result is a map this program can open, write it crash-safely under the map's edit
// lock, and take the written bytes as its new model. Any failure leaves the file and the
// session as they were and says so. Both front ends use it for everything they do to a map.
class MapSession {
public:
    explicit MapSession(std::shared_ptr<PluginCatalog> plugins);
    ~MapSession();

    // Reads the map at `path` (finishing first an interrupted in-place write of it). On
    // failure it throws PelmarError naming the file and keeps the map it had.
    void Open(const std::filesystem::path& path);
    // The same, holding the map's edit lock from the read on until the session is closed or
    // destroyed: for a program that opens a map to edit it at once.
    void OpenForEdit(const std::filesystem::path& path);
    void Close();

    bool IsOpen() const { return open_; }
    const std::filesystem::path& path() const { return path_; }
    // The model; requires an open map.
    const HaloPcMap& map() const { return map_; }
    PluginCatalog& plugins() { return *plugins_; }

    // The chunk tree of tag `tagIndex`: its plugin and root row, or why there is none.
    TagTree SelectTag(int32_t tagIndex);
    // The view that expands the tree of tag `tagIndex` laid out by `plugin`.
    TreeView ViewOf(int32_t tagIndex, const PluginDef& plugin) const;
    std::vector<ChunkRow> Expand(int32_t tagIndex, const PluginDef& plugin, const ChunkRow& row);

    void SetRelocationMode(RelocationMode mode) { mode_ = mode; }
    RelocationMode relocationMode() const { return mode_; }
    // The relocation the next edit uses (importing a tag of `importedClass`, if given). Throws
    // PelmarError (Refused) in precise mode when the plugins do not cover the map, naming the
    // first class that is missing or incomplete.
    RelocationChoice ChooseRelocation(const std::string* importedClass = nullptr);

    // Appends a copy of the chunk at `path` of tag `tagIndex` to its struct's array; `deep`
    // copies its sub-blocks and data along (precise relocation only).
    EditOutcome Duplicate(int32_t tagIndex, const ChunkPath& path, bool deep = false);
    // Copies tag `n` of `source` into this map; `source` may be this session's own map.
    EditOutcome Import(const HaloPcMap& source, int32_t n);

    // How long an edit waits for another program's edit of the map to finish before it is
    // refused (PelmarError Busy).
    void SetLockPatience(std::chrono::milliseconds patience) { patience_ = patience; }

    // The fields of the block at `path` of tag `tagIndex`, with their values, as its plugin
    // lays them out. Throws PelmarError naming the map when the block cannot be read.
    std::vector<FieldValue> ReadValues(int32_t tagIndex, const ChunkPath& path);
    // Sets the field named `field` of that block to what `text` stands for (FieldValues.h),
    // writing only the field's bytes, crash-safely and without rewriting the file.
    EditOutcome SetValue(int32_t tagIndex, const ChunkPath& path, std::string_view field,
                         std::string_view text);

    // What Undo would undo and Redo would redo (the edits' summaries); empty when nothing.
    std::optional<std::string> UndoDescription() const;
    std::optional<std::string> RedoDescription() const;
    // Restores the file byte for byte as it was before the last edit (Undo), or as it was after
    // the edit undone last (Redo), with the model. Refused (PelmarError Refused) when there is
    // nothing to undo or redo, or when the file is not the version the edit left (another
    // program changed it since), since the result would not be exact.
    EditOutcome Undo();
    EditOutcome Redo();

    // Told how far a long edit has come; returning false cancels it while nothing of it has
    // replaced the map (PelmarError Cancelled).
    void SetProgress(std::function<bool(uint64_t done, uint64_t total)> progress) {
        progress_ = std::move(progress);
    }

    // Test hook: the writer stops where these faults say.
    void SetWriteFaults(const WriteFaults* faults) { faults_ = faults; }

private:
    void Read(const std::filesystem::path& path, EditLock lock);
    // Throws PelmarError (Stale) unless the file is still the version the model was read from.
    void RequireUnchangedOnDisk() const;
    // Runs `work` under the edit lock, once the file is known to be the one read; a failure
    // says whether the map was left as it was.
    EditOutcome Commit(const std::function<EditOutcome()>& work);
    // The model of `bytes`, which must pass the layout checks (PelmarError Refused).
    HaloPcMap Checked(std::shared_ptr<const void> owner, std::span<const uint8_t> bytes) const;
    // Writes the whole new file that `write` produces, once it passes the layout checks, and
    // takes it as the session's map.
    WriteMethod Replace(uint64_t length, const ContentWriter& write);
    // Maps the file again and decodes it: after the session's own writes.
    void Refresh();
    // Keeps a copy of the header and index, which the stale check compares with the file.
    void KeepIndex();
    // Writes `patches` into the file in place and into the session's bytes.
    void Patch(std::span<const FilePatch> patches);
    // Writes `edit`'s result and records it in the history.
    EditOutcome Write(FileEdit edit, std::string summary);
    // Completes `record` with the file's new version and adds it to the history; a history that
    // cannot be written leaves a warning in `outcome`, not a failure.
    void Remember(EditRecord record, EditOutcome& outcome);
    // Writes the file that `record` leads to from the session's map, the other way when
    // `undo`.
    EditOutcome Travel(EditRecord record, bool undo);
    [[noreturn]] void Rethrow(PelmarError& e, bool unchanged) const;
    LayoutLookup Layouts();
    // The map's declared addresses (precise relocation), read with little memory held.
    std::vector<AddressSlot> Addresses();

    std::shared_ptr<PluginCatalog> plugins_;
    std::filesystem::path path_;
    std::shared_ptr<const MappedFile> file_;
    std::vector<uint8_t> index_; // the header and index as read
    std::unique_ptr<History> history_;
    HaloPcMap map_; // one object for the whole session: references to it stay valid
    bool open_ = false;
    FileIdentity identity_;
    EditLock heldLock_; // held from opening (OpenForEdit) until an edit replaces the file
    EditLock editLock_; // held by an edit when the session holds none
    const WriteFaults* faults_ = nullptr;
    RelocationMode mode_ = RelocationMode::Auto;
    std::chrono::milliseconds patience_ = std::chrono::seconds(3);
    std::function<bool(uint64_t, uint64_t)> progress_;
};

} // namespace pelmar
