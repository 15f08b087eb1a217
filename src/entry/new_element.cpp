// The Qt-free work of the new element wizard: known names, joining caves under a system.
#include "entry/new_element.h"

#include "model/massif.h"
#include "model/text_utils.h"

#include <algorithm>

namespace ks {

namespace {

const TEco& LevelText(const TFiche& sheet, int level)
{
    switch (level) {
    case 0:
        return sheet.Systeme;
    case 1:
        return sheet.Cavite;
    case 2:
        return sheet.Reseau;
    default:
        return sheet.Lieu;
    }
}

bool AnyOf(const std::vector<std::string>& names, const std::string& text)
{
    return std::any_of(
        names.begin(), names.end(), [&](const std::string& n) { return EqualsIgnoreCase(n, text); });
}

} // namespace

std::vector<std::string> KnownNames(const TMassif& massif, int level)
{
    std::vector<std::string> names;
    for (const auto& sheet : massif.Sheets) {
        if (!sheet)
            continue;
        const std::string& text = LevelText(*sheet, level).Get();
        if (text.empty() || EqualsIgnoreCase(text, kSurfaceSystem) || EqualsIgnoreCase(text, kIsolatedSystem)
            || AnyOf(names, text))
            continue;
        names.push_back(text);
    }
    return names;
}

std::vector<std::string> IsolatedCaves(const TMassif& massif)
{
    std::vector<std::string> caves;
    for (const auto& sheet : massif.Sheets)
        if (sheet && EqualsIgnoreCase(sheet->Systeme.Get(), kIsolatedSystem) && !sheet->Cavite.Get().empty()
            && !AnyOf(caves, sheet->Cavite.Get()))
            caves.push_back(sheet->Cavite.Get());
    return caves;
}

int JoinUnderSystem(TMassif& massif, const std::string& name, const std::vector<std::string>& systems,
    const std::vector<std::string>& caves)
{
    int changed = 0;
    for (const auto& sheet : massif.Sheets) {
        if (sheet && (AnyOf(systems, sheet->Systeme.Get()) || AnyOf(caves, sheet->Cavite.Get()))) {
            sheet->Systeme.Set(name);
            ++changed;
        }
    }
    if (changed > 0)
        massif.MarkModified();
    return changed;
}

} // namespace ks
