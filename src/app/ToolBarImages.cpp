#include "ToolBarImages.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace verdane {

namespace {

constexpr int kSize = 32;  // drawn at twice the 16-pixel size, so they stay sharp when scaled

QPixmap Draw(ToolImage image) {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QPen outline(QColor(40, 40, 40), 2);
    p.setPen(outline);
    switch (image) {
    case ToolImage::Open:  // a folder
        p.setBrush(QColor(235, 190, 70));
        p.drawPolygon(QPolygon({{3, 9}, {12, 9}, {15, 12}, {28, 12}, {28, 27}, {3, 27}}));
        break;
    case ToolImage::Save:  // a diskette
        p.setBrush(QColor(70, 110, 190));
        p.drawRect(4, 4, 24, 24);
        p.setBrush(Qt::white);
        p.drawRect(9, 4, 14, 9);
        p.drawRect(8, 18, 16, 10);
        break;
    case ToolImage::Undo: {  // an arrow turning back
        QPainterPath path;
        path.moveTo(26, 24);
        path.cubicTo(26, 10, 14, 8, 8, 14);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(40, 90, 40), 3));
        p.drawPath(path);
        p.setBrush(QColor(40, 90, 40));
        p.drawPolygon(QPolygon({{3, 9}, {11, 19}, {13, 9}}));
        break;
    }
    case ToolImage::Cut:  // scissors
        p.setBrush(Qt::NoBrush);
        p.drawLine(9, 4, 20, 21);
        p.drawLine(23, 4, 12, 21);
        p.drawEllipse(QPoint(9, 24), 5, 5);
        p.drawEllipse(QPoint(23, 24), 5, 5);
        break;
    case ToolImage::Copy:  // two pages
        p.setBrush(Qt::white);
        p.drawRect(4, 3, 15, 19);
        p.drawRect(13, 10, 15, 19);
        break;
    case ToolImage::Paste:  // a clipboard with a page
        p.setBrush(QColor(180, 130, 70));
        p.drawRect(4, 5, 18, 23);
        p.setBrush(Qt::white);
        p.drawRect(12, 12, 16, 17);
        p.setBrush(QColor(120, 120, 120));
        p.drawRect(9, 2, 8, 5);
        break;
    case ToolImage::Bookmark:  // a ribbon
        p.setBrush(QColor(200, 40, 40));
        p.drawPolygon(QPolygon({{9, 3}, {23, 3}, {23, 29}, {16, 22}, {9, 29}}));
        break;
    case ToolImage::Clock:
        p.setBrush(Qt::white);
        p.drawEllipse(QPoint(16, 16), 12, 12);
        p.drawLine(16, 16, 16, 8);
        p.drawLine(16, 16, 22, 19);
        break;
    }
    return pixmap;
}

}  // namespace

QIcon ToolBarImage(ToolImage image) { return QIcon(Draw(image)); }

QIcon ProgramIconImage() {
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(30, 60, 40), 3));
    p.setBrush(QColor(60, 140, 90));
    p.drawRoundedRect(10, 4, 44, 56, 8, 8);
    p.setBrush(QColor(225, 240, 220));
    p.drawRect(16, 10, 32, 34);
    p.setPen(QPen(QColor(30, 60, 40), 2));
    for (int y = 16; y <= 38; y += 6) p.drawLine(20, y, 44, y);
    return QIcon(pixmap);
}

}  // namespace verdane
