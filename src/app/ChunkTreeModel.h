#pragma once

#include "structview/ChunkTree.h"
#include "structview/PluginDefinition.h"

#include <QAbstractItemModel>

#include <memory>
#include <unordered_map>
#include <vector>

namespace pelmar::app {

// The chunk tree of one tag as an item model: the root row, and under each expanded row the
// rows the session listed for it. A row's children are given all at once but shown in
// batches (canFetchMore/fetchMore), so that a struct of a million chunks expands at once and
// the view takes more rows as it scrolls down. The model keeps the plugin whose layouts the
// rows point into.
class ChunkTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    // Rows made visible at a time.
    static constexpr int kBatch = 10'000;

    explicit ChunkTreeModel(QObject* parent = nullptr);
    ~ChunkTreeModel() override;

    // Shows no rows.
    void Clear();
    // Shows `root` as the only top-level row; its layouts belong to `plugin`.
    void ShowRoot(std::shared_ptr<const PluginDef> plugin, const ChunkRow& root);
    // Replaces the children of `parent` by `rows`, the first batch of them visible.
    void SetChildren(const QModelIndex& parent, std::vector<ChunkRow> rows);
    // Removes the children of `parent` (and theirs).
    void DropChildren(const QModelIndex& parent);

    // The row at `index`; null for an invalid index.
    const ChunkRow* RowAt(const QModelIndex& index) const;
    const std::shared_ptr<const PluginDef>& plugin() const { return plugin_; }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    // The rows under one parent. An index points at the level that holds its row; the level
    // of an expanded row's children lives in `below` of the level holding that row.
    struct Level {
        Level* parent = nullptr;
        int rowInParent = 0;
        std::vector<ChunkRow> rows;
        int shown = 0;
        std::unordered_map<int, std::unique_ptr<Level>> below;
    };

    // The level that holds the children of `parent` (the top level for an invalid index);
    // null when the row has none listed.
    Level* LevelBelow(const QModelIndex& parent) const;
    static Level* Holder(const QModelIndex& index);

    std::unique_ptr<Level> top_;
    std::shared_ptr<const PluginDef> plugin_;
    // True while rows are being inserted or removed: whoever reacts to the change (a view, a
    // model tester) cannot fetch rows in the middle of it.
    bool changing_ = false;
};

} // namespace pelmar::app
