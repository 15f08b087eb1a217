// The fuzz targets in the ordinary build: every kept reproducer (tests/data/fuzz/<target>/) runs
// through its target without a crash, a sanitizer report or a NaN, and every target takes
// nothing, noise and the bundled sample.
#include "fuzz/targets.h"
#include "support/fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

using namespace ks::fuzz;

namespace {

// A target's failures are crashes and sanitizer reports, which end the test run; its result is
// always 0, as libFuzzer wants.
void Feed(Target target, const std::string& bytes)
{
    target(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

} // namespace

TEST(FuzzReplay, KeptReproducersRunClean)
{
    namespace fs = std::filesystem;
    const fs::path root = fs::path(KARST_SOURCE_DIR) / "tests" / "data" / "fuzz";
    int replayed = 0;
    for (std::size_t t = 0; t < kTargetCount; ++t) {
        const fs::path folder = root / kTargets[t].name;
        if (!fs::is_directory(folder))
            continue;
        for (const auto& entry : fs::directory_iterator(folder)) {
            SCOPED_TRACE(entry.path().string());
            Feed(kTargets[t].run, ks::test::ReadFile(entry.path().string()));
            ++replayed;
        }
    }
    RecordProperty("replayed", replayed);
}

TEST(FuzzReplay, EveryTargetTakesNothingNoiseAndTheSample)
{
    const std::string sample = ks::test::ReadFile(ks::test::kSample);
    std::mt19937 random(7);
    std::string noise(2048, '\0');
    for (char& c : noise)
        c = static_cast<char>(random());
    for (std::size_t t = 0; t < kTargetCount; ++t) {
        SCOPED_TRACE(kTargets[t].name);
        for (const std::string& bytes : { std::string(), noise, sample, sample.substr(0, sample.size() / 3) })
            Feed(kTargets[t].run, bytes);
    }
}
