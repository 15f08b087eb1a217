// The OpenGL panel of a perspective window.
#include "window/support_gl.h"

#include <QTimer>

#include "scene/scene_gl.h"
#include "views/perspective.h"
#include "window/afficheur.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QSurfaceFormat>

namespace ks {

bool PlatformHasOpenGL()
{
    return QGuiApplication::platformName() != QStringLiteral("offscreen")
        && QGuiApplication::platformName() != QStringLiteral("minimal");
}

void UseCompatibilityOpenGL()
{
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 1);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    format.setDepthBufferSize(32);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    QSurfaceFormat::setDefaultFormat(format);
}

TSupportOpenGL::TSupportOpenGL(TAfficheur& window)
    : QOpenGLWidget(&window)
    , m_window(window)
{
    setObjectName(QStringLiteral("Support_OpenGL"));
    setFocusPolicy(Qt::StrongFocus); // the modifier keys choose the navigation
}

bool TSupportOpenGL::HasContext() const
{
    return context() && context()->isValid();
}

void TSupportOpenGL::initializeGL()
{
    TMaScene* scene = m_window.Scene();
    if (!scene)
        return;
    scene->Init();
    // A new context (the widget moved to another window): the old one took the compiled scene
    // with it, and the scene's geometry went with the compiling: built again.
    if (scene->Compiled()) {
        scene->Forget();
        QTimer::singleShot(0, &m_window, [window = &m_window] { window->Build3D(); });
    }
}

void TSupportOpenGL::paintGL()
{
    TMaScene* scene = m_window.Scene();
    if (!scene) {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        return;
    }
    scene->Init();
    const qreal ratio = devicePixelRatioF();
    scene->Resize(static_cast<int>(width() * ratio), static_cast<int>(height() * ratio));
    PlaceCamera(*m_window.Perspective(), scene->Camera);
    scene->Render();
}

void TSupportOpenGL::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_window.Press3D(event->position().toPoint());
}

void TSupportOpenGL::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton)
        m_window.Move3D(event->position().toPoint());
}

void TSupportOpenGL::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_window.Release3D();
}

void TSupportOpenGL::keyPressEvent(QKeyEvent* event)
{
    m_window.Key3D(event->key(), true);
    QOpenGLWidget::keyPressEvent(event);
}

void TSupportOpenGL::keyReleaseEvent(QKeyEvent* event)
{
    if (!event->isAutoRepeat())
        m_window.Key3D(event->key(), false);
    QOpenGLWidget::keyReleaseEvent(event);
}

} // namespace ks
