// Texture shrinking on load: nearest-neighbour resampling of large
// pictures down to the detail sizes, in bytes of output per second.
#include "tex.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

void resample(benchmark::State& state, int bpp)
{
    const int sw = (int)state.range(0), sh = (int)state.range(1);
    const int dw = (int)state.range(2), dh = (int)state.range(3);
    std::vector<unsigned char> src((size_t)sw * sh * bpp);
    for (size_t i = 0; i < src.size(); i++) src[i] = (unsigned char)(i * 31);
    std::vector<unsigned char> dst((size_t)dw * dh * bpp);
    for (auto _ : state) {
        if (bpp == 3)
            scale_texture_24(src.data(), sw, sh, dw, dh, dst.data());
        else
            scale_texture_32(src.data(), sw, sh, dw, dh, dst.data());
        benchmark::DoNotOptimize(dst.data());
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)dst.size());
}

void BM_Scale24(benchmark::State& state) { resample(state, 3); }
void BM_Scale32(benchmark::State& state) { resample(state, 4); }

// a 5000 x 300 strip at detail 5, a 2048 x 2048 picture at detail 3 and 0
BENCHMARK(BM_Scale24)->Args({5000, 300, 4096, 300})->Args({2048, 2048, 1024, 1024})->Args({2048, 2048, 128, 128});
BENCHMARK(BM_Scale32)->Args({5000, 300, 4096, 300})->Args({2048, 2048, 1024, 1024})->Args({2048, 2048, 128, 128});

}  // namespace

BENCHMARK_MAIN();
