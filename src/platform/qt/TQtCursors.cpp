#include "platform/qt/TQtCursors.h"

#include <QPixmapCache>
#include <QPoint>
#include <QString>

// Outside any namespace, as the resource initialiser requires; the cursor
// images live in this static library and would otherwise not be linked in.
static void InitCursorResources() {
    Q_INIT_RESOURCE(KorvelCursors);
}

namespace korvel {

namespace {

struct TShippedCursor {
    TCursor Id;
    const char* Path;
    QPoint HotSpot;
};

// Hot spots at the arrows' tips.
const TShippedCursor ShippedCursors[] = {
    {crKVRightArrow, ":/korvel/cursors/kvrightarrow.xpm", QPoint(11, 0)},
    {crDragCopy, ":/korvel/cursors/dragcopy.xpm", QPoint(0, 0)},
};

Qt::CursorShape StandardShape(TCursor Id) {
    switch (Id) {
    case crNone:
        return Qt::BlankCursor;
    case crCross:
        return Qt::CrossCursor;
    case crIBeam:
        return Qt::IBeamCursor;
    case crSizeNESW:
        return Qt::SizeBDiagCursor;
    case crSizeNS:
        return Qt::SizeVerCursor;
    case crSizeNWSE:
        return Qt::SizeFDiagCursor;
    case crSizeWE:
        return Qt::SizeHorCursor;
    case crUpArrow:
        return Qt::UpArrowCursor;
    case crHourGlass:
    case crSQLWait:
        return Qt::WaitCursor;
    case crDrag:
    case crMultiDrag:
        return Qt::DragMoveCursor;
    case crNoDrop:
    case crNo:
        return Qt::ForbiddenCursor;
    case crHSplit:
        return Qt::SplitHCursor;
    case crVSplit:
        return Qt::SplitVCursor;
    case crAppStart:
        return Qt::BusyCursor;
    case crHelp:
        return Qt::WhatsThisCursor;
    case crHandPoint:
        return Qt::PointingHandCursor;
    case crSizeAll:
        return Qt::SizeAllCursor;
    default: // crDefault, crArrow and numbers of no known cursor
        return Qt::ArrowCursor;
    }
}

} // namespace

QPixmap QtCursorImage(TCursor Id, QPoint* HotSpot) {
    static const bool Initialised = (InitCursorResources(), true);
    (void)Initialised;
    for (const TShippedCursor& Cursor : ShippedCursors) {
        if (Cursor.Id != Id)
            continue;
        if (HotSpot != nullptr)
            *HotSpot = Cursor.HotSpot;
        // Qt's pixmap cache keeps the decoded image (and drops it with the
        // application), so asking again on every pointer move is cheap.
        const QString Path = QString::fromLatin1(Cursor.Path);
        QPixmap Image;
        if (!QPixmapCache::find(Path, &Image)) {
            Image = QPixmap(Path);
            QPixmapCache::insert(Path, Image);
        }
        return Image;
    }
    return QPixmap();
}

QCursor QtCursor(TCursor Id) {
    QPoint HotSpot;
    const QPixmap Image = QtCursorImage(Id, &HotSpot);
    if (!Image.isNull())
        return QCursor(Image, HotSpot.x(), HotSpot.y());
    return QCursor(StandardShape(Id));
}

} // namespace korvel
