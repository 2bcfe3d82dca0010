// Cursors, group icons and item looks of the pie page.
#include "ui/main/PieLook.h"

#include "models/PieItemNames.h"
#include "shell/Icons.h"

#include <QMimeDatabase>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int CursorSize = 32;
constexpr QPoint LensCentre(12, 12);
constexpr int LensRadius = 9;

// The glass in the given pen width and colour: first wide and white, then
// narrow and dark, so it shows on both light and dark sections.
void DrawGlass(QPainter& p, const QColor& color, qreal extra) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(color, 2.0 + extra, Qt::SolidLine, Qt::RoundCap));
    p.drawEllipse(QPointF(LensCentre), LensRadius, LensRadius);
    p.setPen(QPen(color, 4.0 + extra, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(19.0, 19.0), QPointF(28.0, 28.0));
}

void DrawSign(QPainter& p, bool plus, const QColor& color, qreal width) {
    p.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap));
    const QPointF c(LensCentre);
    p.drawLine(c + QPointF(-4.5, 0), c + QPointF(4.5, 0));
    if (plus)
        p.drawLine(c + QPointF(0, -4.5), c + QPointF(0, 4.5));
}

QPixmap Stack(const QIcon& icon) {
    QPixmap result(32, 32);
    result.fill(Qt::transparent);
    QPainter p(&result);
    const QPixmap one = icon.pixmap(20, 20);
    for (int i = 0; i < 3; ++i)
        p.drawPixmap(i * 6, i * 6, one);
    return result;
}

// The icon of a file from the type its name suggests; the plain file icon
// when the name says nothing.
QIcon IconOfFile(const QString& name) {
    const QList<QMimeType> types = QMimeDatabase().mimeTypesForFileName(name);
    if (types.isEmpty())
        return FileIcon();
    const QMimeType& type = types.front();
    for (const QString& iconName : {type.iconName(), type.genericIconName()}) {
        const QIcon icon = QIcon::fromTheme(iconName);
        if (!icon.isNull() && !icon.availableSizes().isEmpty())
            return icon;
    }
    return FileIcon();
}

} // namespace

QCursor MakeZoomCursor(bool zoomIn) {
    QPixmap picture(CursorSize, CursorSize);
    picture.fill(Qt::transparent);
    {
        QPainter p(&picture);
        p.setRenderHint(QPainter::Antialiasing);
        DrawGlass(p, Qt::white, 2.0);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 200));
        p.drawEllipse(QPointF(LensCentre), LensRadius, LensRadius);
        DrawGlass(p, QColor(0x20, 0x20, 0x20), 0.0);
        DrawSign(p, zoomIn, QColor(0x20, 0x20, 0x20), 2.0);
    }
    return QCursor(picture, LensCentre.x(), LensCentre.y());
}

QPixmap MakeGroupIcon(int index) {
    return Stack(index == 1 ? FolderIcon() : FileIcon());
}

TPieItemLook LookOfPieItem(const std::string& path, bool isFolder, const TFolderNode* root) {
    const TPieItemNames names = PieItemNames(path, isFolder, root);
    TPieItemLook look{names.DisplayName, names.TypeName, {}};
    if (root)
        look.Icon = ThemeIcon("drive-harddisk", QStyle::SP_DriveHDIcon);
    else if (isFolder)
        look.Icon = FolderIcon();
    else
        look.Icon = IconOfFile(names.DisplayName);
    return look;
}
