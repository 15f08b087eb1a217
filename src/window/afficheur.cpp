// The view window: layout, scrolling, scale and zoom, mouse, selection and hints.
#include "window/afficheur.h"

#include "bridge/qt_text.h"
#include "model/massif.h"
#include "model/text_utils.h"
#include "options/options.h"
#include "ui/cursors.h"
#include "ui/help.h"
#include "ui/prompt.h"
#include "views/coupe.h"
#include "views/perspective.h"
#include "views/plan.h"
#include "views/tableau.h"
#include "window/view_host.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <cmath>

namespace ks {

namespace {
constexpr double kClickReach = 10; // pixels: a click further from every item selects nothing
constexpr double kHintReach = 5;
constexpr int kScrollLimit = 32000;
} // namespace

// The drawing surface: paints the bitmap and passes the mouse to the window.
class TAfficheur::Image2 : public QWidget
{
public:
    explicit Image2(TAfficheur& window)
        : QWidget(&window)
        , m_window(window)
    {
        setObjectName(QStringLiteral("Image2"));
        setMouseTracking(true);
        setContextMenuPolicy(Qt::DefaultContextMenu);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        // Scrolled since the picture was drawn: it moves along until it is drawn again.
        const QPoint shift = m_window.m_drawnOrigin - m_window.Origin();
        if (!shift.isNull())
            p.fillRect(rect(), Qt::white);
        p.drawImage(shift, m_window.m_bitmap);
    }
    void mousePressEvent(QMouseEvent* e) override
    {
        m_window.MousePress(e->position().toPoint(), e->button());
    }
    void mouseMoveEvent(QMouseEvent* e) override
    {
        m_window.MouseMove(e->position().toPoint(), e->buttons());
    }
    void wheelEvent(QWheelEvent* e) override
    {
        // Vertical turns scroll up and down, with Shift (or a sideways wheel) left and right.
        QPoint delta = e->angleDelta();
        if (e->modifiers() & Qt::ShiftModifier)
            delta = QPoint(delta.y(), delta.x());
        m_window.ScrollBy(-delta.x() / 120.0, -delta.y() / 120.0);
        e->accept();
    }
    void leaveEvent(QEvent*) override { m_window.HideHint(); }
    void mouseDoubleClickEvent(QMouseEvent* e) override
    {
        if (e->button() == Qt::LeftButton)
            m_window.DoubleClick();
    }
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        if (e->button() == Qt::MiddleButton || e->button() == Qt::LeftButton)
            m_window.m_panning = false;
        if (e->button() == Qt::LeftButton)
            m_window.MouseRelease(e->position().toPoint());
    }
    void contextMenuEvent(QContextMenuEvent* e) override
    {
        m_window.m_hint->hide();
        m_window.ContextMenu()->exec(e->globalPos());
    }

private:
    TAfficheur& m_window;
};

