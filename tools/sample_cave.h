#pragma once

#include "model/massif.h"

#include <memory>

namespace ks {

// The bundled sample: a small, realistic massif made from a cave laid out here with known true
// positions and surveyed with rounded, slightly noisy readings. Two systems, several caves,
// networks and places, twenty sheets of various dates and teams, two reference points, loops,
// side passages with Final ends, passage sizes on most shots, and lengths, azimuths and
// inclinations in several units. The galleries are reduced and the network computed, as in a
// massif saved by the application. Deterministic: the same massif on every machine.
std::unique_ptr<TMassif> MakeSampleCave();

} // namespace ks
