#pragma once

#include <QDialog>
#include <QStringList>

#include <optional>

class QDialogButtonBox;
class QLineEdit;
class QListView;
class QSortFilterProxyModel;
class QStringListModel;

namespace pelmar::app {

// A list of texts with a filter field above it: typing narrows the list to the entries that
// contain every word typed, in any letter case and order. OK (or a double click) picks the
// selected entry.
class ListChooserDialog : public QDialog {
    Q_OBJECT
public:
    ListChooserDialog(const QString& caption, const QString& prompt, const QStringList& choices,
                      QWidget* parent = nullptr);

    // The index in the original list of the selected entry, if one is selected and shown.
    std::optional<int> ChosenIndex() const;

    QLineEdit* filterField() const { return filter_; }
    QListView* list() const { return list_; }
    QDialogButtonBox* buttons() const { return buttons_; }

private:
    void ApplyFilter(const QString& filter);
    void UpdateOkButton();

    QStringListModel* choices_;
    QSortFilterProxyModel* shown_;
    QLineEdit* filter_;
    QListView* list_;
    QDialogButtonBox* buttons_;
};

} // namespace pelmar::app
