#pragma once
// The elevation assistant: puts into the developed elevation, in one go, the chain of galleries
// that leads from a departure station to an arrival station through the part of the network not
// yet in the elevation, as the lightest path of the computation's provisional positions finds it.

#include "compute/elevation.h"

#include <optional>
#include <string>
#include <vector>

namespace ks {

inline constexpr const char* kIndexNotPositiveText = "El índice debe de ser numérico y positivo.";
inline constexpr const char* kUnknownDepartureText = "Punto de arranque desconocido o ya en el alzado.";
inline constexpr const char* kNoKnownBranchText = "Imposible de ajustar el comienzo a un ramal conocido";
inline constexpr const char* kCannotJoinText
    = "Imposible juntarse los dos puntos. Verifique el punto de partida.";
inline constexpr const char* kNothingToPlaceText
    = "No hay nada que poner en corte. Verifique el punto de llegada.";

// A station by its name (model text, Windows-1252) and number.
struct TStationName
{
    std::string Name;
    int Number = 0;
};

struct TAssistantRequest
{
    TStationName Departure, Arrival; // a number outside 0 to 255 is refused (kIndexNotPositiveText)
    bool New = true; // start a new branch; otherwise continue the branch ending at the departure
    double X = 0, Z = 0; // the new branch's offsets
    bool Forward = true; // "De &izquierda a la derecha"
    bool Blind = false; // with the blind side galleries
};

// One gallery the assistant put into the elevation, in the order it was hung.
struct TPlacedGallery
{
    TGalleryRef Ref;
    bool FromStart = false; // unrolled from its start station
};

class TElevationAssistant
{
public:
    explicit TElevationAssistant(TMassif& massif);

    // "El más l&argo" (deepest false) or "El más &profundo": the reached station farthest along
    // the lightest paths from the departure, or lowest below it. The refusal text, or nothing.
    std::optional<std::string> PlusLoin(const TStationName& departure, bool deepest, TStationName& arrival);
    // "Construir": the chain from the arrival back to the departure goes into the elevation. The
    // refusal text, or nothing; `placed` lists the galleries hung, in order.
    std::optional<std::string> Construire(
        const TAssistantRequest& request, std::vector<TPlacedGallery>& placed, IReporter* reporter = nullptr);

private:
    TMassif& m_massif;
};

} // namespace ks
