#include "app/TagListModel.h"

#include "app/BytesText.h"

namespace pelmar::app {

namespace {

constexpr int kClassRole = Qt::UserRole + 1;  // class rows: the class's bytes
constexpr int kTagRole = Qt::UserRole + 2;    // tag rows: the TagCache index
constexpr int kListedRole = Qt::UserRole + 3; // class rows: true once their tags are listed

QStandardItem* MakeRow(std::string_view text) {
    auto* row = new QStandardItem(BytesText(text));
    row->setEditable(false);
    return row;
}

} // namespace

TagListModel::TagListModel(QObject* parent) : QStandardItemModel(parent) {}

void TagListModel::ShowClasses(const std::vector<std::string>& classes, TagSource tags) {
    const Changing changing(changing_);
    clear();
    tags_ = std::move(tags);
    setColumnCount(1); // rows are then added to the one column, none inserted with them
    for (const std::string& tagClass : classes) {
        QStandardItem* row = MakeRow(tagClass);
        row->setData(QByteArray::fromStdString(tagClass), kClassRole);
        appendRow(row);
    }
}

void TagListModel::ShowTags(const QModelIndex& classRow, const std::vector<TagEntry>& tags) {
    DropTags(classRow);
    const Changing changing(changing_);
    QStandardItem* parent = itemFromIndex(classRow);
    QList<QStandardItem*> rows;
    rows.reserve(static_cast<qsizetype>(tags.size()));
    for (const auto& [index, name] : tags) {
        QStandardItem* row = MakeRow(name);
        row->setData(index, kTagRole);
        rows << row;
    }
    parent->setData(true, kListedRole);
    parent->setColumnCount(1);
    parent->appendRows(rows);
}

void TagListModel::DropTags(const QModelIndex& classRow) {
    if (QStandardItem* parent = itemFromIndex(classRow); parent != nullptr) {
        const Changing changing(changing_);
        parent->removeRows(0, parent->rowCount());
        parent->setData(false, kListedRole);
    }
}

void TagListModel::ListAllTags() {
    for (int i = 0; i < rowCount(); ++i) {
        if (canFetchMore(index(i, 0))) {
            fetchMore(index(i, 0));
        }
    }
}

std::optional<std::string> TagListModel::ClassAt(const QModelIndex& index) const {
    const QVariant value = index.data(kClassRole);
    if (!value.isValid()) {
        return std::nullopt;
    }
    return value.toByteArray().toStdString();
}

std::optional<int32_t> TagListModel::TagAt(const QModelIndex& index) const {
    const QVariant value = index.data(kTagRole);
    if (!value.isValid()) {
        return std::nullopt;
    }
    return value.toInt();
}

bool TagListModel::hasChildren(const QModelIndex& parent) const {
    return ClassAt(parent).has_value() || QStandardItemModel::hasChildren(parent);
}

bool TagListModel::canFetchMore(const QModelIndex& parent) const {
    return !changing_ && tags_ && parent.model() == this && ClassAt(parent) &&
           !parent.data(kListedRole).toBool();
}

void TagListModel::fetchMore(const QModelIndex& parent) {
    if (canFetchMore(parent)) {
        ShowTags(parent, tags_(*ClassAt(parent)));
    }
}

} // namespace pelmar::app
