#pragma once

#include <array>
#include <optional>
#include <string>

// Per-installation settings, kept in "Karstelle.ini" in the settings folder.
struct TSettings
{
    enum class Classement { Grandes, Petites, Liste, Detail };

    bool General = true; // general tool bar
    bool Explorateur = true; // explorer tool bar
    bool Vues = true; // views tool bar
    bool Texte = false; // text labels on tool-bar buttons
    bool Etat = true; // status bar
    bool Web = true; // explorer as a web page
    Classement Style = Classement::Grandes;
    bool Automatique = true; // automatic computation
    std::array<std::string, 3> Recent; // most recent first
    int Outils3DX = 0, Outils3DY = 0;
    int ArreterX = 0, ArreterY = 0;
    // "Sin &límites de tamaño": no junction or equation limit. Kept in "Calculo.ini", since the
    // settings file's layout has no place for it.
    bool SinLimites = false;

    // Puts a file at the top of the recent files; nothing for an empty name, the most recent
    // entry, or a file on the first floppy drive (a name beginning with "A").
    void AddRecent(const std::string& fileName);
};

namespace ks {

inline constexpr const char* kSettingsFile = "Karstelle.ini";

// The settings file's text, line by line with CR LF.
std::string WriteSettings(const TSettings& settings);
// Reads the text into the settings. A position that is not a whole number ends the reading:
// the settings read before it stay, and the returned text says what was wrong.
std::optional<std::string> ReadSettings(const std::string& text, TSettings& settings);

// The computation's own settings file beside "Karstelle.ini": "[Calculo]" and
// "SinLimites = OUI|NON". Reading keeps the default for a missing or unreadable line.
inline constexpr const char* kComputationSettingsFile = "Calculo.ini";
std::string WriteComputationSettings(const TSettings& settings);
void ReadComputationSettings(const std::string& text, TSettings& settings);

} // namespace ks
