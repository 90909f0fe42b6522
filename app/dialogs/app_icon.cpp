#include "app/dialogs/app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace tintext {

namespace {

struct CodeLine {
    qreal x, y, width;
    QRgb colour;
};

// The SVG's coloured lines, in its 64-unit coordinates.
constexpr CodeLine kLines[] = {
    {15, 20, 12, 0xa23b8c}, {29, 20, 18, 0x2f6fb0}, {19, 28, 22, 0x3c8c44}, {19, 36, 9, 0xd9822b},
    {30, 36, 14, 0x7a8691}, {19, 44, 16, 0x3c8c44}, {15, 52, 10, 0xa23b8c},
};

QPixmap DrawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 64.0, size / 64.0);

    QPainterPath page;
    page.addRoundedRect(QRectF(9, 3, 46, 58), 5, 5);
    painter.fillPath(page, Qt::white);
    painter.save();
    painter.setClipPath(page);
    painter.fillRect(QRectF(9, 3, 46, 11), QColor(0x2f6fb0));
    painter.restore();
    painter.setPen(QPen(QColor(0x34495e), 2));
    painter.drawPath(page);

    painter.setPen(Qt::NoPen);
    for (const CodeLine& line : kLines) {
        painter.setBrush(QColor(line.colour));
        painter.drawRoundedRect(QRectF(line.x, line.y, line.width, 4), 2, 2);
    }
    return pixmap;
}

}  // namespace

QIcon AppIcon() {
    // Not cached: pixmaps must not outlive the application object.
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(DrawIcon(size));
    return icon;
}

}  // namespace tintext
