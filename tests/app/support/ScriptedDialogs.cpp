#include "support/ScriptedDialogs.h"

namespace pelmar::apptest {

std::optional<std::filesystem::path>
ScriptedDialogs::ChooseOpenFile(QWidget*, const QString& caption, const app::FileType& type) {
    fileCaptions << caption;
    fileFilters << type.DialogFilter();
    if (files.empty()) {
        return std::nullopt;
    }
    std::optional<std::filesystem::path> answer = files.front();
    files.pop_front();
    return answer;
}

void ScriptedDialogs::ShowMessage(QWidget*, const QString& text) {
    messages << text;
}

std::optional<int> ScriptedDialogs::ChooseFromList(QWidget*, const QString&, const QString&,
                                                   const QStringList& choices) {
    offeredLists << choices;
    if (listAnswers.empty()) {
        return std::nullopt;
    }
    ListAnswer answer = std::move(listAnswers.front());
    listAnswers.pop_front();
    return answer(choices);
}

void ScriptedDialogs::PickFromList(const QString& text) {
    listAnswers.push_back([text](const QStringList& choices) -> std::optional<int> {
        const qsizetype at = choices.indexOf(text);
        if (at < 0) {
            return std::nullopt;
        }
        return static_cast<int>(at);
    });
}

} // namespace pelmar::apptest
