// The view window's commands on the selected shot and on the whole view: isolate, exclude,
// colour, the largest deformation, rotation, properties, and the pop-up menu that offers them.
#include "window/afficheur.h"

#include "bridge/qt_text.h"
#include "model/massif.h"
#include "model/text_utils.h"
#include "ui/help.h"
#include "ui/prompt.h"
#include "views/perspective.h"
#include "views/plan.h"
#include "window/view_host.h"

#include <QDialog>
#include <QFormLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

namespace ks {

void TAfficheur::ApplySelection(std::vector<TFiche*> sheets)
{
    m_host.Context().Massif->Isolate(std::move(sheets));
    Point = 0;
    TexteEtat.clear();
    m_host.SelectionChanged();
}

void TAfficheur::Isolate(int level)
{
    TMassif* massif = m_host.Context().Massif;
    if (!massif)
        return;
    if (level == 5) {
        Unmark();
        Point = 0;
        const QPoint origin = Origin();
        const int w = m_image->width(), h = m_image->height();
        m_view->IsolerEcran(w / 2 + origin.x(), h / 2 + origin.y(), (w * w + h * h) / 4);
        massif->TableLaidOut = false;
        m_host.SelectionChanged();
        return;
    }
    const auto current = massif->CurrentSheets();
    if (Point == 0 || Fiche < 0 || static_cast<std::size_t>(Fiche) >= current.size())
        return;
    const TFiche* selected = current[static_cast<std::size_t>(Fiche)];
    std::vector<TFiche*> kept;
    for (const auto& sheet : massif->Sheets)
        if (sheet->SameLevel(*selected, level))
            kept.push_back(sheet.get());
    Unmark();
    ApplySelection(std::move(kept));
}

void TAfficheur::Exclude(int level)
{
    TMassif* massif = m_host.Context().Massif;
    const auto current = massif ? massif->CurrentSheets() : std::vector<TFiche*>();
    if (Point == 0 || Fiche < 0 || static_cast<std::size_t>(Fiche) >= current.size())
        return;
    const TFiche* selected = current[static_cast<std::size_t>(Fiche)];
    std::vector<TFiche*> kept;
    for (const auto& sheet : massif->Sheets)
        if (!sheet->SameLevel(*selected, level))
            kept.push_back(sheet.get());
    Unmark();
    ApplySelection(std::move(kept));
}

void TAfficheur::Colour(int level)
{
    TMassif* massif = m_host.Context().Massif;
    const auto current = massif ? massif->CurrentSheets() : std::vector<TFiche*>();
    if (Point == 0 || Fiche < 0 || static_cast<std::size_t>(Fiche) >= current.size())
        return;
    TFiche* selected = current[static_cast<std::size_t>(Fiche)];
    if (Galerie < 0 || static_cast<std::size_t>(Galerie) >= selected->Galeries.size())
        return;
    const auto chosen
        = Prompt().Colour(WindowsColour(selected->Galeries[static_cast<std::size_t>(Galerie)]->Colour));
    if (!chosen)
        return;
    const int colour = chosen->red() | (chosen->green() << 8) | (chosen->blue() << 16);
    if (level == 0) {
        selected->Galeries[static_cast<std::size_t>(Galerie)]->Colour = colour;
    } else {
        for (const auto& sheet : massif->Sheets)
            if (sheet->SameLevel(*selected, level - 1))
                for (const auto& g : sheet->Galeries)
                    g->Colour = colour;
    }
    m_host.ColoursChanged();
}

void TAfficheur::SelectWorstDeformation()
{
    Unmark();
    int fiche = 0, galerie = 0, point = 0;
    if (!m_view->ChercherDeformationMax(fiche, galerie, point))
        return;
    Fiche = fiche;
    Galerie = galerie;
    Point = point;
    Remark();
    ScrollToSelection();
    m_host.ShowStatus(TexteEtat);
}

namespace {

// "%s n'est pas une valeur numérique correcte." for a text that is not a number.
std::optional<double> Number(const QString& text)
{
    const auto value = ParseReal(ToUtf8(text));
    if (!value)
        Prompt().Ask(MessageKind::Warning, QStringLiteral("Karstelle"),
            QStringLiteral("%1 n'est pas une valeur numérique correcte.").arg(text), Buttons::Ok);
    return value;
}

// The perspective's rotation dialog "Rotación": horizontal and vertical steps and the bounds of
// the shown inclination. True on "Iniciar", with the texts changed.
bool AskPerspectiveRotation(QWidget* parent, QString texts[4])
{
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("TLaRotation"));
    dialog.setWindowTitle(QStringLiteral("Rotación"));
    SetHelpTopic(&dialog, HelpTopic::Rotation);
    auto* form = new QFormLayout(&dialog);
    const char* captions[4] = { "Medida &horizontal en °", "Medida &vertical en °",
        "Ángulo vertical mi&n en °", "Angle vertical ma&x °" };
    const char* names[4] = { "Horizontal", "Vertical", "Minimum", "Maximum" };
    QLineEdit* edits[4];
    for (int i = 0; i < 4; ++i) {
        edits[i] = new QLineEdit(texts[i], &dialog);
        edits[i]->setObjectName(QString::fromUtf8(names[i]));
        form->addRow(QString::fromUtf8(captions[i]), edits[i]);
    }
    auto* start = new QPushButton(QStringLiteral("Iniciar"), &dialog);
    start->setObjectName(QStringLiteral("Iniciar"));
    start->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Deshacer"), &dialog);
    cancel->setObjectName(QStringLiteral("Deshacer"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(start);
    buttons->addWidget(cancel);
    form->addRow(buttons);
    QObject::connect(start, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    for (int i = 0; i < 4; ++i)
        texts[i] = edits[i]->text();
    return true;
}

} // namespace

std::optional<double> TAfficheur::AskStep()
{
    const auto text
        = Prompt().Input(QStringLiteral("Rotación"), QStringLiteral("Número en grados"), m_pasRotation);
    if (!text)
        return std::nullopt;
    const auto step = Number(*text);
    if (step)
        m_pasRotation = *text;
    return step;
}

void TAfficheur::Rotate()
{
    if (m_3d)
        return; // the scene turns with "Rotar horizontalmente ..." and the mouse
    if (m_kind == kPerspectiva) {
        QString texts[4] = { m_rotationTexts[0], m_rotationTexts[1], m_rotationTexts[2], m_rotationTexts[3] };
        if (!AskPerspectiveRotation(this, texts))
            return;
        double values[4];
        for (int i = 0; i < 4; ++i) {
            const auto value = Number(texts[i]);
            if (!value)
                return;
            values[i] = *value;
        }
        std::copy(texts, texts + 4, m_rotationTexts);
        m_rotationStep = values[0];
        m_rotationVertical = -values[1];
        m_inclinationMin = values[2];
        m_inclinationMax = values[3];
        m_takeBack = true;
        StartRotation();
        return;
    }
    if (m_kind != kPlan)
        return;
    const auto step = AskStep();
    if (!step)
        return;
    m_rotationStep = *step;
    m_rotationVertical = 0;
    m_takeBack = false;
    StartRotation();
}

void TAfficheur::RotateHorizontally()
{
    if (m_kind != kPerspectiva)
        return;
    const auto step = AskStep();
    if (!step)
        return;
    // In 3D, the camera orbits by the step each tenth of a second (kept in thousandths of a degree).
    m_rotationStep = m_3d ? std::round(*step * 1000) / 1000 : *step;
    m_rotationVertical = 0;
    m_inclinationMin = -90;
    m_inclinationMax = 90;
    m_takeBack = true;
    StartRotation();
}

void TAfficheur::StartRotation()
{
    if (Rotating())
        return; // the running rotation goes on with the new steps
    // The stop window: the animation runs until it is closed. The turns come from a timer, so
    // that any command may still run meanwhile, closing this window included.
    m_stopWindow = new QWidget(this, Qt::Tool);
    m_stopWindow->setAttribute(Qt::WA_DeleteOnClose);
    m_stopWindow->setObjectName(QStringLiteral("Detener"));
    m_stopWindow->setWindowTitle(QStringLiteral("Detener"));
    SetHelpTopic(m_stopWindow, HelpTopic::Rotation);
    auto* layout = new QVBoxLayout(m_stopWindow);
    auto* button = new QPushButton(QStringLiteral("Detener"), m_stopWindow);
    connect(button, &QPushButton::clicked, m_stopWindow, &QWidget::close);
    layout->addWidget(button);
    // The timer as the receiver: the connection ends with this window's members, before its
    // children (the stop window among them) are deleted.
    connect(m_stopWindow, &QObject::destroyed, &m_rotation, [this] {
        m_stopWindow = nullptr;
        StopRotation();
    });
    m_stopWindow->show();
    m_rotation.start(m_3d ? 100 : 30);
    m_host.State3DChanged(); // the 3D tools window waits for the end
}

void TAfficheur::StopRotation()
{
    if (!m_rotation.isActive())
        return;
    m_rotation.stop();
    if (m_stopWindow)
        m_stopWindow->close();
    if (TPerspective* perspective = Perspective(); perspective && m_takeBack && !m_3d)
        perspective->Tourner(-m_rotationStep, -m_rotationVertical);
    if (!m_3d)
        Layout();
    m_host.State3DChanged();
}

void TAfficheur::Properties()
{
    m_host.EditViewOptions(m_kind);
}

QMenu* TAfficheur::ContextMenu()
{
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const bool selection = Point != 0;
    QAction* sheet = menu->addAction(QStringLiteral("F&icha"));
    sheet->setVisible(selection);
    connect(sheet, &QAction::triggered, this, [this] {
        Unmark();
        m_host.OpenSheet(Fiche);
    });
    // The same item in the other open views; in the elevation only when it is part of it.
    TMassif* massif = m_host.Context().Massif;
    const auto sheets = massif ? massif->CurrentSheets() : std::vector<TFiche*>();
    const bool inElevation = selection && Fiche >= 0 && static_cast<std::size_t>(Fiche) < sheets.size()
        && Galerie >= 0
        && static_cast<std::size_t>(Galerie) < sheets[static_cast<std::size_t>(Fiche)]->Galeries.size()
        && sheets[static_cast<std::size_t>(Fiche)]->Galeries[static_cast<std::size_t>(Galerie)]->InElevation;
    const std::pair<const char*, int> others[] = { { "&Planta", kPlan }, { "&Alzado", kAlzado },
        { "Pe&rspectiva", kPerspectiva }, { "&Tabla", kTabla } };
    for (const auto& [caption, kind] : others) {
        QAction* locate = menu->addAction(QString::fromUtf8(caption));
        locate->setVisible(selection && m_kind != kind && m_host.HasView(kind)
            && (kind != kAlzado || inElevation) && (kind != kPerspectiva || !m_host.PerspectiveIn3D()));
        connect(locate, &QAction::triggered, this, [this, kind = kind] {
            Unmark();
            m_host.Locate(kind, Fiche, Galerie, Point);
        });
    }
    QAction* first = menu->addSeparator();
    first->setVisible(selection);
    const char* levels[] = { "F&icha", "&Lugar", "Re&d", "Ca&vidad", "&Sistema" };
    QMenu* isolate = menu->addMenu(QStringLiteral("Ai&slar"));
    for (int i = 0; i < 5; ++i)
        connect(isolate->addAction(QString::fromUtf8(levels[i])), &QAction::triggered, this,
            [this, i] { Isolate(i); });
    connect(
        isolate->addAction(QStringLiteral("&Pantalla")), &QAction::triggered, this, [this] { Isolate(5); });
    QMenu* exclude = menu->addMenu(QStringLiteral("&Excluir"));
    for (int i = 0; i < 5; ++i)
        connect(exclude->addAction(QString::fromUtf8(levels[i])), &QAction::triggered, this,
            [this, i] { Exclude(i); });
    QMenu* colour = menu->addMenu(QStringLiteral("C&olor"));
    const char* colours[]
        = { "&Galería ...", "&Ficha ...", "&Lugar ...", "&Red ...", "&Cavidad ...", "&Sistema ..." };
    for (int i = 0; i < 6; ++i)
        connect(colour->addAction(QString::fromUtf8(colours[i])), &QAction::triggered, this,
            [this, i] { Colour(i); });
    isolate->menuAction()->setVisible(selection);
    exclude->menuAction()->setVisible(selection);
    colour->menuAction()->setVisible(selection);
    QAction* worst = menu->addAction(QStringLiteral("&Deformación máxima"));
    worst->setVisible(m_host.Mode() != 1 && !m_host.ZoomDown() && m_kind != kTabla);
    connect(worst, &QAction::triggered, this, [this] { SelectWorstDeformation(); });
    menu->addSeparator();
    connect(menu->addAction(QStringLiteral("&Rotar ...")), &QAction::triggered, this, [this] { Rotate(); });
    connect(menu->addAction(QStringLiteral("Im&primir ...")), &QAction::triggered, this,
        [this] { m_host.PrintFromView(*this); });
    connect(menu->addAction(QStringLiteral("&Propiedades ...")), &QAction::triggered, this,
        [this] { Properties(); });
    return menu;
}

} // namespace ks
