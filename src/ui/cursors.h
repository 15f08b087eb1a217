#pragma once

#include <QCursor>

namespace ks {

// The application cursors of the view windows, drawn here: 30 "CROIX" (a cross for picking),
// 31 "TRANSLAT" (four arrows for moving), 32 "TOURNE" (a circular arrow for turning), 33 "LATERAL"
// (a double horizontal arrow for sideways moves).
enum class CursorId { Croix = 30, Translat = 31, Tourne = 32, Lateral = 33 };

void LoadCursors();
QCursor ApplicationCursor(CursorId id);

} // namespace ks
