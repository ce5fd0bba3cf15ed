#include "app/TreeRows.h"

#include <QByteArray>

namespace pelmar::app {

namespace {

constexpr int kTagRole = Qt::UserRole;

QTreeWidgetItem* AddItem(QTreeWidget* list, QTreeWidgetItem* parent, const QString& text) {
    auto* row = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(list);
    row->setText(0, text);
    return row;
}

} // namespace

QString BytesText(const std::string& bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QTreeWidgetItem* AddFolder(QTreeWidget* list, QTreeWidgetItem* parent, const QString& text) {
    QTreeWidgetItem* row = AddItem(list, parent, text);
    row->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    return row;
}

QTreeWidgetItem* AddRow(QTreeWidget* list, QTreeWidgetItem* parent, const QString& text) {
    QTreeWidgetItem* row = AddItem(list, parent, text);
    row->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
    return row;
}

void SetCellTag(QTreeWidgetItem* row, const std::string& tag) {
    row->setData(0, kTagRole, QByteArray(tag.data(), static_cast<qsizetype>(tag.size())));
}

std::string CellTag(const QTreeWidgetItem* row) {
    return row->data(0, kTagRole).toByteArray().toStdString();
}

QTreeWidgetItem* SelectedRow(const QTreeWidget* list) {
    const QList<QTreeWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? nullptr : selected.front();
}

void SetListIndex(QTreeWidget* list, QTreeWidgetItem* row) {
    if (row == nullptr) {
        list->clearSelection();
        list->setCurrentItem(nullptr);
        return;
    }
    list->setCurrentItem(row);
    row->setSelected(true);
}

void DropChildren(QTreeWidgetItem* row) {
    const QList<QTreeWidgetItem*> children = row->takeChildren();
    qDeleteAll(children);
}

void DeleteAllRows(QTreeWidget* list) {
    SetListIndex(list, nullptr);
    list->clear();
}

} // namespace pelmar::app
