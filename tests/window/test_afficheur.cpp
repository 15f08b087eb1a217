#include "model/file_io.h"
#include "model/massif.h"
#include "model/text_utils.h"
#include "shell/main_window.h"
#include "support/fixture.h"
#include "support/ink.h"
#include "support/sample_window.h"
#include "support/scripted_prompt.h"
#include "ui/prompt.h"
#include "views/plan.h"
#include "window/afficheur.h"
#include "window/printing.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPdfWriter>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTimer>
#include <QWheelEvent>
#include <QtTest/QTest>

#include <cstdlib>
#include <filesystem>
#include <functional>

using namespace ks;
using namespace ks::test;

namespace {

// Saves a picture for the documentation when KARSTELLE_SCREENSHOTS names a folder.
void Screenshot(QWidget& widget, const char* name)
{
    if (const char* folder = std::getenv("KARSTELLE_SCREENSHOTS"))
        widget.grab().save(QString::fromUtf8(folder) + "/" + name);
}

class PlanWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        window = OpenComputedSample(home);
        ASSERT_TRUE(window->Massif() && window->Massif()->Computed);
        view = window->OpenPlanWindow();
        ASSERT_NE(view, nullptr);
        QCoreApplication::processEvents();
    }
    void TearDown() override
    {
        view = nullptr;
        window.reset();
    }

    // The visible-image pixel of a survey point.
    QPoint Pixel(double x, double y) const
    {
        TPlan& plan = *view->Plan();
        const QPointF v = plan.ToView(x, y);
        const double px
            = (v.x() - plan.Viewport().XMin) * 1000 / plan.Viewport().Echelle * plan.Viewport().PixelsParMm
            - plan.Viewport().OrigineX;
        const double py
            = (plan.Viewport().YMax - v.y()) * 1000 / plan.Viewport().Echelle * plan.Viewport().PixelsParMm
            - plan.Viewport().OrigineY;
        return { static_cast<int>(std::lround(px)), static_cast<int>(std::lround(py)) };
    }
    // Middle of shot k of the first gallery of the first sheet.
    QPoint ShotMiddle(int k) const
    {
        const TGalerie& g = *window->Massif()->Sheets[0]->Galeries[0];
        const TStationPos& a = g.Stations[static_cast<std::size_t>(k - 2)];
        const TStationPos& b = g.Stations[static_cast<std::size_t>(k - 1)];
        return Pixel((a.X + b.X) / 2, (a.Y + b.Y) / 2);
    }

    TempDir home;
    ScriptedPrompt prompt;
    std::unique_ptr<TMainWindow> window;
    TAfficheur* view = nullptr;
};

} // namespace

TEST_F(PlanWindowTest, OpensFittedAndKeepsTheBoxesInStep)
{
    EXPECT_EQ(view->windowTitle(), "Planta");
    EXPECT_GT(view->Graphique()->Viewport().Echelle, 100);
    EXPECT_EQ(window->EchelleBox()->text().toInt(), view->Graphique()->Viewport().Echelle);
    EXPECT_EQ(window->RapportBox()->currentText(), "100%");
    EXPECT_FALSE(view->HorizontalBar()->isEnabled()); // it fits
    EXPECT_TRUE(window->Action("Imprimir")->isEnabled());
    EXPECT_TRUE(window->Action("Vista")->isEnabled());

    // The fit: the whole drawing, the marks beside the cave included, within the area left beside
    // the scroll bars, with at most a little more than a tenth to spare.
    view->Graphique()->SetEchelle(100);
    view->FitEchelle();
    const int fitted = view->Graphique()->Viewport().Echelle;
    TPlan probe(window->Context());
    probe.Angle = view->Plan()->Angle;
    probe.Tourner(0);
    auto over = [&](int scale) {
        probe.SetEchelle(scale);
        int w = 0, h = 0;
        probe.Dimensions(w, h, view->logicalDpiX() / 25.4, 1);
        return std::max(
            double(w) / (view->width() - TAfficheur::kBar), double(h) / (view->height() - TAfficheur::kBar));
    };
    EXPECT_LE(over(fitted), 1);
    EXPECT_GT(over(fitted * 10 / 13), 1);
}

