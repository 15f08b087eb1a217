#pragma once

#include "model/eco.h"

#include <array>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

// Unit codes of shots. Lengths: 0 metres, 1 centimetres. Angles and slopes: see kAngle*.
namespace ks {
constexpr std::uint8_t kMetres = 0;
constexpr std::uint8_t kCentimetres = 1;

constexpr std::uint8_t kDegrees = 0;
constexpr std::uint8_t kGrades = 1;
constexpr std::uint8_t kSlopeMetres = 2;
constexpr std::uint8_t kSlopeCentimetres = 3;
constexpr std::uint8_t kVulcain = 4;
constexpr std::uint8_t kBackDegrees = 5;
constexpr std::uint8_t kBackGrades = 6;
constexpr std::uint8_t kBackSlopeMetres = 7;
constexpr std::uint8_t kBackSlopeCentimetres = 8;
constexpr std::uint8_t kBackVulcain = 9;

// Display texts of the unit codes (UTF-8, for the interface).
const char* LengthUnitLabel(std::uint8_t code);
const char* AngleUnitLabel(std::uint8_t code);

constexpr int kMaxShots = 128;
constexpr int kMaxStationNumber = 255;
constexpr int kMaxBranches = 5;
constexpr std::size_t kMaxSizeText = 10; // widths and heights
constexpr std::size_t kMaxDateText = 8;
} // namespace ks

// One end of a gallery, or a reference point. Identified by (name, number); a Final end is an open
// end with no name that takes its position from the other end of its gallery.
class TPointTopo
{
public:
    TEco Name;
    double X = 0, Y = 0, Z = 0;
    bool Final = false;
    std::uint8_t Number = 0;

    // Both real stations, same number, names equal ignoring case.
    bool SameStation(const TPointTopo& other) const;
    // Copies Final and, for a real station, number, name and position.
    void CopyFrom(const TPointTopo& other);
};

namespace ks {
// A station's name upper-cased and its number: equal for two real stations exactly when
// SameStation says so, for looking stations up by name.
std::string StationKey(const TPointTopo& station);
} // namespace ks

// A width or height as typed ("1.5", "?", "2-3"): at most ks::kMaxSizeText characters, held in
// place rather than in a string of its own, since a massif holds four of them for every shot.
// Assigning a longer text keeps its first ks::kMaxSizeText characters, as both file formats do.
class TSizeText
{
public:
    TSizeText() = default;
    TSizeText(std::string_view text) { Assign(text); } // NOLINT: implicit on purpose, like TEco
    TSizeText(const std::string& text) { Assign(text); } // NOLINT
    TSizeText(const char* text) { Assign(text); } // NOLINT

    std::string_view view() const { return std::string_view(m_text.data(), m_size); }
    std::string str() const { return std::string(view()); }
    operator std::string() const { return str(); } // NOLINT: read like the string it was
    operator std::string_view() const { return view(); } // NOLINT
    bool empty() const { return m_size == 0; }
    void clear() { m_size = 0; }
    std::size_t size() const { return m_size; }

    friend bool operator==(const TSizeText& a, const TSizeText& b) { return a.view() == b.view(); }
    friend bool operator!=(const TSizeText& a, const TSizeText& b) { return !(a == b); }

private:
    void Assign(std::string_view text);

    std::array<char, ks::kMaxSizeText> m_text {};
    std::uint8_t m_size = 0;
};
std::ostream& operator<<(std::ostream& out, const TSizeText& text);
std::string operator+(const TSizeText& a, const std::string& b);
std::string operator+(const std::string& a, const TSizeText& b);

// One shot between two consecutive stations of a gallery.
class TVisee
{
public:
    double Length = 0;
    double Azimuth = 0;
    double Inclination = 0; // a height difference for the slope codes 2, 3, 7, 8
    double CumX = 0, CumY = 0, CumZ = 0; // far station relative to the gallery start, metres
    double HorizLength = 0; // metres
    double TopofilStart = 0; // hip-chain reading at the start, when TopofilFlag
    double HorizCorrection = 0; // metres
    double DevCorrection = 0; // metres
    TNote Comment; // "Observaciones"
    TSizeText LeftWidth; // "Anchura I"; empty when a single width is in RightWidth
    TSizeText RightWidth; // "Anchura D", or the single "Anchura"
    TSizeText UpperHeight; // "Alto superior", or the single "Altura"
    TSizeText LowerHeight; // "Alto inferior"
    std::uint8_t LengthUnit = ks::kMetres;
    std::uint8_t WidthUnit = ks::kMetres;
    std::uint8_t HeightUnit = ks::kMetres;
    std::uint8_t AzimuthUnit = ks::kDegrees; // 0, 1, 5 or 6
    std::uint8_t InclinationUnit = ks::kDegrees; // 0 to 9
    std::uint8_t SketchSize = 0; // "Croquis"
    bool HorizCorrectionFlag = false; // elevation advances by HorizCorrection
    bool DevCorrectionFlag = false; // development grows by DevCorrection
    bool TopofilFlag = false; // length came from two hip-chain readings

