/*
** model_bench.cpp -- loading and preparing models: our model_load (read,
** normals, tangents, split and sort) next to lib3ds reading the same file
** and computing its normals, timed in the same run; the "ratio" counter is
** our time over lib3ds's.
*/
#include <benchmark/benchmark.h>

#include <lib3ds/file.h>
#include <lib3ds/mesh.h>
#include <stdlib.h>

#include <chrono>
#include <string>
#include <vector>

#include "model.h"
#include "unit/tds_writer.h"

using namespace tds;

namespace {

/* A ribbon of 2 x 32767 vertices (65534, near the format's limit) and 65532
** faces, mapped, with two materials assigned in alternating runs. */
std::string largeModel()
{
    static TempDir tmp;
    static std::string dir;
    if (!dir.empty()) return dir;
    dir = tmp.path;
    const unsigned columns = 32767;
    std::vector<P3> ps;
    std::vector<std::array<float, 2>> uv;
    for (unsigned x = 0; x < columns; x++)
        for (unsigned y = 0; y < 2; y++) {
            ps.push_back({x * 0.01f, y * 1.0f, (float)((x * 7919u) % 13u) * 0.05f});
            uv.push_back({x / 64.0f, (float)y});
        }
    std::vector<F> fs;
    std::vector<unsigned> a, b;
    for (unsigned x = 0; x + 1 < columns; x++) {
        unsigned i = 2 * x;
        ((x / 16) % 2 ? a : b).push_back((unsigned)fs.size());
        fs.push_back({i, i + 2, i + 1, 7});
        ((x / 16) % 2 ? a : b).push_back((unsigned)fs.size());
        fs.push_back({i + 1, i + 2, i + 3, 7});
    }
    Bytes bytes = file(material(matName("Stone"), chunk(0xA020, color24(0x0011, 200, 180, 160))),
                       material(matName("Glass"), chunk(0xA050, percentInt(40))),
                       object("ribbon", triMesh(vertices(ps), texcoords(uv),
                                                faces(fs, cat(group("Stone", a), group("Glass", b))))));
    if (!save(dir + "large.3ds", bytes)) abort();
    return dir;
}

double seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

/* model_load with the cache emptied again, so every call reads the file. */
void loadOnce(const std::string& dir, const char* name)
{
    Model* model = model_load(dir.c_str(), name);
    benchmark::DoNotOptimize(model);
    sceneCount--;
    free(sceneCache[sceneCount].path);
    sceneCache[sceneCount].path = nullptr;
    HFree3dsScene(model);
}

void lib3dsOnce(const std::string& path)
{
    Lib3dsFile* f = lib3ds_file_load(path.c_str());
    if (!f) abort();
    for (Lib3dsMesh* m = f->meshes; m; m = m->next) {
        std::vector<Lib3dsVector> normals(3 * (size_t)m->faces + 1);
        lib3ds_mesh_calculate_normals(m, normals.data());
        benchmark::DoNotOptimize(normals.data());
    }
    lib3ds_file_free(f);
}

void compareLoads(benchmark::State& state, const std::string& dir, const char* name)
{
    double ours = 0, theirs = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        loadOnce(dir, name);
        double t = seconds(t0);
        ours += t;
        state.SetIterationTime(t);
        auto t1 = std::chrono::steady_clock::now();
        lib3dsOnce(dir + name);
        theirs += seconds(t1);
    }
    double n = (double)state.iterations();
    state.counters["ours_ms"] = 1000.0 * ours / n;
    state.counters["lib3ds_ms"] = 1000.0 * theirs / n;
    state.counters["ratio"] = theirs > 0 ? ours / theirs : 0;
}

void BM_LargeGeneratedModel(benchmark::State& state) { compareLoads(state, largeModel(), "large.3ds"); }
void BM_CorpusRock(benchmark::State& state) { compareLoads(state, LUMENO_BENCH_DATA, "fels.3ds"); }

}  // namespace

BENCHMARK(BM_LargeGeneratedModel)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CorpusRock)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
