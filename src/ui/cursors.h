#pragma once
// Named cursors of the program's resources.

#include <QCursor>
#include <QGuiApplication>

namespace ks {

// The application cursors of the view windows, drawn here: 30 "CROIX" (a cross for picking),
// 31 "TRANSLAT" (four arrows for moving), 32 "TOURNE" (a circular arrow for turning), 33 "LATERAL"
// (a double horizontal arrow for sideways moves).
enum class CursorId { Croix = 30, Translat = 31, Tourne = 32, Lateral = 33 };

void LoadCursors();
QCursor ApplicationCursor(CursorId id);

// The wait cursor for the time of a long operation.
class WaitCursor
{
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace ks
