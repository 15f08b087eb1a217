// Survey legs into a massif: stations joined by their equates, chains of legs between junctions
// as galleries, one sheet per survey, named stations, fixed points as reference points.
#include "exchange/survey_network.h"

#include "compute/reduction.h"
#include "model/file_error.h"
#include "model/massif.h"
#include "model/text_utils.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <optional>
#include <set>

namespace ks::survey {

namespace {

constexpr int kAnonymous = -1;
// More shots than this in one survey make more than one sheet, so that a sheet stays one that the
// editor opens at ease.
constexpr int kSheetShots = 2000;

// Station names joined by their equates: each name has an id, each group a root.
class StationIds
{
public:
    int Id(const std::string& name)
    {
        const auto [it, added] = m_ids.emplace(name, static_cast<int>(m_names.size()));
        if (added) {
            m_names.push_back(name);
            m_parent.push_back(it->second);
        }
        return it->second;
    }
    int Find(int id)
    {
        while (m_parent[static_cast<std::size_t>(id)] != id) {
            auto& p = m_parent[static_cast<std::size_t>(id)];
            p = m_parent[static_cast<std::size_t>(p)];
            id = p;
        }
        return id;
    }
    // The group keeps the root that was named first.
    void Join(int a, int b)
    {
        a = Find(a), b = Find(b);
        if (a != b)
            m_parent[static_cast<std::size_t>(std::max(a, b))] = std::min(a, b);
    }
    const std::string& Name(int id) const { return m_names[static_cast<std::size_t>(id)]; }
    int Size() const { return static_cast<int>(m_names.size()); }

private:
    std::map<std::string, int> m_ids;
    std::vector<std::string> m_names;
    std::vector<int> m_parent;
};

// A leg between two station roots, read from `from` to `to` (turned round when `Turned`).
struct Placed
{
    const TLeg* Leg;
    int From, To;
    bool Turned = false;
};

std::vector<std::string> Parts(const std::string& name)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t dot; (dot = name.find('.', start)) != std::string::npos; start = dot + 1)
        parts.push_back(name.substr(start, dot - start));
    parts.push_back(name.substr(start));
    return parts;
}

std::string SizeText(double metres)
{
    if (metres < 0)
        return std::string();
    std::string text = FormatFixed(metres, 2);
    while (text.size() > 1 && text.back() == '0')
        text.pop_back();
    if (text.back() == '.')
        text.pop_back();
    return text.substr(0, kMaxSizeText);
}

class Builder
{
public:
    Builder(const TSurveyData& data, TMassif& massif)
        : m_data(data)
        , m_massif(massif)
    { }

    TImportReport Build(std::vector<TNameRow>* names)
    {
        Index();
        for (std::size_t s = 0; s < m_data.Surveys.size(); ++s)
            SheetsOf(static_cast<int>(s));
        Fixes();
        SizesApart();
        return Join(names);
    }

private:
    int Root(const std::string& name) { return name.empty() ? kAnonymous : m_ids.Find(m_ids.Id(name)); }

    // Ids, equates, the legs at each station and the stations where a gallery must end.
    void Index()
    {
        for (const auto& [a, b] : m_data.Equates) {
            const int first = m_ids.Id(a); // named first, so that the group keeps its name
            m_ids.Join(first, m_ids.Id(b));
        }
        for (std::size_t s = 0; s < m_data.Surveys.size(); ++s)
            for (const TLeg& leg : m_data.Surveys[s].Legs)
                for (const std::string* end : { &leg.From, &leg.To })
                    if (!end->empty())
                        m_ids.Id(*end);
        for (const TFix& fix : m_data.Fixes)
            m_ids.Id(fix.Station);
        m_degree.assign(static_cast<std::size_t>(m_ids.Size()), 0);
        m_survey.assign(static_cast<std::size_t>(m_ids.Size()), -1);
        m_break.assign(static_cast<std::size_t>(m_ids.Size()), false);
        for (std::size_t s = 0; s < m_data.Surveys.size(); ++s)
            for (const TLeg& leg : m_data.Surveys[s].Legs)
                for (const std::string* end : { &leg.From, &leg.To }) {
                    const int r = Root(*end);
                    if (r == kAnonymous)
                        continue;
                    const auto i = static_cast<std::size_t>(r);
                    ++m_degree[i];
                    if (m_survey[i] >= 0 && m_survey[i] != static_cast<int>(s))
                        m_break[i] = true; // a change of sheet
                    m_survey[i] = static_cast<int>(s);
                }
        for (const TFix& fix : m_data.Fixes)
            m_break[static_cast<std::size_t>(Root(fix.Station))] = true;
        for (int r = 0; r < m_ids.Size(); ++r)
            if (m_degree[static_cast<std::size_t>(r)] != 2)
                m_break[static_cast<std::size_t>(r)] = true;
    }

