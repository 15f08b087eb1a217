// OPTIONS.SAI, the entry grid's preferences, and the grid's columns built from them.
#include "entry/preferences.h"

#include "model/file_io.h"
#include "model/text_utils.h"
#include "options/option_stream.h"

#include <filesystem>

namespace ks {

const std::vector<std::string>& LengthLabels()
{
    static const std::vector<std::string> labels = { "m", "cm" };
    return labels;
}

const std::vector<std::string>& AzimuthLabels()
{
    static const std::vector<std::string> labels = { "\xB0", "gr", "-\xB0", "-gr" };
    return labels;
}

const std::vector<std::string>& InclinationLabels()
{
    static const std::vector<std::string> labels
        = { "\xB0", "gr", "m", "cm", "\xB0vul", "-\xB0", "-gr", "-m", "-cm", "-\xB0vul" };
    return labels;
}

bool MatchUnit(const std::vector<std::string>& labels, const std::string& typed, std::string& unit)
{
    for (const auto& label : labels) {
        if (EqualsIgnoreCase(label, typed)) {
            unit = label;
            return true;
        }
    }
    return false;
}

} // namespace ks

TPreference_Ecran::TPreference_Ecran()
{
    Length = { 50, 20, 1, "m" };
    Azimuth = { 50, 20, 2, "\xB0" };
    Inclination = { 50, 20, 3, "\xB0" };
    WidthCols = { 50, 20, 4, "m", '/', true };
    HeightCols = { 50, 20, 5, "m", '/', false };
    Horizontal = { 20, 50, 8, false };
    Development = { 20, 50, 9, false };
    BuildColumns();
}

void TPreference_Ecran::BuildColumns()
{
    Columns.clear();
    Columns.push_back({ ks::kColStation, StationWidth, "Punto", "" });
    auto pair = [this](std::int16_t code, const Group& g, const char* title) {
        Columns.push_back({ code, g.Width, title, "" });
        Columns.push_back({ static_cast<std::int16_t>(code + 129), g.UnitWidth, "", g.Unit });
    };
    auto sized
        = [this](const Sized& g, std::int16_t single, const char* singleTitle, std::int16_t first,
              const char* firstTitle, std::int16_t second, const char* secondTitle, std::int16_t unitCode) {
              if (g.TwoColumns) {
                  Columns.push_back({ first, g.Width, firstTitle, "" });
                  Columns.push_back({ second, g.Width, secondTitle, "" });
              } else {
                  Columns.push_back({ single, g.Width, singleTitle, "" });
              }
              Columns.push_back({ unitCode, g.UnitWidth, "", g.Unit });
          };
    for (int k = 1; k <= 9; ++k) {
        if (Length.Order == k)
            pair(ks::kColLength, Length, "Longitud");
        if (Azimuth.Order == k)
            pair(ks::kColAzimuth, Azimuth, "Rumbo");
        if (Inclination.Order == k)
            pair(ks::kColInclination, Inclination, "Inclinaci\xF3n");
        if (WidthCols.Order == k)
            sized(WidthCols, ks::kColWidth, "Anchura", ks::kColLeftWidth, "Anchura I", ks::kColRightWidth,
                "Anchura D", ks::kColWidthUnit);
        if (HeightCols.Order == k)
            sized(HeightCols, ks::kColHeight, "Altura", ks::kColUpperHeight, "Alto superior",
                ks::kColLowerHeight, "Alto inferior", ks::kColHeightUnit);
        if (SketchOrder == k)
            Columns.push_back({ ks::kColSketch, SketchWidth, "Croquis", "" });
        if (CommentOrder == k)
            Columns.push_back({ ks::kColComment, CommentWidth, "Observaciones", "" });
        if (Horizontal.Order == k && Horizontal.Shown) {
            Columns.push_back({ ks::kColHorizFlag, Horizontal.FlagWidth, "", "N" });
            Columns.push_back({ ks::kColHorizCorrection, Horizontal.Width, "Corr. Horizontal", "" });
        }
        if (Development.Order == k && Development.Shown) {
            Columns.push_back({ ks::kColDevFlag, Development.FlagWidth, "", "N" });
            Columns.push_back({ ks::kColDevCorrection, Development.Width, "Des. manual", "" });
        }
    }
}

template <typename V> void TPreference_Ecran::Visit(V& v)
{
    // Each block as it lies in the record, alignment bytes included (122 bytes in all).
    for (Group* g : { &Length, &Azimuth, &Inclination }) {
        v.Int16("Width", g->Width);
        v.Int16("UnitWidth", g->UnitWidth);
        v.Int16("Order", g->Order);
        v.Text("Unit", g->Unit, 10);
        v.Pad(1);
    }
    for (Sized* g : { &WidthCols, &HeightCols }) {
        v.Int16("Width", g->Width);
        v.Int16("UnitWidth", g->UnitWidth);
        v.Int16("Order", g->Order);
        v.Text("Unit", g->Unit, 10);
        auto separator = static_cast<std::uint8_t>(g->Separator);
        v.Byte("Separator", separator);
        g->Separator = static_cast<char>(separator);
        v.Flag("TwoColumns", g->TwoColumns);
        v.Pad(1);
    }
    v.Int16("SketchWidth", SketchWidth);
    v.Int16("SketchOrder", SketchOrder);
    v.Int16("CommentWidth", CommentWidth);
    v.Int16("CommentOrder", CommentOrder);
    for (Correction* c : { &Horizontal, &Development }) {
        v.Int16("FlagWidth", c->FlagWidth);
        v.Int16("Width", c->Width);
        v.Int16("Order", c->Order);
        v.Flag("Shown", c->Shown);
        v.Pad(1);
    }
    v.Int16("StationWidth", StationWidth);
    v.Int16("StationOrder", StationOrder);
}

std::string TPreference_Ecran::Encode() const
{
    static const std::string path = "OPTIONS.SAI";
    ks::TOptionWriter writer(path, nullptr);
    TPreference_Ecran fields = *this; // the visitor takes the fields by reference
    fields.Visit(writer);
    return writer.Take();
}

void TPreference_Ecran::Decode(const std::string& bytes)
{
    ks::TOptionReader reader(bytes);
    Visit(reader);
    BuildColumns();
}

bool TPreference_Ecran::Load()
{
    if (FileName.empty() || !std::filesystem::exists(FileName))
        return false;
    Decode(ks::ReadWholeFile(FileName));
    return true;
}

void TPreference_Ecran::Save() const
{
    ks::WriteFileSafely(FileName, Encode());
}
