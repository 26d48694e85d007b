/*
** sync_bench.cpp -- what tracks cost: a 9-channel spline of 100 keys
** sampled from tracks next to the same size sampled from a spline file's
** keys, and the empty frame alone next to the empty frame while a
** stand-in editor (a thread of this program, over TCP on 127.0.0.1) sends
** 1000 keys a second.  Both ratios are printed at the end.
*/
#include "dkernel.h"
#include "dk_loop.h"
#include "dk_spline.h"
#include "dk_sync.h"
#include "gldrv.h"
#include "st_sync.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

const int kKeys = 100, kChannels = 9;
const float kSeconds = 60.0f;
std::map<std::string, double> perSecond;

void openPlayer();

void sample(benchmark::State& state, Section* section)
{
    mySection = section;
    float out[SPLINE_MAX_CHANNELS];
    float t = 0.0f;
    for (auto _ : state) {
        section->elapsed = t;
        demoSystem.time = t;
        dkernel_getSpline(0, t, out);
        benchmark::DoNotOptimize(out);
        t += 0.0137f;   /* walks every stretch */
        if (t > kSeconds) t -= kSeconds;
    }
}

void BM_fileSpline(benchmark::State& state)
{
    static Section s = {};
    Spline* spline = (Spline*)calloc(1, sizeof(Spline));
    spline->keys = (Key*)calloc(kKeys, sizeof(Key));
    spline->key_count = kKeys;
    spline->channel_count = kChannels;
    for (int k = 0; k < kKeys; k++)
        for (int c = 0; c < kChannels; c++) spline->keys[k].values[c] = (float)((k * 37 + c * 11) % 23);
    motion_setDuration(spline, kSeconds);
    s.spline_count = 1;
    s.splines[0] = spline;
    sample(state, &s);
}

void BM_trackSpline(benchmark::State& state)
{
    static Section s = {};
    openPlayer();
    demoSystem.bpm = 120.0f;
    demoSystem.rows_per_beat = 8;
    demoSystem.sync = demoSystem.debug = 1;   /* no files wanted: no warnings */
    s.spline_count = 1;
    s.spline_files[0] = (char*)"sync:bench";
    mySection = &s;
    motion_loadSection(&s);
    section_needChannels(1, kChannels);
    double rows = sync_row(kSeconds);
    for (int c = 0; c < kChannels; c++)
        for (int k = 0; k < kKeys; k++)
            track_setKey(&syncState.tracks[s.splines[0]->tracks[c]], (uint32_t)(rows * k / (kKeys - 1)),
                         (float)((k * 37 + c * 11) % 23), k % 4);
    demoSystem.sync = demoSystem.debug = 0;
    sample(state, &s);
}

/* ---- the frame with an editor ---- */

std::atomic<bool> editorStop{ false };
std::atomic<long> keysSent{ 0 };

void editorThread(int listener)
{
    int peer = accept(listener, nullptr, nullptr);
    char buffer[4096];
    recv(peer, buffer, 19, MSG_WAITALL);
    send(peer, "hello, demo!", 12, MSG_NOSIGNAL);
    auto next = std::chrono::steady_clock::now();
    for (uint32_t n = 0; !editorStop; n++) {
        /* a key a millisecond, on four tracks, rows all over */
        unsigned char key[14] = { 0, 0, 0, 0, (unsigned char)(n & 3) };
        uint32_t row = (n * 2654435761u) % 4096;
        float value = (float)(n % 100);
        uint32_t bits;
        memcpy(&bits, &value, 4);
        for (int i = 0; i < 4; i++) {
            key[5 + i] = (unsigned char)(row >> (24 - 8 * i));
            key[9 + i] = (unsigned char)(bits >> (24 - 8 * i));
        }
        key[13] = (unsigned char)(n % 4);
        send(peer, key, sizeof key, MSG_NOSIGNAL);
        keysSent++;
        /* what the player says (its rows) is read and thrown away */
        while (recv(peer, buffer, sizeof buffer, MSG_DONTWAIT) > 0) {
        }
        next += std::chrono::microseconds(1000);
        std::this_thread::sleep_until(next);
    }
    close(peer);
}