TAfficheur::TAfficheur(int kind, IViewHost& host, QWidget* parent)
    : QWidget(parent)
    , m_kind(kind)
    , m_host(host)
{
    static const char* const captions[] = { "Planta", "Alzado", "Perspectiva", "Tabla" };
    setWindowTitle(QString::fromUtf8(captions[std::clamp(kind, 0, 3)]));
    setObjectName(windowTitle());
    static const HelpTopic topics[]
        = { HelpTopic::Plan, HelpTopic::Elevation, HelpTopic::Perspective, HelpTopic::Table };
    SetHelpTopic(this, topics[std::clamp(kind, 0, 3)]);
    setAttribute(Qt::WA_DeleteOnClose);
    if (kind == kAlzado) {
        m_view = std::make_unique<TCoupe>(host.Context());
    } else if (kind == kTabla) {
        m_view = std::make_unique<TTableau>(host.Context());
    } else if (kind == kPerspectiva) {
        auto perspective = std::make_unique<TPerspective>(host.Context());
        if (const TOptions_Relief* o = host.Context().Relief)
            perspective->Tourner(o->Angle_Horizontal, o->Angle_Vertical);
        m_view = std::move(perspective);
    } else {
        auto plan = std::make_unique<TPlan>(host.Context());
        if (host.Context().Plan) {
            plan->Angle = host.Context().Plan->Angle;
            plan->Tourner(0);
        }
        m_view = std::move(plan);
    }

    m_image = new Image2(*this);
    m_hbar = new QScrollBar(Qt::Horizontal, this);
    m_hbar->setObjectName(QStringLiteral("Barre_Horizontale"));
    m_vbar = new QScrollBar(Qt::Vertical, this);
    m_vbar->setObjectName(QStringLiteral("Barre_Verticale"));
    for (QScrollBar* bar : { m_hbar, m_vbar }) {
        bar->setSingleStep(10);
        bar->setPageStep(50);
        // Quick wheel turns and drags move the picture at once and draw it anew once they pause:
        // the steps queued meanwhile make one redraw, not one each.
        connect(bar, &QScrollBar::valueChanged, this, [this] {
            if (m_relayout)
                return;
            Unmark();
            m_image->update();
            RedrawSoon();
        });
    }
    m_hint = new QLabel(this, Qt::ToolTip);
    m_hint->setObjectName(QStringLiteral("Bulle"));
    m_hint->setStyleSheet(QStringLiteral("QLabel { background: #ffffe1; border: 1px solid black; }"));
    setFocusPolicy(Qt::StrongFocus); // the arrow and page keys scroll
    m_debut3D.setSingleShot(true);
    connect(&m_debut3D, &QTimer::timeout, this, [this] { Build3D(); });
    connect(&m_deplacement, &QTimer::timeout, this, [this] { Deplacement(); });
    connect(&m_rotation, &QTimer::timeout, this, [this] {
        if (m_3d) { // the camera orbits the cave's middle
            OrbitCamera(*Perspective(), m_rotationStep);
            Render3D();
            return;
        }
        if (TPerspective* perspective = Perspective()) {
            // The vertical step turns back at the bounds of the shown inclination.
            const double shown = -perspective->Inclinaison;
            if ((shown > m_inclinationMax && m_rotationVertical < 0)
                || (shown < m_inclinationMin && m_rotationVertical > 0))
                m_rotationVertical = -m_rotationVertical;
            perspective->Tourner(m_rotationStep, m_rotationVertical);
        } else {
            Plan()->Tourner(m_rotationStep);
        }
        Layout();
    });
    resize(640, 480);
}

TAfficheur::~TAfficheur()
{
    FreeScene(); // while the panel's context still exists
}

TPlan* TAfficheur::Plan() const
{
    return dynamic_cast<TPlan*>(m_view.get());
}

TCoupe* TAfficheur::Coupe() const
{
    return dynamic_cast<TCoupe*>(m_view.get());
}

TTableau* TAfficheur::Tableau() const
{
    return dynamic_cast<TTableau*>(m_view.get());
}

TPerspective* TAfficheur::Perspective() const
{
    return dynamic_cast<TPerspective*>(m_view.get());
}

void TAfficheur::DoubleClick()
{
    // On a table, the column under the last press takes the width of its texts.
    TTableau* table = Tableau();
    if (!table)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    table->AjusterColonne(m_press.x() + Origin().x());
    QApplication::restoreOverrideCursor();
    Layout();
}

double TAfficheur::Resolution() const
{
    return logicalDpiX() / 25.4;
}

QPoint HintPosition(QPoint pointer, QSize size, const QRect& available)
{
    int y = pointer.y() - 20;
    if (y < available.top())
        y = pointer.y() + 20;
    const int x = std::max(available.left(), std::min(pointer.x(), available.right() + 1 - size.width()));
    y = std::max(available.top(), std::min(y, available.bottom() + 1 - size.height()));
    return { x, y };
}

QPoint TAfficheur::Origin() const
{
    // A scroll step of several pixels may reach past the end: the last position shows the end.
    auto along = [](const QScrollBar* bar, int step, int drawing, int shown) {
        return std::max(0, std::min(bar->value() * step, drawing - shown));
    };
    return { along(m_hbar, m_pasX, m_width, m_image->width()),
        along(m_vbar, m_pasY, m_height, m_image->height()) };
}

