// The program's named cursors.
#include "ui/cursors.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>
#include <functional>

#include <map>

namespace ks {

namespace {

std::map<CursorId, QCursor>& Cursors()
{
    static std::map<CursorId, QCursor> cursors;
    return cursors;
}

// A 32 x 32 cursor: the shape in black over a white outline, hot spot in the middle.
QCursor Draw(const std::function<void(QPainter&)>& shape)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::white, 3));
    shape(p);
    p.setPen(QPen(Qt::black, 1));
    shape(p);
    p.end();
    return QCursor(pixmap, 16, 16);
}

void Arrow(QPainter& p, QPointF from, QPointF to)
{
    p.drawLine(from, to);
    const QPointF d = (to - from) / std::hypot(to.x() - from.x(), to.y() - from.y()) * 4;
    const QPointF n(-d.y(), d.x());
    p.drawLine(to, to - d + n);
    p.drawLine(to, to - d - n);
}

} // namespace

void LoadCursors()
{
    auto& cursors = Cursors();
    cursors[CursorId::Croix] = Draw([](QPainter& p) {
        p.drawLine(16, 4, 16, 28);
        p.drawLine(4, 16, 28, 16);
    });
    cursors[CursorId::Translat] = Draw([](QPainter& p) {
        Arrow(p, { 16, 16 }, { 16, 3 });
        Arrow(p, { 16, 16 }, { 16, 29 });
        Arrow(p, { 16, 16 }, { 3, 16 });
        Arrow(p, { 16, 16 }, { 29, 16 });
    });
    cursors[CursorId::Tourne] = Draw([](QPainter& p) {
        p.drawArc(QRectF(6, 6, 20, 20), 90 * 16, 270 * 16);
        p.drawLine(16, 6, 21, 2);
        p.drawLine(16, 6, 21, 10);
    });
    cursors[CursorId::Lateral] = Draw([](QPainter& p) {
        Arrow(p, { 16, 16 }, { 3, 16 });
        Arrow(p, { 16, 16 }, { 29, 16 });
    });
}

QCursor ApplicationCursor(CursorId id)
{
    auto& cursors = Cursors();
    if (cursors.empty())
        LoadCursors();
    return cursors.at(id);
}

} // namespace ks
