#include "exchange/toporobot.h"
#include "explorer/ui/explorer.h"
#include "model/massif.h"
#include "model/version.h"
#include "options/options.h"
#include "shell/main_window.h"
#include "support/fixture.h"
#include "support/network.h"
#include "support/scripted_prompt.h"
#include "views/plan.h"
#include "window/afficheur.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest/QTest>

using namespace ks;
using namespace ks::test;

namespace {

QString Copy(const TempDir& dir, const std::string& name)
{
    const std::string path = dir.Path(name);
    WriteFile(path, ReadFile(kSample));
    return QString::fromStdString(path);
}

bool Computed(TMainWindow& w)
{
    return WaitUntil([&w] { return w.Massif() && !w.Computation().Running() && w.Massif()->Computed; });
}

// Opens a grid cave large enough that its automatic computation is still running on return.
bool OpenComputingLargeMassif(TMainWindow& w, const TempDir& home)
{
    GeneratedNetwork net = MakeGridNetwork(31, 40, 4);
    net.massif->Save(home.Path("grande.fic"));
    w.OpenMassif(QString::fromStdString(home.Path("grande.fic")));
    return WaitUntil([&w] { return w.Computation().Running(); });
}

} // namespace

TEST(MainWindow, StartsWithDefaultsAndItsFullMenu)
{
    TempDir home;
    ScriptedPrompt prompt;
    TMainWindow w(QString::fromStdString(home.Path("")));
    EXPECT_EQ(w.windowTitle(), "Karstelle");
    EXPECT_TRUE(w.Settings().Automatique);
    EXPECT_TRUE(w.Action("Automático")->isChecked());
    EXPECT_FALSE(w.Action("Guardar")->isEnabled());
    EXPECT_TRUE(w.Action("Abrir")->isEnabled());
    for (const char* name :
        { "Nuevo", "Abrir", "Cerrar", "Guardar", "Guardar como", "Aislar", "Recuperar", "Imprimir", "Salir",
            "Deschacer", "Cortar", "Copiar", "Pegar", "General", "Barra de estado", "Detalle", "Planta",
            "Estadísticas", "Nueva ficha", "Buscar una ficha", "Puntos de referencia", "Declinaciones",
            "Deformación máxima", "Eliminar todos los alzados", "Sugerencias", "Formato/Planta", "Detallado",
            "Rápido", "Interrumpir", "Mosaico", "Acerca de", "Calcular", "Detener" })
        EXPECT_NE(w.Action(QString::fromUtf8(name)), nullptr) << name;
    EXPECT_EQ(w.Action("Abrir")->shortcut(), QKeySequence("Ctrl+O"));
    EXPECT_EQ(w.Action("Calcular")->toolTip(), "Cálculo de coordenadas");
    EXPECT_TRUE(prompt.shown.empty());
}

TEST(MainWindow, ReadsItsSettingsAndReportsABadOne)
{
    TempDir home;
    WriteFile(home.Path("Karstelle.ini"),
        "[Karstelle]\r\nAutomatique = NON\r\nTexte = OUI\r\nFichier1 = /c/uno.fic\r\n"
        "Arreter_Y = x\r\nEtat = NON\r\n");
    ScriptedPrompt prompt;
    TMainWindow w(QString::fromStdString(home.Path("")));
    EXPECT_FALSE(w.Settings().Automatique);
    EXPECT_FALSE(w.Action("Automático")->isChecked());
    EXPECT_TRUE(w.Settings().Texte);
    EXPECT_EQ(w.Settings().Recent[0], "/c/uno.fic");
    EXPECT_TRUE(w.Settings().Etat); // after the bad value: not read
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].kind, MessageKind::Error);
    EXPECT_TRUE(prompt.shown[0].text.contains("«x»"));
}

TEST(MainWindow, OpenComputesAutomaticallyAndTitles)
{
    TempDir home;
    ScriptedPrompt prompt;
    TMainWindow w(QString::fromStdString(home.Path("")));
    const QString file = Copy(home, "cueva.mas");
    w.OpenMassif(file);
    EXPECT_EQ(w.windowTitle(), "cueva.mas - Karstelle");
    EXPECT_TRUE(w.Action("Guardar")->isEnabled());
    ASSERT_TRUE(Computed(w));
    EXPECT_TRUE(w.Massif()->Sheets[0]->Galeries[0]->Positioned);
    EXPECT_TRUE(w.Massif()->Saved); // an automatic computation leaves the massif saved
    EXPECT_TRUE(prompt.shown.empty());

    w.OpenMassif(QString());
    EXPECT_EQ(w.windowTitle(), "Sin nombre - Karstelle");
    EXPECT_EQ(w.Settings().Recent[0], file.toStdString()); // closing added it to the recent files
}

