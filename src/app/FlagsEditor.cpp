#include "app/FlagsEditor.h"

#include "app/BytesText.h"

#include <QScrollBar>

namespace pelmar::app {

FlagsEditor::FlagsEditor(const std::vector<std::string>& bits, int width, QWidget* parent)
    : QListWidget(parent) {
    setObjectName("FlagsEditor");
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (int b = 0; b < width; ++b) {
        const auto at = static_cast<size_t>(b);
        const bool named = at < bits.size() && !bits[at].empty();
        auto* item = new QListWidgetItem(
            named ? BytesText(bits[at]) : QStringLiteral("bit %1").arg(b), this);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
        item->setHidden(!named);
    }
}

void FlagsEditor::SetText(const QString& text) {
    const QStringList set = text.split(", ");
    for (int i = 0; i < count(); ++i) {
        QListWidgetItem* bit = item(i);
        const bool checked = set.contains(bit->text());
        bit->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
        bit->setHidden(bit->isHidden() && !checked);
    }
}

QString FlagsEditor::Text() const {
    QStringList set;
    for (int i = 0; i < count(); ++i) {
        if (item(i)->checkState() == Qt::Checked) {
            set << item(i)->text();
        }
    }
    return set.isEmpty() ? QStringLiteral("none") : set.join(", ");
}

QSize FlagsEditor::SizeFor(int rows) const {
    int shown = 0;
    for (int i = 0; i < count(); ++i) {
        shown += item(i)->isHidden() ? 0 : 1;
    }
    const int rowHeight = sizeHintForRow(0) > 0 ? sizeHintForRow(0) : fontMetrics().height() + 4;
    const int frames = 2 * frameWidth();
    return {sizeHintForColumn(0) + verticalScrollBar()->sizeHint().width() + frames,
            std::min(shown, rows) * rowHeight + frames};
}

} // namespace pelmar::app
