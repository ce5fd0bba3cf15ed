// Draws the picture of the About window and saves it as a PNG: a chunk tree in the making,
// a copied chunk sliding into place, and the program's name.

#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>

namespace {

constexpr int kWidth = 184;
constexpr int kHeight = 128;

void DrawBackground(QPainter& p) {
    QLinearGradient sky(0, 0, kWidth, kHeight);
    sky.setColorAt(0.0, QColor(22, 58, 92));
    sky.setColorAt(1.0, QColor(10, 24, 44));
    p.fillRect(0, 0, kWidth, kHeight, sky);
    // A faint grid, like the words of a file laid out in rows.
    p.setPen(QPen(QColor(255, 255, 255, 18), 1));
    for (int x = 8; x < kWidth; x += 12) {
        p.drawLine(x, 0, x, kHeight);
    }
    for (int y = 6; y < kHeight; y += 12) {
        p.drawLine(0, y, kWidth, y);
    }
}

void DrawChunk(QPainter& p, QRectF box, QColor fill) {
    p.setPen(QPen(fill.lighter(140), 1.2));
    p.setBrush(fill);
    p.drawRoundedRect(box, 3, 3);
    // Two short lines standing for the words inside the chunk.
    p.setPen(QPen(QColor(255, 255, 255, 120), 1.4));
    const qreal y = box.center().y();
    p.drawLine(QPointF(box.left() + 5, y - 2), QPointF(box.right() - 9, y - 2));
    p.drawLine(QPointF(box.left() + 5, y + 2), QPointF(box.right() - 15, y + 2));
}

void DrawTree(QPainter& p) {
    const QColor branch(150, 200, 230);
    const QColor chunk(44, 110, 160);
    const QColor copy(236, 160, 52);

    p.setPen(QPen(branch, 1.6));
    p.drawLine(QPointF(20, 20), QPointF(20, 78));
    const qreal rows[] = {34, 50, 66};
    for (qreal y : rows) {
        p.drawLine(QPointF(20, y), QPointF(34, y));
    }
    DrawChunk(p, QRectF(10, 8, 46, 13), QColor(70, 140, 120));
    for (qreal y : rows) {
        DrawChunk(p, QRectF(34, y - 6, 52, 12), chunk);
    }
    // The copy of the last chunk, on its way to the end of the array.
    p.setPen(QPen(copy, 1.6, Qt::DashLine));
    p.drawLine(QPointF(20, 78), QPointF(20, 82));
    p.drawLine(QPointF(20, 82), QPointF(34, 82));
    QPainterPath arrow;
    arrow.moveTo(92, 66);
    arrow.cubicTo(112, 68, 112, 80, 94, 82);
    p.setBrush(Qt::NoBrush);
    p.drawPath(arrow);
    DrawChunk(p, QRectF(34, 76, 52, 12), copy);
}

void DrawName(QPainter& p) {
    QFont font("DejaVu Sans");
    font.setPixelSize(22);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(0, 0, 0, 90));
    p.drawText(QRectF(11, 95, kWidth - 11, 30), Qt::AlignLeft | Qt::AlignVCenter, "Pelmar");
    p.setPen(QColor(245, 248, 252));
    p.drawText(QRectF(10, 94, kWidth - 10, 30), Qt::AlignLeft | Qt::AlignVCenter, "Pelmar");
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-about-picture OUT.png\n");
        return 2;
    }
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        DrawBackground(p);
        DrawTree(p);
        DrawName(p);
    }
    if (!image.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "make-about-picture: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
