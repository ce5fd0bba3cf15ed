#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace pelmar {

// Replaces a file's contents crash-safely: the new bytes go to a temporary file in the same
// folder, which is flushed to disk, given the original's permissions and renamed over it;
// then the folder is flushed. Any failure before the rename leaves the original file exactly
// as it was and removes the temporary file. Temporary files left by an earlier process that
// died mid-write are removed after the next successful replacement.
//
// `pieces` are written one after the other, so an edit that inserts bytes never needs to
// assemble the whole new file in one buffer. Throws PelmarError naming the file.
void ReplaceFileContents(const std::filesystem::path& target,
                         std::span<const std::span<const uint8_t>> pieces);

// Throws PelmarError naming the file unless it is a regular file that we may write.
void RequireWritableFile(const std::filesystem::path& target);

// Test hook: makes the writer stop after `afterBytes` bytes of the temporary file have been
// written, either by throwing (as a full disk would) or by killing the process at once (as a
// crash would).
struct WriteFault {
    enum class Action { Fail, Kill };
    uint64_t afterBytes = 0;
    Action action = Action::Fail;
};
void SetWriteFaultForTesting(std::optional<WriteFault> fault);

// The prefix of the temporary files made for `target`, for tests that look for leftovers.
std::string TemporaryFilePrefix(const std::filesystem::path& target);

} // namespace pelmar
