#pragma once

#include <QStringList>
#include <QStyledItemDelegate>

#include <functional>
#include <string>
#include <vector>

namespace pelmar::app {

// The editors of the values pane, one that fits each field type: a line for numbers (several
// separated by commas), a combo box of the options of an enum16, a list of check boxes for the
// bits of a flags field, a combo box of "none" and the map's tags of the allowed classes for a
// tag reference, and a line of at most 31 characters for a string32. A choice in a combo box
// is committed at once; the others on Enter or when the editor loses focus. A value that is
// left as it was is not committed.
class ValueDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    // The tags a reference may name, as "class:name": those of `classes` ("*" any class).
    using TagLister = std::function<QStringList(const std::vector<std::string>& classes)>;

    explicit ValueDelegate(TagLister tags, QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

private:
    QWidget* ChoiceEditor(QWidget* parent, const QStringList& choices) const;

    TagLister tags_;
};

} // namespace pelmar::app
