#pragma once

#include <QString>
#include <QTreeWidget>
#include <QTreeWidgetItem>

#include <string>

namespace pelmar::app {

// The rows of the two hierarchical lists. A row's hidden tag is kept as raw bytes (class
// codes and tag names are bytes, not text), and shown one byte per character.

// Text for the user from raw map bytes: each byte becomes the character of the same value.
QString BytesText(const std::string& bytes);

// Adds a row under `parent`, or at the top level when `parent` is null. A folder row shows its
// expansion indicator before it has any children; they are added when it is expanded.
QTreeWidgetItem* AddFolder(QTreeWidget* list, QTreeWidgetItem* parent, const QString& text);
QTreeWidgetItem* AddRow(QTreeWidget* list, QTreeWidgetItem* parent, const QString& text);

void SetCellTag(QTreeWidgetItem* row, const std::string& tag);
std::string CellTag(const QTreeWidgetItem* row);

// The selected row, or null when nothing is selected.
QTreeWidgetItem* SelectedRow(const QTreeWidget* list);
// Selects `row` (null selects nothing), as a user's click would.
void SetListIndex(QTreeWidget* list, QTreeWidgetItem* row);

// Removes every descendant of `row`.
void DropChildren(QTreeWidgetItem* row);
// Removes every row; the selection is cleared first so that the list reports the change.
void DeleteAllRows(QTreeWidget* list);

} // namespace pelmar::app