TEST_F(PlanWindowTest, ScaleBoxRefusesSmallScalesAndKeepsTheCentre)
{
    const int before = view->Graphique()->Viewport().Echelle;
    EXPECT_FALSE(view->ApplyEchelle(50));
    EXPECT_EQ(view->Graphique()->Viewport().Echelle, before);
    EXPECT_EQ(window->EchelleBox()->text().toInt(), before);
    window->EchelleBox()->clear();
    QTest::keyClicks(window->EchelleBox(), "a5b0c0x");
    EXPECT_EQ(window->EchelleBox()->text(), "500"); // only digits get in
    QTest::keyClick(window->EchelleBox(), Qt::Key_Return);
    EXPECT_EQ(view->Graphique()->Viewport().Echelle, 500);
    // Both bars scroll now, centred on what was the centre of the drawing.
    ASSERT_TRUE(view->HorizontalBar()->isEnabled());
    const double centre = (view->HorizontalBar()->value() + view->ImageWidget()->width() * 0.5)
        / (view->HorizontalBar()->maximum() + view->ImageWidget()->width());
    EXPECT_NEAR(centre, 0.5, 0.01);

    prompt.inputAnswers = { QString("90") };
    EXPECT_FALSE(view->EchelleCommand());
    EXPECT_EQ(prompt.inputs.back().first, "Nueva escala (1/n, n>=100)");
    prompt.inputAnswers = { QString("200") };
    EXPECT_TRUE(view->RapportCommand());
    EXPECT_EQ(prompt.inputs.back().first, "Nuevo porcentaje");
    EXPECT_EQ(view->Rapport(), 2.0);
    EXPECT_EQ(window->RapportBox()->currentText(), "200%");
}

TEST_F(PlanWindowTest, ClickSelectsAKnownShotAndNothingFarAway)
{
    const QPoint p = ShotMiddle(3);
    QTest::mouseClick(view->ImageWidget(), Qt::LeftButton, {}, p);
    EXPECT_EQ(view->Fiche, 0);
    EXPECT_EQ(view->Galerie, 0);
    EXPECT_EQ(view->Point, 3);
    EXPECT_TRUE(view->Marque);
    EXPECT_EQ(view->TexteEtat, "Sistema del Mortero/Cueva Fría/Red principal/Entrada E - E");
    EXPECT_EQ(window->StatusPanel1()->text(), view->TexteEtat);
    Screenshot(*window, "plan-window-selected.png");

    QTest::mouseClick(view->ImageWidget(), Qt::LeftButton, {}, QPoint(3, 3)); // a corner, far from any shot
    EXPECT_EQ(view->Point, 0);
    EXPECT_TRUE(view->TexteEtat.isEmpty());
    EXPECT_TRUE(window->StatusPanel1()->text().isEmpty());
}

TEST_F(PlanWindowTest, HintOfAKnownShot)
{
    const QString hint = view->HintAt(ShotMiddle(3));
    const TVisee& shot = window->Massif()->Sheets[0]->Galeries[0]->Shot(3);
    EXPECT_TRUE(hint.startsWith("(")) << hint.toStdString();
    EXPECT_TRUE(hint.contains(QString::fromStdString(FormatFixed(shot.Length, 1) + "m,")))
        << hint.toStdString();
    EXPECT_TRUE(hint.endsWith("%"));
    EXPECT_TRUE(view->HintAt(QPoint(3, 3)).isEmpty());
    window->Context().Hints.Rien = true;
    EXPECT_TRUE(view->HintAt(ShotMiddle(3)).isEmpty());
}

TEST_F(PlanWindowTest, IsolateThenRecover)
{
    QTest::mouseClick(view->ImageWidget(), Qt::LeftButton, {}, ShotMiddle(3));
    ASSERT_EQ(view->Point, 3);
    view->Isolate(3); // every sheet of the same cave
    TMassif& m = *window->Massif();
    EXPECT_TRUE(m.SelectionActive);
    EXPECT_EQ(m.CurrentSheets().size(), 8u); // Cueva Fría's sheets
    EXPECT_EQ(window->StatusPanel()->text(), "Selección");
    EXPECT_TRUE(window->Action("Recuperar")->isEnabled());
    window->Action("Todo")->trigger();
    EXPECT_EQ(m.CurrentSheets().size(), 20u);

    QTest::mouseClick(view->ImageWidget(), Qt::LeftButton, {}, ShotMiddle(3));
    view->Exclude(4); // every sheet of another system
    EXPECT_EQ(m.CurrentSheets().size(), 8u); // Sistema de Peñas Blancas
}

TEST_F(PlanWindowTest, ColourBySheetChangesTheDrawing)
{
    QTest::mouseClick(view->ImageWidget(), Qt::LeftButton, {}, ShotMiddle(3));
    // The colour drawn around the middle of shot 5 (the line may sit a pixel off the rounded middle).
    auto drawn = [this] {
        const QPoint p = ShotMiddle(5);
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx)
                if (QColor(view->Image().pixel(p + QPoint(dx, dy))) != QColor(Qt::white))
                    return QColor(view->Image().pixel(p + QPoint(dx, dy)));
        return QColor(Qt::white);
    };
    prompt.colour = QColor(255, 0, 0);
    view->Colour(1);
    EXPECT_FALSE(window->Massif()->Saved);
    for (const auto& g : window->Massif()->Sheets[0]->Galeries)
        EXPECT_EQ(g->Colour, 0x0000FF);
    EXPECT_EQ(drawn(), QColor(0, 0, 0)); // mode 0 draws black
    window->Action("Color")->trigger();
    EXPECT_EQ(drawn(), QColor(255, 0, 0));
}