    bool Breaks(int root) const { return root == kAnonymous || m_break[static_cast<std::size_t>(root)]; }

    // The chains of a survey's legs between junctions, each as legs read one after the other.
    std::vector<std::vector<Placed>> Chains(const TSurvey& survey)
    {
        const std::size_t n = survey.Legs.size();
        std::vector<int> from(n), to(n);
        std::map<int, std::vector<std::size_t>> at; // the legs at each station that does not break
        for (std::size_t i = 0; i < n; ++i) {
            from[i] = Root(survey.Legs[i].From);
            to[i] = Root(survey.Legs[i].To);
            for (int r : { from[i], to[i] })
                if (!Breaks(r))
                    at[r].push_back(i);
        }
        std::vector<bool> used(n, false);
        auto other = [&](int station, std::size_t leg) -> std::optional<std::size_t> {
            for (std::size_t j : at[station])
                if (j != leg && !used[j])
                    return j;
            return std::nullopt;
        };
        std::vector<std::vector<Placed>> chains;
        for (std::size_t i = 0; i < n; ++i) {
            if (used[i])
                continue;
            used[i] = true;
            std::vector<Placed> chain { { &survey.Legs[i], from[i], to[i] } };
            // Forward from the far end, then back from the near end, through stations that do not
            // break the chain.
            for (int end = to[i]; !Breaks(end);) {
                const auto j = other(end, chain.back().Leg - survey.Legs.data());
                if (!j)
                    break;
                used[*j] = true;
                const bool turned = to[*j] == end && from[*j] != end;
                chain.push_back(
                    { &survey.Legs[*j], turned ? to[*j] : from[*j], turned ? from[*j] : to[*j], turned });
                end = chain.back().To;
            }
            for (int start = from[i]; !Breaks(start);) {
                const auto j = other(start, chain.front().Leg - survey.Legs.data());
                if (!j)
                    break;
                used[*j] = true;
                const bool turned = from[*j] == start && to[*j] != start;
                chain.insert(chain.begin(),
                    { &survey.Legs[*j], turned ? to[*j] : from[*j], turned ? from[*j] : to[*j], turned });
                start = chain.front().From;
            }
            // An anonymous station is an open end: it goes last.
            if (chain.front().From == kAnonymous) {
                std::reverse(chain.begin(), chain.end());
                for (Placed& p : chain) {
                    std::swap(p.From, p.To);
                    p.Turned = !p.Turned;
                }
            }
            if (chain.front().From == kAnonymous) {
                ++m_adapted["tramos entre dos estaciones anónimas dejados"];
                continue;
            }
            chains.push_back(std::move(chain));
        }
        return chains;
    }

    void SheetsOf(int s)
    {
        const TSurvey& survey = m_data.Surveys[static_cast<std::size_t>(s)];
        TFiche* sheet = nullptr;
        int shots = 0;
        for (auto& chain : Chains(survey)) {
            if (!sheet || shots + static_cast<int>(chain.size()) > kSheetShots) {
                if (sheet)
                    ++m_adapted["levantamientos partidos en varias fichas"];
                sheet = NewSheet(survey);
                shots = 0;
            }
            shots += static_cast<int>(chain.size());
            for (std::size_t first = 0; first < chain.size(); first += kMaxShots) {
                const std::size_t last = std::min(chain.size(), first + kMaxShots);
                if (first > 0)
                    ++m_adapted["cadenas de más de 128 visuales partidas"];
                Gallery(*sheet, std::vector<Placed>(chain.begin() + first, chain.begin() + last));
            }
        }
    }

