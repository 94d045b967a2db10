#include "app/ProgramIcon.h"

#include "ui/ResourceManager.h"

#include <QFileInfo>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

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

} // namespace

QIcon LoadProgramIcon()
{
    const CResourceManager* resources = CResourceManager::GetInstance();
    QIcon icon;
    for (int side : {16, 32, 48, 64, 128, 256}) {
        const QString file =
            resources->ResourceFile(QStringLiteral("icons/kestrin-%1.png").arg(side));
        if (QFileInfo::exists(file))
            icon.addFile(file, QSize(side, side));
    }
    const QString svg = resources->ResourceFile(QStringLiteral("icons/kestrin.svg"));
    if (QFileInfo::exists(svg))
        icon.addFile(svg);
    if (icon.isNull()) {
        for (int side : {16, 32, 64, 128})
            icon.addPixmap(DrawnIcon(side));
    }
    return icon;
}

} // namespace kestrin