void TAfficheur::FitEchelle()
{
    if (m_kind == kTabla)
        return;
    const double available = std::max(1, width() - kBar), availableH = std::max(1, height() - kBar);
    // The marks beside the cave keep their size on paper while the cave shrinks with the scale:
    // a few rounds until the whole drawing fits.
    for (int round = 0; round < 4; ++round) {
        int w = 0, h = 0;
        m_view->Dimensions(w, h, Resolution(), m_rapport);
        const double over = std::max(w / available, h / availableH);
        if (w <= 1 || (round > 0 && over <= 1))
            return;
        m_view->SetEchelle(
            std::max(100, static_cast<int>(std::lround(m_view->Viewport().Echelle * over * 1.1))));
    }
}

void TAfficheur::Layout()
{
    // While a print job draws the view's pages on its thread, the window keeps its picture.
    if (!m_view || width() <= 20 || height() <= 65 || m_host.Printing())
        return;
    if (m_3d) { // the scene is built again from the massif instead
        m_debut3D.start(0);
        return;
    }
    Unmark();
    if (m_host.Context().Massif && !m_host.Context().Massif->Computed)
        m_host.Context().Massif->PlaceAllStations();
    m_view->Dimensions(m_width, m_height, Resolution(), m_rapport);
    const int clientW = width() - kBar, clientH = height() - kBar;
    // The first branch of an empty elevation is shown whole.
    const bool empty = m_kind == kAlzado && !m_view->Viewport().Calcule;
    if (m_empty && !empty && !m_relayout) {
        m_empty = false;
        FitToWindow();
        return;
    }
    m_empty = empty;
    if (empty) { // the hint fills the window
        m_width = clientW;
        m_height = clientH;
    }
    m_width = std::max(m_width, 10);
    m_height = std::max(m_height, 10);

    QRect image;
    const bool before = m_relayout;
    m_relayout = true;
    auto axis = [](QScrollBar* bar, int client, int drawing, int& step, int& position, int& size) {
        if (client < drawing) {
            position = 0;
            size = client;
            bar->setEnabled(true);
            step = drawing > kScrollLimit ? drawing / kScrollLimit + 1 : 1;
            // Rounded up, so that the last position shows the drawing's end (Origin stops there).
            bar->setMaximum((drawing - size + step - 1) / step);
            bar->setSingleStep(std::max(1, size / (10 * step)));
            bar->setPageStep(static_cast<int>(std::lround(size * 0.95 / step)));
        } else {
            bar->setEnabled(false);
            bar->setMaximum(0);
            bar->setValue(0);
            step = 1;
            size = drawing;
            position = (client - drawing) / 2;
        }
    };
    int x = 0, y = 0, w = 0, h = 0;
    axis(m_hbar, clientW, m_width, m_pasX, x, w);
    axis(m_vbar, clientH, m_height, m_pasY, y, h);
    m_relayout = before;
    m_image->setGeometry(x, y, w, h);
    m_hbar->setGeometry(0, clientH, clientW, kBar);
    m_vbar->setGeometry(clientW, 0, kBar, clientH);
    // The bitmap has the screen's own pixels (twice as many each way at 200 %): the drawing,
    // laid out in logical pixels, stays sharp.
    const qreal ratio = devicePixelRatioF();
    const QSize pixels(static_cast<int>(std::ceil(w * ratio)), static_cast<int>(std::ceil(h * ratio)));
    if (m_bitmap.size() != pixels || m_bitmap.devicePixelRatio() != ratio) {
        m_bitmap = QImage(pixels, QImage::Format_RGB32);
        m_bitmap.setDevicePixelRatio(ratio);
    }
    if (!m_relayout) {
        Redraw();
        Remark();
    }
    if (m_host.Mode() == 1)
        m_host.ShowStatus(RotationStatus());
}

