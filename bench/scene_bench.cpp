/*
** scene_bench.cpp -- what a scene of many nodes costs per frame: the
** player's own frame loop playing one scene section -- 1024 nodes under 32
** turning parents, a filled pass and a wire-frame pass each -- with display
** lists and drawn immediately, next to the same loop with nothing to draw.
** All three run in this process, in one 640 x 480 window.
*/
#include "bench_gl.h"
#include "dkernel.h"
#include "scene_writer.h"
#include "unit/tds_writer.h"

#include <benchmark/benchmark.h>

#include <stdio.h>
#include <stdlib.h>

#include <string>

namespace {

const int kRows = 32, kColumns = 32;

TempDir tmp;
Section scene;
std::string paths[2];
double fps[3];

/* A turn of `degrees` about the z axis since the previous key. */
void keyTurn(Lib3dsQuatTrack* track, int frame, float degrees)
{
    Lib3dsQuatKey* k = lib3ds_quat_key_new();
    k->tcb.frame = frame;
    k->axis[2] = 1.0f;
    k->angle = degrees * 3.14159265f / 180.0f;
    lib3ds_quat_track_insert(track, k);
}

/* A square field of small walls seen from above the -y side; each row
** hangs below a parent node that turns once over the 100 frames. */
bool writeField(const std::string& path)
{
    Lib3dsFile* f = lib3ds_file_new();
    f->frames = 100;
    const float eye[3] = { 0, -900, 500 }, centre[3] = { 0, 0, 0 };
    sw::camera(f, "Cam", 1, eye, centre, 45, 0);
    const float lamp[3] = { 0, -400, 400 };
    sw::light(f, "Lamp", 3, lamp, 1);
    int id = 10;
    for (int row = 0; row < kRows; row++) {
        char name[32];
        snprintf(name, sizeof name, "Row%02d", row);
        Lib3dsNode* parent = sw::objectNode(f, name, id);
        keyTurn(&parent->data.object.rot_track, 0, 0);
        keyTurn(&parent->data.object.rot_track, 100, 120);
        int parent_id = id++;
        for (int column = 0; column < kColumns; column++) {
            snprintf(name, sizeof name, "W%02d_%02d", row, column);
            float x = (column - kColumns / 2) * 20.0f, z = (row - kRows / 2) * 20.0f;
            sw::wall(f, name, 0, x, x + 12, z, z + 12);
            sw::objectNode(f, name, id++, parent_id);
        }
    }
    return sw::save(f, path);
}

bool openPlayer()
{
    static bool written = false;
    if (!bench_openGL("scene bench")) return written;
    demoSystem.display_lists = 1;

    paths[0] = tmp.path + "field.3ds";
    paths[1] = tmp.path + "field.shd";
    const std::string shaders =
        "{\nmode flat\n}\n"
        "{\nmode wireframe\ncolor 1 1 1 0.5\nblend SRC_ALPHA ONE\n}\n";
    if (!writeField(paths[0]) || !tds::save(paths[1], tds::Bytes(shaders.begin(), shaders.end())))
        return false;
    scene.type = getSectionByName("scene");
    scene.start = 0.0f;
    scene.end = 1e6f;
    scene.duration = scene.end;
    scene.layer = 22;
    scene.param_count = 1;
    scene.params[0] = 0.0f;   /* 30 frames a second */
    scene.string_count = 2;
    scene.strings[0] = (char*)paths[0].c_str();
    scene.strings[1] = (char*)paths[1].c_str();
    section_load(&scene);
    written = true;
    return true;
}

void play(benchmark::State& state, Section* sections, int lists)
{
    if (!openPlayer()) {
        state.SkipWithError("cannot write the scene");
        return;
    }
    demoSystem.display_lists = lists;
    bench_setSections(sections);
    dkernel_doExec();   /* the first frame starts the section and compiles the lists */
    int frames = 0;
    for (auto _ : state) {
        dkernel_doExec();
        frames++;
    }
    state.counters["fps"] = benchmark::Counter((double)frames, benchmark::Counter::kIsRate);
}

void BM_emptyFrame(benchmark::State& state) { play(state, nullptr, 1); }
void BM_sceneWithLists(benchmark::State& state) { play(state, &scene, 1); }
void BM_sceneImmediate(benchmark::State& state) { play(state, &scene, 0); }

BENCHMARK(BM_emptyFrame)->Unit(benchmark::kMicrosecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_sceneWithLists)->Unit(benchmark::kMicrosecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_sceneImmediate)->Unit(benchmark::kMicrosecond)->MinTime(2.0)->UseRealTime();

/* Keeps each run's frames per second for the summary line. */
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        const char* names[3] = { "emptyFrame", "sceneWithLists", "sceneImmediate" };
        for (const Run& r : runs)
            for (int i = 0; i < 3; i++)
                if (r.benchmark_name().find(names[i]) != std::string::npos && r.real_accumulated_time > 0)
                    fps[i] = (double)r.iterations / r.real_accumulated_time;
    }
};

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printf("empty frame: %.1f fps; %d-node scene with display lists: %.1f fps, immediate: %.1f fps\n",
           fps[0], kRows * (kColumns + 1), fps[1], fps[2]);
    benchmark::Shutdown();
    dkernel_closeDemo();
    return 0;
}
