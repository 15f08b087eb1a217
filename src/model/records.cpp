// Galleries and shots: adding shots, placing stations.
#include "model/records.h"

#include "model/text_utils.h"

#include <algorithm>
#include <ostream>

namespace ks {

const char* LengthUnitLabel(std::uint8_t code)
{
    return code == kCentimetres ? "cm" : "m";
}

const char* AngleUnitLabel(std::uint8_t code)
{
    static const char* const labels[] = { "°", "gr", "m", "cm", "°vul", "-°", "-gr", "-m", "-cm", "-°vul" };
    return code < 10 ? labels[code] : "";
}

} // namespace ks

void TSizeText::Assign(std::string_view text)
{
    m_size = static_cast<std::uint8_t>(std::min(text.size(), m_text.size()));
    std::copy_n(text.data(), m_size, m_text.data());
}

std::ostream& operator<<(std::ostream& out, const TSizeText& text)
{
    return out << text.view();
}

std::string operator+(const TSizeText& a, const std::string& b)
{
    return a.str() + b;
}

std::string operator+(const std::string& a, const TSizeText& b)
{
    return a + b.str();
}

std::string ks::StationKey(const TPointTopo& station)
{
    std::string key = ks::UpperCase(station.Name.Get());
    key += '\0';
    key += static_cast<char>(station.Number);
    return key;
}

bool TPointTopo::SameStation(const TPointTopo& other) const
{
    return !Final && !other.Final && Number == other.Number
        && ks::EqualsIgnoreCase(Name.Get(), other.Name.Get());
}

void TPointTopo::CopyFrom(const TPointTopo& other)
{
    Final = other.Final;
    if (Final)
        return;
    Number = other.Number;
    Name = other.Name;
    X = other.X;
    Y = other.Y;
    Z = other.Z;
}

bool TGalerie::AddShot(const TVisee& shot)
{
    if (Shots.size() >= static_cast<std::size_t>(ks::kMaxShots))
        return false;
    Shots.push_back(shot);
    return true;
}

void TGalerie::PlaceStations()
{
    Stations.assign(Shots.size(), TStationPos {});
    if (!Positioned)
        return;

    double ex = 0, ey = 0, ez = 0;
    if (!Start.Final && !End.Final && TotalLength != 0) {
        ex = ((End.X - Start.X) - X) / TotalLength;
        ey = ((End.Y - Start.Y) - Y) / TotalLength;
        ez = ((End.Z - Start.Z) - Z) / TotalLength;
    }
    if (Start.Final) {
        Start.X = End.X - X;
        Start.Y = End.Y - Y;
        Start.Z = End.Z - Z;
    }
    double s = 0;
    for (std::size_t i = 0; i < Shots.size(); ++i) {
        const TVisee& shot = Shots[i];
        s += shot.LengthMetres();
        Stations[i].X = Start.X + shot.CumX + ex * s;
        Stations[i].Y = Start.Y + shot.CumY + ey * s;
        Stations[i].Z = Start.Z + shot.CumZ + ez * s;
    }
}

namespace {

bool SameEnd(const TPointTopo& a, const TPointTopo& b)
{
    return a.Final == b.Final && (a.Final || (a.Number == b.Number && a.Name == b.Name));
}

bool SameShotReadings(const TVisee& a, const TVisee& b)
{
    return a.Length == b.Length && a.Azimuth == b.Azimuth && a.Inclination == b.Inclination
        && a.TopofilStart == b.TopofilStart && a.LeftWidth == b.LeftWidth && a.RightWidth == b.RightWidth
        && a.UpperHeight == b.UpperHeight && a.LowerHeight == b.LowerHeight && a.Comment == b.Comment
        && a.LengthUnit == b.LengthUnit && a.WidthUnit == b.WidthUnit && a.HeightUnit == b.HeightUnit
        && a.AzimuthUnit == b.AzimuthUnit && a.InclinationUnit == b.InclinationUnit
        && a.SketchSize == b.SketchSize && a.HorizCorrection == b.HorizCorrection
        && a.DevCorrection == b.DevCorrection && a.HorizCorrectionFlag == b.HorizCorrectionFlag
        && a.DevCorrectionFlag == b.DevCorrectionFlag && a.TopofilFlag == b.TopofilFlag;
}

} // namespace

bool TGalerie::SameReadings(const TGalerie& other) const
{
    if (!SameEnd(Start, other.Start) || !SameEnd(End, other.End) || Shots.size() != other.Shots.size()
        || Name != other.Name || Deformation != other.Deformation || TopofilCoef != other.TopofilCoef
        || Colour != other.Colour)
        return false;
    for (std::size_t i = 0; i < Shots.size(); ++i)
        if (!SameShotReadings(Shots[i], other.Shots[i]))
            return false;
    return true;
}

void TGalerie::CopyFrom(const TGalerie& other)
{
    Shots = other.Shots;
    for (TVisee& shot : Shots)
        shot.HorizCorrectionFlag = false;
    Stations.clear();
    Start.CopyFrom(other.Start);
    End.CopyFrom(other.End);
    X = other.X;
    Y = other.Y;
    Z = other.Z;
    TotalLength = other.TotalLength;
    SumSquares = other.SumSquares;
    HorizMisclosure = other.HorizMisclosure;
    VertMisclosure = other.VertMisclosure;
    Positioned = other.Positioned;
    Extra1 = other.Extra1;
    Extra2 = other.Extra2;
    Extra3 = other.Extra3;
    Development = other.Development;
    Deformation = other.Deformation;
    TopofilCoef = other.TopofilCoef;
    Name = other.Name;
    Colour = other.Colour;
    InElevation = false;
}
