#pragma once

#include "session/MapSession.h"

#include <QObject>
#include <QStringList>

namespace pelmar::app {

// What the window says after an edit landed: "Done", then (when asked) the outcome's
// summary, then each warning, every part on a line of its own.
inline QString DoneText(const EditOutcome& outcome, bool withSummary) {
    QStringList lines{QObject::tr("Done")};
    if (withSummary && !outcome.summary.empty()) {
        lines << QString::fromStdString(outcome.summary);
    }
    for (const std::string& warning : outcome.warnings) {
        lines << QString::fromStdString(warning);
    }
    return lines.join('\n');
}

} // namespace pelmar::app
