#include "app/ListChooserDialog.h"
#include "app/PathText.h"
#include "app/UserDialogs.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace pelmar::app {

std::optional<std::filesystem::path>
QtUserDialogs::ChooseOpenFile(QWidget* parent, const QString& caption, const FileType& type) {
    const QString chosen =
        QFileDialog::getOpenFileName(parent, caption, QString(), type.DialogFilter());
    if (chosen.isEmpty()) {
        return std::nullopt;
    }
    return PathFromText(chosen);
}

void QtUserDialogs::ShowMessage(QWidget* parent, const QString& text) {
    QMessageBox box(parent);
    box.setWindowTitle(QCoreApplication::applicationName());
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

bool QtUserDialogs::Ask(QWidget* parent, const QString& text) {
    QMessageBox box(parent);
    box.setWindowTitle(QCoreApplication::applicationName());
    box.setText(text);
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

std::optional<int> QtUserDialogs::ChooseFromList(QWidget* parent, const QString& caption,
                                                 const QString& prompt,
                                                 const QStringList& choices) {
    ListChooserDialog dialog(caption, prompt, choices, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.ChosenIndex();
}

} // namespace pelmar::app
