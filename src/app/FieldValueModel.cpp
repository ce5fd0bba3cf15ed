#include "app/FieldValueModel.h"

#include "app/BytesText.h"

#include <algorithm>

namespace pelmar::app {

namespace {

QString Hex(int64_t value) {
    return "0x" + QString::number(value, 16).toUpper();
}

QString TypeText(const FieldValue& field) {
    if (std::holds_alternative<BlockValue>(field.value)) {
        return QObject::tr("block");
    }
    const std::string_view name = FieldTypeName(field.type);
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

QString CellText(const FieldValue& field, int column) {
    switch (column) {
    case FieldValueModel::Name:
        return BytesText(field.name);
    case FieldValueModel::Value:
        return BytesText(field.text);
    case FieldValueModel::Type:
        return TypeText(field);
    case FieldValueModel::Offset:
        return Hex(field.offset);
    default: // addresses are 32-bit words, shown unsigned
        return Hex(static_cast<uint32_t>(field.address));
    }
}

} // namespace

bool EditedAsValue(FieldType type) {
    return type != FieldType::Data && type != FieldType::Pad;
}

FieldValueModel::FieldValueModel(QObject* parent) : QAbstractTableModel(parent) {}

void FieldValueModel::Clear() {
    Show({});
}

void FieldValueModel::Show(std::vector<ValueRow> rows) {
    if (!SameFields(rows)) {
        beginResetModel();
        rows_ = std::move(rows);
        endResetModel();
        return;
    }
    rows_ = std::move(rows);
    if (!rows_.empty()) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
    }
}

bool FieldValueModel::SameFields(const std::vector<ValueRow>& rows) const {
    return std::equal(rows.begin(), rows.end(), rows_.begin(), rows_.end(),
                      [](const ValueRow& a, const ValueRow& b) {
                          return a.field.name == b.field.name && a.field.type == b.field.type;
                      });
}

const ValueRow* FieldValueModel::RowAt(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this) {
        return nullptr;
    }
    return &rows_[static_cast<size_t>(index.row())];
}

int FieldValueModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int FieldValueModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant FieldValueModel::data(const QModelIndex& index, int role) const {
    const ValueRow* row = RowAt(index);
    // A long value shows whole in its tooltip.
    const bool tip = role == Qt::ToolTipRole && index.column() == Value;
    if (row == nullptr || (role != Qt::DisplayRole && role != Qt::EditRole && !tip)) {
        return {};
    }
    return CellText(row->field, index.column());
}

QVariant FieldValueModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    static const char* const kTitles[ColumnCount] = {QT_TR_NOOP("Name"), QT_TR_NOOP("Value"),
                                                     QT_TR_NOOP("Type"), QT_TR_NOOP("Offset"),
                                                     QT_TR_NOOP("Address")};
    return section >= 0 && section < ColumnCount ? tr(kTitles[section]) : QVariant();
}

Qt::ItemFlags FieldValueModel::flags(const QModelIndex& index) const {
    const ValueRow* row = RowAt(index);
    if (row == nullptr) {
        return Qt::NoItemFlags;
    }
    const Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    return index.column() == Value && row->def ? flags | Qt::ItemIsEditable : flags;
}

bool FieldValueModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable)) {
        return false;
    }
    emit EditRequested(BytesText(rows_[static_cast<size_t>(index.row())].field.name),
                       value.toString());
    return true;
}

} // namespace pelmar::app
