#pragma once
// What the new element wizard ("Nuevo elemento") reads from and does to the massif.

#include <string>
#include <vector>

class TMassif;

namespace ks {

inline constexpr const char* kSurfaceSystem = "Superficie"; // the sheets of surface traverses
inline constexpr const char* kIsolatedSystem = "Aislada"; // caves that belong to no system

// The distinct texts of one level (0 system, 1 cave, 2 network, 3 place) over the massif's sheets,
// in sheet order, compared ignoring case; empty texts and the two reserved names left out.
std::vector<std::string> KnownNames(const TMassif& massif, int level);
// The caves of the sheets whose system is "Aislada", each once, ignoring case.
std::vector<std::string> IsolatedCaves(const TMassif& massif);
// Joins systems and isolated caves under a new system name: every sheet whose system is one of
// `systems`, or whose cave is one of `caves` (ignoring case), takes `name` as its system. The
// number of sheets changed.
int JoinUnderSystem(TMassif& massif, const std::string& name, const std::vector<std::string>& systems,
    const std::vector<std::string>& caves);

} // namespace ks