TEST(MainWindow, SaveKeepsABackupAndSaveAsAsksBeforeOverwriting)
{
    TempDir home;
    ScriptedPrompt prompt;
    TMainWindow w(QString::fromStdString(home.Path("")));
    const QString file = Copy(home, "cueva.fic");
    TMassif original;
    original.FileName = kSample;
    original.Load();
    original.Save(file.toStdString());
    const std::string before = ReadFile(file.toStdString());
    WriteFile(home.Path("cueva.BAK"), "older backup");
    w.Action("Automático")->setChecked(false);
    w.OpenMassif(file);
    w.Massif()->Origine_Declinaison = 4;
    w.Massif()->Saved = false;
    w.SaveCommand();
    EXPECT_TRUE(w.Massif()->Saved);
    EXPECT_EQ(ReadFile(home.Path("cueva.BAK")), before);
    EXPECT_NE(ReadFile(file.toStdString()), before);

    WriteFile(home.Path("otra.mas"), "keep me");
    prompt.fileNames = { QString::fromStdString(home.Path("otra.mas")) };
    prompt.answers = { Answer::No };
    w.SaveAsCommand();
    EXPECT_EQ(prompt.shown.back().text, "El archivo otra.mas ya existe.\n¿Sobreescribir?");
    EXPECT_EQ(ReadFile(home.Path("otra.mas")), "keep me");
    prompt.fileNames = { QString::fromStdString(home.Path("otra.mas")) };
    prompt.answers = { Answer::Yes };
    w.SaveAsCommand();
    EXPECT_EQ(ReadFile(home.Path("otra.mas")).substr(0, 7), "Versi\xF3n");
    EXPECT_EQ(w.windowTitle(), "otra.mas - Karstelle");
    ASSERT_NE(w.Explorer(), nullptr);
    EXPECT_EQ(w.Explorer()->Tree()->topLevelItem(0)->text(0), "otra"); // the explorer's root too
}

TEST(MainWindow, CloseAndExitQuestions)
{
    TempDir home;
    ScriptedPrompt prompt;
    auto w = std::make_unique<TMainWindow>(QString::fromStdString(home.Path("")));
    w->Action("Automático")->setChecked(false);
    w->OpenMassif(Copy(home, "cueva.mas"));
    w->Massif()->Saved = false;

    prompt.answers = { Answer::Cancel };
    w->CloseCommand();
    EXPECT_EQ(prompt.shown.back().text, "¿Desea usted guardar los cambios realizados en cueva.mas?");
    EXPECT_EQ(prompt.shown.back().buttons, Buttons::YesNoCancel);
    ASSERT_NE(w->Massif(), nullptr);

    prompt.answers = { Answer::No };
    EXPECT_FALSE(w->ExitCommand());
    EXPECT_EQ(prompt.shown.back().text, "¿Salir de Karstelle ?");
    EXPECT_FALSE(std::filesystem::exists(home.Path("Karstelle.ini")));

    prompt.answers = { Answer::Yes, Answer::No }; // exit, then do not save
    EXPECT_TRUE(w->ExitCommand());
    EXPECT_EQ(prompt.shown.back().buttons, Buttons::YesNo); // the save question has no Cancel on exit
    EXPECT_EQ(w->Massif(), nullptr);
    const std::string ini = ReadFile(home.Path("Karstelle.ini"));
    EXPECT_EQ(ini.rfind("[Karstelle]\r\n\r\nGeneral = OUI\r\n", 0), 0u);
    EXPECT_NE(ini.find("Automatique = NON\r\nFichier3 = "), std::string::npos);
    for (const char* name : { "OPTIONS.MAR", "OPTIONS.TABL", "OPTIONS.PLA", "OPTIONS.PER", "OPTIONS.COU" })
        EXPECT_TRUE(std::filesystem::exists(home.Path(name))) << name;

    // A new window reads back what the last one wrote.
    TMainWindow again(QString::fromStdString(home.Path("")));
    EXPECT_FALSE(again.Settings().Automatique);
    EXPECT_EQ(again.Settings().Recent[0], home.Path("cueva.mas"));
}

