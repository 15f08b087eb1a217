#pragma once
// The fuzz targets: each takes any bytes, and may only end normally. A crash, a sanitizer report,
// a hang or a NaN in the results (which aborts) is a fault. Built for libFuzzer by
// scripts/fuzz and replayed on the kept reproducers by the ordinary tests.

#include <cstddef>
#include <cstdint>

namespace ks::fuzz {

using Target = int (*)(const std::uint8_t* data, std::size_t size);

int BinaryMassif(const std::uint8_t* data, std::size_t size);
int TextMassif(const std::uint8_t* data, std::size_t size);
int PlanOptions(const std::uint8_t* data, std::size_t size);
int ElevationOptions(const std::uint8_t* data, std::size_t size);
int PerspectiveOptions(const std::uint8_t* data, std::size_t size);
int TableOptions(const std::uint8_t* data, std::size_t size);
int MarginOptions(const std::uint8_t* data, std::size_t size);
int GridPreferences(const std::uint8_t* data, std::size_t size);
int Settings(const std::uint8_t* data, std::size_t size);
int Projections(const std::uint8_t* data, std::size_t size);
int ClipboardTable(const std::uint8_t* data, std::size_t size);
int Toporobot(const std::uint8_t* data, std::size_t size);
int Survex(const std::uint8_t* data, std::size_t size);
int Compass(const std::uint8_t* data, std::size_t size);
int Walls(const std::uint8_t* data, std::size_t size);
int ComputeAndDraw(const std::uint8_t* data, std::size_t size);

struct TargetInfo
{
    const char* name; // also the folder of its corpus and reproducers
    Target run;
};
// Every target, for scripts/fuzz and the replay test.
extern const TargetInfo kTargets[];
extern const std::size_t kTargetCount;

// The Qt application the drawing targets need, made once.
void EnsureGuiApplication();

} // namespace ks::fuzz