TEST_F(PlanWindowTest, MaximumDeformationSelectsTheWorstGallery)
{
    TMassif& m = *window->Massif();
    m.Sheets[7]->Galeries[1]->HorizMisclosure = 1.0; // far worse than any other
    view->SelectWorstDeformation();
    EXPECT_EQ(view->Fiche, 7);
    EXPECT_EQ(view->Galerie, 1);
    EXPECT_EQ(view->Point, 1);
    EXPECT_FALSE(view->TexteEtat.isEmpty());
}

TEST_F(PlanWindowTest, ZoomBandSetsTheScaleAndKeepsItsCentre)
{
    window->Action("Zoom")->setChecked(true);
    const int before = view->Graphique()->Viewport().Echelle;
    const QPoint centre(view->ImageWidget()->width() / 2, view->ImageWidget()->height() / 2);
    // The drawing point under the band's centre, in the view's frame.
    TPlan& plan = *view->Plan();
    const double vx = (centre.x() + plan.Viewport().OrigineX) * 0.001 * plan.Viewport().Echelle
            / plan.Viewport().PixelsParMm
        + plan.Viewport().XMin;
    const double vy = plan.Viewport().YMax
        - (centre.y() + plan.Viewport().OrigineY) * 0.001 * plan.Viewport().Echelle
            / plan.Viewport().PixelsParMm;
    const QPoint a = centre - QPoint(100, 60), b = centre + QPoint(100, 60);
    QTest::mousePress(view->ImageWidget(), Qt::LeftButton, {}, a);
    QTest::mouseMove(view->ImageWidget(), b);
    EXPECT_TRUE(window->StatusPanel1()->text().startsWith("Escala 1/"));
    const int width = view->ImageWidget()->width();
    QTest::mouseRelease(view->ImageWidget(), Qt::LeftButton, {}, b);
    EXPECT_FALSE(window->Action("Zoom")->isChecked()); // one zoom per press
    const int expected = static_cast<int>(std::lround(before * 200.0 / width));
    EXPECT_EQ(plan.Viewport().Echelle, expected);
    // That point is near the centre of the visible image now (the 10 mm borders aside).
    const double px
        = (vx - plan.Viewport().XMin) * 1000 / plan.Viewport().Echelle * plan.Viewport().PixelsParMm
        - plan.Viewport().OrigineX;
    const double py
        = (plan.Viewport().YMax - vy) * 1000 / plan.Viewport().Echelle * plan.Viewport().PixelsParMm
        - plan.Viewport().OrigineY;
    EXPECT_NEAR(px, view->ImageWidget()->width() / 2.0, 60);
    EXPECT_NEAR(py, view->ImageWidget()->height() / 2.0, 60);

    window->Action("Zoom")->setChecked(true);
    QTest::mousePress(view->ImageWidget(), Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseRelease(view->ImageWidget(), Qt::LeftButton, {}, QPoint(105, 140)); // narrower than 10 pixels
    EXPECT_EQ(plan.Viewport().Echelle, expected);
}

TEST_F(PlanWindowTest, RotationFollowsTheDragAroundTheCentre)
{
    window->Action("Rotación")->setChecked(true);
    const QPoint m(view->ImageWidget()->width() / 2, view->ImageWidget()->height() / 2);
    QTest::mousePress(view->ImageWidget(), Qt::LeftButton, {}, m + QPoint(100, 0));
    QTest::mouseMove(view->ImageWidget(), m + QPoint(0, 100)); // a quarter turn clockwise on screen
    EXPECT_TRUE(window->StatusPanel1()->text().endsWith(" °"));
    QTest::mouseRelease(view->ImageWidget(), Qt::LeftButton, {}, m + QPoint(0, 100));
    EXPECT_NEAR(view->Plan()->Angle, 90, 1); // a pixel off the exact centre

    prompt.inputAnswers = { QString("diez") };
    view->Rotate();
    EXPECT_EQ(prompt.shown.back().text, "diez n'est pas une valeur numérique correcte.");
}

TEST_F(PlanWindowTest, PrintedPdfPagesAndDecoration)
{
    view->ApplyEchelle(1500);
    QPdfWriter pdf(QString::fromStdString(home.Path("plan.pdf")));
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    pdf.setResolution(150);
    TMarge margins;
    int columns = 0, rows = 0;
    view->Graphique()->SetPrinterPage(QSizeF(pdf.width(), pdf.height()), QSizeF(210, 297));
    view->Graphique()->NbPages(columns, rows, 20, 20);
    ASSERT_GT(columns * rows, 3);
    std::vector<int> progress;
    const int printed
        = PrintView(*view->Graphique(), 0, pdf, 0, 0, 1, margins, "cueva.mas", true, [&](int percent) {
              progress.push_back(percent);
              return true;
          });
    EXPECT_EQ(printed, columns * rows);
    EXPECT_EQ(progress.back(), 100);
    const std::string document = ReadFile(home.Path("plan.pdf"));
    std::size_t pages = 0;
    for (std::size_t at = document.find("/Type /Page\n"); at != std::string::npos;
         at = document.find("/Type /Page\n", at + 1))
        ++pages;
    for (std::size_t at = document.find("/Type /Page\r"); at != std::string::npos;
         at = document.find("/Type /Page\r", at + 1))
        ++pages;
    EXPECT_EQ(static_cast<int>(pages), columns * rows);
    if (const char* folder = std::getenv("KARSTELLE_SCREENSHOTS"))
        WriteFile(std::string(folder) + "/plan-printed.pdf", document);

    // The decoration: corner marks at the printable area's corners.
    QImage page(420, 594, QImage::Format_RGB32);
    page.setDotsPerMeterX(2000);
    page.setDotsPerMeterY(2000);
    page.fill(Qt::white);
    QPainter painter(&page);
    DecoratePage(painter, margins, "cueva.mas", 2);
    painter.end();
    EXPECT_EQ(QColor(page.pixel(20 + 30, 20)), QColor(Qt::black)); // 10 mm margins, 30 mm arms at 2 px/mm
    EXPECT_EQ(QColor(page.pixel(20, 20 + 30)), QColor(Qt::black));
    EXPECT_EQ(QColor(page.pixel(400 - 30, 574)), QColor(Qt::black));
    EXPECT_EQ(QColor(page.pixel(210, 297)), QColor(Qt::white));
}

namespace {

// A plan that records the pages it draws.
class RecordingPlan : public TPlan
{
public:
    using TPlan::TPlan;
    void DessinerPage(
        int column, int row, int leftMm, int topMm, int mode, QPainter& canvas, double factor) override
    {
        pages.push_back({ column, row });
        TPlan::DessinerPage(column, row, leftMm, topMm, mode, canvas, factor);
    }
    std::vector<std::pair<int, int>> pages;
};

} // namespace

TEST_F(PlanWindowTest, TwoCopiesOfPagesTwoToThree)
{
    RecordingPlan plan(window->Context());
    int w = 0, h = 0;
    plan.SetEchelle(500);
    plan.Dimensions(w, h, 96 / 25.4, 1);
    QPdfWriter pdf(QString::fromStdString(home.Path("copias.pdf")));
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    TMarge margins;
    int columns = 0, rows = 0;
    plan.SetPrinterPage(QSizeF(pdf.width(), pdf.height()), QSizeF(210, 297));
    plan.NbPages(columns, rows, 20, 20);
    ASSERT_GE(columns * rows, 3);
    PrintView(plan, 0, pdf, 2, 3, 2, margins, "cueva.mas", false, nullptr);
    auto number = [columns](const std::pair<int, int>& p) { return p.second * columns + p.first + 1; };
    ASSERT_EQ(plan.pages.size(), 4u);
    EXPECT_EQ(number(plan.pages[0]), 2);
    EXPECT_EQ(number(plan.pages[1]), 3);
    EXPECT_EQ(number(plan.pages[2]), 2);
    EXPECT_EQ(number(plan.pages[3]), 3);

    // A stop request ends the job after the current page.
    plan.pages.clear();
    bool stopped = false;
    QPdfWriter other(QString::fromStdString(home.Path("parada.pdf")));
    PrintView(
        plan, 0, other, 0, 0, 1, margins, "cueva.mas", false, [](int) { return false; }, &stopped);
    EXPECT_TRUE(stopped);
    EXPECT_EQ(plan.pages.size(), 1u);
}

TEST_F(PlanWindowTest, PreviewPagesAndLabel)
{
    view->ApplyEchelle(1500);
    TMarge margins;
    TPreview preview(*view->Graphique(), 0, margins, QSizeF(2480, 3508), QSizeF(210, 297), false);
    preview.resize(600, 800);
    preview.show();
    QCoreApplication::processEvents();
    preview.ShowPage(1);
    ASSERT_GT(preview.Pages(), 1);
    EXPECT_EQ(preview.Label1->text(), QString("Página1/%1").arg(preview.Pages()));
    EXPECT_FALSE(preview.Moins->isEnabled());
    EXPECT_TRUE(preview.Plus->isEnabled());
    QTest::mouseClick(preview.Plus, Qt::LeftButton);
    EXPECT_EQ(preview.Label1->text(), QString("Página2/%1").arg(preview.Pages()));
    EXPECT_TRUE(preview.Moins->isEnabled());
    EXPECT_EQ(preview.ScrollBar1->value(), 2);
    // Some page shows part of the cave.
    int drawn = 0;
    for (int page = 1; page <= preview.Pages() && !drawn; ++page) {
        preview.ScrollBar1->setValue(page);
        const QImage& image = preview.PageImage();
        for (int y = 0; y < image.height() && !drawn; ++y)
            for (int x = 0; x < image.width() && !drawn; ++x)
                drawn = QColor(image.pixel(x, y)) != QColor(Qt::white) ? page : 0;
    }
    EXPECT_GT(drawn, 0);
    Screenshot(preview, "print-preview.png");

    // A single colour plane: every pixel becomes (29 blue + 150 green + 77 red) / 256; a pure red
    // gallery (mode 2 draws the galleries' colours) comes out as grey 76.
    for (const auto& sheet : window->Massif()->Sheets)
        for (const auto& gallery : sheet->Galeries)
            gallery->Colour = 0x0000FF; // red, in the stored blue-green-red order
    TPreview grey(*view->Graphique(), 2, margins, QSizeF(2480, 3508), QSizeF(210, 297), true);
    grey.resize(600, 800);
    grey.ShowPage(1);
    int redGrey = 0;
    for (int page = 1; page <= grey.Pages() && !redGrey; ++page) {
        grey.ShowPage(page);
        const QImage& image = grey.PageImage();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                ASSERT_TRUE(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p));
                redGrey += qRed(p) == 77 * 255 / 256;
            }
    }
    EXPECT_GT(redGrey, 0);
}

