#pragma once

#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>

#include <vector>

namespace pelmar::app {

// The edges of a control that keep their distance to the same edge of the window.
enum EdgeLock : unsigned {
    LockLeft = 1u << 0,
    LockTop = 1u << 1,
    LockRight = 1u << 2,
    LockBottom = 1u << 3,
};

// Where a control designed at `design` in an area of `designArea` goes when the area is
// `area`. An edge pair locked on both sides stretches; a control locked only on the right (or
// bottom) moves with that edge; otherwise it stays where it was designed.
QRect PlaceLocked(const QRect& design, unsigned locks, const QSize& designArea, const QSize& area);

// A widget whose children keep their locked edges when it is resized.
class LockedArea : public QWidget {
public:
    LockedArea(QSize designSize, QWidget* parent = nullptr);

    // Places `child` at `design` and keeps its `locks` from now on.
    void Place(QWidget* child, const QRect& design, unsigned locks);

    QSize designSize() const { return designSize_; }
    QSize sizeHint() const override { return designSize_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Locked {
        QPointer<QWidget> widget;
        QRect design;
        unsigned locks = 0;
    };
    void Arrange();

    QSize designSize_;
    std::vector<Locked> controls_;
};

} // namespace pelmar::app