QString TAfficheur::RotationStatus() const
{
    const QString degrees = QStringLiteral(" ") + QString::fromUtf8(AngleUnitLabel(kDegrees));
    if (const TPerspective* perspective = Perspective())
        return QString::number(std::lround(perspective->Azimut)) + degrees + QStringLiteral("  ")
            + QString::number(std::lround(-perspective->Inclinaison)) + degrees;
    if (m_kind == kPlan)
        return QString::number(std::lround(Plan()->Angle)) + degrees;
    return QString();
}

void TAfficheur::RedrawSoon()
{
    if (m_redrawQueued)
        return;
    m_redrawQueued = true;
    QMetaObject::invokeMethod(
        this, [this] { RedrawQueued(); }, Qt::QueuedConnection);
}

void TAfficheur::RedrawQueued()
{
    // Not under a modal window (a save's progress among them): the massif may be changing.
    if (QApplication::activeModalWidget() || m_host.Printing()) {
        QTimer::singleShot(50, this, [this] { RedrawQueued(); });
        return;
    }
    m_redrawQueued = false;
    Unmark();
    Redraw();
    Remark();
}

void TAfficheur::Redraw()
{
    if (m_host.Printing())
        return;
    m_drawnOrigin = Origin();
    if (m_empty) {
        m_bitmap.fill(Qt::white);
        QPainter painter(&m_bitmap);
        painter.setPen(Qt::darkGray);
        painter.drawText(QRectF(QPointF(0, 0), QSizeF(m_bitmap.size()) / m_bitmap.devicePixelRatio()),
            Qt::AlignCenter | Qt::TextWordWrap,
            QStringLiteral("Este alzado no tiene ningún ramal.\n\nSeleccione una galería en la planta y "
                           "elija «Ramal» → «Nueva ...»,\no construya un ramal entero con «Ramal» → "
                           "«Approfondir ...»."));
        m_image->update();
        return;
    }
    const QPoint origin = m_drawnOrigin;
    m_view->Dessiner(origin.x(), origin.y(), Resolution(), m_rapport, m_bitmap, m_host.Mode());
    m_image->update();
}

void TAfficheur::Unmark()
{
    if (!Marque)
        return;
    std::string text;
    m_view->Marquer(false, Fiche, Galerie, Point, m_host.Mode(), text);
    Marque = false;
    m_image->update();
}

void TAfficheur::Remark()
{
    if (Point == 0 || Marque)
        return;
    std::string text;
    m_view->Marquer(true, Fiche, Galerie, Point, m_host.Mode(), text);
    TexteEtat = ToQString(text);
    Marque = true;
    m_image->update();
}

void TAfficheur::FitToWindow()
{
    Unmark();
    FitEchelle();
    m_relayout = false;
    Layout();
    m_host.ShowEchelle(m_view->Viewport().Echelle);
}

void TAfficheur::Activate()
{
    m_host.ShowEchelle(m_view->Viewport().Echelle);
    m_host.ShowRapport(static_cast<int>(std::lround(m_rapport * 100)));
    m_host.ShowStatus(TexteEtat);
}

void TAfficheur::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_3d) { // the panel takes the new size and draws again
        m_support->setGeometry(rect());
        return;
    }
    Layout();
}

void TAfficheur::KeepCentre(const std::function<void()>& change)
{
    auto relative = [](QScrollBar* bar, int step, int image, int drawing) {
        return bar->isEnabled() ? (bar->value() * step + image * 0.5) / drawing : 0.5;
    };
    const double rx = relative(m_hbar, m_pasX, m_image->width(), m_width);
    const double ry = relative(m_vbar, m_pasY, m_image->height(), m_height);
    Unmark();
    change();
    m_relayout = true;
    Layout();
    if (m_hbar->isEnabled())
        m_hbar->setValue(static_cast<int>(std::lround((rx * m_width - m_image->width() * 0.5) / m_pasX)));
    if (m_vbar->isEnabled())
        m_vbar->setValue(static_cast<int>(std::lround((ry * m_height - m_image->height() * 0.5) / m_pasY)));
    m_relayout = false;
    Layout();
}