TEST_F(PlanWindowTest, PageAnnotationsInTheirCorners)
{
    // File name top left, page bottom right, date top right, on a page of 2 px/mm.
    TMarge margins;
    margins.F_Afficher = margins.P_Afficher = margins.D_Afficher = true;
    margins.C_Fichier = 1;
    margins.C_Page = 4;
    margins.C_Date = 2;
    QImage page(420, 594, QImage::Format_RGB32);
    page.setDotsPerMeterX(2000);
    page.setDotsPerMeterY(2000);
    page.fill(Qt::white);
    QPainter painter(&page);
    DecoratePage(painter, margins, "cueva.mas", 7);
    painter.end();
    auto inkIn = [&page](const QRect& area) { return CountInk(page, Not(qRgb(255, 255, 255)), area) > 0; };
    EXPECT_TRUE(inkIn(QRect(0, 0, 40, 12))); // the file name
    EXPECT_TRUE(inkIn(QRect(380, 0, 40, 12))); // the date
    EXPECT_TRUE(inkIn(QRect(380, 582, 40, 12))); // "Página7"
    EXPECT_FALSE(inkIn(QRect(0, 582, 15, 12))); // nothing bottom left
}

namespace {

QAction* MenuEntry(QMenu& menu, const QString& caption)
{
    for (QAction* action : menu.actions())
        if (action->text() == caption)
            return action;
    return nullptr;
}

} // namespace

