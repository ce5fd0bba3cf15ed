#pragma once

#include <QImage>
#include <QWidget>

class QLabel;

namespace pelmar::app {

// The credits window: a picture on the left and three lines of text on the right. It has a
// fixed size and no behaviour beyond being shown and closed.
class About : public QWidget {
    Q_OBJECT
public:
    // `picture` may be null (the picture file is missing): the window then shows a plain
    // panel in its place.
    explicit About(const QImage& picture, QWidget* parent = nullptr);

    QLabel* const Canvas1;
    QLabel* const StaticText1;
    QLabel* const StaticText2;
    QLabel* const StaticText3;
};

} // namespace pelmar::app
