#pragma once

#include "app/HaloMapTypes.h"

#include <QString>
#include <QStringList>

#include <filesystem>
#include <optional>

class QWidget;

namespace pelmar::app {

// Every dialog the window opens goes through this interface, so that tests can answer them.
class UserDialogs {
public:
    virtual ~UserDialogs() = default;

    // The file picked in an open-file dialog that offers files of `type`; nullopt when the
    // user cancels.
    virtual std::optional<std::filesystem::path>
    ChooseOpenFile(QWidget* parent, const QString& caption, const FileType& type) = 0;

    // Shows `text` in a modal message box and returns when the user has dismissed it.
    virtual void ShowMessage(QWidget* parent, const QString& text) = 0;

    // Asks the yes/no question `text`; true when the user answers yes.
    virtual bool Ask(QWidget* parent, const QString& text) = 0;

    // The index in `choices` of the entry the user picks from a filterable list; nullopt when
    // the user cancels.
    virtual std::optional<int> ChooseFromList(QWidget* parent, const QString& caption,
                                              const QString& prompt,
                                              const QStringList& choices) = 0;
};

// The real dialogs of the desktop.
class QtUserDialogs : public UserDialogs {
public:
    std::optional<std::filesystem::path> ChooseOpenFile(QWidget* parent, const QString& caption,
                                                        const FileType& type) override;
    void ShowMessage(QWidget* parent, const QString& text) override;
    bool Ask(QWidget* parent, const QString& text) override;
    std::optional<int> ChooseFromList(QWidget* parent, const QString& caption,
                                      const QString& prompt, const QStringList& choices) override;
};

} // namespace pelmar::app