TEST(MainWindow, DroppedFiles)
{
    TempDir home;
    ScriptedPrompt prompt;
    TMainWindow w(QString::fromStdString(home.Path("")));
    w.Action("Automático")->setChecked(false);
    const QString file = Copy(home, "cueva.mas");
    w.DropFiles({ file, file });
    EXPECT_EQ(prompt.shown.back().text, "Un sólo fichero a la vez");
    EXPECT_EQ(w.Massif(), nullptr);
    WriteFile(home.Path("notas.txt"), "x");
    w.DropFiles({ QString::fromStdString(home.Path("notas.txt")) });
    EXPECT_EQ(w.Massif(), nullptr);
    w.DropFiles({ file });
    ASSERT_NE(w.Massif(), nullptr);
    EXPECT_EQ(w.Massif()->Sheets.size(), 20u);
}

TEST(MainWindow, ReadErrorIsShownAndKeepsWhatWasRead)
{
    TempDir home;
    ScriptedPrompt prompt;
    TMainWindow w(QString::fromStdString(home.Path("")));
    w.Action("Automático")->setChecked(false);
    std::string text = ReadFile(kSample);
    text.resize(text.size() / 2);
    WriteFile(home.Path("rota.mas"), text);
    w.OpenMassif(QString::fromStdString(home.Path("rota.mas")));
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].kind, MessageKind::Error);
    EXPECT_TRUE(prompt.shown[0].text.contains("rota.mas, línea "));
    ASSERT_NE(w.Massif(), nullptr);
    EXPECT_GT(w.Massif()->Sheets.size(), 0u);
}

TEST(Computation, UserRequestReportsTimeAndDeformationWarningRules)
{
    TempDir home;
    ScriptedPrompt prompt;
    TMainWindow w(QString::fromStdString(home.Path("")));
    w.OpenMassif(Copy(home, "cueva.mas"));
    ASSERT_TRUE(Computed(w));
    EXPECT_TRUE(prompt.shown.empty()); // an automatic computation reports no time

    w.Massif()->Tolerance = 0.0001; // every gallery of the sample is "deformed" beyond this
    w.Computation().RequestFast();
    ASSERT_TRUE(WaitUntil([&] { return !prompt.shown.empty(); }));
    EXPECT_TRUE(prompt.shown.back().text.endsWith(" s"));
    EXPECT_FALSE(w.Massif()->Saved);
    // A user-requested computation resets the tolerance to 5 %: the sample stays below it.
    EXPECT_TRUE(prompt.problems.empty());
    EXPECT_EQ(w.Massif()->Tolerance, 0.05);

    w.Massif()->Tolerance = 0.0001;
    prompt.tickNoMostrar = true;
    w.Computation().RequestAutomatic();
    ASSERT_TRUE(WaitUntil([&] { return !prompt.problems.empty(); }));
    EXPECT_TRUE(prompt.problems[0].startsWith("La "));
    EXPECT_TRUE(prompt.problems[0].contains("° galería de la ficha\n"));
    EXPECT_TRUE(prompt.problems[0].contains("\nestá deformada a la "));
    EXPECT_EQ(w.Massif()->Tolerance, -1); // silenced until the next user-requested computation
}

TEST(Computation, StopEndsALongComputationAndPositionsNothing)
{
    TempDir home;
    ScriptedPrompt prompt;
    TMainWindow w(QString::fromStdString(home.Path("")));
    ASSERT_TRUE(OpenComputingLargeMassif(w, home));
    EXPECT_TRUE(w.Action("Detener")->isEnabled());
    w.Action("Detener")->trigger();
    ASSERT_TRUE(WaitUntil([&] { return !w.Computation().Running(); }));
    EXPECT_FALSE(w.Action("Detener")->isEnabled());
    WaitUntil([] { return false; }, 300); // let the completion run
    EXPECT_FALSE(w.Massif()->Computed);
    EXPECT_TRUE(prompt.shown.empty());
}

