#pragma once
// The view option dialogs.

#include <QSizeF>

struct TOptions_Plan;
struct TOptions_Coupe;
struct TOptions_Relief;
struct TOptions_Tableau;
class TGalerie;
struct TMarge;
struct THintOptions;
class QWidget;

namespace ks {

// `Editer` of the plan options ("Ajustar página de la planta") and of the margins ("Márgenes"):
// the dialog on a working copy; true, with the record changed, when the user confirms.
bool EditerPlan(TOptions_Plan& options, QWidget* parent);
// "Ajuste de página de perspectiva", with its "3 D" tab.
bool EditerRelief(TOptions_Relief& options, QWidget* parent);
// "Ajuste de página del alzado", with its list of vertical scales.
bool EditerCoupe(TOptions_Coupe& options, QWidget* parent);
// "Ajuste de página de la tabla"; `selected`, the gallery selected in the active view (or null),
// can give the reference point.
bool EditerTableau(TOptions_Tableau& options, const TGalerie* selected, QWidget* parent);
// "Sugerencias en las vistas": the pieces of the views' hover hints; "&No mostrar nada" turns
// them all off.
bool EditerSugerencias(THintOptions& hints, QWidget* parent);
// The margins dialog; margins that leave nothing of a paper of `paperMm` are refused.
bool EditerMarge(TMarge& margins, QWidget* parent, const QSizeF& paperMm);

} // namespace ks