    TFiche* NewSheet(const TSurvey& survey)
    {
        auto sheet = std::make_unique<TFiche>();
        sheet->Systeme.Set(m_data.Title);
        const auto& path = survey.Path;
        if (!path.empty())
            sheet->Cavite.Set(path[0]);
        if (path.size() > 1)
            sheet->Reseau.Set(path[1]);
        std::string place;
        for (std::size_t i = 2; i < path.size(); ++i)
            place += (i > 2 ? "." : "") + path[i];
        sheet->Lieu.Set(place);
        sheet->Date = survey.Date.substr(0, kMaxDateText);
        for (const std::string& name : survey.Team)
            sheet->Surveyors.emplace_back(name);
        // The massif turns bearings by minus the sheet's declination and its geodesic angle.
        sheet->Declinaison = -survey.Declination - m_massif.Angle_Geodesique;
        sheet->DeclUnit = kDegrees;
        m_sheets.push_back(std::move(sheet));
        return m_sheets.back().get();
    }

    void Gallery(TFiche& sheet, const std::vector<Placed>& legs)
    {
        auto gallery = std::make_unique<TGalerie>();
        gallery->Deformation = 1;
        const int sheetIndex = static_cast<int>(m_sheets.size()) - 1;
        const int galleryIndex = static_cast<int>(sheet.Galeries.size());
        m_ends.push_back({ gallery.get(), legs.front().From, legs.back().To });
        Place(legs.front().From, sheetIndex, galleryIndex, 0);
        int k = 0;
        for (const Placed& p : legs) {
            const TLeg& leg = *p.Leg;
            TVisee v;
            v.Length = leg.Length;
            v.Azimuth = p.Turned ? std::fmod(leg.Bearing + 180, 360) : leg.Bearing;
            v.Inclination = p.Turned ? -leg.Inclination : leg.Inclination;
            if (leg.Flags != 0) { // kept, but out of the development
                v.DevCorrectionFlag = true;
                v.DevCorrection = 0;
            } else {
                m_development += leg.Length;
            }
            if (p.To != kAnonymous)
                v.Comment.Set(m_ids.Name(p.To));
            if (!p.Turned)
                SetSizes(v, leg.AtTo);
            gallery->Shots.push_back(v);
            ++k;
            if (p.To != kAnonymous) {
                Place(p.To, sheetIndex, galleryIndex, k);
                m_shotAt.emplace(p.To, m_shots.size());
            }
            m_shots.push_back({ gallery.get(), k - 1 });
        }
        gallery->Extra3 = true;
        sheet.Galeries.push_back(std::move(gallery));
    }

    static void SetSizes(TVisee& v, const TSizes& s)
    {
        if (s.Left >= 0)
            v.LeftWidth = SizeText(s.Left);
        if (s.Right >= 0)
            v.RightWidth = SizeText(s.Right);
        if (s.Up >= 0)
            v.UpperHeight = SizeText(s.Up);
        if (s.Down >= 0)
            v.LowerHeight = SizeText(s.Down);
    }

    void Place(int root, int sheet, int gallery, int station)
    {
        if (root != kAnonymous)
            m_placed.emplace(root, TNameRow { std::string(), sheet, gallery, station });
    }

    // Passage sizes given apart go on the shot that ends at their station.
    void SizesApart()
    {
        for (const TStationSizes& p : m_data.Passages) {
            const auto found = m_shotAt.find(Root(p.Station));
            if (found == m_shotAt.end()) {
                ++m_adapted["dimensiones de estaciones sin visual que llegue a ellas dejadas"];
                continue;
            }
            const ShotRef& ref = m_shots[found->second];
            SetSizes(ref.Gallery->Shots[static_cast<std::size_t>(ref.Shot)], p.Sizes);
        }
    }

    void Fixes()
    {
        std::set<int> fixed;
        for (const TFix& fix : m_data.Fixes) {
            const int root = Root(fix.Station);
            if (!fixed.insert(root).second) {
                ++m_adapted["puntos fijados dos veces: se guarda el primero"];
                continue;
            }
            m_fixes.push_back({ root, fix });
        }
    }

