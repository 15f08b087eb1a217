// The plotter text export: boxes, sheets and shots as lines of coordinates.
#include "exchange/plotter.h"

#include "model/massif.h"
#include "model/text_utils.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <vector>

namespace ks {

namespace {

// printf-style text of any length: measured first, then written.
std::string Format(const char* format, ...)
{
    va_list arguments, again;
    va_start(arguments, format);
    va_copy(again, arguments);
    const int size = std::vsnprintf(nullptr, 0, format, arguments);
    va_end(arguments);
    std::string text(static_cast<std::size_t>(std::max(size, 0)) + 1, '\0');
    if (size > 0)
        std::vsnprintf(text.data(), text.size(), format, again);
    va_end(again);
    text.resize(static_cast<std::size_t>(std::max(size, 0)));
    return text;
}

// A box of stations; the first point sets it, later ones widen it.
struct TBox
{
    bool Set = false;
    double Min[3] = { 0, 0, 0 }, Max[3] = { 0, 0, 0 };
    void Start(double x, double y, double z)
    {
        const double p[3] = { x, y, z };
        for (int i = 0; i < 3; ++i)
            Min[i] = Max[i] = p[i];
        Set = true;
    }
    void Widen(double x, double y, double z)
    {
        const double p[3] = { x, y, z };
        for (int i = 0; i < 3; ++i) {
            if (p[i] < Min[i])
                Min[i] = p[i];
            if (p[i] > Max[i])
                Max[i] = p[i];
        }
    }
    std::string Line(char letter) const
    {
        return Format(
            "%c %.2f %.2f %.2f %.2f %.2f %.2f", letter, Min[0], Max[0], Min[1], Max[1], Min[2], Max[2]);
    }
};

// A part of the date, "dd/mm/yy" by character positions, or its default.
int DatePart(const std::string& date, std::size_t at, int otherwise)
{
    const auto value = date.size() > at ? ParseInt(date.substr(at, 2)) : std::nullopt;
    return value ? static_cast<int>(*value) : otherwise;
}

// A width or height text as a number in its own unit; 999.0 when it is none.
double Dimension(const std::string& text)
{
    return ParseReal(text).value_or(999.0);
}

} // namespace

std::string PlotterText(const TMassif& massif)
{
    std::vector<std::string> lines { "Z xmin xmax ymin ymax zmin zmax" };
    TBox overall;
    std::string previousCave;
    const auto sheets = massif.CurrentSheets();
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        const TFiche& sheet = *sheets[i];
        const std::string cave = sheet.Cavite.Get();
        if (!cave.empty() && cave != previousCave)
            lines.push_back("S" + cave.substr(0, 8));
        previousCave = cave;
        const int day = DatePart(sheet.Date, 0, 31), month = DatePart(sheet.Date, 3, 12);
        const int year = static_cast<int>(FullYear(DatePart(sheet.Date, 6, 0)));
        lines.push_back(
            Format("NT%d D %d %d %d C", static_cast<int>(i), month, day, year) + sheet.Lieu.Get());
        TBox box;
        for (std::size_t j = 0; j < sheet.Galeries.size(); ++j) {
            const TGalerie& g = *sheet.Galeries[j];
            if (!overall.Set)
                overall.Start(g.Start.X, g.Start.Y, g.Start.Z);
            if (!box.Set)
                box.Start(g.Start.X, g.Start.Y, g.Start.Z);
            lines.push_back(Format("M %.2f %.2f %.2f S", g.Start.X, g.Start.Y, g.Start.Z) + g.Start.Name.Get()
                + " P 999.0 999.0 999.0 999.0");
            for (int k = 1; k <= g.ShotCount(); ++k) {
                // A gallery never placed has no station positions: its shots stay at its start.
                double x = g.Start.X, y = g.Start.Y, z = g.Start.Z;
                if (static_cast<std::size_t>(k) <= g.Stations.size()) {
                    const TStationPos& p = g.Stations[static_cast<std::size_t>(k - 1)];
                    x = p.X;
                    y = p.Y;
                    z = p.Z;
                }
                overall.Widen(x, y, z);
                box.Widen(x, y, z);
                const TVisee& v = g.Shot(k);
                lines.push_back(Format("D %.2f %.2f %.2f S%d.%d P %.1f %.1f %.1f %.1f", x, y, z,
                    static_cast<int>(j), k, Dimension(v.RightWidth), Dimension(v.LeftWidth),
                    Dimension(v.UpperHeight), Dimension(v.LowerHeight)));
            }
        }
        lines.push_back(box.Line('X'));
    }
    lines[0] = overall.Line('Z');
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

} // namespace ks
