// The session's value edits, undo and redo.

#include "map/MapChecksum.h"
#include "map/MapLayout.h"
#include "map/StreamEdit.h"
#include "platform/Error.h"
#include "platform/Words.h"
#include "session/MapSession.h"

#include <algorithm>
#include <cstring>

namespace pelmar {

namespace {

BlockAt BlockOf(const HaloPcMap& map, const TreeView& view, const ChunkPath& path) {
    const ResolvedBlock block = ResolveBlock(view, path);
    return BlockAt{map, *block.layout, block.offset};
}

// The bytes that undoing (or redoing) an edit that only overwrote bytes writes back.
std::vector<FilePatch> Overwrites(const EditRecord& record, bool undo) {
    std::vector<FilePatch> patches;
    const std::span<const uint8_t> before(record.trace.setBefore);
    size_t at = 0;
    for (const FileEdit::Op& op : record.edit.ops) {
        patches.push_back({static_cast<uint64_t>(op.at),
                           undo ? before.subspan(at, ReplacedBytes(op)) : op.bytes});
        at += ReplacedBytes(op);
    }
    if (undo) {
        std::reverse(patches.begin(), patches.end());
    }
    return patches;
}

} // namespace

std::vector<FieldValue> MapSession::ReadValues(int32_t tagIndex, const ChunkPath& path) {
    try {
        const Tag& tag = map_.TagCache.at(static_cast<size_t>(tagIndex));
        const std::shared_ptr<const PluginDef> plugin = plugins_->PluginFor(tag.Class1);
        return ReadFields(BlockOf(map_, ViewOf(tagIndex, *plugin), path));
    } catch (PelmarError& e) {
        throw e.InFile(path_);
    }
}

EditOutcome MapSession::SetValue(int32_t tagIndex, const ChunkPath& path, std::string_view field,
                                 std::string_view text) {
    return Commit([&] {
        const Tag& tag = map_.TagCache.at(static_cast<size_t>(tagIndex));
        if (!tag.HasData()) {
            throw PelmarError(ErrorKind::Refused, "tag " + tag.NameKey() +
                                                      " has no data in this file: " +
                                                      std::string(WhyNoData(tag.place)));
        }
        const std::shared_ptr<const PluginDef> plugin = plugins_->PluginFor(tag.Class1);
        const BlockAt block = BlockOf(map_, ViewOf(tagIndex, *plugin), path);
        const FieldDef* f = FieldNamed(block.layout, field);
        if (f == nullptr) {
            throw PelmarError(ErrorKind::NotFound,
                              "the block has no field \"" + std::string(field) + "\"");
        }
        const int64_t at = block.offset + f->offset;
        if (at < tag.Offset || at + f->size > int64_t{tag.Offset} + tag.Size) {
            throw PelmarError(ErrorKind::Refused,
                              "the field lies outside the data of tag " + tag.NameKey(), at);
        }
        const std::span<const uint8_t> current =
            map_.bytes().subspan(static_cast<size_t>(at), static_cast<size_t>(f->size));
        const std::vector<uint8_t> bytes = EncodeField(*f, text, map_, current);
        EditOutcome outcome;
        outcome.summary = f->name + " = " + std::string(text);
        if (std::equal(bytes.begin(), bytes.end(), current.begin())) {
            return outcome; // already so: nothing to write
        }
        EditRecord record;
        record.description = outcome.summary;
        record.before = identity_;
        record.oldLength = record.newLength = map_.FileLength();
        record.edit.ops.push_back({FileEdit::OpKind::SetBytes, at, bytes, 0, {}, {}});
        record.trace.setBefore.assign(current.begin(), current.end());
        // The header checksum follows the change (an up-to-date one stays up to date).
        if (const std::optional<uint32_t> crc = ChecksumAfterChange(map_.bytes(), at, bytes)) {
            std::vector<uint8_t> word(4);
            StoreU32(word.data(), *crc);
            const std::span<const uint8_t> old =
                map_.bytes().subspan(static_cast<size_t>(layout::kHeaderCrcField), 4);
            record.edit.ops.push_back(
                {FileEdit::OpKind::SetBytes, layout::kHeaderCrcField, word, 0, {}, {}});
            record.trace.setBefore.insert(record.trace.setBefore.end(), old.begin(), old.end());
        }
        const std::optional<bool> checksum = map_.checksumUpToDate;
        Patch(Overwrites(record, false));
        map_.checksumUpToDate = checksum; // the checksum followed the change
        history_->RememberChecksum(identity_, checksum);
        outcome.method = WriteMethod::InPlace;
        Remember(std::move(record), outcome);
        return outcome;
    });
}

std::optional<std::string> MapSession::UndoDescription() const {
    return history_ ? history_->TopDescription() : std::nullopt;
}

std::optional<std::string> MapSession::RedoDescription() const {
    return history_ ? history_->NextDescription() : std::nullopt;
}

EditOutcome MapSession::Undo() {
    return Commit([&] {
        std::optional<EditRecord> record = history_->Top();
        if (!record) {
            throw PelmarError(ErrorKind::Refused, "there is no edit to undo");
        }
        return Travel(std::move(*record), true);
    });
}

EditOutcome MapSession::Redo() {
    return Commit([&] {
        std::optional<EditRecord> record = history_->Next();
        if (!record) {
            throw PelmarError(ErrorKind::Refused, "there is no edit to redo");
        }
        return Travel(std::move(*record), false);
    });
}

EditOutcome MapSession::Travel(EditRecord record, bool undo) {
    const FileIdentity& expected = undo ? record.after : record.before;
    if (!identity_.SameVersion(expected)) {
        throw PelmarError(ErrorKind::Refused,
                          "the map is not the version that edit " +
                              std::string(undo ? "left" : "was undone to") +
                              " (another program may have changed it), so it cannot be " +
                              (undo ? "undone" : "redone") + " exactly");
    }
    EditOutcome outcome;
    outcome.summary = (undo ? "Undid: " : "Redid: ") + record.description;
    const std::shared_ptr<const MappedFile> current = file_;
    StreamControl control;
    control.progress = progress_;
    if (record.OnlyOverwrites()) {
        Patch(Overwrites(record, undo));
        outcome.method = WriteMethod::InPlace;
    } else if (undo) {
        outcome.method = Replace(record.oldLength, [&](ByteSink& sink) {
            StreamUndo(current->bytes(), record.edit, record.trace, sink, control);
        });
    } else {
        outcome.method = Replace(record.newLength, [&](ByteSink& sink) {
            StreamEdit(*current, record.edit, sink, control);
        });
    }
    try {
        undo ? history_->MarkUndone(std::move(record), identity_)
             : history_->MarkRedone(std::move(record), identity_);
    } catch (const PelmarError& e) {
        outcome.warnings.push_back("the edit history could not be updated: " + Describe(e));
    }
    return outcome;
}

} // namespace pelmar