bool TAfficheur::ApplyEchelle(int denominator)
{
    if (denominator < 100) {
        m_host.ShowEchelle(m_view->Viewport().Echelle);
        return false;
    }
    KeepCentre([this, denominator] { m_view->SetEchelle(denominator); });
    m_host.ShowEchelle(denominator);
    return true;
}

bool TAfficheur::ApplyRapport(double rapport)
{
    if (rapport <= 0)
        return false;
    KeepCentre([this, rapport] { m_rapport = rapport; });
    m_host.ShowRapport(static_cast<int>(std::lround(rapport * 100)));
    return true;
}

bool TAfficheur::EchelleCommand()
{
    const auto text = Prompt().Input(QStringLiteral("Escala"), QStringLiteral("Nueva escala (1/n, n>=100)"),
        QString::number(m_view->Viewport().Echelle));
    if (!text)
        return false;
    return ApplyEchelle(static_cast<int>(ToInt(ToUtf8(*text))));
}

bool TAfficheur::RapportCommand()
{
    const auto text = Prompt().Input(QStringLiteral("Porcentaje"), QStringLiteral("Nuevo porcentaje"),
        QString::number(std::lround(m_rapport * 100)));
    if (!text)
        return false;
    const long long value = ToInt(ToUtf8(*text));
    if (value < 1)
        return false;
    return ApplyRapport(value * 0.01);
}

void TAfficheur::SelectAt(const QPoint& p)
{
    Unmark();
    Point = 0;
    TexteEtat.clear();
    int fiche = 0, galerie = 0, point = 0;
    const QPoint origin = Origin();
    const double distance = m_view->Chercher(p.x() + origin.x(), p.y() + origin.y(), fiche, galerie, point);
    if (point != 0 && distance <= kClickReach) {
        Fiche = fiche;
        Galerie = galerie;
        Point = point;
        Remark();
    }
    m_host.ShowStatus(TexteEtat);
}

QString TAfficheur::HintAt(const QPoint& p)
{
    if (m_host.Context().Hints.Rien)
        return QString();
    int fiche = 0, galerie = 0, point = 0;
    const QPoint origin = Origin();
    if (m_view->Chercher(p.x() + origin.x(), p.y() + origin.y(), fiche, galerie, point) > kHintReach
        || point == 0)
        return QString();
    std::string text;
    m_view->Bulle(fiche, galerie, point, text);
    return ToQString(text);
}