TEST(Computation, NoGalleryReachedShowsTheCalculationProblem)
{
    TempDir home;
    ScriptedPrompt prompt;
    TMassif m;
    m.FileName = kSample;
    m.Load();
    m.References[0]->Name.Set("NINGUNO");
    m.References[1]->Name.Set("NINGUNO");
    m.Save(home.Path("suelta.mas"));
    TMainWindow w(QString::fromStdString(home.Path("")));
    prompt.tickNoMostrar = true;
    w.OpenMassif(QString::fromStdString(home.Path("suelta.mas")));
    ASSERT_TRUE(WaitUntil([&] { return !prompt.problems.empty(); }));
    EXPECT_EQ(prompt.problems[0], "Ninguna ficha alcanzada\nverifique los puntos de referencia");
    EXPECT_FALSE(w.Massif()->ShowWarnings);
}

TEST(MainWindow, TogglesAreWrittenToTheSettingsFileAndOptionFilesAreRead)
{
    TempDir home;
    TOptions_Plan plan;
    plan.Angle = 30;
    Enregistrer(plan, home.Path("OPTIONS.PLA"), nullptr);
    ScriptedPrompt prompt;
    TMainWindow w(QString::fromStdString(home.Path("")));
    EXPECT_EQ(w.PlanOptions().Angle, 30);
    w.Action("Etiquetas de texto")->trigger();
    w.Action("Barra de estado")->trigger();
    w.Action("Lista")->trigger();
    w.Action("Automático")->trigger();
    prompt.answers = { Answer::Yes };
    ASSERT_TRUE(w.ExitCommand());
    EXPECT_EQ(ReadFile(home.Path("Karstelle.ini")),
        "[Karstelle]\r\n\r\nGeneral = OUI\r\nExplorateur = OUI\r\nVues = OUI\r\nTexte = OUI\r\nEtat = NON\r\n"
        "Web = OUI\r\nClassement = Liste\r\nAutomatique = NON\r\nOutils_3D_X = 0\r\nOutils_3D_Y = 0\r\n"
        "Arreter_X = 0\r\nArreter_Y = 0\r\n");
    TOptions_Plan back;
    Charger(back, home.Path("OPTIONS.PLA"));
    EXPECT_EQ(back.Angle, 30);
}

// "Sin límites de tamaño": a maze over the equation limit is refused, then computed once the
// limits are lifted; the choice is kept in its own file for the next session, and the settings
// file keeps its layout.
TEST(MainWindow, LiftedLimitsComputeALargeMazeAndAreRemembered)
{
    TempDir home;
    MakeMaze(40, 5, 0).massif->Save(home.Path("laberinto.fic"));
    ScriptedPrompt prompt;
    {
        TMainWindow w(QString::fromStdString(home.Path("")));
        EXPECT_FALSE(w.Action("Sin límites de tamaño")->isChecked());
        w.OpenMassif(QString::fromStdString(home.Path("laberinto.fic")));
        ASSERT_TRUE(WaitUntil([&w, &prompt] { return !prompt.shown.empty() && !w.Computation().Running(); }));
        EXPECT_EQ(prompt.shown.back().text, ShownText(kTooManyEquationsText));
        // The explorer's preview places the (unpositioned) stations, as it does on screen.
        w.Massif()->PlaceAllStations();
        w.Action("Sin límites de tamaño")->trigger();
        ASSERT_TRUE(WaitUntil([&w] { return w.Massif()->Sheets[0]->Galeries[0]->Positioned; }));
        prompt.answers = { Answer::Yes, Answer::No }; // leave, without saving
        ASSERT_TRUE(w.ExitCommand());
    }
    EXPECT_EQ(ReadFile(home.Path("Calculo.ini")), "[Calculo]\r\n\r\nSinLimites = OUI\r\n");
    EXPECT_EQ(ReadFile(home.Path("Karstelle.ini")).find("Limit"), std::string::npos);
    TMainWindow again(QString::fromStdString(home.Path("")));
    EXPECT_TRUE(again.Action("Sin límites de tamaño")->isChecked());
    EXPECT_TRUE(again.Computation().Flags().Unlimited);
}

