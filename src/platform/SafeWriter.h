#pragma once

#include "platform/ByteSink.h"
#include "platform/FileAccess.h"
#include "platform/MappedFile.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace pelmar {

using Pieces = std::span<const std::span<const uint8_t>>;

// Lets tests stop a write part-way, as a full disk or a crash would. Production code passes
// none.
class WriteFaults {
public:
    virtual ~WriteFaults() = default;
    // Called before each write of `length` bytes; `written` counts every byte written so far
    // by this replacement (temporary file, journal and map together). May shorten `length`,
    // return an errno value to make the write fail, or not return at all.
    virtual int BeforeWrite(uint64_t written, size_t& length) const = 0;
};

struct ReplaceOptions {
    // The version of the file that the new contents were made from; the file is not replaced
    // when it is no longer that version (PelmarError Stale).
    std::optional<FileIdentity> expected;
    const WriteFaults* faults = nullptr;
    // Examines the complete new contents before they replace the file (they are kept alive by
    // `owner`); throwing leaves the file as it was.
    std::function<void(std::shared_ptr<const void> owner, std::span<const uint8_t> contents)> check;
    // When set and the new contents took the file's name by a rename: the mapping of the new
    // file that `check` examined, which is the file now at the path, and its identity.
    struct Replacement {
        std::shared_ptr<const MappedFile> file;
        FileIdentity identity;
    }* replacement = nullptr;
};

// Writes a file's new contents to the sink it is given, in order.
using ContentWriter = std::function<void(ByteSink& sink)>;

enum class WriteMethod {
    Renamed, // a new file took the map's name
    InPlace, // the map's own inode was rewritten through a journal
};

// Replaces a file's contents crash-safely. Normally the new bytes go to a temporary file in
// the same folder, which gets the original's permissions, owner and extended attributes (ACLs
// included), is flushed and renamed over the original. When a rename would lose something —
// the file has other hard links, or its owner, group or attributes cannot be given to a new
// file — the new contents are written to a journal beside it first, then copied into the file
// itself; a crash during the copy is finished by RecoverInterruptedWrite at the next open.
// Either way the file holds the old or the new contents, never a mix. On success, temporary
// files that earlier, interrupted writes of this file left are removed; the caller must hold
// the file's EditLock, so that no other edit's temporary file is taken for one.
// Throws PelmarError naming the file; the file is then unchanged.
WriteMethod ReplaceFile(const std::filesystem::path& target, Pieces pieces,
                        const ReplaceOptions& options = {});
// The same for contents of `length` bytes that `write` produces block by block: each block is
// handed to the system for writing as soon as it is written, so that the final flush is short.
WriteMethod ReplaceFile(const std::filesystem::path& target, uint64_t length,
                        const ContentWriter& write, const ReplaceOptions& options = {});

// A stretch of bytes to write at `at`.
struct FilePatch {
    uint64_t at = 0;
    std::span<const uint8_t> bytes;
};

// Writes `patches` into the file itself and cuts it to `length`, crash-safely: the patches go
// to a journal beside the file first, so that a crash at any point leaves the old contents or,
// once the next open has finished the journal, the new ones. For small edits of large files:
// only the patched bytes are written. Throws PelmarError naming the file (Stale when it is no
// longer the expected version).
void PatchFile(const std::filesystem::path& target, std::span<const FilePatch> patches,
               uint64_t length, const ReplaceOptions& options = {});

// Writes a new file at `target` crash-safely. An existing file (or link) there is refused
// (PelmarError Refused) unless `overwrite`; then it is replaced as a whole (a symbolic link is
// replaced, not followed).
void WriteNewFile(const std::filesystem::path& target, Pieces pieces, bool overwrite,
                  const WriteFaults* faults = nullptr);

// Finishes an in-place write of `target` that was interrupted after its journal was complete,
// so that the file holds the new contents; drops a journal that belongs to another version of
// the file. Returns true when it finished one. Call with the file's EditLock held.
bool RecoverInterruptedWrite(const std::filesystem::path& target);

// The prefix of the temporary files made for `target` (six random characters follow), and the
// name of its journal.
std::string TemporaryFilePrefix(const std::filesystem::path& target);
std::filesystem::path JournalPath(const std::filesystem::path& target);

} // namespace pelmar