void TAfficheur::DrawBand(const QRect& band)
{
    // Inverting, dashed: drawing the same band again erases it.
    QPainter p(&m_bitmap);
    p.setCompositionMode(QPainter::RasterOp_NotDestination);
    p.setPen(QPen(Qt::black, 1, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(band.normalized());
    m_image->update();
}

void TAfficheur::HideHint()
{
    m_hint->hide();
    m_hintText.clear();
}

void TAfficheur::ScrollBy(double steps, double stepsDown)
{
    m_hbar->setValue(m_hbar->value() + static_cast<int>(std::lround(steps * 3 * m_hbar->singleStep())));
    m_vbar->setValue(m_vbar->value() + static_cast<int>(std::lround(stepsDown * 3 * m_vbar->singleStep())));
}

void TAfficheur::keyPressEvent(QKeyEvent* event)
{
    QScrollBar* bar = nullptr;
    int delta = 0;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
        bar = m_hbar;
        delta = event->key() == Qt::Key_Left ? -m_hbar->singleStep() : m_hbar->singleStep();
        break;
    case Qt::Key_Up:
    case Qt::Key_Down:
        bar = m_vbar;
        delta = event->key() == Qt::Key_Up ? -m_vbar->singleStep() : m_vbar->singleStep();
        break;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        bar = (event->modifiers() & Qt::ShiftModifier) ? m_hbar : m_vbar;
        delta = event->key() == Qt::Key_PageUp ? -bar->pageStep() : bar->pageStep();
        break;
    case Qt::Key_Home:
    case Qt::Key_End:
        bar = m_vbar;
        delta = event->key() == Qt::Key_Home ? -bar->maximum() : bar->maximum();
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    bar->setValue(bar->value() + delta);
}

void TAfficheur::ScrollToSelection()
{
    QPointF pixel;
    if (Point == 0 || !m_view->ShotPixel(Fiche, Galerie, Point, pixel))
        return;
    const QRect visible(Origin(), m_image->size());
    if (visible.adjusted(10, 10, -10, -10).contains(pixel.toPoint()))
        return;
    // The shot goes to the middle of the visible area, as far as the scroll bars reach.
    Unmark();
    const bool before = m_relayout;
    m_relayout = true;
    m_hbar->setValue(static_cast<int>(std::lround((pixel.x() - m_image->width() / 2.0) / m_pasX)));
    m_vbar->setValue(static_cast<int>(std::lround((pixel.y() - m_image->height() / 2.0) / m_pasY)));
    m_relayout = before;
    Redraw();
    Remark();
}

void TAfficheur::ShowItem(int fiche, int galerie, int point)
{
    Unmark();
    Fiche = fiche;
    Galerie = galerie;
    Point = point;
    Remark();
    ScrollToSelection();
    m_host.ShowStatus(TexteEtat);
}

void TAfficheur::MousePress(const QPoint& p, Qt::MouseButton button)
{
    if (button == Qt::MiddleButton) {
        // Dragging with the middle button moves the drawing under the pointer.
        m_panning = true;
        m_panStart = m_image->mapToGlobal(p);
        m_panOrigin = QPoint(m_hbar->value(), m_vbar->value());
        return;
    }
    if (button != Qt::LeftButton)
        return;
    m_hint->hide();
    m_press = p;
    if (m_kind == kTabla) {
        // The table's row is selected, and dragging scrolls the table.
        SelectAt(p);
        m_panning = true;
        m_panStart = m_image->mapToGlobal(p);
        m_panOrigin = QPoint(m_hbar->value(), m_vbar->value());
    } else if (m_host.Mode() == 1 && (m_kind == kPlan || m_kind == kPerspectiva)) {
        // In window coordinates: the image moves when the turned drawing changes size.
        m_start = p + m_image->pos();
        m_dragging = true;
        m_previewAngle = 0;
        m_previewTurn = QPointF();
        QApplication::setOverrideCursor(ApplicationCursor(CursorId::Croix));
    } else if (m_host.ZoomDown()) {
        m_start = p;
        m_dragging = true;
        m_band = QRect(p, p);
        DrawBand(m_band);
    } else {
        SelectAt(p);
    }
}

void TAfficheur::MouseMove(const QPoint& p, Qt::MouseButtons buttons)
{
    if (m_panning && (buttons & (Qt::MiddleButton | Qt::LeftButton))) {
        const QPoint moved = m_image->mapToGlobal(p) - m_panStart;
        m_hbar->setValue(m_panOrigin.x() - moved.x() / m_pasX);
        m_vbar->setValue(m_panOrigin.y() - moved.y() / m_pasY);
        return;
    }
    if (m_dragging && m_host.Mode() == 1 && m_kind == kPlan) {
        // The angle swept around the centre of the visible area from the start point.
        const QPointF m = QPointF(m_image->pos()) + QPointF(m_image->width() / 2.0, m_image->height() / 2.0);
        const QPointF s = QPointF(m_start) - m, e = QPointF(p + m_image->pos()) - m;
        const double ls = std::hypot(s.x(), s.y()), le = std::hypot(e.x(), e.y());
        if (ls == 0 || le == 0)
            return;
        double a = std::asin(std::clamp((s.x() * e.y() - s.y() * e.x()) / (ls * le), -1.0, 1.0));
        if (s.x() * e.x() + s.y() * e.y() < 0)
            a = a >= 0 ? M_PI - a : -M_PI - a;
        m_previewAngle = a * 180 / M_PI;
        std::string text;
        Plan()->ApercuRotation(m_previewAngle, text);
        Unmark();
        Layout();
        m_host.ShowStatus(ToQString(text));
        return;
    }
    if (m_dragging && m_host.Mode() == 1 && m_kind == kPerspectiva) {
        // A third of a degree per pixel, the start point minus the pointer.
        m_previewTurn = QPointF(m_start - (p + m_image->pos())) / 3.0;
        std::string text;
        Perspective()->ApercuRotation(m_previewTurn.x(), m_previewTurn.y(), text);
        Unmark();
        Layout();
        m_host.ShowStatus(ToQString(text));
        return;
    }
    if (m_dragging && m_host.ZoomDown()) {
        DrawBand(m_band);
        m_band = QRect(m_start, p);
        DrawBand(m_band);
        const int n = static_cast<int>(std::lround(
            m_view->Viewport().Echelle * std::abs(m_start.x() - p.x()) / double(m_image->width())));
        m_host.ShowStatus(QStringLiteral("Escala 1/%1").arg(n));
        return;
    }
    if (buttons == Qt::NoButton && !m_dragging) {
        const QString text = HintAt(p);
        if (text.isEmpty()) {
            m_hint->hide();
            m_hintText.clear();
        } else if (text != m_hintText) {
            m_hintText = text;
            m_hint->setText(text + QStringLiteral("  "));
            m_hint->adjustSize();
            const QPoint global = m_image->mapToGlobal(p);
            const QScreen* screen = QGuiApplication::screenAt(global);
            m_hint->move(HintPosition(
                global, m_hint->size(), (screen ? screen : m_image->screen())->availableGeometry()));
            m_hint->show(); // until the pointer leaves the shot or the drawing
        }
    }
}

void TAfficheur::MouseRelease(const QPoint& p)
{
    if (!m_dragging)
        return;
    m_dragging = false;
    if (m_host.Mode() == 1 && (m_kind == kPlan || m_kind == kPerspectiva)) {
        QApplication::restoreOverrideCursor();
        if (TPerspective* perspective = Perspective())
            perspective->Tourner(m_previewTurn.x(), m_previewTurn.y());
        else
            Plan()->Tourner(m_previewAngle);
        m_previewAngle = 0;
        m_previewTurn = QPointF();
        Layout();
        return;
    }
    if (!m_host.ZoomDown())
        return;
    m_host.ReleaseZoom(); // one zoom per press
    DrawBand(m_band);
    const int x1 = m_start.x(), x2 = p.x(), y1 = m_start.y(), y2 = p.y();
    const double n = m_view->Viewport().Echelle * std::abs(x1 - x2) / double(m_image->width());
    if (std::abs(x1 - x2) < 10 || n <= 99)
        return;
    // Re-centre on the point of the view frame (metres) under the band's centre: the marks beside
    // the cave keep their paper size, so the drawing does not scale as a whole.
    const TViewport& g = m_view->Viewport();
    const QPoint origin = Origin();
    const double metresPerPixel = 1 / g.PixelsPerMetre();
    const double vx = g.XMin + (origin.x() + (x1 + x2) / 2.0) * metresPerPixel;
    const double vy = g.YMax - (origin.y() + (y1 + y2) / 2.0) * metresPerPixel;
    Unmark();
    m_view->SetEchelle(static_cast<int>(std::lround(n)));
    m_host.ShowEchelle(g.Echelle);
    m_relayout = true;
    Layout();
    const double pixelsPerMetre = g.PixelsPerMetre();
    if (m_hbar->isEnabled())
        m_hbar->setValue(static_cast<int>(
            std::lround(((vx - g.XMin) * pixelsPerMetre - m_image->width() * 0.5) / m_pasX)));
    if (m_vbar->isEnabled())
        m_vbar->setValue(static_cast<int>(
            std::lround(((g.YMax - vy) * pixelsPerMetre - m_image->height() * 0.5) / m_pasY)));
    m_relayout = false;
    Layout();
}

} // namespace ks
