#pragma once

#include <QListWidget>

#include <string>
#include <vector>

namespace pelmar::app {

// The editor of a flags field: one check box per named bit, in bit order. A bit that has no
// name shows (as "bit N") only while it is set.
class FlagsEditor : public QListWidget {
    Q_OBJECT
public:
    // `bits` names bit i at position i; `width` is the field's number of bits.
    FlagsEditor(const std::vector<std::string>& bits, int width, QWidget* parent = nullptr);

    // Checks the bits named in `text` ("a, b" or "none"), as the values pane shows them.
    void SetText(const QString& text);
    // The checked bits' names separated by commas, or "none".
    QString Text() const;
    // The size that shows up to `rows` rows and the longest name whole.
    QSize SizeFor(int rows) const;
};

} // namespace pelmar::app