TEST_F(PlanWindowTest, PlanOptionsTakeTheWindowsAngleInAndGiveTheNewOneBack)
{
    view->Plan()->Angle = 40;
    view->Plan()->Tourner(0);
    QString shownAngle;
    OnNextDialog([&shownAngle](QWidget& dialog) {
        auto* angle = dialog.findChild<QLineEdit*>("Angle");
        shownAngle = angle->text();
        angle->setText("75");
        auto* labels = dialog.findChild<QComboBox*>("Texte_Station");
        if (labels)
            labels->setCurrentIndex(0);
        QTest::mouseClick(dialog.findChild<QPushButton*>("Validar"), Qt::LeftButton);
    });
    const QImage before = view->Image().copy();
    window->Action("Formato/Planta")->trigger();
    EXPECT_EQ(shownAngle, "40");
    EXPECT_EQ(window->PlanOptions().Angle, 75);
    EXPECT_EQ(view->Plan()->Angle, 75);
    EXPECT_NE(view->Image(), before); // redrawn at once
}

TEST_F(PlanWindowTest, PercentageBoxShowsAnyRatio)
{
    ASSERT_TRUE(view->ApplyRapport(1.5));
    EXPECT_EQ(window->RapportBox()->currentText(), "150%");
    ASSERT_TRUE(view->ApplyRapport(2));
    EXPECT_EQ(window->RapportBox()->currentText(), "200%");
    EXPECT_EQ(window->RapportBox()->count(), 6); // the odd entry went
}

TEST_F(PlanWindowTest, PopupMenuPrintsTheView)
{
    QMenu* menu = view->ContextMenu();
    QAction* print = MenuEntry(*menu, "Im&primir ...");
    ASSERT_NE(print, nullptr);
    prompt.printAccept = false;
    prompt.printMaxPage = 0;
    print->trigger();
    EXPECT_GE(prompt.printMaxPage, 1); // the print dialog was shown for this view's pages
    delete menu;
}

