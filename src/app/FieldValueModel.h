#pragma once

#include "structview/FieldValues.h"
#include "structview/PluginDefinition.h"

#include <QAbstractTableModel>

#include <optional>
#include <vector>

namespace pelmar::app {

// One row of the values pane: a field with its value and, for a field that is edited as a
// value, the plugin's definition of it (its options, bits or allowed classes).
struct ValueRow {
    FieldValue field;
    std::optional<FieldDef> def; // absent: read-only (blocks, data fields)
};

// Whether fields of `type` are edited by typing or choosing a value; blocks, data fields and
// padding are not.
bool EditedAsValue(FieldType type);

// The fields of one block as a table: name, value, type, offset and address (hex). Only the
// value of an editable field can be edited; an edit changes nothing here but asks for the
// change (EditRequested), after which the window shows what the file holds.
class FieldValueModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Name, Value, Type, Offset, Address, ColumnCount };

    explicit FieldValueModel(QObject* parent = nullptr);

    // Shows no rows.
    void Clear();
    // Shows `rows`. When they are the fields already shown, only the changed cells are
    // announced, so that an open editor and the selection stay.
    void Show(std::vector<ValueRow> rows);
    // The row at `index`; null for an invalid index.
    const ValueRow* RowAt(const QModelIndex& index) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

signals:
    // The user asks for the field named `field` to become `text`.
    void EditRequested(const QString& field, const QString& text);

private:
    bool SameFields(const std::vector<ValueRow>& rows) const;

    std::vector<ValueRow> rows_;
};

} // namespace pelmar::app
