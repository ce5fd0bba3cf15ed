#pragma once

#include "session/EditRecord.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace pelmar {

// The edit history of one map, kept in the user's data folder ($XDG_DATA_HOME/pelmar/history,
// else ~/.local/share/pelmar/history) in a folder named after the map's full path, so that it
// survives closing the program. Edits up to the current position can be undone, those after it
// redone; a new edit drops the ones after it. It keeps at most kMaxEdits edits and kMaxBytes
// bytes of records; the oldest go first.
class History {
public:
    static constexpr size_t kMaxEdits = 100;
    static constexpr uint64_t kMaxBytes = uint64_t{512} << 20;

    explicit History(const std::filesystem::path& map);

    const std::filesystem::path& folder() const { return folder_; }
    // The edit that an undo would undo, and the one a redo would redo.
    std::optional<EditRecord> Top() const;
    std::optional<EditRecord> Next() const;
    // Their descriptions only, read without the rest of the records.
    std::optional<std::string> TopDescription() const;
    std::optional<std::string> NextDescription() const;

    // Records a new edit after the current position. Throws PelmarError (Io) naming the folder
    // when the record cannot be written.
    void Push(const EditRecord& record);
    // Moves the position back (forward) over `record`, kept with its updated versions; the
    // file is now at version `now`, which the edit before (after) it is to start from.
    void MarkUndone(EditRecord record, const FileIdentity& now);
    void MarkRedone(EditRecord record, const FileIdentity& now);

    // Whether the map's header checksum matched its contents, for the version `file` of it, as
    // last recorded: so that an edit need not read the whole map to find out. Recording is
    // best effort.
    std::optional<bool> KnownChecksum(const FileIdentity& file) const;
    void RememberChecksum(const FileIdentity& file, std::optional<bool> upToDate) const;

private:
    std::vector<uint64_t> Numbers() const; // of the records kept, ascending
    std::filesystem::path RecordPath(uint64_t number) const;
    std::optional<EditRecord> Load(uint64_t number) const;
    std::optional<std::string> Description(uint64_t number) const;
    void Store(uint64_t number, const EditRecord& record) const;
    uint64_t Position() const;
    void SetPosition(uint64_t position) const;
    void Trim() const;

    std::filesystem::path folder_;
};

// The folder that holds the histories of all maps.
std::filesystem::path HistoryRoot();

} // namespace pelmar
