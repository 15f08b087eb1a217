// "Herramientas_3D": the tools window of the 3D scene.
#include "window/outils_3d.h"

#include "ui/help.h"
#include "views/perspective.h"
#include "window/afficheur.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QStyle>
#include <QToolButton>

namespace ks {

TOutils_3D::TOutils_3D(QWidget* parent)
    : QWidget(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("Herramientas_3D"));
    setWindowTitle(QStringLiteral("Herramientas_3D"));
    SetHelpTopic(this, HelpTopic::Scene3D);
    auto* layout = new QHBoxLayout(this);
    OpenGL = new QCheckBox(QStringLiteral("3&D"), this);
    OpenGL->setObjectName(QStringLiteral("OpenGL"));
    layout->addWidget(OpenGL);

    auto button
        = [this, layout](const char* name, const QString& hint, QStyle::StandardPixmap icon, bool checkable) {
              auto* b = new QToolButton(this);
              b->setObjectName(QString::fromUtf8(name));
              b->setToolTip(hint);
              b->setIcon(style()->standardIcon(icon));
              b->setCheckable(checkable);
              layout->addWidget(b);
              return b;
          };
    Rotation = button("Rotation", QStringLiteral("Rotación"), QStyle::SP_BrowserReload, true);
    Translation = button("Translation", QStringLiteral("Translación"), QStyle::SP_ArrowUp, true);
    Lateral = button("Lateral", QStringLiteral("Desplazamiento lateral"), QStyle::SP_ArrowRight, true);
    Horizontal = button(
        "Horizontal", QStringLiteral("Horizontal"), QStyle::SP_ToolBarHorizontalExtensionButton, false);
    Arriere = button("Arriere", QStringLiteral("Retroceder"), QStyle::SP_ArrowBack, false);
    auto* modes = new QButtonGroup(this);
    modes->setExclusive(true);
    modes->addButton(Rotation, static_cast<int>(Navigation::Rotation));
    modes->addButton(Translation, static_cast<int>(Navigation::Translation));
    modes->addButton(Lateral, static_cast<int>(Navigation::Lateral));
    stereo = new QCheckBox(QStringLiteral("&Stereo"), this);
    stereo->setObjectName(QStringLiteral("stereo"));
    layout->addWidget(stereo);

    connect(OpenGL, &QCheckBox::toggled, this, [this](bool on) {
        if (m_syncing || !m_view)
            return;
        m_view->Set3D(on);
        Sync();
    });
    connect(stereo, &QCheckBox::toggled, this, [this](bool on) {
        if (m_syncing || !m_view)
            return;
        m_view->SetStereo(on);
        Sync();
    });
    // A mode button chooses what a drag and the arrow keys do, and takes one step of it at once:
    // a turn to the right, a move ahead, a move to the right.
    connect(modes, &QButtonGroup::idClicked, this, [this](int id) {
        if (!m_view)
            return;
        const auto mode = static_cast<Navigation>(id);
        m_view->SetNavigation3D(mode);
        m_view->Step3D(
            mode, mode == Navigation::Translation ? 0 : 1, mode == Navigation::Translation ? 1 : 0);
    });
    connect(Horizontal, &QToolButton::clicked, this, [this] {
        if (m_view)
            m_view->Horizontal3D();
    });
    connect(Arriere, &QToolButton::clicked, this, [this] {
        if (m_view)
            m_view->Retroceder();
    });
    Attach(nullptr);
}

void TOutils_3D::Attach(TAfficheur* view)
{
    m_view = view && view->Perspective() ? view : nullptr;
    Sync();
}

void TOutils_3D::Sync()
{
    m_syncing = true;
    const bool in3D = m_view && m_view->Shown3D();
    OpenGL->setChecked(in3D);
    stereo->setChecked(m_view && m_view->Perspective()->Stereo);
    for (QToolButton* b : { Rotation, Translation, Lateral, Horizontal, Arriere })
        b->setEnabled(in3D);
    const Navigation mode = m_view ? m_view->Navigation3D() : Navigation::Translation;
    Rotation->setChecked(mode == Navigation::Rotation);
    Translation->setChecked(mode == Navigation::Translation);
    Lateral->setChecked(mode == Navigation::Lateral);
    // A running rotation keeps the window until it is stopped.
    setEnabled(m_view && !m_view->Rotating());
    m_syncing = false;
}

} // namespace ks
