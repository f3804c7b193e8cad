// Song files from memory: loading and saving a demo song of about 19 KB
// (glass_garden.tonvik) through in-memory streams, as the fuzz targets and
// the editor's recovery copies do. Counters: bytes per second.
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "core/module/CoreClasses.h"
#include "core/song/COvkModuleData.h"
#include "morvane/api/CMorvane.h"
#include "morvane/api/CRef.h"
#include "morvane/data/resource/CResource.h"
#include "morvane/data/resource/CResourceIs.h"
#include "morvane/data/resource/CResourceOs.h"

namespace {

using morvane::CRef;

std::vector<std::uint8_t> DemoSong()
{
    std::ifstream in(TONVIK_EXAMPLES_DIR "/glass_garden.tonvik", std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void BM_LoadSong(benchmark::State& state)
{
    const std::vector<std::uint8_t> bytes = DemoSong();
    for (auto _ : state) {
        auto stream = CRef<morvane::CResourceIs>::Adopt(morvane::CResourceIs::FromBytes(bytes));
        ovk::COvkModuleData song;
        song.Load(stream.Get());
        benchmark::DoNotOptimize(song.tempo);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_LoadSong);

void BM_SaveSong(benchmark::State& state)
{
    const std::vector<std::uint8_t> bytes = DemoSong();
    ovk::COvkModuleData song;
    song.Load(CRef<morvane::CResourceIs>::Adopt(morvane::CResourceIs::FromBytes(bytes)).Get());
    for (auto _ : state) {
        auto resource = CRef<morvane::IResource>::Adopt(new morvane::CResource());
        auto stream = CRef<morvane::CResourceOs>::Adopt(new morvane::CResourceOs(resource.Get()));
        song.Save(stream.Get());
        benchmark::DoNotOptimize(stream->GetBytes().size());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_SaveSong);

} // namespace

int main(int argc, char** argv)
{
    morvane::q.Init();
    ovk::RegisterCoreClasses();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    morvane::q.Close();
    return 0;
}
