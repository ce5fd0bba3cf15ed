#pragma once

#include "app/UserDialogs.h"

#include <deque>
#include <functional>
#include <optional>

namespace pelmar::apptest {

// Dialogs answered by the test: file choices and list choices are taken from queues in order
// (an empty queue answers "cancelled"), and every message shown is recorded.
class ScriptedDialogs : public app::UserDialogs {
public:
    using ListAnswer = std::function<std::optional<int>(const QStringList& choices)>;

    std::deque<std::optional<std::filesystem::path>> files;
    std::deque<ListAnswer> listAnswers;

    QStringList messages;     // every message, in the order shown
    QStringList fileCaptions; // caption of every open-file dialog
    QStringList fileFilters;  // filter of every open-file dialog
    QList<QStringList> offeredLists;

    std::optional<std::filesystem::path> ChooseOpenFile(QWidget* parent, const QString& caption,
                                                        const app::FileType& type) override;
    void ShowMessage(QWidget* parent, const QString& text) override;
    std::optional<int> ChooseFromList(QWidget* parent, const QString& caption,
                                      const QString& prompt, const QStringList& choices) override;

    // Answers the next list dialog with the entry whose text is `text` (cancels if absent).
    void PickFromList(const QString& text);
};

} // namespace pelmar::apptest