    // The shot's length in metres.
    double LengthMetres() const { return LengthUnit == ks::kCentimetres ? Length * 0.01 : Length; }
};

// Adjusted position of the far station of one shot, and its developed distance in the elevation.
struct TStationPos
{
    double X = 0, Y = 0, Z = 0;
    double Developed = 0;
};

// A run of at most 128 shots from Start to End.
class TGalerie
{
public:
    std::vector<TVisee> Shots; // shot k (from 1) is Shots[k - 1]; at most ks::kMaxShots
    std::vector<TStationPos> Stations; // rebuilt by PlaceStations; readable only while Positioned
    TPointTopo Start;
    TPointTopo End;
    double X = 0, Y = 0, Z = 0; // raw vector start -> end, sum of the shots
    double TotalLength = 0; // metres
    double SumSquares = 0; // sum of squared shot lengths
    double HorizMisclosure = 0; // written by the loop closure, not stored in files
    double VertMisclosure = 0;
    bool Positioned = false; // both ends have coordinates
    bool Extra1 = false; // the three further flags, stored and copied as they are
    bool Extra2 = false;
    bool Extra3 = false; // set by the sheet editor
    double Development = 0; // metres
    double Deformation = 0; // deformation coefficient of the loop adjustment
    double TopofilCoef = 1.0; // hip-chain calibration factor
    TEco Name;
    std::int32_t Colour = 0; // Windows RGB, 00BBGGRR
    bool InElevation = false;
    bool ElevFromStart = false; // unrolled in the elevation from its start station
    bool ElevForward = false; // unrolled towards growing developed distance
    std::int8_t BranchCount = 0; // 0 to 5 galleries hung on this one in the elevation
    std::array<std::int32_t, ks::kMaxBranches> BranchSheet {}; // Ordre of each hung gallery's sheet
    std::array<std::int32_t, ks::kMaxBranches> BranchGallery {}; // index of each hung gallery
    double ElevX = 0, ElevZ = 0;
    double DevEnd = 0; // developed distance of the far point; computed, not stored

    int ShotCount() const { return static_cast<int>(Shots.size()); }
    int StationCount() const { return static_cast<int>(Stations.size()); }
    // Shot k, numbered from 1.
    TVisee& Shot(int k) { return Shots[static_cast<std::size_t>(k - 1)]; }
    const TVisee& Shot(int k) const { return Shots[static_cast<std::size_t>(k - 1)]; }
    // Appends a shot; false (and nothing added) when the gallery already holds 128.
    bool AddShot(const TVisee& shot);

    // Rebuilds the station positions, spreading the misclosure along the gallery in proportion to
    // the length surveyed so far. Does nothing beyond sizing the array while Positioned is clear.
    void PlaceStations();
    // True when both galleries hold the same readings: end stations, every typed field of every
    // shot, and the gallery's information (name, coefficients, colour). Derived values are not
    // compared.
    bool SameReadings(const TGalerie& other) const;
    // Copy used by a sheet copy: no station positions, no elevation membership, no branches, and
    // the horizontal correction flag of every shot cleared.
    void CopyFrom(const TGalerie& other);
};

// Anchor of a branch of the developed elevation.
class TPointCoupe
{
public:
    virtual ~TPointCoupe() = default;

    TEco Name;
    std::uint8_t Number = 0;
    double ElevX = 0, ElevZ = 0;
    std::int32_t Sheet = 0; // Ordre of the sheet holding the first gallery of the branch
    std::int32_t Gallery = 0; // that gallery's index in its sheet
};

// Shortcut entry: carries no data; only its count is stored.
class TRaccourci
{
public:
    virtual ~TRaccourci() = default;
};
