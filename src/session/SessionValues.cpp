// The session's value edits, undo and redo.

#include "platform/Error.h"
#include "map/MapChecksum.h"
#include "map/MapLayout.h"
#include "platform/Words.h"
#include "session/MapSession.h"

#include <cstring>

namespace pelmar {

namespace {

BlockAt BlockOf(const HaloPcMap& map, const TreeView& view, const ChunkPath& path) {
    const ResolvedBlock block = ResolveBlock(view, path);
    return BlockAt{map, *block.layout, block.offset};
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
        record.AddChange(static_cast<uint64_t>(at), current, bytes);
        // The header checksum follows the change (an up-to-date one stays up to date).
        if (const std::optional<uint32_t> crc = ChecksumAfterChange(map_.bytes(), at, bytes)) {
            std::vector<uint8_t> word(4);
            StoreU32(word.data(), *crc);
            const auto crcAt = static_cast<uint64_t>(layout::kHeaderCrcField);
            const std::span<const uint8_t> old = map_.bytes().subspan(crcAt, 4);
            record.AddChange(crcAt, old, word);
        }
        std::vector<FilePatch> patches;
        record.ForEachChange(
            [&](uint64_t where, std::span<const uint8_t>, std::span<const uint8_t> after) {
                patches.push_back({where, after});
            });
        Patch(patches);
        outcome.method = WriteMethod::InPlace;
        Remember(std::move(record), outcome);
        return outcome;
    });
}

std::optional<std::string> MapSession::UndoDescription() const {
    const std::optional<EditRecord> top = history_ ? history_->Top() : std::nullopt;
    return top ? std::optional(top->description) : std::nullopt;
}

std::optional<std::string> MapSession::RedoDescription() const {
    const std::optional<EditRecord> next = history_ ? history_->Next() : std::nullopt;
    return next ? std::optional(next->description) : std::nullopt;
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
    if (record.insertions.empty()) {
        std::vector<FilePatch> patches;
        record.ForEachChange([&](uint64_t at, std::span<const uint8_t> before,
                                 std::span<const uint8_t> after) {
            patches.push_back({at, undo ? before : after});
        });
        Patch(patches);
        outcome.method = WriteMethod::InPlace;
    } else {
        const ByteBuffer bytes = undo ? Undone(map_.bytes(), record) : Redone(map_.bytes(), record);
        outcome.method = Replace(bytes.size(), [&](ByteSink& sink) { sink.Append(bytes.span()); });
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
