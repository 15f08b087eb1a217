#pragma once
// The 3D tools window.

#include <QPointer>
#include <QWidget>

class QCheckBox;
class QToolButton;

namespace ks {

class TAfficheur;

// "Herramientas_3D": switches the active perspective window into 3D or the anaglyph, chooses how
// a drag moves the camera, levels it and takes it back to the overview.
class TOutils_3D : public QWidget
{
public:
    explicit TOutils_3D(QWidget* parent);
    // Follows a perspective window (or none): its state shows in the controls.
    void Attach(TAfficheur* view);
    TAfficheur* Attached() const { return m_view; }

    QCheckBox* OpenGL;
    QToolButton* Rotation;
    QToolButton* Translation;
    QToolButton* Lateral;
    QToolButton* Horizontal;
    QToolButton* Arriere;
    QCheckBox* stereo;

private:
    void Sync();
    QPointer<TAfficheur> m_view;
    bool m_syncing = false;
};

} // namespace ks