// A garbled option file's out-of-range fields go back to their defaults, with one message for it.
TEST(MainWindow, GarbledOptionFileIsReportedOnceWithItsFieldsReset)
{
    TempDir home;
    TOptions_Plan garbled;
    garbled.Trait.Epaisseur_Visee = -30000;
    garbled.Long_Nord = 20000;
    garbled.Angle = 30;
    Enregistrer(garbled, home.Path("OPTIONS.PLA"), nullptr);
    ScriptedPrompt prompt;
    TMainWindow w(QString::fromStdString(home.Path("")));
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_TRUE(prompt.shown[0].text.contains(QStringLiteral("OPTIONS.PLA: 2 valores fuera de sus límites")))
        << prompt.shown[0].text.toStdString();
    EXPECT_EQ(w.PlanOptions().Trait.Epaisseur_Visee, TOptions_Plan().Trait.Epaisseur_Visee);
    EXPECT_EQ(w.PlanOptions().Angle, 30);
}

TEST(MainWindow, NewReferencePointsStartAComputation)
{
    TempDir home;
    ScriptedPrompt prompt;
    TMainWindow w(QString::fromStdString(home.Path("")));
    w.OpenMassif(Copy(home, "cueva.mas"));
    ASSERT_TRUE(Computed(w));
    // Remove the first entrance in the dialog and validate: the massif changes and computes again.
    QTimer::singleShot(0, [] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        auto* grid = dialog->findChild<QTableWidget*>("Grille");
        grid->setCurrentCell(0, 1);
        QTest::mouseClick(dialog->findChild<QPushButton*>("Eliminar"), Qt::LeftButton);
        QTest::mouseClick(dialog->findChild<QPushButton*>("Validar"), Qt::LeftButton);
    });
    w.ReferencePointsCommand();
    ASSERT_EQ(w.Massif()->References.size(), 1u);
    EXPECT_EQ(w.Massif()->References[0]->Name.Get(), "V");
    EXPECT_FALSE(w.Massif()->Saved);
    EXPECT_FALSE(w.Massif()->Computed);
    ASSERT_TRUE(Computed(w));
    EXPECT_TRUE(w.Massif()->Sheets[0]->Galeries[0]->Positioned); // reached from the other entrance
}

TEST(MainWindow, TemplatesAndRecover)
{
    TempDir home;
    ScriptedPrompt prompt;
    TMainWindow w(QString::fromStdString(home.Path("")));
    prompt.fileNames = { QString::fromStdString(home.Path("nada.pla")) };
    w.TemplateCommand(true);
    EXPECT_EQ(prompt.shown.back().text, "El fichero no existe\nElegido en otro");
    prompt.fileNames = { QString::fromStdString(home.Path("modelo.PLA")) };
    w.TemplateCommand(false);
    EXPECT_EQ(std::filesystem::file_size(home.Path("modelo.PLA")), 222u);

    w.Action("Automático")->setChecked(false);
    w.OpenMassif(Copy(home, "cueva.mas"));
    TMassif& m = *w.Massif();
    m.Selection = std::vector<TFiche*> { m.Sheets[19].get() }; // a sheet of "Cueva del Agua"
    m.SelectionActive = true;
    w.UpdateCommands();
    EXPECT_TRUE(w.Action("Recuperar")->isEnabled());
    w.Action("Cavidad")->trigger();
    EXPECT_EQ(m.Selection->size(), 8u);
    EXPECT_EQ((*m.Selection)[0]->Ordre, 13); // sorted
    w.Action("Todo")->trigger();
    EXPECT_FALSE(m.SelectionActive);
    EXPECT_EQ(m.CurrentSheets().size(), 20u);
}

TEST(MainWindow, GoToOpensThePlanAndBringsTheExplorerBack)
{
    TempDir home;
    ScriptedPrompt prompt;
    TMainWindow w(QString::fromStdString(home.Path("")));
    w.Action("Automático")->setChecked(false);
    EXPECT_FALSE(w.Action("Planta")->isEnabled());
    w.OpenMassif(Copy(home, "cueva.mas"));
    ASSERT_TRUE(w.Action("Planta")->isEnabled());
    w.Action("Planta")->trigger();
    ASSERT_NE(w.PlanWindow(), nullptr);
    EXPECT_EQ(w.ActiveView(), w.PlanWindow());
    w.Explorer()->parentWidget()->close();
    ASSERT_TRUE(WaitUntil([&w] { return w.Explorer() == nullptr; }, 2000));
    ASSERT_TRUE(w.Action("Ir a/Explorador")->isEnabled());
    w.Action("Ir a/Explorador")->trigger();
    ASSERT_NE(w.Explorer(), nullptr);
    w.Action("Planta")->trigger(); // brought forward, not opened twice
    EXPECT_EQ(w.ActiveView(), w.PlanWindow());
    EXPECT_TRUE(prompt.shown.empty());
}