TEST_F(PlanWindowTest, AStoppedPrintJobLeavesNoFileAndKeepsAnOlderOne)
{
    view->ApplyEchelle(500);
    QPrinter& printer = window->Printer();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(home.Path("plano.pdf")));
    WriteFile(home.Path("plano.pdf"), "older");
    // The stop button of the progress window, pressed as soon as it shows.
    QTimer stopper;
    QObject::connect(&stopper, &QTimer::timeout, [] {
        if (auto* progress = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget()))
            progress->cancel();
    });
    stopper.start(1);
    window->PrintCommand();
    stopper.stop();
    ASSERT_FALSE(prompt.shown.empty());
    EXPECT_EQ(
        prompt.shown.back().text, QString::fromUtf8("Impresión detenida: no se ha escrito ningún archivo."));
    EXPECT_EQ(ReadFile(home.Path("plano.pdf")), "older");
    EXPECT_FALSE(std::filesystem::exists(home.Path("plano.pdf.part")));

    window->PrintCommand(); // not stopped: the new file replaces the older one
    const std::string printed = ReadFile(home.Path("plano.pdf"));
    EXPECT_EQ(printed.rfind("%PDF", 0), 0u);
    EXPECT_FALSE(std::filesystem::exists(home.Path("plano.pdf.part")));

    // A full disk: the file printed before stays whole, and the failure names it.
    g_writeForTests = [](int, const void*, size_t) -> ssize_t {
        errno = ENOSPC;
        return -1;
    };
    window->PrintCommand();
    g_writeForTests = nullptr;
    EXPECT_EQ(ReadFile(home.Path("plano.pdf")), printed);
    ASSERT_FALSE(prompt.shown.empty());
    EXPECT_TRUE(prompt.shown.back().text.contains("plano.pdf")) << prompt.shown.back().text.toStdString();
    EXPECT_TRUE(prompt.shown.back().text.contains("no queda espacio"))
        << prompt.shown.back().text.toStdString();
}

TEST_F(PlanWindowTest, TheTableScrollsToItsLastRowAndOpensAtItsLeftEdge)
{
    window->Action("Tabla")->trigger();
    TAfficheur* table = window->ViewWindow(TAfficheur::kTabla);
    ASSERT_NE(table, nullptr);
    QCoreApplication::processEvents();
    EXPECT_EQ(table->Origin().x(), 0);
    ASSERT_TRUE(table->ApplyRapport(4)); // a drawing of two pixels a scroll step
    ASSERT_GT(table->DrawingSize().height(), 32000);
    // An odd remainder, which a step of two cannot reach by whole steps.
    if ((table->DrawingSize().height() - table->ImageWidget()->height()) % 2 == 0)
        table->resize(table->width(), table->height() - 1);
    ASSERT_NE((table->DrawingSize().height() - table->ImageWidget()->height()) % 2, 0);
    QTest::keyClick(table, Qt::Key_End);
    EXPECT_EQ(table->Origin().y() + table->ImageWidget()->height(), table->DrawingSize().height());
}

TEST_F(PlanWindowTest, PrintedDrawingStaysInsideTheMargins)
{
    view->ApplyEchelle(300); // many pages, each filled to its edges
    TMarge margins;
    margins.EGauche = margins.EDroite = margins.EHaut = margins.EBas = 30;
    TPlan& plan = *view->Plan();
    QImage page(420, 594, QImage::Format_RGB32); // A4 at 2 px/mm
    plan.SetPrinterPage(page.size(), QSizeF(210, 297));
    int columns = 0, rows = 0;
    plan.NbPages(columns, rows, 60, 60);
    const QRect inside(60, 60, 300, 474);
    int drawnInside = 0;
    for (int p = 0; p < columns * rows; ++p) {
        page.fill(Qt::white);
        QPainter painter(&page);
        plan.DessinerPage(p % columns, p / columns, 30, 30, 0, painter, 1.0);
        painter.end();
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x)
                if (page.pixel(x, y) != qRgb(255, 255, 255)) {
                    ASSERT_TRUE(inside.contains(x, y)) << "page " << p + 1 << " at " << x << ", " << y;
                    ++drawnInside;
                }
    }
    EXPECT_GT(drawnInside, 0);
}

namespace {

// The plan's own label offset, read on a screen painter at a zoom ratio.
class LabelProbe : public TPlan
{
public:
    using TPlan::TPlan;
    double OffsetAt(double rapport)
    {
        QImage image(10, 10, QImage::Format_RGB32);
        QPainter painter(&image);
        BeginScreen(painter, 0, 0, 96 / 25.4, rapport);
        painter.setFont(Font(m_context.Plan->Trait.Police_Station));
        const double offset = LabelOffset();
        End();
        return offset;
    }
};

} // namespace

