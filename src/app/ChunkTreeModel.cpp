#include "app/ChunkTreeModel.h"

#include <algorithm>

namespace pelmar::app {

ChunkTreeModel::ChunkTreeModel(QObject* parent)
    : QAbstractItemModel(parent), top_(std::make_unique<Level>()) {}

ChunkTreeModel::~ChunkTreeModel() = default;

void ChunkTreeModel::Clear() {
    beginResetModel();
    top_ = std::make_unique<Level>();
    plugin_.reset();
    endResetModel();
}

void ChunkTreeModel::ShowRoot(std::shared_ptr<const PluginDef> plugin, const ChunkRow& root) {
    beginResetModel();
    top_ = std::make_unique<Level>();
    top_->rows.push_back(root);
    top_->shown = 1;
    plugin_ = std::move(plugin);
    endResetModel();
}

void ChunkTreeModel::SetChildren(const QModelIndex& parent, std::vector<ChunkRow> rows) {
    DropChildren(parent);
    Level* holder = Holder(parent);
    if (holder == nullptr) {
        return;
    }
    auto level = std::make_unique<Level>();
    level->parent = holder;
    level->rowInParent = parent.row();
    level->rows = std::move(rows);
    holder->below[parent.row()] = std::move(level);
    fetchMore(parent);
}

void ChunkTreeModel::DropChildren(const QModelIndex& parent) {
    Level* holder = Holder(parent);
    if (holder == nullptr) {
        return;
    }
    const auto it = holder->below.find(parent.row());
    if (it == holder->below.end()) {
        return;
    }
    const int shown = it->second->shown;
    changing_ = true;
    if (shown > 0) {
        beginRemoveRows(parent, 0, shown - 1);
    }
    // The view may ask for the parent's rows while the removal ends: it has none by then, and
    // the removed levels stay alive until it is over.
    std::unique_ptr<Level> removed = std::move(it->second);
    holder->below.erase(it);
    if (shown > 0) {
        endRemoveRows();
    }
    changing_ = false;
}

const ChunkRow* ChunkTreeModel::RowAt(const QModelIndex& index) const {
    const Level* holder = Holder(index);
    return holder == nullptr ? nullptr : &holder->rows[static_cast<size_t>(index.row())];
}

ChunkTreeModel::Level* ChunkTreeModel::Holder(const QModelIndex& index) {
    return index.isValid() ? static_cast<Level*>(index.internalPointer()) : nullptr;
}

ChunkTreeModel::Level* ChunkTreeModel::LevelBelow(const QModelIndex& parent) const {
    if (!parent.isValid()) {
        return top_.get();
    }
    if (parent.column() != 0) {
        return nullptr;
    }
    const Level* holder = Holder(parent);
    const auto it = holder->below.find(parent.row());
    return it == holder->below.end() ? nullptr : it->second.get();
}

QModelIndex ChunkTreeModel::index(int row, int column, const QModelIndex& parent) const {
    const Level* level = LevelBelow(parent);
    if (level == nullptr || column != 0 || row < 0 || row >= level->shown) {
        return {};
    }
    return createIndex(row, column, level);
}

QModelIndex ChunkTreeModel::parent(const QModelIndex& child) const {
    const Level* holder = Holder(child);
    if (holder == nullptr || holder->parent == nullptr) {
        return {};
    }
    return createIndex(holder->rowInParent, 0, holder->parent);
}

int ChunkTreeModel::rowCount(const QModelIndex& parent) const {
    const Level* level = LevelBelow(parent);
    return level == nullptr ? 0 : level->shown;
}

int ChunkTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

bool ChunkTreeModel::hasChildren(const QModelIndex& parent) const {
    if (!parent.isValid()) {
        return top_->shown > 0;
    }
    // A folder shows its expansion indicator before its rows are listed.
    return parent.column() == 0 && RowAt(parent)->folder;
}

QVariant ChunkTreeModel::data(const QModelIndex& index, int role) const {
    const ChunkRow* row = RowAt(index);
    if (row == nullptr || role != Qt::DisplayRole) {
        return {};
    }
    return QString::fromStdString(row->Text());
}

Qt::ItemFlags ChunkTreeModel::flags(const QModelIndex& index) const {
    const ChunkRow* row = RowAt(index);
    if (row == nullptr) {
        return Qt::NoItemFlags;
    }
    const Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return row->folder ? flags : flags | Qt::ItemNeverHasChildren;
}

bool ChunkTreeModel::canFetchMore(const QModelIndex& parent) const {
    const Level* level = LevelBelow(parent);
    return !changing_ && level != nullptr && static_cast<size_t>(level->shown) < level->rows.size();
}

void ChunkTreeModel::fetchMore(const QModelIndex& parent) {
    Level* level = LevelBelow(parent);
    if (level == nullptr || changing_) {
        return;
    }
    const int waiting = static_cast<int>(level->rows.size()) - level->shown;
    const int count = std::min(waiting, kBatch);
    if (count <= 0) {
        return;
    }
    changing_ = true;
    beginInsertRows(parent, level->shown, level->shown + count - 1);
    level->shown += count;
    endInsertRows();
    changing_ = false;
}

} // namespace pelmar::app