TEST(MainWindow, TemplatesTakeTheChosenFiltersExtensionAndRedrawTheViews)
{
    TempDir home;
    ScriptedPrompt prompt;
    TMainWindow w(QString::fromStdString(home.Path("")));
    // A name without an extension takes the chosen filter's.
    prompt.fileNames = { QString::fromStdString(home.Path("captura")) };
    prompt.filterChoices = { "Modelo de la ficha de captura(*.sai) (*.sai *.SAI)" };
    w.TemplateCommand(false);
    EXPECT_TRUE(std::filesystem::exists(home.Path("captura.sai")));
    prompt.fileNames = { QString::fromStdString(home.Path("planta")) };
    prompt.filterChoices = { "Modelo planta(*.pla) (*.pla *.PLA)" };
    w.TemplateCommand(false);
    EXPECT_EQ(std::filesystem::file_size(home.Path("planta.pla")), 222u);
    // With "todos" there is no extension to take: the user is told, nothing is written.
    prompt.fileNames = { QString::fromStdString(home.Path("sin")) };
    w.TemplateCommand(false);
    EXPECT_TRUE(prompt.shown.back().text.startsWith("sin: la extensión del modelo"));
    EXPECT_FALSE(std::filesystem::exists(home.Path("sin")));

    // Opening a plan template gives its angle to the open plan window.
    TOptions_Plan turned;
    turned.Angle = 90;
    Enregistrer(turned, home.Path("girada.pla"), nullptr);
    w.Action("Automático")->setChecked(false);
    w.OpenMassif(Copy(home, "cueva.mas"));
    TAfficheur* plan = w.OpenPlanWindow();
    ASSERT_NE(plan, nullptr);
    prompt.fileNames = { QString::fromStdString(home.Path("girada.pla")) };
    w.TemplateCommand(true);
    EXPECT_EQ(plan->Plan()->Angle, 90);
}

TEST(MainWindow, WindowsMenuListsAndArrangesTheWindows)
{
    TempDir home;
    ScriptedPrompt prompt;
    TMainWindow w(QString::fromStdString(home.Path("")));
    w.Action("Automático")->setChecked(false);
    w.show();
    w.OpenMassif(Copy(home, "cueva.mas"));
    w.OpenPlanWindow();
    QMenu* windows = nullptr;
    for (QAction* action : w.menuBar()->actions())
        if (action->text() == "&Ventanas")
            windows = action->menu();
    ASSERT_NE(windows, nullptr);
    emit windows->aboutToShow();
    QStringList listed;
    for (QAction* action : windows->actions())
        if (action->isCheckable())
            listed << action->text() + (action->isChecked() ? "*" : "");
    EXPECT_EQ(listed, QStringList({ "&1 Explorar", "&2 Planta*" }));
    windows->actions().at(windows->actions().size() - 2)->trigger(); // the explorer
    EXPECT_EQ(w.ActiveView(), nullptr);

    // Minimised windows go in a row along the bottom.
    auto* area = w.findChild<QMdiArea*>();
    for (QMdiSubWindow* child : area->subWindowList())
        child->showMinimized();
    area->subWindowList()[0]->move(300, 10);
    emit windows->aboutToShow();
    ASSERT_TRUE(w.Action("Reorganizar los iconos")->isEnabled());
    w.Action("Reorganizar los iconos")->trigger();
    const QMdiSubWindow* first = area->subWindowList()[0];
    const QMdiSubWindow* second = area->subWindowList()[1];
    EXPECT_EQ(first->x(), 0);
    EXPECT_EQ(second->x(), first->width());
    EXPECT_EQ(first->geometry().bottom(), area->viewport()->rect().bottom());
}

TEST(MainWindow, QtDialogsSpeakSpanishAndToolIconsMeanTheirCommand)
{
    ASSERT_TRUE(InstallQtSpanish()) << "Qt's translations (qt6-translations-l10n) are missing";
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Cancelar");
    TempDir home;
    ScriptedPrompt prompt;
    TMainWindow w(QString::fromStdString(home.Path("")));
    for (const char* name : { "edit-cut", "edit-copy", "edit-paste", "edit-undo", "document-print" })
        EXPECT_FALSE(QIcon(QStringLiteral(":/icons/%1.svg").arg(name)).pixmap(24).isNull()) << name;
    // A disabled button's icon looks different from the enabled one.
    const QIcon cut = w.Action("Cortar")->icon();
    EXPECT_NE(cut.pixmap(24, QIcon::Normal).toImage(), cut.pixmap(24, QIcon::Disabled).toImage());
}

