#include "entry/preferences.h"

#include "model/byte_writer.h"
#include "model/file_io.h"
#include "model/text_utils.h"

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

std::string TPreference_Ecran::Encode() const
{
    static const std::string path = "OPTIONS.SAI";
    ks::ByteWriter w(path);
    for (const Group* g : { &Length, &Azimuth, &Inclination }) {
        w.I16(g->Width);
        w.I16(g->UnitWidth);
        w.I16(g->Order);
        w.ShortText(g->Unit, 10);
        w.U8(0); // alignment
    }
    for (const Sized* g : { &WidthCols, &HeightCols }) {
        w.I16(g->Width);
        w.I16(g->UnitWidth);
        w.I16(g->Order);
        w.ShortText(g->Unit, 10);
        w.U8(static_cast<std::uint8_t>(g->Separator));
        w.Bool(g->TwoColumns);
        w.U8(0);
    }
    w.I16(SketchWidth);
    w.I16(SketchOrder);
    w.I16(CommentWidth);
    w.I16(CommentOrder);
    for (const Correction* c : { &Horizontal, &Development }) {
        w.I16(c->FlagWidth);
        w.I16(c->Width);
        w.I16(c->Order);
        w.Bool(c->Shown);
        w.U8(0);
    }
    w.I16(StationWidth);
    w.I16(StationOrder);
    return w.Take();
}

void TPreference_Ecran::Decode(const std::string& bytes)
{
    std::size_t pos = 0;
    auto have = [&](std::size_t n) { return bytes.size() - pos >= n; };
    auto i16 = [&](std::int16_t& v) {
        if (!have(2))
            return;
        v = static_cast<std::int16_t>(
            static_cast<std::uint8_t>(bytes[pos]) | (static_cast<std::uint8_t>(bytes[pos + 1]) << 8));
        pos += 2;
    };
    auto u8 = [&](auto& v) {
        if (!have(1))
            return;
        v = static_cast<std::remove_reference_t<decltype(v)>>(static_cast<std::uint8_t>(bytes[pos]));
        pos += 1;
    };
    auto text = [&](std::string& v) {
        if (!have(11))
            return;
        const std::size_t n = std::min<std::size_t>(static_cast<std::uint8_t>(bytes[pos]), 10);
        v.assign(bytes, pos + 1, n);
        pos += 11;
    };
    auto skip = [&] {
        if (have(1))
            pos += 1;
    };
    for (Group* g : { &Length, &Azimuth, &Inclination }) {
        i16(g->Width);
        i16(g->UnitWidth);
        i16(g->Order);
        text(g->Unit);
        skip();
    }
    for (Sized* g : { &WidthCols, &HeightCols }) {
        i16(g->Width);
        i16(g->UnitWidth);
        i16(g->Order);
        text(g->Unit);
        u8(g->Separator);
        std::uint8_t two = g->TwoColumns;
        u8(two);
        g->TwoColumns = two != 0;
        skip();
    }
    i16(SketchWidth);
    i16(SketchOrder);
    i16(CommentWidth);
    i16(CommentOrder);
    for (Correction* c : { &Horizontal, &Development }) {
        i16(c->FlagWidth);
        i16(c->Width);
        i16(c->Order);
        std::uint8_t shown = c->Shown;
        u8(shown);
        c->Shown = shown != 0;
        skip();
    }
    i16(StationWidth);
    i16(StationOrder);
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
