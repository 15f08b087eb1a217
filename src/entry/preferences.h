#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One column of the sheet editor's grid.
struct TColonne
{
    std::int16_t Code = 0; // 1 station, 2 length, 131 its unit, 4 azimuth, 133, 6 inclination, 135, 8 width,
                           // 9/10 left/right width, 139 width unit, 12 height, 13/14 upper/lower, 143,
                           // 16 sketch, 17 comment, 82 horizontal flag, 19 correction, 84, 21
    std::int16_t Width = 0;
    std::string Title;
    std::string Default; // written into a new row: a unit label, or "N" in a flag column
};

namespace ks {
// Column codes.
enum ColumnCode : std::int16_t {
    kColStation = 1,
    kColLength = 2,
    kColLengthUnit = 131,
    kColAzimuth = 4,
    kColAzimuthUnit = 133,
    kColInclination = 6,
    kColInclinationUnit = 135,
    kColWidth = 8,
    kColLeftWidth = 9,
    kColRightWidth = 10,
    kColWidthUnit = 139,
    kColHeight = 12,
    kColUpperHeight = 13,
    kColLowerHeight = 14,
    kColHeightUnit = 143,
    kColSketch = 16,
    kColComment = 17,
    kColHorizFlag = 82,
    kColHorizCorrection = 19,
    kColDevFlag = 84,
    kColDevCorrection = 21,
};
} // namespace ks

// The layout of the editor's grid ("OPTIONS.SAI", 122 bytes): which columns, in which order, how
// wide, with which default units.
class TPreference_Ecran
{
public:
    struct Group
    {
        std::int16_t Width = 50, UnitWidth = 20, Order = 0;
        std::string Unit; // text10
    };
    struct Sized
    {
        std::int16_t Width = 50, UnitWidth = 20, Order = 0;
        std::string Unit;
        char Separator = '/';
        bool TwoColumns = false;
    };
    struct Correction
    {
        std::int16_t FlagWidth = 20, Width = 50, Order = 0;
        bool Shown = false;
    };

    TPreference_Ecran();
    virtual ~TPreference_Ecran() = default;

    Group Length, Azimuth, Inclination;
    Sized WidthCols, HeightCols;
    std::int16_t SketchWidth = 15, SketchOrder = 6;
    std::int16_t CommentWidth = 100, CommentOrder = 7;
    std::int16_t StationWidth = 60, StationOrder = 0;
    Correction Horizontal, Development;
    std::vector<TColonne> Columns; // built by BuildColumns
    std::string FileName;

    void BuildColumns();
    std::string Encode() const;
    void Decode(const std::string& bytes); // a short file fills what it holds
    bool Load(); // false when the file does not exist
    void Save() const;

private:
    template <typename V> void Visit(V& v); // the fields of the file, in order
};

namespace ks {
// Unit labels offered for a group; a typed unit is kept only when it matches one ignoring case,
// and then as the offered label (Windows-1252).
const std::vector<std::string>& LengthLabels();
const std::vector<std::string>& AzimuthLabels();
const std::vector<std::string>& InclinationLabels();
bool MatchUnit(const std::vector<std::string>& labels, const std::string& typed, std::string& unit);
} // namespace ks