TEST(MainWindow, EveryChangeTakesTheOneRoute)
{
    // A change made in the explorer while a computation runs stops it and asks for another, even
    // with automatic computation off, as the other editors do; a colour change asks for none.
    TempDir home;
    ScriptedPrompt prompt;
    TMainWindow w(QString::fromStdString(home.Path("")));
    ASSERT_TRUE(OpenComputingLargeMassif(w, home));
    w.Action("Automático")->setChecked(false);
    w.Massif()->Saved = true;
    w.Explorer()->OnMassifChanged();
    EXPECT_FALSE(w.Massif()->Saved);
    EXPECT_TRUE(w.Computation().Pending());
    // Stopping drops the computation requested to follow the running one.
    ASSERT_TRUE(w.Action("Detener")->isEnabled());
    w.Action("Detener")->trigger();
    EXPECT_FALSE(w.Computation().Pending());
    ASSERT_TRUE(WaitUntil([&w] { return !w.Computation().Running(); }));

    w.Massif()->Saved = true;
    w.ColoursChanged();
    EXPECT_FALSE(w.Massif()->Saved);
    EXPECT_FALSE(w.Computation().Pending());
}

TEST(MainWindow, ToporobotExportedThenImportedIntoTheOpenMassif)
{
    TempDir home;
    ScriptedPrompt prompt;
    TMainWindow w(QString::fromStdString(home.Path("")));
    w.OpenMassif(Copy(home, "cueva.mas"));
    ASSERT_TRUE(Computed(w));
    const std::size_t sheets = w.Massif()->Sheets.size();
    prompt.fileNames = { QString::fromStdString(home.Path("cueva")) };
    w.Action("Exportar/Toporobot")->trigger();
    EXPECT_EQ(prompt.shown.back().text, "Exportación terminada");
    const std::string text = ReadFile(home.Path("cueva.Tab"));
    EXPECT_EQ(text.find('\n'), std::string::npos);

    // A file that is no Toporobot file is refused and leaves the massif as it was.
    WriteFile(home.Path("otro.Tab"), "1\t-1\t1\t0\r");
    prompt.fileNames = { QString::fromStdString(home.Path("otro.Tab")) };
    w.Action("Toporobot")->trigger();
    EXPECT_TRUE(prompt.shown.back().text.contains("otro.Tab")) << prompt.shown.back().text.toStdString();
    EXPECT_EQ(w.Massif()->Sheets.size(), sheets);

    prompt.fileNames = { QString::fromStdString(home.Path("cueva.Tab")) };
    w.Action("Toporobot")->trigger();
    EXPECT_GT(w.Massif()->Sheets.size(), sheets);
    EXPECT_FALSE(w.Massif()->Saved);
    EXPECT_TRUE(Computed(w)); // computed again with the new sheets

    // Without reference points there is nothing to tie the export to.
    w.Massif()->References.clear();
    w.Action("Exportar/Toporobot")->trigger();
    EXPECT_EQ(prompt.shown.back().text.toStdString(), kNoReferenceExportText);
}

TEST(MainWindow, SurvexExportedThenImportedIntoTheOpenMassif)
{
    TempDir home;
    ScriptedPrompt prompt;
    TMainWindow w(QString::fromStdString(home.Path("")));
    w.OpenMassif(Copy(home, "cueva.mas"));
    ASSERT_TRUE(Computed(w));
    const std::size_t sheets = w.Massif()->Sheets.size();
    prompt.fileNames = { QString::fromStdString(home.Path("cueva")) };
    w.Action("Exportar/Survex")->trigger();
    EXPECT_EQ(prompt.shown.back().text, "Exportación terminada");
    ASSERT_TRUE(std::filesystem::exists(home.Path("cueva.svx")));

    // A refused project names its file and line, and leaves the massif as it was.
    WriteFile(home.Path("malo.svx"), "*begin a\n1 2 x 0 0\n*end a\n");
    prompt.fileNames = { QString::fromStdString(home.Path("malo.svx")) };
    w.Action("Survex")->trigger();
    EXPECT_TRUE(prompt.shown.back().text.contains("malo.svx")) << prompt.shown.back().text.toStdString();
    EXPECT_EQ(w.Massif()->Sheets.size(), sheets);

    prompt.fileNames = { QString::fromStdString(home.Path("cueva.svx")) };
    w.Action("Survex")->trigger();
    EXPECT_TRUE(prompt.shown.back().text.contains("importadas")) << prompt.shown.back().text.toStdString();
    EXPECT_EQ(w.Massif()->Sheets.size(), 2 * sheets);
    EXPECT_TRUE(Computed(w)); // computed again with the new sheets
}

