// TGA run-length encoding of a 640 x 480 frame: a typical demo frame (flat
// areas and gradients) and the worst case (no two neighbours equal).
#include "tga.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

const int W = 640, H = 480;

std::vector<unsigned char> typicalFrame()
{
    // black letterbox bars, a flat sky, a horizontal gradient below
    std::vector<unsigned char> p((size_t)W * H * 3, 0);
    for (int y = 60; y < 420; y++)
        for (int x = 0; x < W; x++) {
            unsigned char* q = &p[((size_t)y * W + x) * 3];
            if (y > 300) {
                q[0] = 40; q[1] = 80; q[2] = 200;
            } else {
                q[0] = (unsigned char)(x / 3); q[1] = (unsigned char)(y / 2); q[2] = 90;
            }
        }
    return p;
}

std::vector<unsigned char> worstFrame()
{
    std::vector<unsigned char> p((size_t)W * H * 3);
    for (size_t i = 0; i < p.size(); i += 3) {
        p[i] = (unsigned char)(i / 3);
        p[i + 1] = (unsigned char)(i / 768);
        p[i + 2] = 1;
    }
    return p;
}

void encodeFrame(benchmark::State& state, const std::vector<unsigned char>& frame)
{
    std::vector<unsigned char> out(tga_rleBound((size_t)W * H));
    size_t size = 0;
    for (auto _ : state) {
        size = tga_rleEncode(frame.data(), (size_t)W * H, out.data());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)frame.size());
    state.counters["ratio"] = (double)size / (double)frame.size();
}

void BM_RleTypicalFrame(benchmark::State& state)
{
    static const std::vector<unsigned char> frame = typicalFrame();
    encodeFrame(state, frame);
}
BENCHMARK(BM_RleTypicalFrame);

void BM_RleWorstCaseFrame(benchmark::State& state)
{
    static const std::vector<unsigned char> frame = worstFrame();
    encodeFrame(state, frame);
}
BENCHMARK(BM_RleWorstCaseFrame);

}  // namespace

BENCHMARK_MAIN();
