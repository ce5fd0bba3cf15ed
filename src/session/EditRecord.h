#pragma once

#include "map/FileEdit.h"
#include "map/StreamEdit.h"
#include "platform/FileAccess.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace pelmar {

// One edit as the history keeps it: the edit itself (its insertions and operations) and what
// its operations replaced, which lead from the file before it to the file after it and back;
// and the versions of the file on both sides.
struct EditRecord {
    std::string description;
    FileIdentity before; // the file before the edit (after an undo: the undone file)
    FileIdentity after;  // the file after the edit (after a redo: the redone file)
    uint64_t oldLength = 0;
    uint64_t newLength = 0;
    FileEdit edit;
    EditTrace trace;

    // True when the edit only overwrote bytes (a value edit): undoing and redoing it rewrites
    // those bytes in place.
    bool OnlyOverwrites() const;
    // Bytes the record keeps, for bounding the history.
    uint64_t Weight() const;
};

// A record as bytes, and back. Decoding throws PelmarError (Io) for a damaged record, and
// checks that the record describes a file of oldLength bytes becoming one of newLength.
std::vector<uint8_t> EncodeRecord(const EditRecord& record);
EditRecord DecodeRecord(std::span<const uint8_t> bytes);
// The description of the record that begins with `head` (as much of it as `head` holds).
std::optional<std::string> RecordDescription(std::span<const uint8_t> head);

} // namespace pelmar
