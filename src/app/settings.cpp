// Karstelle.ini and its companion files, read and written as text.
#include "app/settings.h"

#include "model/text_utils.h"

#include <vector>

namespace {

const char* OuiNon(bool value)
{
    return value ? "OUI" : "NON";
}

bool Contains(const std::string& text, const char* word)
{
    return text.find(word) != std::string::npos;
}

} // namespace

void TSettings::AddRecent(const std::string& fileName)
{
    if (fileName.empty() || fileName == Recent[0] || fileName[0] == 'A')
        return;
    if (fileName == Recent[1]) {
        Recent[1] = Recent[0];
    } else if (fileName == Recent[2]) {
        Recent[2] = Recent[0];
    } else {
        Recent[2] = Recent[1];
        Recent[1] = Recent[0];
    }
    Recent[0] = fileName;
}

namespace ks {

std::string WriteSettings(const TSettings& s)
{
    static const char* const styles[] = { "Grandes", "Petites", "Liste", "Detail" };
    std::vector<std::string> lines = {
        "[Karstelle]",
        "",
        std::string("General = ") + OuiNon(s.General),
        std::string("Explorateur = ") + OuiNon(s.Explorateur),
        std::string("Vues = ") + OuiNon(s.Vues),
        std::string("Texte = ") + OuiNon(s.Texte),
        std::string("Etat = ") + OuiNon(s.Etat),
        std::string("Web = ") + OuiNon(s.Web),
        std::string("Classement = ") + styles[static_cast<int>(s.Style)],
        std::string("Automatique = ") + OuiNon(s.Automatique),
    };
    // Oldest first, so that reading them back in order leaves the most recent on top.
    for (int i = 2; i >= 0; --i)
        if (!s.Recent[static_cast<std::size_t>(i)].empty())
            lines.push_back(
                "Fichier" + std::to_string(3 - i) + " = " + s.Recent[static_cast<std::size_t>(i)]);
    lines.push_back("Outils_3D_X = " + std::to_string(s.Outils3DX));
    lines.push_back("Outils_3D_Y = " + std::to_string(s.Outils3DY));
    lines.push_back("Arreter_X = " + std::to_string(s.ArreterX));
    lines.push_back("Arreter_Y = " + std::to_string(s.ArreterY));
    std::string text;
    for (const auto& line : lines)
        text += line + "\r\n";
    return text;
}

std::optional<std::string> ReadSettings(const std::string& text, TSettings& s)
{
    bool texteSeen = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        auto end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const auto equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string key = UpperCase(line.substr(0, equals));
        const std::string value = equals + 2 <= line.size() ? line.substr(equals + 2) : std::string();
        const std::string upper = UpperCase(value);
        const bool oui = Contains(upper, "OUI");

        if (Contains(key, "GENERAL"))
            s.General = oui;
        if (Contains(key, "EXPLORATEUR"))
            s.Explorateur = oui;
        if (Contains(key, "VUES"))
            s.Vues = oui;
        if (Contains(key, "TEXTE")) {
            texteSeen = true;
            s.Texte = !Contains(upper, "NON");
        }
        if (Contains(key, "ETAT"))
            s.Etat = oui;
        if (Contains(key, "WEB"))
            s.Web = oui;
        if (Contains(key, "AUTOMATIQUE"))
            s.Automatique = oui;
        if (Contains(key, "CLASSEMENT")) {
            if (Contains(upper, "GRANDES"))
                s.Style = TSettings::Classement::Grandes;
            if (Contains(upper, "PETITES"))
                s.Style = TSettings::Classement::Petites;
            if (Contains(upper, "LISTE"))
                s.Style = TSettings::Classement::Liste;
            if (Contains(upper, "DETAIL"))
                s.Style = TSettings::Classement::Detail;
        }
        for (const char* name : { "FICHIER1", "FICHIER2", "FICHIER3" })
            if (Contains(key, name))
                s.AddRecent(value);
        const std::pair<const char*, int*> positions[] = { { "OUTILS_3D_X", &s.Outils3DX },
            { "OUTILS_3D_Y", &s.Outils3DY }, { "ARRETER_X", &s.ArreterX }, { "ARRETER_Y", &s.ArreterY } };
        for (const auto& [name, target] : positions) {
            if (!Contains(key, name))
                continue;
            const auto number = ParseInt(value);
            if (!number || *number < INT32_MIN || *number > INT32_MAX)
                return "«" + Cp1252ToUtf8(value) + "» no es un valor entero válido";
            *target = static_cast<int>(*number);
        }
    }
    if (!texteSeen)
        s.Texte = false;
    return std::nullopt;
}

std::string WriteComputationSettings(const TSettings& settings)
{
    return std::string("[Calculo]\r\n\r\nSinLimites = ") + (settings.SinLimites ? "OUI" : "NON") + "\r\n";
}

void ReadComputationSettings(const std::string& text, TSettings& settings)
{
    const std::string upper = UpperCase(text);
    const auto key = upper.find("SINLIMITES");
    if (key == std::string::npos)
        return;
    const auto equals = upper.find('=', key);
    const auto end = upper.find('\n', key);
    if (equals == std::string::npos || equals > end)
        return;
    const std::string value
        = upper.substr(equals + 1, end == std::string::npos ? std::string::npos : end - equals - 1);
    if (value.find("OUI") != std::string::npos)
        settings.SinLimites = true;
    else if (value.find("NON") != std::string::npos)
        settings.SinLimites = false;
}

} // namespace ks