// The misclosure colours screen the massif as it is: its computed positions stay, and a gallery
// in no loop gets no value.
TEST(MainWindow, MisclosureColoursKeepThePositions)
{
    TempDir home;
    ScriptedPrompt prompt;
    TMainWindow w(QString::fromStdString(home.Path("")));
    w.OpenMassif(Copy(home, "cueva.mas"));
    ASSERT_TRUE(Computed(w));
    w.Action("Cierres")->trigger();
    EXPECT_EQ(w.Mode(), 4);
    ASSERT_TRUE(w.Context().Misclosure);
    int inLoops = 0, outside = 0;
    for (const auto& sheet : w.Massif()->Sheets)
        for (const auto& g : sheet->Galeries) {
            EXPECT_TRUE(g->Positioned);
            (w.Context().Misclosure(*g) >= 0 ? inLoops : outside)++;
        }
    EXPECT_GT(inLoops, 0);
    EXPECT_GT(outside, 0);
    w.Action("Cierres")->trigger();
    EXPECT_FALSE(w.Context().Misclosure);
}

TEST(MainWindow, HintOptionsAboutAndAddresses)
{
    TempDir home;
    ScriptedPrompt prompt;
    {
        TMainWindow w(QString::fromStdString(home.Path("")));
        EXPECT_TRUE(w.Action("Sugerencias")->isEnabled());
        OnNextDialog([](QWidget& dialog) {
            EXPECT_EQ(dialog.windowTitle(), "Sugerencias en las vistas");
            dialog.findChild<QCheckBox*>("Coordenadas")->setChecked(false);
            auto* nothing = dialog.findChild<QCheckBox*>("No mostrar nada");
            nothing->setChecked(true);
            EXPECT_FALSE(dialog.findChild<QCheckBox*>("Visuales")->isEnabled());
            QTest::mouseClick(dialog.findChild<QPushButton*>("Validar"), Qt::LeftButton);
        });
        w.Action("Sugerencias")->trigger();
        EXPECT_FALSE(w.Context().Hints.Coordonnees);
        EXPECT_TRUE(w.Context().Hints.Rien);
        OnNextDialog([](QWidget& dialog) {
            dialog.findChild<QCheckBox*>("Visuales")->setChecked(false);
            QTest::mouseClick(dialog.findChild<QPushButton*>("Deshacer"), Qt::LeftButton);
        });
        w.Action("Sugerencias")->trigger();
        EXPECT_TRUE(w.Context().Hints.Visees);

        w.Action("Acerca de")->trigger();
        EXPECT_TRUE(
            prompt.shown.back().text.startsWith(QStringLiteral("Karstelle ") + QString::fromUtf8(kVersion)));
        EXPECT_TRUE(prompt.shown.back().text.contains(QString::fromUtf8(qVersion())));
        if (std::string(kWebAddress).empty()) {
            w.Action("Web")->trigger();
            EXPECT_EQ(prompt.shown.back().text, "Esta copia de Karstelle no tiene ninguna dirección web.");
        }
        if (std::string(kMailAddress).empty()) {
            w.Action("E-mail")->trigger();
            EXPECT_EQ(
                prompt.shown.back().text, "Esta copia de Karstelle no tiene ninguna dirección de correo.");
        }
        prompt.answers = { Answer::Yes };
        EXPECT_TRUE(w.ExitCommand());
    }
    // The hint options come back with the next session; "Karstelle.ini" keeps its layout.
    EXPECT_EQ(ReadFile(home.Path("Karstelle.ini")).find("Coordenadas"), std::string::npos);
    TMainWindow again(QString::fromStdString(home.Path("")));
    EXPECT_FALSE(again.Context().Hints.Coordonnees);
    EXPECT_TRUE(again.Context().Hints.Rien);
}
