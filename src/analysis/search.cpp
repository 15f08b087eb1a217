// Sheet search: the criteria of "Búsqueda" (places, dates, surveyors, stations, texts) matched
// against each sheet.
#include "analysis/search.h"

#include "model/sheet.h"
#include "model/text_utils.h"

#include <algorithm>
#include <cctype>

namespace ks {

void TSearchCriteria::Capture()
{
    for (std::string* text : { &System, &Cave, &Network, &Place, &Station })
        *text = UpperCase(text->substr(0, 50));
    Surveyor = UpperCase(Surveyor);
    Text = UpperCase(Text);
}

namespace {

// The two characters of a field of "dd/mm/yy" at `at`; blank when both are blanks or missing.
bool Field(const std::string& date, std::size_t at, int& value)
{
    const std::string field = date.size() > at ? date.substr(at, 2) : std::string();
    if (field.find_first_not_of(' ') == std::string::npos)
        return false;
    value = 0;
    for (char c : field)
        if (std::isdigit(static_cast<unsigned char>(c)))
            value = value * 10 + (c - '0');
    return true;
}

bool StartsWith(const std::string& text, const std::string& prefix)
{
    return UpperCase(text).compare(0, prefix.size(), prefix) == 0 && text.size() >= prefix.size();
}

} // namespace

int DateKey(const std::string& date, bool upperBound)
{
    int key = 0, value = 0;
    if (Field(date, 0, value))
        key += value;
    else if (upperBound)
        key += 31;
    if (Field(date, 3, value))
        key += 100 * value;
    else if (upperBound)
        key += 1200;
    if (Field(date, 6, value))
        key += 10000 * static_cast<int>(FullYear(value));
    return key;
}

std::string DateText(const std::string& typed)
{
    std::string text;
    std::size_t start = 0;
    for (int part = 0; part < 3; ++part) {
        const std::size_t slash = typed.find('/', start);
        std::string field
            = typed.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        field = field.substr(0, 2);
        text += std::string(2 - field.size(), ' ') + field + (part < 2 ? "/" : "");
        start = slash == std::string::npos ? typed.size() : slash + 1;
    }
    return text;
}

bool SheetMatches(const TSearchCriteria& c, const TFiche& sheet)
{
    const std::pair<const std::string*, const TEco*> places[] = { { &c.System, &sheet.Systeme },
        { &c.Cave, &sheet.Cavite }, { &c.Network, &sheet.Reseau }, { &c.Place, &sheet.Lieu } };
    for (const auto& [criterion, text] : places)
        if (!criterion->empty() && !StartsWith(text->Get(), *criterion))
            return false;

    if (c.DateMode != TSearchCriteria::Dates::All) {
        const int key = DateKey(sheet.Date, false);
        const std::string& last = c.DateMode == TSearchCriteria::Dates::Between ? c.Date2 : c.Date1;
        if (key < DateKey(c.Date1, false) || key > DateKey(last, true))
            return false;
    }

    if (!c.Station.empty()) {
        bool found = false;
        for (const auto& g : sheet.Galeries)
            for (const TPointTopo* p : { &g->Start, &g->End })
                found = found
                    || (!p->Final && UpperCase(p->Name.Get()) == c.Station
                        && (c.StationNumber < 0 || p->Number == c.StationNumber));
        if (!found)
            return false;
    }

    if (!c.Surveyor.empty()
        && std::none_of(sheet.Surveyors.begin(), sheet.Surveyors.end(),
            [&](const TEco& name) { return StartsWith(name.Get(), c.Surveyor); }))
        return false;

    if (!c.Text.empty()) {
        auto has = [&](const std::string& text) { return UpperCase(text).find(c.Text) != std::string::npos; };
        bool found = has(sheet.Systeme.Get()) || has(sheet.Cavite.Get()) || has(sheet.Reseau.Get())
            || has(sheet.Lieu.Get());
        for (const auto& g : sheet.Galeries) {
            found = found || has(g->Start.Name.Get()) || has(g->End.Name.Get()) || has(g->Name.Get());
            for (const TVisee& v : g->Shots)
                found = found || has(v.Comment.Get());
        }
        if (!found)
            return false;
    }
    return true;
}

std::vector<TFiche*> FindMatching(
    const std::vector<TFiche*>& sheets, const TSearchCriteria& criteria, bool except)
{
    std::vector<TFiche*> found;
    for (TFiche* sheet : sheets)
        if (SheetMatches(criteria, *sheet) != except)
            found.push_back(sheet);
    return found;
}

} // namespace ks
