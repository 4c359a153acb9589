#include "app/widgets/ArrowPictures.h"

#include <QBitmap>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>

namespace ArrowPictures {

namespace {

const QColor Olive(0x80, 0x80, 0x00);
const QColor Red(0xFF, 0x00, 0x00);
const QColor Grey(0x80, 0x80, 0x80);
const QColor White(0xFF, 0xFF, 0xFF);

// A block arrow: a shaft and a head, pointing down; Up mirrors it.
QPolygon ArrowShape(Direction direction, int left) {
    QPolygon down;
    down << QPoint(5, 2) << QPoint(10, 2) << QPoint(10, 8) << QPoint(13, 8) << QPoint(7, 14) << QPoint(2, 8)
         << QPoint(5, 8);
    QPolygon shape;
    for (const QPoint& point : down) {
        const int y = direction == Direction::Down ? point.y() : ImageSize - 1 - point.y();
        shape << QPoint(left + point.x(), y);
    }
    return shape;
}

QPixmap Transparent(const QImage& image) {
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setMask(pixmap.createMaskFromColor(Olive, Qt::MaskInColor));
    return pixmap;
}

} // namespace

QImage Strip(Direction direction) {
    QImage strip(2 * ImageSize, ImageSize, QImage::Format_RGB32);
    strip.fill(Olive);
    QPainter painter(&strip);
    // Enabled: a solid red arrow.
    painter.setPen(Red);
    painter.setBrush(Red);
    painter.drawPolygon(ArrowShape(direction, 0));
    // Disabled: a white outline offset by one pixel under a grey outline, the etched look of greyed glyphs.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(White);
    painter.drawPolygon(ArrowShape(direction, ImageSize + 1).translated(0, 1));
    painter.setPen(Grey);
    painter.drawPolygon(ArrowShape(direction, ImageSize));
    return strip;
}

QIcon Icon(Direction direction) {
    const QImage strip = Strip(direction);
    QIcon icon;
    icon.addPixmap(Transparent(strip.copy(0, 0, ImageSize, ImageSize)), QIcon::Normal);
    icon.addPixmap(Transparent(strip.copy(ImageSize, 0, ImageSize, ImageSize)), QIcon::Disabled);
    return icon;
}

} // namespace ArrowPictures