void openPlayer()
{
    static bool open = false;
    if (open) return;
    char* caption = strdup("sync bench");
    demoSystem.demo_name = caption;
    demoSystem.gamma = 1.0f;
    demoSystem.record_fps = 25.0f;
    demoSystem.demo_end = 0.0f;
    demoSystem.bpm = 120.0f;
    demoSystem.rows_per_beat = 8;
    demoSystem.sync_host = strdup("127.0.0.1");
    /* the four tracks the editor sends keys for (indices 0 to 3: the
    ** first registered); no files are read with an editor wanted */
    demoSystem.sync = demoSystem.debug = 1;
    for (int i = 0; i < 4; i++) sync_useTrack(("editor:" + std::to_string(i + 1)).c_str());
    demoSystem.sync = demoSystem.debug = 0;
    gldrv_create();
    gldrv_init();
    init_control_vars();
    reinit_sectionQueues();
    init_timer();
    open = true;
}

void BM_emptyFrame(benchmark::State& state)
{
    openPlayer();
    for (auto _ : state) dkernel_doExec();
}

/* the time the frames spend in the client */
double pollSeconds = 0.0;

void timedPoll(void)
{
    auto t0 = std::chrono::steady_clock::now();
    syncclient_poll();
    pollSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void BM_emptyFrameEditor1000KeysPerSecond(benchmark::State& state)
{
    openPlayer();
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t n = sizeof a;
    bind(listener, (sockaddr*)&a, n);
    getsockname(listener, (sockaddr*)&a, &n);
    listen(listener, 1);
    editorStop = false;
    keysSent = 0;
    std::thread editor(editorThread, listener);
    demoSystem.sync = 1;
    demoSystem.debug = 1;
    demoSystem.sync_port = ntohs(a.sin_port);
    kernelHooks.poll = timedPoll;
    for (int i = 0; i < 1000 && syncClient.phase != SYNCCLIENT_CONNECTED; i++) {
        dkernel_doExec();
        usleep(1000);
    }
    if (syncClient.phase != SYNCCLIENT_CONNECTED) state.SkipWithError("the editor did not connect");
    long before = keysSent;
    pollSeconds = 0.0;
    auto t0 = std::chrono::steady_clock::now();
    for (auto _ : state) dkernel_doExec();
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    state.counters["keys/s"] = (double)(keysSent - before) / seconds;
    state.counters["client %"] = 100.0 * pollSeconds / seconds;
    editorStop = true;
    editor.join();
    close(listener);
    demoSystem.sync = 0;
    syncclient_poll();   /* lets go of the editor */
    kernelHooks.poll = nullptr;
}

BENCHMARK(BM_fileSpline);
BENCHMARK(BM_trackSpline);
/* a machine shared with other work makes single runs noisy: five each,
** interleaved at random (see main), compared by their medians */
BENCHMARK(BM_emptyFrame)->Unit(benchmark::kMicrosecond)->MinTime(2.0)->UseRealTime()->Repetitions(5);
BENCHMARK(BM_emptyFrameEditor1000KeysPerSecond)
    ->Unit(benchmark::kMicrosecond)->MinTime(2.0)->UseRealTime()->Repetitions(5);

/* Keeps each benchmark's rate (the median of repeated ones; CPU time for
** the splines, wall-clock time for the frames) to print the ratios. */
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            const std::string& name = r.run_name.function_name;
            bool repeated = r.repetitions > 1;
            if (repeated != (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median")) continue;
            double seconds = repeated ? r.real_accumulated_time : r.cpu_accumulated_time;
            if (seconds > 0 && r.iterations > 0) perSecond[name] = r.iterations / seconds;
        }
    }
};

}  // namespace

int main(int argc, char** argv)
{
    std::vector<char*> args(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.push_back(interleave);
    argc = (int)args.size();
    benchmark::Initialize(&argc, args.data());
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    double file = perSecond["BM_fileSpline"], tracks = perSecond["BM_trackSpline"];
    double empty = perSecond["BM_emptyFrame"], editor = perSecond["BM_emptyFrameEditor1000KeysPerSecond"];
    if (file > 0 && tracks > 0)
        printf("sampling from tracks costs %.2f x sampling from a file\n", file / tracks);
    if (empty > 0 && editor > 0)
        printf("empty frame: %.1f fps alone, %.1f fps with the editor: %.1f %% slower\n", empty, editor,
               100.0 * (1.0 - editor / empty));
    benchmark::Shutdown();
    dkernel_closeDemo();
    return 0;
}
