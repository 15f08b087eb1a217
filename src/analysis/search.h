#pragma once
// The sheet search: sheets found by where, when, by whom, by a station or by a text.

#include <string>
#include <vector>

class TFiche;

namespace ks {

inline constexpr const char* kNoMatchingSheetText = "No hay una ficha correspondiente";

// What the criteria dialog captures. Texts are model text (Windows-1252), upper-cased by Capture.
struct TSearchCriteria
{
    enum class Dates { All, On, Between };

    std::string System, Cave, Network, Place; // prefixes of the sheet's texts
    std::string Surveyor; // prefix of one of the surveyors
    std::string Station; // a start or end station's name
    int StationNumber = -1; // and its number, when not negative
    Dates DateMode = Dates::All;
    std::string Date1 = "  /  /  ", Date2 = "  /  /  "; // "dd/mm/yy", blank fields as blanks
    std::string Text; // found in the places, the station names, gallery names or shot comments

    // Upper-cases the texts and cuts them to the dialog's lengths.
    void Capture();
};

// A date text as a key ordered as (year, month, day): day + 100 x month + 10000 x the full year. A blank
// field of an upper bound counts as the day 31 or the month 12.
int DateKey(const std::string& date, bool upperBound);
// A date typed with or without its blanks ("15/3/02", "/03/99", "//99") as "dd/mm/yy".
std::string DateText(const std::string& typed);

bool SheetMatches(const TSearchCriteria& criteria, const TFiche& sheet);
// The sheets that match (or, with `except`, that do not), in list order.
std::vector<TFiche*> FindMatching(
    const std::vector<TFiche*>& sheets, const TSearchCriteria& criteria, bool except);

} // namespace ks
