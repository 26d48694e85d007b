/*
** particle_bench.cpp -- how many particles a frame can move and draw: the
** player's whole frame with one particleTex section of a 256 x 256 picture
** (65536 particles, scattering over ten seconds), the particle library's
** update and billboard steps on a system of the same size, and the empty
** frame loop for comparison.  All in one 640 x 480 window.
*/
#include "bench_gl.h"
#include "dkernel.h"
#include "dk_loop.h"
#include "gldrv.h"
#include "particle.h"
#include "tex.h"
#include "tga.h"

#include <benchmark/benchmark.h>
#include <GL/gl.h>
#include <SDL/SDL.h>

#include <stdio.h>
#include <unistd.h>
#include <string>
#include <vector>

namespace {

const int kSide = 256;
std::string picture, sprite;
Section scatter;

/* Every pixel is brighter than the threshold: one particle each. */
void writePictures()
{
    std::string base = "/tmp/lumeno_particle_bench_" + std::to_string(getpid());
    picture = base + "_picture.tga";
    sprite = base + "_sprite.tga";
    std::vector<unsigned char> rgb((size_t)kSide * kSide * 3);
    for (int y = 0; y < kSide; y++)
        for (int x = 0; x < kSide; x++) {
            unsigned char* p = &rgb[((size_t)y * kSide + x) * 3];
            p[0] = (unsigned char)x;
            p[1] = (unsigned char)y;
            p[2] = 200;
        }
    tga_save(picture.c_str(), rgb.data(), kSide, kSide, 0);
    std::vector<unsigned char> white(8 * 8 * 3, 255);
    tga_save(sprite.c_str(), white.data(), 8, 8, 0);
}

void openPlayer()
{
    if (!bench_openGL("particle bench")) return;
    writePictures();

    scatter.type = getSectionByName("particleTex");
    scatter.start = 0.0f;
    scatter.end = scatter.duration = 10.0f;
    scatter.layer = 30;
    scatter.blend_on = 1;
    scatter.blend_src = GL_ONE;
    scatter.blend_dst = GL_ONE;
    const float params[9] = { 1.0f / 160, 0.004f, 2, 0, 0, 0, 0.5f, 0, 0 };
    for (int i = 0; i < 9; i++) scatter.params[i] = params[i];
    scatter.param_count = 9;
    scatter.strings[0] = (char*)picture.c_str();
    scatter.strings[1] = (char*)sprite.c_str();
    scatter.string_count = 2;
    section_load(&scatter);
    unlink(picture.c_str());
    unlink(sprite.c_str());
}

/* The clock keeps inside the section's ten seconds. */
void rewindPastEnd()
{
    if (demoSystem.time > 9.0f) bench_setSections(demoSystem.section_list);
}

void BM_emptyFrame(benchmark::State& state)
{
    openPlayer();
    bench_setSections(nullptr);
    for (auto _ : state) dkernel_doExec();
    state.counters["fps"] = benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
}

void BM_particleTexFrame(benchmark::State& state)
{
    openPlayer();
    bench_setSections(&scatter);
    for (auto _ : state) {
        dkernel_doExec();
        rewindPastEnd();
    }
    state.counters["fps"] = benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
    state.counters["particles/s"] = benchmark::Counter((double)state.iterations() * kSide * kSide,
                                                       benchmark::Counter::kIsRate);
}

/* The library's own steps on the same number of particles, drawn
** additively into the frame and swapped like a player frame. */
void BM_particleSystemStep(benchmark::State& state)
{
    openPlayer();
    ParticleSystem* ps = particlesystem_init(kSide * kSide, 0.004f);
    ps->textures = (int32_t*)malloc(sizeof(int32_t));
    ps->textures[0] = tex_load(sprite.c_str());   /* shared by name: the section's sprite */
    ps->textureCount = 1;
    for (int i = 0; i < ps->count; i++) {
        ps->particles[i].active = 1;
        particle_position(ps, i, (i % kSide) / 128.0f - 1.0f, (i / kSide) / 128.0f - 1.0f, 0);
        particle_speed(ps, i, 0.01f, 0.02f, 0);
        particle_acceleration(ps, i, 0, -0.01f, 0);
        particle_duration(ps, i, 1e6f);
        particle_color(ps, i, 0.2f, 0.3f, 0.5f, 1);
    }
    glViewport(0, 0, glDriver.width, glDriver.height);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        particle_update(1.0f / 60, ps);
        particle_render(ps);
        SDL_GL_SwapBuffers();
    }
    glDisable(GL_BLEND);
    state.counters["particles/s"] = benchmark::Counter((double)state.iterations() * ps->count,
                                                       benchmark::Counter::kIsRate);
}

BENCHMARK(BM_emptyFrame)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_particleTexFrame)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();
BENCHMARK(BM_particleSystemStep)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    dkernel_closeDemo();
    return 0;
}
