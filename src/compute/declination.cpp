// Automatic declination from the massif's model, and the meridian convergence.
#include "compute/declination.h"

#include "model/massif.h"
#include "model/text_utils.h"

#include <cmath>

namespace ks {

namespace {
// The two characters at `at` as a number, if they are one.
std::optional<long long> Field(std::string_view date, std::size_t at)
{
    if (date.size() < at + 2)
        return std::nullopt;
    return ParseInt(date.substr(at, 2));
}
} // namespace

std::optional<double> DateToYears(std::string_view date)
{
    const auto year = Field(date, 6);
    if (!year)
        return std::nullopt;
    double years = static_cast<double>(FullYear(*year));
    if (const auto month = Field(date, 3))
        years += static_cast<double>(*month - 1) * (1.0 / 12);
    if (const auto day = Field(date, 0))
        years += static_cast<double>(*day - 1) * (1.0 / 365);
    return years;
}

std::optional<double> AutomaticDeclination(const TMassif& massif, std::string_view sheetDate)
{
    const auto sheet = DateToYears(sheetDate);
    if (!sheet)
        return std::nullopt;
    const double delta
        = *sheet - DateToYears(massif.Date_Declinaison).value_or(1900.0); // a blank model date: 1900
    return massif.Origine_Declinaison - delta * massif.Variation_Declinaison;
}

std::optional<double> MeridianConvergence(double xo, double yo, double xc, double yc)
{
    if (yc == yo)
        return std::nullopt;
    return std::atan((xo - xc) / (yc - yo)) * 180.0 / 3.14159265358979323846;
}

} // namespace ks
