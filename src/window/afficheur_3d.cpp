// The perspective window's 3D scene: switching it on and off, building and drawing it, and the
// camera's navigation by mouse, modifier keys and the 3D tools window.
#include "window/afficheur.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "bridge/qt_text.h"
#include "model/massif.h"
#include "options/options.h"
#include "ui/cursors.h"
#include "ui/help.h"
#include "views/perspective.h"
#include "window/support_gl.h"
#include "window/view_host.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace ks {

void TAfficheur::Set3D(bool on)
{
    TPerspective* perspective = Perspective();
    if (!perspective || on == m_3d)
        return;
    if (on) {
        Unmark();
        if (perspective->Stereo)
            SetStereo(false);
        if (!m_support) {
            if (PlatformHasOpenGL()) {
                m_gl = new TSupportOpenGL(*this);
                m_support = m_gl;
            } else {
                auto* placeholder = new QLabel(QStringLiteral("Vista 3D sin OpenGL en esta pantalla"), this);
                placeholder->setObjectName(QStringLiteral("Support_OpenGL"));
                placeholder->setAlignment(Qt::AlignCenter);
                m_support = placeholder;
            }
            SetHelpTopic(m_support, HelpTopic::Scene3D);
        }
        m_3d = true;
        m_image->hide();
        m_hbar->hide();
        m_vbar->hide();
        m_support->setGeometry(rect());
        m_support->show();
        m_support->setFocus();
        FreeScene();
        m_speed = 1;
        m_navigation = Navigation::Translation;
        m_debut3D.start(100);
    } else {
        m_debut3D.stop();
        m_deplacement.stop();
        if (Rotating())
            StopRotation();
        FreeScene();
        m_3d = false;
        if (m_support)
            m_support->hide();
        m_image->show();
        m_hbar->show();
        m_vbar->show();
        Layout();
    }
    m_host.State3DChanged();
}

void TAfficheur::SetStereo(bool on)
{
    TPerspective* perspective = Perspective();
    if (!perspective)
        return;
    if (on && m_3d)
        Set3D(false);
    perspective->Stereo = on;
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, on ? Qt::black : palette.color(QPalette::Base));
    setPalette(palette);
    Layout();
    m_host.State3DChanged();
}

void TAfficheur::FreeScene()
{
    if (!m_scene)
        return;
    if (m_gl && m_gl->HasContext()) {
        m_gl->makeCurrent();
        m_scene->Release();
        m_gl->doneCurrent();
    }
    m_scene.reset();
#ifdef __GLIBC__
    malloc_trim(0); // the scene's memory goes back to the system, not only to the heap
#endif
}

void TAfficheur::Build3D()
{
    TPerspective* perspective = Perspective();
    TViewContext& context = m_host.Context();
    if (!m_3d || !perspective || !context.Massif || !context.Relief)
        return;
    if (!context.Massif->Computed)
        context.Massif->PlaceAllStations();
    // The box and the extents of the drawing, as the perspective would draw them.
    int width = 0, height = 0;
    perspective->Dimensions(width, height, logicalDpiX() / 25.4, m_rapport);
    FreeScene();
    m_scene = std::make_unique<TMaScene>();
    m_scene->Far = 1000000;
    m_scene->Build(
        *context.Massif, *context.Relief, m_host.Mode(), perspective->BoiteMin, perspective->BoiteMax);
    if (perspective->PremiereConstruction) {
        OverviewCamera(*perspective);
        perspective->PremiereConstruction = false;
    }
    Render3D();
}

void TAfficheur::Render3D()
{
    if (m_gl)
        m_gl->update();
}

QImage TAfficheur::Picture3D()
{
    return m_gl && m_gl->HasContext() ? m_gl->grabFramebuffer() : QImage();
}

void TAfficheur::SetNavigation3D(Navigation mode)
{
    if (m_navigation == mode)
        return;
    m_navigation = mode;
    m_host.State3DChanged();
}

void TAfficheur::Horizontal3D()
{
    if (TPerspective* perspective = Perspective(); perspective && m_3d) {
        perspective->PenteCamera = 0;
        Render3D();
    }
}

void TAfficheur::Step3D(Navigation mode, int right, int forward)
{
    TPerspective* perspective = Perspective();
    if (!perspective || !m_3d)
        return;
    const double size = std::fabs(perspective->BoiteMax[0] - perspective->BoiteMin[0])
        + std::fabs(perspective->BoiteMax[1] - perspective->BoiteMin[1]);
    const double move = std::max(1.0, size / 50) * 100; // in drag pixels: 100 make a metre
    if (mode == Navigation::Rotation)
        TurnCamera(*perspective, right * 50.0, -forward * 50.0);
    else if (mode == Navigation::Translation)
        MoveCamera(*perspective, mode, right * 500.0, -forward * move, m_speed);
    else
        MoveCamera(*perspective, mode, right * move, -forward * move, m_speed);
    Render3D();
    if (m_scene)
        m_host.ShowStatus(ToQString(CameraStatus(*perspective, m_scene->Centre)));
}

void TAfficheur::Retroceder()
{
    if (TPerspective* perspective = Perspective(); perspective && m_3d) {
        OverviewCamera(*perspective);
        Render3D();
    }
}

void TAfficheur::Press3D(const QPoint& p)
{
    m_press3D = p;
    m_drag3D = QPoint();
    const CursorId cursors[] = { CursorId::Tourne, CursorId::Translat, CursorId::Lateral };
    QApplication::setOverrideCursor(ApplicationCursor(cursors[static_cast<int>(m_navigation)]));
    m_deplacement.start(250);
}

void TAfficheur::Move3D(const QPoint& p)
{
    const QPoint drag = p - m_press3D;
    const QPoint change = drag - m_drag3D;
    m_drag3D = drag;
    if (m_navigation == Navigation::Rotation && Perspective()) {
        TurnCamera(*Perspective(), change.x(), change.y());
        Render3D();
    }
}

void TAfficheur::Deplacement()
{
    TPerspective* perspective = Perspective();
    if (!perspective || !m_scene || m_navigation == Navigation::Rotation)
        return;
    MoveCamera(*perspective, m_navigation, m_drag3D.x(), m_drag3D.y(), m_speed);
    Render3D();
    m_host.ShowStatus(ToQString(CameraStatus(*perspective, m_scene->Centre)));
}

void TAfficheur::Release3D()
{
    if (!m_deplacement.isActive())
        return;
    m_deplacement.stop();
    QApplication::restoreOverrideCursor();
    m_host.ShowStatus(QString());
}

void TAfficheur::Key3D(int key, bool pressed)
{
    // The key itself is looked at: on some platforms the modifiers of a modifier's own event
    // still show the state before it.
    if (key == Qt::Key_Shift)
        m_speed = pressed ? 10 : 1;
    else if (key == Qt::Key_Alt)
        SetNavigation3D(pressed ? Navigation::Lateral : Navigation::Translation);
    else if (key == Qt::Key_Control)
        SetNavigation3D(pressed ? Navigation::Rotation : Navigation::Translation);
    else if (pressed && (key == Qt::Key_Left || key == Qt::Key_Right))
        Step3D(m_navigation, key == Qt::Key_Right ? 1 : -1, 0);
    else if (pressed && (key == Qt::Key_Up || key == Qt::Key_Down))
        Step3D(m_navigation, 0, key == Qt::Key_Up ? 1 : -1);
}

} // namespace ks