TEST_F(PlanWindowTest, LabelsKeepTheirPlaceBesideTheirStationsAtAnyZoom)
{
    LabelProbe probe(window->Context());
    probe.SetEchelle(1000);
    const double one = probe.OffsetAt(1), four = probe.OffsetAt(4);
    ASSERT_GT(one, 0);
    EXPECT_NEAR(four, one, one * 0.2); // metres on the ground: the same at every ratio
}

TEST_F(PlanWindowTest, NorthArrowAndScaleBarStandBesideTheCaveByDefault)
{
    const TPlan& plan = *view->Plan();
    ASSERT_EQ(window->PlanOptions().X_Nord, 0);
    ASSERT_EQ(plan.Angle, 0);
    // Outside the cave's box, never over a shot: the arrow above it, the bar and its labels below.
    EXPECT_GT(plan.NorthPosition().x() - window->PlanOptions().Long_Nord * 0.001 * plan.Viewport().Echelle,
        plan.BoiteMax[0]);
    EXPECT_LT(plan.NorthPosition().y(), plan.BoiteMax[1]);
    EXPECT_EQ(plan.ScaleBarPosition().x(), plan.BoiteMin[0]);
    EXPECT_LT(
        plan.ScaleBarPosition().y() + window->PlanOptions().Largeur_Echelle * 0.001 * plan.Viewport().Echelle,
        plan.BoiteMin[1]);
    // Both show in the window: the arrow's foot and the bar's left end are drawn.
    const QPoint foot = Pixel(plan.NorthPosition().x(), plan.NorthPosition().y());
    const QPoint bar = Pixel(plan.ScaleBarPosition().x(), plan.ScaleBarPosition().y());
    const QImage& image = view->Image();
    ASSERT_TRUE(image.rect().contains(foot));
    ASSERT_TRUE(image.rect().contains(bar));
    auto inkNear = [&image](const QPoint& p) {
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx)
                if (image.rect().contains(p.x() + dx, p.y() + dy)
                    && image.pixel(p.x() + dx, p.y() + dy) != qRgb(255, 255, 255))
                    return true;
        return false;
    };
    EXPECT_TRUE(inkNear(foot));
    EXPECT_TRUE(inkNear(bar));
}

TEST_F(PlanWindowTest, HintPartsThousandsWithASpaceAndStaysWhileThePointerRests)
{
    const QString hint = view->HintAt(ShotMiddle(3));
    EXPECT_TRUE(hint.startsWith("(430 ")) << hint.toStdString(); // 430 125.00 east
    EXPECT_TRUE(hint.contains(" 790 ")) << hint.toStdString();
    QTest::mouseMove(view->ImageWidget(), ShotMiddle(3));
    auto* bubble = view->findChild<QLabel*>("Bulle");
    ASSERT_NE(bubble, nullptr);
    ASSERT_TRUE(WaitUntil([bubble] { return bubble->isVisible(); }, 2000));
    WaitUntil([] { return false; }, 1500); // longer than any timed hiding
    EXPECT_TRUE(bubble->isVisible());
    view->HideHint();
    EXPECT_FALSE(bubble->isVisible());

    // Near the screen's edges the hint stays whole on it.
    const QRect screen(0, 0, 1024, 768);
    EXPECT_EQ(HintPosition({ 100, 100 }, { 200, 20 }, screen), QPoint(100, 80));
    EXPECT_EQ(HintPosition({ 1000, 760 }, { 200, 20 }, screen), QPoint(824, 740));
    EXPECT_EQ(HintPosition({ 5, 5 }, { 200, 20 }, screen), QPoint(5, 25));
}

