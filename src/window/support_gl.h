#pragma once
// The OpenGL panel and the platform's OpenGL.

#include <QOpenGLWidget>

namespace ks {

class TAfficheur;

// The default surface of every OpenGL panel: a compatibility profile (the scene uses OpenGL 1.1
// and GLU), 24 colour bits, 32 depth bits, double-buffered. To call before the application exists.
void UseCompatibilityOpenGL();
// Whether the platform has OpenGL for a QOpenGLWidget: the offscreen and minimal ones have none.
bool PlatformHasOpenGL();

// "Support_OpenGL": the panel of a perspective window that shows its 3D scene. It draws the
// window's scene with the window's camera and passes the mouse and the modifier keys to it.
class TSupportOpenGL : public QOpenGLWidget
{
public:
    explicit TSupportOpenGL(TAfficheur& window);
    // True once a context exists; false when the platform could give none.
    bool HasContext() const;

protected:
    void initializeGL() override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    TAfficheur& m_window;
};

} // namespace ks