    // Names: the stations that end galleries and the fixed ones, in the order they were met.
    void NameStations()
    {
        std::set<std::pair<std::string, int>> taken;
        for (const auto& sheet : m_massif.Sheets)
            for (const auto& g : sheet->Galeries)
                for (const TPointTopo* p : { &g->Start, &g->End })
                    if (!p->Final)
                        taken.insert({ UpperCase(p->Name.Get()), p->Number });
        for (const auto& r : m_massif.References)
            taken.insert({ UpperCase(r->Name.Get()), r->Number });
        std::vector<int> roots;
        for (const End& e : m_ends)
            roots.insert(roots.end(), { e.From, e.To });
        for (const auto& [root, fix] : m_fixes)
            roots.push_back(root);
        for (int root : roots) {
            if (root == kAnonymous || m_names.count(root))
                continue;
            const auto parts = Parts(m_ids.Name(root));
            const std::string& last = parts.back();
            const std::string survey = parts.size() > 1 ? parts[parts.size() - 2] : std::string();
            const std::string parent = parts.size() > 2 ? parts[parts.size() - 3] + "." + survey : survey;
            const auto number = ParseInt(last);
            const bool numbered = number && *number >= 0 && *number <= kMaxStationNumber && !survey.empty()
                && last.find_first_not_of("0123456789") == std::string::npos;
            auto free = [&](const std::string& name, int n) { return !taken.count({ UpperCase(name), n }); };
            std::pair<std::string, int> chosen;
            if (numbered && free(survey, static_cast<int>(*number)))
                chosen = { survey, static_cast<int>(*number) };
            else if (numbered && free(parent, static_cast<int>(*number)))
                chosen = { parent, static_cast<int>(*number) };
            else {
                std::string name = numbered ? parent : last;
                for (int round = 2;; ++round) {
                    int n = 0;
                    while (n <= kMaxStationNumber && !free(name, n))
                        ++n;
                    if (n <= kMaxStationNumber) {
                        chosen = { name, n };
                        break;
                    }
                    name = (numbered ? parent : last) + "_" + std::to_string(round);
                }
            }
            taken.insert({ UpperCase(chosen.first), chosen.second });
            m_names.emplace(root, chosen);
        }
    }

    void Name(TPointTopo& point, int root) const
    {
        if (root == kAnonymous) {
            point.Final = true;
            return;
        }
        const auto& [name, number] = m_names.at(root);
        point.Name.Set(name);
        point.Number = static_cast<std::uint8_t>(number);
    }

    TImportReport Join(std::vector<TNameRow>* names)
    {
        NameStations();
        TImportReport report;
        for (const End& e : m_ends) {
            Name(e.Gallery->Start, e.From);
            Name(e.Gallery->End, e.To);
        }
        std::vector<std::unique_ptr<TPointTopo>> references;
        for (const auto& [root, fix] : m_fixes) {
            auto point = std::make_unique<TPointTopo>();
            Name(*point, root);
            point->X = fix.X * 0.001;
            point->Y = fix.Y * 0.001;
            point->Z = fix.Z;
            references.push_back(std::move(point));
            if (!m_placed.count(root))
                m_placed.emplace(root, TNameRow { std::string(), -1, -1, -1 });
        }
        // From here on the massif changes; nothing above has touched it.
        report.References = static_cast<int>(references.size());
        for (auto& r : references)
            m_massif.References.push_back(std::move(r));
        std::vector<int> ordres;
        for (auto& sheet : m_sheets) {
            ReduceSheet(*sheet, m_massif.Angle_Geodesique);
            ++report.Sheets;
            for (const auto& g : sheet->Galeries) {
                ++report.Galleries;
                report.Shots += g->ShotCount();
            }
            ordres.push_back(m_massif.AddSheet(std::move(sheet), m_massif.SelectionActive)->Ordre);
        }
        m_massif.MarkModified();
        report.Stations = static_cast<int>(m_placed.size());
        report.Development = m_development;
        report.Adapted = m_data.Adapted;
        for (const auto& [text, count] : m_adapted)
            report.Adapted[text] += count;
        if (names) {
            for (int id = 0; id < m_ids.Size(); ++id) {
                const auto found = m_placed.find(m_ids.Find(id));
                if (found == m_placed.end())
                    continue;
                TNameRow row = found->second;
                row.Name = m_ids.Name(id);
                row.Ordre = row.Ordre >= 0 ? ordres[static_cast<std::size_t>(row.Ordre)] : -1;
                names->push_back(row);
            }
        }
        return report;
    }

