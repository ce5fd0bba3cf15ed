#pragma once

#include "map/FileEdit.h"
#include "platform/ByteBuffer.h"
#include "platform/FileAccess.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace pelmar {

// One edit as the history keeps it: enough to go from the file before it to the file after it
// and back, and the versions of the file on both sides.
struct EditRecord {
    // A stretch of the file after the edit whose bytes the edit changed; its contents before and
    // after lie, one change after the other, in beforeBytes and afterBytes.
    struct Change {
        uint64_t at = 0;
        uint64_t length = 0;
    };
    std::string description;
    FileIdentity before; // the file before the edit (after an undo: the undone file)
    FileIdentity after;  // the file after the edit (after a redo: the redone file)
    uint64_t oldLength = 0;
    uint64_t newLength = 0;
    std::vector<FileEdit::Insertion> insertions; // at offsets of the file before the edit
    std::vector<Change> changes;
    std::vector<uint8_t> beforeBytes;
    std::vector<uint8_t> afterBytes;

    void AddChange(uint64_t at, std::span<const uint8_t> was, std::span<const uint8_t> becomes);
    // Calls `visit(at, before, after)` for each change in order.
    template <typename Visit> void ForEachChange(Visit&& visit) const {
        uint64_t from = 0;
        for (const Change& c : changes) {
            visit(c.at, std::span(beforeBytes).subspan(from, c.length),
                  std::span(afterBytes).subspan(from, c.length));
            from += c.length;
        }
    }
    // Bytes the record keeps, for bounding the history.
    uint64_t Weight() const;
};

// The file before the edit, from the file after it; and the file after it, from the file
// before it.
ByteBuffer Undone(std::span<const uint8_t> after, const EditRecord& record);
ByteBuffer Redone(std::span<const uint8_t> before, const EditRecord& record);

// A record as bytes, and back. Decoding throws PelmarError (Io) for a damaged record.
std::vector<uint8_t> EncodeRecord(const EditRecord& record);
EditRecord DecodeRecord(std::span<const uint8_t> bytes);

} // namespace pelmar
