#pragma once

#include "platform/TCursorId.h"

#include <QCursor>
#include <QPixmap>

namespace korvel {

// The Qt cursor of a cursor identity: the framework's standard shapes as the
// nearest Qt shapes, "KVRIGHTARROW" and "DRAGCOPY" from the images shipped
// with the adapter, and every other number (highlight runs may carry any) as
// the default arrow. Needs a QGuiApplication.
QCursor QtCursor(TCursor Id);

// The image of one of the two shipped cursors (crKVRightArrow, crDragCopy)
// and its hot spot; a null pixmap for any other identity.
QPixmap QtCursorImage(TCursor Id, QPoint* HotSpot = nullptr);

} // namespace korvel
