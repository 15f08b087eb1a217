// Encoding and decoding of big massifs in both formats.
#include "model/massif_codec.h"

#include "model/massif.h"

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

// A massif of `shots` shots in galleries of 20, 50 galleries a sheet, with sizes and comments.
std::unique_ptr<TMassif> BigMassif(int shots)
{
    auto m = std::make_unique<TMassif>();
    int made = 0;
    while (made < shots) {
        auto sheet = std::make_unique<TFiche>();
        sheet->Date = "12/08/95";
        sheet->Surveyors = { TEco("Ana"), TEco("Luc") };
        sheet->Systeme.Set("Sistema");
        sheet->Cavite.Set("Cueva");
        for (int g = 0; g < 50 && made < shots; ++g) {
            auto gallery = std::make_unique<TGalerie>();
            gallery->Start.Name.Set("A");
            gallery->Start.Number = static_cast<std::uint8_t>(g);
            gallery->End.Name.Set("A");
            gallery->End.Number = static_cast<std::uint8_t>(g + 1);
            for (int k = 0; k < 20 && made < shots; ++k, ++made) {
                TVisee v;
                v.Length = 3.21 + k * 0.37;
                v.Azimuth = 17.3 * k;
                v.Inclination = -12.5 + k;
                v.CumX = k * 2.123456;
                v.CumY = k * -1.987654;
                v.CumZ = k * 0.3141592;
                v.HorizLength = 3.1;
                v.RightWidth = "2.5";
                v.UpperHeight = "1.2";
                v.LowerHeight = "0.3";
                v.Comment.Set("estrecho");
                gallery->AddShot(v);
            }
            sheet->Galeries.push_back(std::move(gallery));
        }
        m->AddSheet(std::move(sheet), false);
    }
    return m;
}

void BM_EncodeBinary(benchmark::State& state)
{
    auto m = BigMassif(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(ks::EncodeBinary(*m, "b.fic", nullptr));
}

void BM_DecodeBinary(benchmark::State& state)
{
    const std::string bytes
        = ks::EncodeBinary(*BigMassif(static_cast<int>(state.range(0))), "b.fic", nullptr);
    for (auto _ : state) {
        TMassif m;
        ks::DecodeBinary(bytes, m, "b.fic", nullptr, nullptr);
    }
}

void BM_EncodeText(benchmark::State& state)
{
    auto m = BigMassif(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(ks::EncodeText(*m, "b.mas", nullptr));
}

// Opening a massif file as the application does: read from disk, decoded, sheets in place.
void Load(benchmark::State& state, const char* name)
{
    const std::string path = std::string(KARST_BENCH_TEMP) + "/" + name;
    BigMassif(static_cast<int>(state.range(0)))->Save(path);
    for (auto _ : state) {
        TMassif m;
        m.FileName = path;
        if (m.Load().status != ks::LoadStatus::Loaded)
            state.SkipWithError("the massif did not load");
    }
    std::remove(path.c_str());
}

void BM_LoadText(benchmark::State& state)
{
    Load(state, "bench-load.mas");
}

void BM_LoadBinary(benchmark::State& state)
{
    Load(state, "bench-load.fic");
}

void BM_DecodeText(benchmark::State& state)
{
    const std::string bytes = ks::EncodeText(*BigMassif(static_cast<int>(state.range(0))), "b.mas", nullptr);
    for (auto _ : state) {
        TMassif m;
        ks::DecodeText(bytes, m, "b.mas", nullptr, nullptr);
    }
}

} // namespace

BENCHMARK(BM_EncodeBinary)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeBinary)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeText)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeText)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadText)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadBinary)->Arg(100000)->Unit(benchmark::kMillisecond);