    struct End
    {
        TGalerie* Gallery;
        int From, To;
    };
    struct ShotRef
    {
        TGalerie* Gallery;
        int Shot; // index in Shots
    };

    const TSurveyData& m_data;
    TMassif& m_massif;
    StationIds m_ids;
    std::vector<int> m_degree, m_survey;
    std::vector<bool> m_break;
    std::vector<std::unique_ptr<TFiche>> m_sheets;
    std::vector<End> m_ends;
    std::vector<ShotRef> m_shots;
    std::map<int, std::size_t> m_shotAt; // the shot that ends at a station
    std::map<int, TNameRow> m_placed; // where each station first stands: sheet index, gallery, k
    std::vector<std::pair<int, TFix>> m_fixes;
    std::map<int, std::pair<std::string, int>> m_names;
    std::map<std::string, int> m_adapted;
    double m_development = 0;
};

} // namespace

std::string TImportReport::AdaptedText() const
{
    std::string text;
    for (const auto& [what, count] : Adapted)
        text += (text.empty() ? "" : "\r") + std::to_string(count) + " " + what;
    return text;
}

TImportReport JoinSurvey(const TSurveyData& data, TMassif& massif, std::vector<TNameRow>* names)
{
    return Builder(data, massif).Build(names);
}

std::optional<std::filesystem::path> FindIgnoringCase(
    const std::filesystem::path& folder, const std::string& name)
{
    std::error_code error;
    if (std::filesystem::exists(folder / name, error))
        return folder / name;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        if (EqualsIgnoreCase(entry.path().filename().string(), name))
            return entry.path();
    return std::nullopt;
}

bool IsUtf8(const std::string& text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t extra = c < 0x80 ? 0
            : (c & 0xE0) == 0xC0           ? 1
            : (c & 0xF0) == 0xE0           ? 2
            : (c & 0xF8) == 0xF0           ? 3
                                           : 9;
        if (extra == 9 || i + extra >= text.size() + (extra == 0 ? 1 : 0))
            return false;
        for (std::size_t k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        i += extra + 1;
    }
    return true;
}

void TReaderPlace::Fail(const std::string& detail) const
{
    throw FileError(m_file, "línea " + std::to_string(m_line), detail);
}

std::string TReaderPlace::Text(const std::string& text) const
{
    return m_utf8 ? Utf8ToCp1252(text) : text;
}

double TReaderPlace::Number(const std::string& text) const
{
    const auto value = ParseReal(text);
    if (!value || !std::isfinite(*value) || std::fabs(*value) > 1e9)
        Fail("número incorrecto «" + text.substr(0, 40) + "»");
    return *value;
}

TImportReport JoinRead(const TSurveyData& data, const std::string& fileName, const char* nothing,
    bool fixesSuffice, TMassif& massif, std::vector<TNameRow>* names)
{
    if (data.Surveys.empty() && (data.Fixes.empty() || !fixesSuffice))
        throw FileError(fileName, "", nothing);
    return JoinSurvey(data, massif, names);
}

std::string NamesCsv(const std::vector<TNameRow>& names)
{
    std::string out = "name,ordre,gallery,station\n";
    for (const TNameRow& row : names) {
        out += CsvField(Cp1252ToUtf8(row.Name)) + ","
            + (row.Ordre >= 0 ? std::to_string(row.Ordre) : std::string()) + ","
            + (row.Ordre >= 0 ? std::to_string(row.Gallery) : std::string()) + ","
            + (row.Ordre >= 0 ? std::to_string(row.Station) : std::string()) + "\n";
    }
    return out;
}

} // namespace ks::survey
