// The busy cursor on Qt: the application's override cursor.
#include <QApplication>

#include "ui/qt/backend.h"

namespace ui {

BusyCursor::BusyCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyCursor::~BusyCursor() {
    QApplication::restoreOverrideCursor();
}

}  // namespace ui
