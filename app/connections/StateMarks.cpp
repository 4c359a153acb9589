#include "app/connections/StateMarks.h"

#include <QPainter>
#include <QPixmap>

namespace StateMarks {

QIcon Mark(NetClient::ConnectionState state) {
    QPixmap picture(MarkSize, MarkSize);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF dot(1.5, 1.5, MarkSize - 3, MarkSize - 3);
    switch (state) {
    case NetClient::ConnectionState::LoggedIn:
        painter.setPen(QPen(QColor(0x1b, 0x5e, 0x20), 1));
        painter.setBrush(QColor(0x2e, 0x9d, 0x3a));
        painter.drawEllipse(dot);
        break;
    case NetClient::ConnectionState::AttachedWithoutLogin:
        painter.setPen(QPen(QColor(0x2e, 0x7d, 0x32), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(dot.adjusted(0.5, 0.5, -0.5, -0.5));
        break;
    case NetClient::ConnectionState::Lost:
        painter.setPen(QPen(QColor(0xc6, 0x28, 0x28), 2.5, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(2.5, 2.5), QPointF(MarkSize - 2.5, MarkSize - 2.5));
        painter.drawLine(QPointF(MarkSize - 2.5, 2.5), QPointF(2.5, MarkSize - 2.5));
        break;
    case NetClient::ConnectionState::Reconnecting:
        painter.setPen(QPen(QColor(0xe0, 0x8a, 0x00), 2.5, Qt::SolidLine, Qt::FlatCap));
        painter.drawArc(dot.adjusted(0.5, 0.5, -0.5, -0.5), 90 * 16, 270 * 16);
        break;
    }
    painter.end();
    return QIcon(picture);
}

} // namespace StateMarks
