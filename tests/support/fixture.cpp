#include "support/fixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <tuple>

namespace ks::test {

std::unique_ptr<TMassif> MakeTriangle(double length, double azimuth)
{
    auto massif = std::make_unique<TMassif>();
    auto sheet = std::make_unique<TFiche>();
    const std::tuple<const char*, const char*, double, double> legs[]
        = { { "A", "B", 10, 0 }, { "B", "C", 10, 90 }, { "C", "A", length, azimuth } };
    for (const auto& [from, to, l, a] : legs) {
        auto g = MakeGallery(from, 1, to, 1, 1);
        g->Shots[0].Length = l;
        g->Shots[0].Azimuth = a;
        g->Shots[0].Inclination = 0;
        sheet->Galeries.push_back(std::move(g));
    }
    massif->AddSheet(std::move(sheet), false);
    return massif;
}

std::unique_ptr<TGalerie> MakeGallery(
    const std::string& startName, int startNumber, const std::string& endName, int endNumber, int shots)
{
    auto g = std::make_unique<TGalerie>();
    g->Start.Name.Set(startName);
    g->Start.Number = static_cast<std::uint8_t>(startNumber);
    g->End.Name.Set(endName);
    g->End.Number = static_cast<std::uint8_t>(endNumber);
    g->Deformation = 1;
    for (int k = 1; k <= shots; ++k) {
        TVisee v;
        v.Length = 5 + k * 0.25;
        v.Azimuth = 10 * k;
        v.Inclination = -5 + k;
        v.CumX = k * 4.5;
        v.CumY = k * -1.25;
        v.CumZ = k * 0.5;
        v.HorizLength = 4.75;
        v.RightWidth = "2";
        v.UpperHeight = "1.5";
        g->AddShot(v);
    }
    g->X = shots * 4.5;
    g->Y = shots * -1.25;
    g->Z = shots * 0.5;
    g->TotalLength = shots * 5.5;
    g->SumSquares = shots * 30.25;
    g->Development = g->TotalLength;
    return g;
}

std::unique_ptr<TMassif> MakeFixtureMassif()
{
    auto m = std::make_unique<TMassif>();

    auto first = std::make_unique<TFiche>();
    first->Date = "14/07/98";
    first->Surveyors = { TEco("Ana Ruiz"),
        TEco("Jos\xE9 Pe\xF1"
             "a") };
    first->Systeme.Set("Sistema del Mort\xEDn");
    first->Cavite.Set("Cueva Fr\xED"
                      "a");
    first->Reseau.Set("Red principal");
    first->Lieu.Set("Entrada");
    first->TPST.Set("6 h");
    first->Declinaison = -1.75;
    first->Premiere = 120.5;
    {
        auto g = MakeGallery("A", 0, "A", 3, 3);
        g->Name.Set("Galer\xED"
                    "a de entrada");
        g->Colour = 0x0000FF;
        g->Positioned = true;
        g->Extra3 = true;
        g->TopofilCoef = 1.02;
        g->Shot(1).Comment.Set("paso\testrecho\t");
        g->Shot(2).LengthUnit = kCentimetres;
        g->Shot(2).Length = 525;
        g->Shot(2).AzimuthUnit = kGrades;
        g->Shot(2).InclinationUnit = kSlopeMetres;
        g->Shot(2).LeftWidth = "1.2";
        g->Shot(2).RightWidth = "80";
        g->Shot(2).WidthUnit = kCentimetres;
        g->Shot(2).LowerHeight = "0.4";
        g->Shot(2).UpperHeight = "2a";
        g->Shot(3).AzimuthUnit = kBackDegrees;
        g->Shot(3).InclinationUnit = kVulcain;
        g->Shot(3).Inclination = 95;
        g->Shot(3).TopofilFlag = true;
        g->Shot(3).TopofilStart = 1234.5;
        g->Shot(3).HorizCorrection = 3.25;
        g->Shot(3).HorizCorrectionFlag = true;
        g->Shot(3).DevCorrection = 6.5;
        g->Shot(3).DevCorrectionFlag = true;
        g->Shot(3).SketchSize = 7;
        g->BranchCount = 2;
        g->BranchSheet = { 2, 1, 0, 0, 0 };
        g->BranchGallery = { 0, 2, 0, 0, 0 };
        g->InElevation = true;
        g->ElevFromStart = true;
        first->Galeries.push_back(std::move(g));
    }
    {
        auto g = MakeGallery("A", 3, "b", 7, 2);
        g->Shot(1).InclinationUnit = kBackVulcain;
        g->Shot(2).InclinationUnit = kBackSlopeCentimetres;
        g->Shot(2).AzimuthUnit = kBackGrades;
        g->Colour = static_cast<std::int32_t>(0x80000005u); // clWindow
        first->Galeries.push_back(std::move(g));
    }
    {
        auto g = MakeGallery("A", 3, "", 0, 1);
        g->End.Final = true;
        g->Colour = 0x123456;
        g->Deformation = 2;
        first->Galeries.push_back(std::move(g));
    }
    first->Galeries.push_back(std::make_unique<TGalerie>()); // a gallery without shots
    m->AddSheet(std::move(first), false);

    auto second = std::make_unique<TFiche>();
    second->Date = "03/01/02";
    second->DeclUnit = kGrades;
    second->Surveyors = { TEco("Luc") };
    second->Systeme.Set("Sistema del Mort\xEDn");
    second->Cavite.Set("Cueva Fr\xED"
                       "a");
    second->Reseau.Set("Red norte");
    second->Lieu.Set("Sala grande");
    second->Declinaison = 2.5;
    {
        auto g = MakeGallery("b", 7, "A", 0, 4);
        g->Shot(4).InclinationUnit = kSlopeCentimetres;
        g->Shot(4).Inclination = -35;
        g->ElevForward = true;
        g->Extra1 = true;
        second->Galeries.push_back(std::move(g));
    }
    m->AddSheet(std::move(second), false);

    auto discarded = std::make_unique<TFiche>();
    discarded->Date = "  /  /  ";
    discarded->Galeries.push_back(MakeGallery("Z", 1, "Z", 2, 1));
    TFiche* bin = m->AddSheet(std::move(discarded), false);
    m->DiscardSheet(bin);

    auto ref = std::make_unique<TPointTopo>();
    ref->Name.Set("A");
    ref->Number = 0;
    ref->X = 712345.25;
    ref->Y = 4765432.5;
    ref->Z = 1520.75;
    m->References.push_back(std::move(ref));
    auto ref2 = std::make_unique<TPointTopo>();
    ref2->Name.Set("b");
    ref2->Number = 7;
    ref2->X = 712.5;
    ref2->Y = 4765.25;
    ref2->Z = 1480;
    m->References.push_back(std::move(ref2));

    auto point = std::make_unique<TPointCoupe>();
    point->Name.Set("A");
    point->Number = 0;
    point->ElevX = 12.5;
    point->ElevZ = -3.25;
    point->Sheet = 1;
    point->Gallery = 0;
    m->ElevationPoints.push_back(std::move(point));

    m->Origine_Declinaison = -2.5;
    m->Variation_Declinaison = 0.125;
    m->Angle_Geodesique = 0.75;
    m->Date_Declinaison = "01/01/95";
    m->Shortcuts.resize(2);

    TEditorWork work;
    work.Systeme = "Sistema";
    work.Date = "02/02/03";
    work.Declination = "1.5";
    work.DeclinationUnit = "deg";
    work.Surveyors = { "Ana", "Luc" };
    work.Columns = 3;
    work.Rows = 2;
    work.Cells = { "Estaci\xF3n", "L", "Az", "A1", "5.2", "120" };
    work.SheetOrdre = 2;
    work.FirstStart.Name.Set("A");
    work.FirstStart.Number = 1;
    work.FirstInfo = "primera";
    work.FirstDeformation = 1;
    work.Ended = true;
    work.FinalEnd.Final = true;
    TEditorJunction junction;
    junction.EndAbove.Name.Set("A");
    junction.EndAbove.Number = 4;
    junction.StartBelow.Name.Set("A");
    junction.StartBelow.Number = 2;
    junction.Info = "segunda";
    junction.Deformation = 1.5;
    work.Junctions.push_back(junction);
    m->EditorWork = work;
    return m;
}

void ScriptedReporter::Message(MessageKind kind, const std::string& text)
{
    messages.emplace_back(kind, text);
}

bool ScriptedReporter::AskContinue(const TQuestion& question)
{
    questions.push_back(question);
    if (answers.empty())
        return true;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
}

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "karstelle-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary directory");
    m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string SharedData(const std::string& relative)
{
    const std::string path = std::string(KARST_SHARED_DATA_DIR) + "/" + relative;
    return std::filesystem::exists(path) ? path : std::string();
}

} // namespace ks::test
