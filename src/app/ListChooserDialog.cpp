#include "app/ListChooserDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace pelmar::app {

namespace {

constexpr int kIndexRole = Qt::UserRole;

} // namespace

ListChooserDialog::ListChooserDialog(const QString& caption, const QString& prompt,
                                     const QStringList& choices, QWidget* parent)
    : QDialog(parent), filter_(new QLineEdit(this)), list_(new QListWidget(this)),
      buttons_(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this)) {
    setWindowTitle(caption);
    resize(440, 420);
    filter_->setPlaceholderText(tr("Filter"));
    filter_->setClearButtonEnabled(true);
    for (int i = 0; i < choices.size(); ++i) {
        auto* entry = new QListWidgetItem(choices[i], list_);
        entry->setData(kIndexRole, i);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(prompt, this));
    layout->addWidget(filter_);
    layout->addWidget(list_);
    layout->addWidget(buttons_);

    connect(filter_, &QLineEdit::textChanged, this, &ListChooserDialog::ApplyFilter);
    connect(list_, &QListWidget::itemSelectionChanged, this, &ListChooserDialog::UpdateOkButton);
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    UpdateOkButton();
}

bool ListChooserDialog::Matches(const QString& text, const QString& filter) {
    const QStringList words = filter.split(' ', Qt::SkipEmptyParts);
    for (const QString& word : words) {
        if (!text.contains(word, Qt::CaseInsensitive)) {
            return false;
        }
    }
    return true;
}

std::optional<int> ListChooserDialog::ChosenIndex() const {
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    if (selected.isEmpty() || selected.front()->isHidden()) {
        return std::nullopt;
    }
    return selected.front()->data(kIndexRole).toInt();
}

void ListChooserDialog::ApplyFilter(const QString& filter) {
    QListWidgetItem* firstShown = nullptr;
    for (int row = 0; row < list_->count(); ++row) {
        QListWidgetItem* entry = list_->item(row);
        const bool shown = Matches(entry->text(), filter);
        entry->setHidden(!shown);
        if (shown && firstShown == nullptr) {
            firstShown = entry;
        }
    }
    // Keep a shown entry selected, so that Enter picks what the user sees.
    QListWidgetItem* current = list_->currentItem();
    if (current == nullptr || current->isHidden()) {
        list_->setCurrentItem(firstShown);
    }
    UpdateOkButton();
}

void ListChooserDialog::UpdateOkButton() {
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(ChosenIndex().has_value());
}

} // namespace pelmar::app
