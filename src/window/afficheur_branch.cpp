// The view window's elevation-branch commands ("&Ramal"): on the gallery selected in a plan or
// an elevation, through the massif's elevation operations.
#include "window/afficheur.h"

#include "bridge/qt_text.h"
#include "compute/elevation.h"
#include "model/massif.h"
#include "ui/prompt.h"
#include "window/branch_dialogs.h"
#include "window/view_host.h"

#include <QScrollBar>

namespace ks {

namespace {

QString PointText(const TPointTopo& point)
{
    return point.Final ? QStringLiteral("Final")
                       : FromCp1252(point.Name.Get()) + QStringLiteral("(%1)").arg(point.Number);
}

void Tell(const std::string& text)
{
    Prompt().Ask(MessageKind::Information, QStringLiteral("Karstelle"), ToQString(text), Buttons::Ok);
}

// The only candidate, or the one chosen in the list; nothing when the list is cancelled.
std::optional<TGalleryRef> Choose(const TElevation& elevation, const std::vector<TGalleryRef>& candidates,
    const QString& title, QWidget* parent)
{
    if (candidates.size() == 1)
        return candidates.front();
    QStringList items;
    for (const TGalleryRef& c : candidates) {
        const TGalerie& g = *elevation.Gallery(c);
        items << QStringLiteral("%1 - %2").arg(PointText(g.Start), PointText(g.End));
    }
    const auto index = ChooseFromList(title, items, parent);
    if (!index)
        return std::nullopt;
    return candidates[static_cast<std::size_t>(*index)];
}

} // namespace

std::optional<TGalleryRef> TAfficheur::SelectedGallery(bool inElevation)
{
    TMassif* massif = m_host.Context().Massif;
    const auto sheets = massif ? massif->CurrentSheets() : std::vector<TFiche*>();
    if (Point != 0 && Fiche >= 0 && static_cast<std::size_t>(Fiche) < sheets.size()) {
        const TFiche* sheet = sheets[static_cast<std::size_t>(Fiche)];
        if (Galerie >= 0 && static_cast<std::size_t>(Galerie) < sheet->Galeries.size()
            && (!inElevation || sheet->Galeries[static_cast<std::size_t>(Galerie)]->InElevation))
            return TGalleryRef { sheet->Ordre, Galerie };
    }
    Tell(kNeedsSelectionText);
    return std::nullopt;
}

void TAfficheur::BranchChanged()
{
    Unmark();
    m_host.ElevationChanged();
    Remark();
    m_host.ShowStatus(TexteEtat);
}

void TAfficheur::NewBranch()
{
    const auto ref = SelectedGallery(false);
    if (!ref)
        return;
    TElevation elevation(*m_host.Context().Massif);
    const TGalerie& g = *elevation.Gallery(*ref);
    TBranchDialog dialog(QStringLiteral("Nuevo ramal"), PointText(g.Start), PointText(g.End), 0, 0, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    elevation.StartBranch(*ref, dialog.FromStart(), dialog.Forward(), dialog.X(), dialog.Z());
    BranchChanged();
}

void TAfficheur::ContinueBranch()
{
    const auto ref = SelectedGallery(true);
    if (!ref)
        return;
    TMassif& massif = *m_host.Context().Massif;
    TElevation elevation(massif);
    std::vector<TGalleryRef> candidates;
    if (const auto refusal = elevation.ContinueCandidates(*ref, candidates)) {
        Tell(*refusal);
        return;
    }
    const auto choice = Choose(elevation, candidates, QStringLiteral("Continuar el ramal"), this);
    if (!choice)
        return;
    const TGalleryRef chosen = *choice;
    const bool atEnd = m_hbar->isEnabled() && m_hbar->value() == m_hbar->maximum();
    elevation.Hang(*ref, chosen);
    // The new gallery becomes the selection.
    const auto sheets = massif.CurrentSheets();
    for (std::size_t i = 0; i < sheets.size(); ++i)
        if (sheets[i] == elevation.Sheet(chosen.Sheet)) {
            Unmark();
            Fiche = static_cast<int>(i);
            Galerie = chosen.Gallery;
            Point = 1;
        }
    BranchChanged();
    if (atEnd)
        m_hbar->setValue(m_hbar->maximum());
}

void TAfficheur::InvertBranch()
{
    if (const auto ref = SelectedGallery(true)) {
        TElevation(*m_host.Context().Massif).InvertBranch(*ref);
        BranchChanged();
    }
}

void TAfficheur::ShiftBranch()
{
    const auto ref = SelectedGallery(true);
    if (!ref)
        return;
    TElevation elevation(*m_host.Context().Massif);
    const TGalerie& g = *elevation.Gallery(*ref);
    TBranchDialog dialog(QStringLiteral("Desplazar un ramal"), QString(), QString(), g.ElevX, g.ElevZ, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    elevation.ShiftBranch(*ref, dialog.X(), dialog.Z());
    BranchChanged();
}

void TAfficheur::AttachBranch()
{
    const auto ref = SelectedGallery(true);
    if (!ref)
        return;
    TElevation elevation(*m_host.Context().Massif);
    std::vector<TGalleryRef> candidates;
    if (const auto refusal = elevation.AttachCandidates(*ref, candidates)) {
        Tell(*refusal);
        return;
    }
    if (const auto chosen = Choose(elevation, candidates, QStringLiteral("Empalmar el ramal"), this))
        elevation.Attach(*ref, *chosen);
    else
        return;
    BranchChanged();
}

void TAfficheur::RemoveBranch()
{
    const auto ref = SelectedGallery(true);
    if (!ref)
        return;
    if (Prompt().Ask(MessageKind::Confirmation, QStringLiteral("Karstelle"),
            QStringLiteral(
                "Esta galería y su(s) continuación(es) inferior(es) va(n) a ser eliminada(s) del alzado"),
            Buttons::OkNo)
        != Answer::Ok)
        return;
    TElevation(*m_host.Context().Massif).RetirerDeCoupe(*ref, true);
    Unmark();
    Point = 0;
    TexteEtat.clear();
    m_host.ElevationChanged();
}

void TAfficheur::ElevationAssistant()
{
    TMassif* massif = m_host.Context().Massif;
    if (!massif)
        return;
    TAssistantDialog dialog(*massif, this);
    // A gallery of the elevation selected here proposes its far point as the departure.
    const auto sheets = massif->CurrentSheets();
    if (Point != 0 && Fiche >= 0 && static_cast<std::size_t>(Fiche) < sheets.size()) {
        const TFiche* sheet = sheets[static_cast<std::size_t>(Fiche)];
        if (Galerie >= 0 && static_cast<std::size_t>(Galerie) < sheet->Galeries.size()) {
            const TGalerie& g = *sheet->Galeries[static_cast<std::size_t>(Galerie)];
            const TPointTopo& far = FarPoint(g);
            if (g.InElevation && !far.Final)
                dialog.Propose(FromCp1252(far.Name.Get()), far.Number, g.ElevForward, g.ElevX, g.ElevZ);
        }
    }
    Unmark();
    dialog.exec();
    if (dialog.Built()) {
        Point = 0;
        TexteEtat.clear();
        m_host.ElevationChanged();
        m_host.FitView(kAlzado); // what was built, whole
    } else {
        Remark();
    }
}

} // namespace ks
