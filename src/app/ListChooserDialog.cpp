#include "app/ListChooserDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRegularExpression>
#include <QSortFilterProxyModel>
#include <QStringListModel>
#include <QVBoxLayout>

namespace pelmar::app {

namespace {

// A pattern that matches texts holding every blank-separated word of `filter`, in any order.
QRegularExpression AllWords(const QString& filter) {
    QString pattern = "^";
    for (const QString& word : filter.split(' ', Qt::SkipEmptyParts)) {
        pattern += "(?=.*" + QRegularExpression::escape(word) + ")";
    }
    return QRegularExpression(pattern, QRegularExpression::CaseInsensitiveOption |
                                           QRegularExpression::DotMatchesEverythingOption);
}

} // namespace

ListChooserDialog::ListChooserDialog(const QString& caption, const QString& prompt,
                                     const QStringList& choices, QWidget* parent)
    : QDialog(parent), choices_(new QStringListModel(choices, this)),
      shown_(new QSortFilterProxyModel(this)), filter_(new QLineEdit(this)),
      list_(new QListView(this)),
      buttons_(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this)) {
    setWindowTitle(caption);
    resize(440, 420);
    filter_->setPlaceholderText(tr("Filter"));
    filter_->setClearButtonEnabled(true);
    shown_->setSourceModel(choices_);
    list_->setModel(shown_);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setUniformItemSizes(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(prompt, this));
    layout->addWidget(filter_);
    layout->addWidget(list_);
    layout->addWidget(buttons_);

    connect(filter_, &QLineEdit::textChanged, this, &ListChooserDialog::ApplyFilter);
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ListChooserDialog::UpdateOkButton);
    connect(list_, &QListView::doubleClicked, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    UpdateOkButton();
}

std::optional<int> ListChooserDialog::ChosenIndex() const {
    const QModelIndexList selected = list_->selectionModel()->selectedIndexes();
    if (selected.isEmpty()) {
        return std::nullopt;
    }
    return shown_->mapToSource(selected.front()).row();
}

void ListChooserDialog::ApplyFilter(const QString& filter) {
    shown_->setFilterRegularExpression(AllWords(filter));
    // Keep a shown entry selected, so that Enter picks what the user sees.
    if (!list_->selectionModel()->hasSelection() && shown_->rowCount() > 0) {
        list_->setCurrentIndex(shown_->index(0, 0));
    }
    UpdateOkButton();
}

void ListChooserDialog::UpdateOkButton() {
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(ChosenIndex().has_value());
}

} // namespace pelmar::app
