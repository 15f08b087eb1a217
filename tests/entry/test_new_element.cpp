// The new element wizard: its name lists, the joining of systems and caves, and its steps.
#include "entry/new_element.h"
#include "entry/ui/new_element_wizard.h"
#include "model/massif.h"
#include "support/fixture.h"
#include "support/scripted_prompt.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

using namespace ks;
using namespace ks::test;

namespace {

void AddSheet(TMassif& massif, const std::string& system, const std::string& cave)
{
    auto sheet = std::make_unique<TFiche>();
    sheet->Systeme.Set(system);
    sheet->Cavite.Set(cave);
    massif.AddSheet(std::move(sheet), false);
}

// The wizard on a massif held here; what it asked of the main window is counted.
struct WizardFixture
{
    WizardFixture()
    {
        AddSheet(*massif, "Mortero", "Cueva A");
        AddSheet(*massif, "MORTERO", "Cueva B");
        AddSheet(*massif, "Superficie", "");
        AddSheet(*massif, "Aislada", "Sima Sola");
        AddSheet(*massif, "Blancas", "Cueva C");
        host.Massif = [this] { return massif.get(); };
        host.CloseMassif = [this] {
            massif.reset();
            return true;
        };
        host.NewMassif = [this] { massif = std::make_unique<TMassif>(); };
        host.OpenMassif = [] { return false; };
        host.NameMassif = [this] { return ++named, false; };
        host.Declinations = [] {};
        host.References = [] {};
        host.Changed = [this] { ++changes; };
    }
    QRadioButton& Radio(TNouveaute& w, const char* name) { return *w.findChild<QRadioButton*>(name); }

    std::unique_ptr<TMassif> massif = std::make_unique<TMassif>();
    TWizardHost host;
    int changes = 0;
    int named = 0;
};

} // namespace

TEST(NewElement, KnownNamesLeaveOutTheReservedOnesAndRepeats)
{
    WizardFixture f;
    EXPECT_EQ(KnownNames(*f.massif, 0), (std::vector<std::string> { "Mortero", "Blancas" }));
    EXPECT_EQ(KnownNames(*f.massif, 1),
        (std::vector<std::string> { "Cueva A", "Cueva B", "Sima Sola", "Cueva C" }));
    EXPECT_EQ(IsolatedCaves(*f.massif), std::vector<std::string> { "Sima Sola" });
}

TEST(NewElement, JoiningTwoSystemsAndACaveAfterAskingFirst)
{
    WizardFixture f;
    ScriptedPrompt prompt;
    TNouveaute wizard(f.host);
    f.Radio(wizard, "Naturaleza1").click(); // "Sistema"
    wizard.Next();
    EXPECT_TRUE(f.Radio(wizard, "Macizo0").isChecked()) << "\"Actual\" with a massif open";
    wizard.Next();
    EXPECT_EQ(wizard.Step(), 6);
    wizard.findChild<QLineEdit*>("NombreSistema")->setText("Gran Sistema");
    auto* systems = wizard.findChild<QListWidget*>("AntiguosSistemas");
    ASSERT_EQ(systems->count(), 2);
    systems->item(0)->setCheckState(Qt::Checked);
    systems->item(1)->setCheckState(Qt::Checked);
    auto* caves = wizard.findChild<QListWidget*>("CavidadesAisladas");
    ASSERT_EQ(caves->count(), 1);
    caves->item(0)->setCheckState(Qt::Checked);
    // Cancelled: nothing changes and the wizard stays.
    prompt.answers = { Answer::No };
    wizard.Next();
    EXPECT_EQ(f.massif->Sheets[0]->Systeme.Get(), "Mortero");
    EXPECT_EQ(wizard.Step(), 6);
    prompt.answers = { Answer::Ok };
    wizard.Next();
    EXPECT_EQ(prompt.shown.back().text, "Aplicar el nuevo nombre a los elementos escogidos ?");
    for (int i : { 0, 1, 3, 4 })
        EXPECT_EQ(f.massif->Sheets[static_cast<std::size_t>(i)]->Systeme.Get(), "Gran Sistema") << i;
    EXPECT_EQ(f.massif->Sheets[2]->Systeme.Get(), "Superficie");
    EXPECT_EQ(f.changes, 1);
    EXPECT_FALSE(wizard.EditorTexts()) << "a new system ends the wizard";
}

TEST(NewElement, SurfaceTraversesAndIsolatedCavesOpenTheEditor)
{
    WizardFixture f;
    {
        TNouveaute wizard(f.host);
        f.Radio(wizard, "Naturaleza4").click(); // "Poligonal de superficie"
        wizard.Next();
        wizard.Next(); // "Actual"
        ASSERT_TRUE(wizard.EditorTexts());
        EXPECT_EQ(*wizard.EditorTexts(), (std::array<std::string, 4> { "Superficie", "", "", "" }));
    }
    {
        TNouveaute wizard(f.host);
        f.Radio(wizard, "Naturaleza2").click(); // "Cavidad"
        wizard.Next();
        wizard.Next();
        EXPECT_EQ(wizard.Step(), 3);
        EXPECT_FALSE(wizard.findChild<QPushButton*>("Siguiente")->isEnabled());
        wizard.findChild<QLineEdit*>("NombreCavidad")->setText("Sima Nueva");
        f.Radio(wizard, "Cavidad0").click(); // "aislada"
        wizard.Next();
        ASSERT_TRUE(wizard.EditorTexts());
        EXPECT_EQ((*wizard.EditorTexts())[0], "Aislada");
        EXPECT_EQ((*wizard.EditorTexts())[1], "Sima Nueva");
    }
    // With no massif open, "Actual" is not offered; "Nuevo" creates one.
    f.massif.reset();
    TNouveaute wizard(f.host);
    EXPECT_FALSE(f.Radio(wizard, "Macizo0").isVisibleTo(&wizard));
    f.Radio(wizard, "Naturaleza3").click(); // "Exploración"
    wizard.Next();
    EXPECT_FALSE(wizard.findChild<QPushButton*>("Siguiente")->isEnabled());
    f.Radio(wizard, "Macizo2").click();
    wizard.Next();
    EXPECT_NE(f.massif, nullptr);
    EXPECT_EQ(wizard.Step(), 8);
    // "&Nombre" names the new massif; cancelled, it keeps it open.
    for (QPushButton* button : wizard.findChildren<QPushButton*>())
        if (button->text() == "&Nombre" && button->isVisibleTo(&wizard))
            button->click();
    EXPECT_EQ(f.named, 1);
    EXPECT_NE(f.massif, nullptr);
    wizard.Next();
    EXPECT_EQ(wizard.Step(), 7);
}
