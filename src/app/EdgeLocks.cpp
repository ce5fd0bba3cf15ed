#include "app/EdgeLocks.h"

namespace pelmar::app {

namespace {

// One axis of PlaceLocked: the start and length of a control along it.
std::pair<int, int> PlaceOnAxis(int start, int length, bool lockStart, bool lockEnd, int grow) {
    if (lockStart && lockEnd) {
        return {start, length + grow};
    }
    if (lockEnd) {
        return {start + grow, length};
    }
    return {start, length};
}

} // namespace

QRect PlaceLocked(const QRect& design, unsigned locks, const QSize& designArea, const QSize& area) {
    auto [x, width] = PlaceOnAxis(design.x(), design.width(), locks & LockLeft, locks & LockRight,
                                  area.width() - designArea.width());
    auto [y, height] = PlaceOnAxis(design.y(), design.height(), locks & LockTop, locks & LockBottom,
                                   area.height() - designArea.height());
    return QRect(x, y, width, height);
}

LockedArea::LockedArea(QSize designSize, QWidget* parent)
    : QWidget(parent), designSize_(designSize) {
    resize(designSize_);
}

void LockedArea::Place(QWidget* child, const QRect& design, unsigned locks) {
    child->setParent(this);
    controls_.push_back({child, design, locks});
    child->setGeometry(PlaceLocked(design, locks, designSize_, size()));
}

void LockedArea::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Arrange();
}

void LockedArea::Arrange() {
    for (const Locked& c : controls_) {
        if (c.widget) {
            c.widget->setGeometry(PlaceLocked(c.design, c.locks, designSize_, size()));
        }
    }
}

} // namespace pelmar::app
