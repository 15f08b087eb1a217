#pragma once

struct TOptions_Plan;
struct TMarge;
class QWidget;

namespace ks {

// `Editer` of the plan options ("Ajustar página de la planta") and of the margins ("Márgenes"):
// the dialog on a working copy; true, with the record changed, when the user confirms.
bool EditerPlan(TOptions_Plan& options, QWidget* parent);
bool EditerMarge(TMarge& margins, QWidget* parent);

} // namespace ks
