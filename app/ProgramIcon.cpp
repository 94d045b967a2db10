#include "app/ProgramIcon.h"

#include "ui/ResourceManager.h"

#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <vector>

namespace kestrin {
namespace {

QPixmap DrawnIcon(int side)
{
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x14, 0x17, 0x1F));
    painter.drawRoundedRect(QRectF(0, 0, side, side), side * 0.22, side * 0.22);
    // A stylised wing: the accent chevron.
    QPainterPath wing;
    wing.moveTo(side * 0.18, side * 0.70);
    wing.lineTo(side * 0.50, side * 0.22);
    wing.lineTo(side * 0.82, side * 0.70);
    wing.lineTo(side * 0.50, side * 0.54);
    wing.closeSubpath();
    painter.setBrush(QColor(0x00, 0xD1, 0xB2));
    painter.drawPath(wing);
    return pixmap;
}

// The skin's icon images, largest last, as the icon is made of them. The drawing of the SVG is
// the icon's 256 px image, so kestrin-256.png is not read at all.
std::vector<QImage> ReadIconImages(const QString& folder)
{
    std::vector<QImage> images;
    QStringList files;
    for (int side : {16, 32, 48, 64, 128})
        files << folder + QStringLiteral("icons/kestrin-%1.png").arg(side);
    files << folder + QStringLiteral("icons/kestrin.svg");
    for (const QString& file : files) {
        QImageReader reader(file);
        QImage image;
        while (reader.read(&image))
            images.push_back(image);
    }
    return images;
}

} // namespace

QIcon LoadProgramIcon()
{
    // Read on the main thread: a thread of its own did not make the start shorter and kept an
    // allocator arena of its own.
    const std::vector<QImage> images =
        ReadIconImages(CResourceManager::GetInstance()->GetResourcePath());
    QIcon icon;
    for (const QImage& image : images)
        icon.addPixmap(QPixmap::fromImage(image));
    if (icon.isNull()) {
        for (int side : {16, 32, 64, 128})
            icon.addPixmap(DrawnIcon(side));
    }
    return icon;
}

QIcon WithLowBatteryBadge(const QIcon& icon)
{
    QIcon badged;
    for (int side : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap = icon.pixmap(side, side);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        // A battery at a sliver of charge, red on a dark plate, a little over half the side.
        const qreal width = side * 0.56;
        const qreal height = side * 0.34;
        const QRectF body(side - width - side * 0.06, side - height, width - side * 0.06, height);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0x12, 0x15, 0x1C));
        painter.drawRoundedRect(
            body.adjusted(-1, -1, side * 0.06 + 1, 1), side * 0.06, side * 0.06);
        const qreal stroke = qMax(1.0, side / 16.0);
        painter.setPen(QPen(QColor(0xE5, 0x48, 0x4D), stroke));
        painter.setBrush(Qt::NoBrush);
        const QRectF frame = body.adjusted(stroke, stroke, -stroke, -stroke);
        painter.drawRect(frame);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0xE5, 0x48, 0x4D));
        painter.drawRect(QRectF(frame.right(), frame.center().y() - frame.height() / 4, side * 0.06,
            frame.height() / 2));
        painter.drawRect(QRectF(frame.left() + stroke, frame.top() + stroke, frame.width() / 4,
            frame.height() - 2 * stroke));
        painter.end();
        badged.addPixmap(pixmap);
    }
    return badged;
}

} // namespace kestrin