TEST_F(PlanWindowTest, WheelKeysAndMiddleDragScroll)
{
    view->ApplyEchelle(300); // larger than the window both ways
    ASSERT_TRUE(view->VerticalBar()->isEnabled());
    ASSERT_TRUE(view->HorizontalBar()->isEnabled());
    window->Massif()->Sheets[3]->Galeries[0]->HorizMisclosure = 1.0;
    view->SelectWorstDeformation(); // brings a shot of the cave into view
    QTest::qWait(20);
    const int top = view->VerticalBar()->value();
    QWheelEvent down(QPointF(50, 50), view->ImageWidget()->mapToGlobal(QPointF(50, 50)), QPoint(),
        QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(view->ImageWidget(), &down);
    const QImage shown = view->Image(); // the highlight taken off
    for (int step = 0; step < 2; ++step)
        QCoreApplication::sendEvent(view->ImageWidget(), &down);
    EXPECT_GT(view->VerticalBar()->value(), top);
    // Quick steps move the picture; it is drawn anew once, when they pause.
    EXPECT_EQ(view->Image(), shown);
    QTest::qWait(20);
    EXPECT_NE(view->Image(), shown);

    const int left = view->HorizontalBar()->value();
    QTest::keyClick(view, Qt::Key_Right);
    EXPECT_GT(view->HorizontalBar()->value(), left);
    const int before = view->VerticalBar()->value();
    QTest::keyClick(view, Qt::Key_PageDown);
    EXPECT_EQ(view->VerticalBar()->value(),
        std::min(view->VerticalBar()->maximum(), before + view->VerticalBar()->pageStep()));

    // Dragging with the middle button to the left and up moves the drawing the same way.
    const QPoint at(200, 200);
    const int h = view->HorizontalBar()->value(), v = view->VerticalBar()->value();
    QTest::mousePress(view->ImageWidget(), Qt::MiddleButton, {}, at);
    QMouseEvent move(QEvent::MouseMove, QPointF(at - QPoint(40, 30)),
        view->ImageWidget()->mapToGlobal(QPointF(at - QPoint(40, 30))), Qt::NoButton, Qt::MiddleButton,
        Qt::NoModifier);
    QCoreApplication::sendEvent(view->ImageWidget(), &move);
    QTest::mouseRelease(view->ImageWidget(), Qt::MiddleButton, {}, at - QPoint(40, 30));
    EXPECT_GT(view->HorizontalBar()->value(), h);
    EXPECT_GT(view->VerticalBar()->value(), v);
}

TEST_F(PlanWindowTest, MaximumDeformationScrollsTheWorstShotIntoView)
{
    TMassif& m = *window->Massif();
    m.Sheets[19]->Galeries[0]->HorizMisclosure = 1.0; // far worse than any other, far from the start
    view->ApplyEchelle(200);
    view->HorizontalBar()->setValue(0);
    view->VerticalBar()->setValue(0);
    view->SelectWorstDeformation();
    ASSERT_NE(view->Point, 0);
    QPointF pixel;
    ASSERT_TRUE(view->Graphique()->ShotPixel(view->Fiche, view->Galerie, view->Point, pixel));
    const QRect visible(view->HorizontalBar()->value(), view->VerticalBar()->value(),
        view->ImageWidget()->width(), view->ImageWidget()->height());
    EXPECT_TRUE(visible.contains(pixel.toPoint()))
        << pixel.x() << ", " << pixel.y() << " outside " << visible.x() << ", " << visible.y();
}

TEST_F(PlanWindowTest, DrawnAtTheScreensPixelRatio)
{
    // The same plan on an image of twice the pixels each way, as at 200 %: the drawing covers the
    // same logical area, with lines of whole device pixels (no blur from scaling up).
    TPlan& plan = *view->Plan();
    QImage normal(300, 200, QImage::Format_RGB32);
    plan.Dessiner(0, 0, 96 / 25.4, 1, normal, 0);
    QImage sharp(600, 400, QImage::Format_RGB32);
    sharp.setDevicePixelRatio(2);
    plan.Dessiner(0, 0, 96 / 25.4, 1, sharp, 0);
    EXPECT_EQ(sharp.devicePixelRatio(), 2);
    const QRect one = InkBox(normal), two = InkBox(sharp);
    ASSERT_FALSE(one.isEmpty());
    EXPECT_NEAR(two.width(), 2 * one.width(), 4);
    EXPECT_NEAR(two.height(), 2 * one.height(), 4);
    // The window's own bitmap follows the widget's ratio.
    EXPECT_EQ(view->Image().devicePixelRatio(), view->devicePixelRatioF());
}

TEST_F(PlanWindowTest, DialogsShowTheirWholeTexts)
{
    FitDialogsToTheirTexts();
    bool checked = false;
    OnNextDialog([&checked](QWidget& dialog) {
        for (QLabel* label : dialog.findChildren<QLabel*>()) {
            if (label->isVisible()) {
                EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
            }
        }
        EXPECT_GT(dialog.width(), dialog.fontMetrics().horizontalAdvance(dialog.windowTitle()));
        checked = true;
        QTest::mouseClick(dialog.findChild<QPushButton*>("Deshacer"), Qt::LeftButton);
    });
    window->Action("Formato/Planta")->trigger();
    EXPECT_TRUE(checked);

    checked = false;
    OnNextDialog([&checked](QWidget& dialog) {
        auto* grid = dialog.findChild<QTableWidget*>("Grille");
        int columns = 0;
        for (int c = 0; c < grid->columnCount(); ++c)
            columns += grid->columnWidth(c);
        EXPECT_GE(grid->viewport()->width(), columns); // the Z column shows without scrolling
        checked = true;
        QTest::mouseClick(dialog.findChild<QPushButton*>("Deshacer"), Qt::LeftButton);
    });
    window->ReferencePointsCommand();
    EXPECT_TRUE(checked);
}
