/*
** make_music.cpp -- writes the showcase demo's music: an original piece in
** A minor at 120 beats a minute, synthesised note by note (drums, bass,
** pads, an arpeggio and a lead, through filters, an echo and a small
** reverb) and encoded as Ogg Vorbis.
**
** Usage: make-music [output.ogg]   (default examples/showcase/data/music.ogg)
**
** The arrangement, in bars of two seconds (the pictures are cut to it):
**   0-7    intro      pads and a slowly opening arpeggio
**   8-15   build-up   bass and hats; kicks from bar 12, a snare roll and a
**                     rising noise in bar 15
**   16-31  main       four to the floor, snares, the lead; crashes on 16, 24
**   32-39  calm       drums out: pads, a soft lead with long echoes
**   40-43  finale     everything again, the lead an octave up
**   44-47  ending     one last hit on bar 44, the chord rings out
** Everything is computed from fixed tables and a fixed noise seed, so the
** file comes out the same on every run.
*/
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <algorithm>
#include <vector>

#include "vorbis_writer.h"

#define RATE     44100
#define BPM      120.0
#define BARS     48
#define QUALITY  -0.1f   /* the smallest Vorbis setting: about 45 kbit/s */

static const double PI = 3.14159265358979323846;
static const double BEAT = 60.0 / BPM;
static const double BAR = 4 * BEAT;
static const double SECONDS = BARS * BAR;

/* Three buses: dry, the echo's input and the reverb's input.  Stereo. */
struct Bus {
    std::vector<float> l, r;
};
static Bus dry, echoIn, verbIn;
static std::vector<float> duck;   /* the kick's pump on pads and bass, 0..1 */

static double midiToHz(double note) { return 440.0 * pow(2.0, (note - 69.0) / 12.0); }

static uint32_t noiseSeed = 12345;
static float noise()
{
    noiseSeed = noiseSeed * 1664525u + 1013904223u;
    return (float)((int)(noiseSeed >> 9) - (1 << 22)) / (float)(1 << 22);
}

/* a band-limited saw (polyBLEP at the wrap), phase 0..1 */
static double saw(double phase, double inc)
{
    double v = 2.0 * phase - 1.0;
    if (phase < inc) { double t = phase / inc; v -= t + t - t * t - 1.0; }
    else if (phase > 1.0 - inc) { double t = (phase - 1.0) / inc; v -= t * t + t + t + 1.0; }
    return v;
}

/* a state-variable low-pass; the cutoff is held below 5 kHz, where it
** stays stable even without resonance */
struct Filter {
    double low = 0, band = 0;
    double run(double in, double cutoff, double resonance)
    {
        double f = 2.0 * sin(PI * fmin(cutoff, 5000.0) / RATE);
        double q = 2.0 - 2.0 * resonance;   /* resonance 0..0.9 */
        low += f * band;
        double high = in - low - q * band;
        band += f * high;
        return low;
    }
};

static void add(Bus& bus, long i, double v, double pan)
{
    if (i < 0 || i >= (long)bus.l.size()) return;
    bus.l[i] += (float)(v * sqrt(1.0 - pan));
    bus.r[i] += (float)(v * sqrt(pan));
}

static long at(double seconds) { return (long)(seconds * RATE); }

/* ---- instruments ---- */

/* pad: three detuned saws per note through a slow low-pass, long attack */
static void pad(double start, double length, const int* notes, int count, double gain, double cutoff)
{
    long first = at(start), n = at(length + 1.2);
    for (int k = 0; k < count; k++) {
        Filter filter;
        double phase[3] = { 0.1 * k, 0.37, 0.71 };
        const double detune[3] = { -0.09, 0.0, 0.11 };
        double pan = 0.25 + 0.5 * k / (count > 1 ? count - 1 : 1);
        for (long i = 0; i < n; i++) {
            double t = (double)i / RATE;
            double env = fmin(t / 0.6, 1.0) * (t > length ? exp(-(t - length) * 4.0) : 1.0);
            double s = 0.0;
            for (int v = 0; v < 3; v++) {
                double inc = midiToHz(notes[k] + detune[v]) / RATE;
                s += saw(phase[v], inc);
                phase[v] = fmod(phase[v] + inc, 1.0);
            }
            double wobble = cutoff * (1.0 + 0.25 * sin(2 * PI * 0.25 * (start + t)));
            double v = filter.run(s / 3.0, wobble, 0.2) * env * gain;
            double d = duck[std::min(first + i, (long)duck.size() - 1)];
            add(dry, first + i, v * d * 0.7, pan);
            add(verbIn, first + i, v * d * 0.5, pan);
        }
    }
}

/* pluck: a bright saw with a fast filter sweep, for the arpeggio */
static void pluck(double start, int note, double gain, double pan, double cutoff)
{
    long first = at(start), n = at(0.45);
    Filter filter;
    double phase = 0.0, inc = midiToHz(note) / RATE;
    for (long i = 0; i < n; i++) {
        double t = (double)i / RATE;
        double env = (1.0 - exp(-t * 500.0)) * exp(-t * 9.0) * (i > n - 200 ? (n - i) / 200.0 : 1.0);
        double v = filter.run(saw(phase, inc), 300.0 + cutoff * exp(-t * 14.0), 0.5) * env * gain;
        phase = fmod(phase + inc, 1.0);
        add(dry, first + i, v, pan);
        add(echoIn, first + i, v * 0.35, pan);
        add(verbIn, first + i, v * 0.3, pan);
    }
}

/* bass: a saw and a sine an octave below through an enveloped low-pass */
static void bass(double start, double length, int note, double gain)
{
    long first = at(start), n = at(length);
    Filter filter;
    double phase = 0.0, inc = midiToHz(note) / RATE;
    for (long i = 0; i < n; i++) {
        double t = (double)i / RATE;
        double env = fmin(t / 0.004, 1.0) * exp(-t * 3.0) * (i > n - 300 ? (n - i) / 300.0 : 1.0);
        double s = 0.6 * saw(phase, inc) + 0.8 * sin(2 * PI * phase);
        phase = fmod(phase + inc, 1.0);
        double v = filter.run(s, 180.0 + 1400.0 * exp(-t * 18.0), 0.55) * env * gain;
        double d = duck[std::min(first + i, (long)duck.size() - 1)];
        add(dry, first + i, v * d, 0.5);
    }
}

/* lead: two saws a fifth of a cent apart with a delayed vibrato */
static void lead(double start, double length, int note, double gain, double pan)
{
    long first = at(start), n = at(length + 0.15);
    Filter filter;
    double p1 = 0.0, p2 = 0.5;
    for (long i = 0; i < n; i++) {
        double t = (double)i / RATE;
        double vib = 1.0 + 0.004 * fmin(t / 0.3, 1.0) * sin(2 * PI * 5.5 * t);
        double f = midiToHz(note) * vib;
        double env = fmin(t / 0.01, 1.0) * (t > length ? exp(-(t - length) * 30.0) : exp(-t * 0.8));
        double s = saw(p1, f / RATE) + saw(p2, f * 1.003 / RATE);
        p1 = fmod(p1 + f / RATE, 1.0);
        p2 = fmod(p2 + f * 1.003 / RATE, 1.0);
        double v = filter.run(s * 0.5, 900.0 + 2600.0 * exp(-t * 5.0), 0.35) * env * gain;
        add(dry, first + i, v, pan);
        add(echoIn, first + i, v * 0.6, pan);
        add(verbIn, first + i, v * 0.35, pan);
    }
}

static void kick(double start, double gain)
{
    long first = at(start), n = at(0.4);
    double phase = 0.0;
    for (long i = 0; i < n; i++) {
        double t = (double)i / RATE;
        phase += (48.0 + 130.0 * exp(-t * 28.0)) / RATE;
        double click = exp(-t * 600.0) * 0.5;
        add(dry, first + i, (sin(2 * PI * phase) * exp(-t * 7.0) + click) * gain, 0.5);
    }
}

static void snare(double start, double gain)
{
    long first = at(start), n = at(0.25);
    Filter filter;
    double phase = 0.0;
    for (long i = 0; i < n; i++) {
        double t = (double)i / RATE;
        phase += (185.0 + 60.0 * exp(-t * 40.0)) / RATE;
        double body = sin(2 * PI * phase) * exp(-t * 25.0);
        double nz = noise();
        double hiss = (nz - filter.run(nz, 1500.0, 0.1)) * exp(-t * 14.0);
        double v = (0.5 * body + 0.8 * hiss) * gain;
        add(dry, first + i, v, 0.45);
        add(verbIn, first + i, v * 0.5, 0.45);
    }
}

static void hat(double start, double gain, double decay, double pan)
{
    long first = at(start), n = at(5.0 / decay);
    float previous = 0.0f;
    for (long i = 0; i < n; i++) {
        float nz = noise();
        float bright = nz - previous;   /* first difference: drops the low end */
        previous = nz;
        add(dry, first + i, bright * exp(-(double)i / RATE * decay) * gain, pan);
    }
}

/* a cymbal wash, or with `rise` a noise swelling up to `start + length` */
static void wash(double start, double length, double gain, bool rise)
{
    long first = at(start), n = at(length);
    Filter filter;
    for (long i = 0; i < n; i++) {
        double t = (double)i / RATE, s = t / length;
        double env = rise ? s * s : exp(-t * 2.2);
        double cutoff = rise ? 400.0 + 6000.0 * s * s : 6500.0;
        double nz = noise();
        double v = (rise ? filter.run(nz, cutoff, 0.6) : nz - filter.run(nz, cutoff, 0.0)) * env * gain;
        add(dry, first + i, v, 0.5 + 0.3 * sin(t * 3.0));
        add(verbIn, first + i, v * 0.4, 0.5);
    }
}

/* ---- effects ---- */

/* a ping-pong echo of a dotted eighth */
static void echo(double feedback)
{
    long d = at(0.75 * BEAT);
    for (long i = d; i < (long)echoIn.l.size(); i++) {
        echoIn.l[i] += (float)(echoIn.r[i - d] * feedback);
        echoIn.r[i] += (float)(echoIn.l[i - d] * feedback);
    }
    for (long i = 0; i < (long)echoIn.l.size(); i++) {
        long j = i - d;
        if (j < 0) continue;
        dry.l[i] += echoIn.r[j] * 0.5f;
        dry.r[i] += echoIn.l[j] * 0.5f;
        verbIn.l[i] += echoIn.r[j] * 0.3f;
        verbIn.r[i] += echoIn.l[j] * 0.3f;
    }
}

/* four combs and two all-passes per side: a small, dark hall */
static void reverb(double wet)
{
    const int combs[2][4] = { { 1557, 1617, 1491, 1422 }, { 1580, 1640, 1514, 1445 } };
    const int passes[2][2] = { { 225, 556 }, { 248, 579 } };
    long total = (long)verbIn.l.size();
    for (int side = 0; side < 2; side++) {
        std::vector<float>& in = side ? verbIn.r : verbIn.l;
        std::vector<float>& out = side ? dry.r : dry.l;
        std::vector<float> sum(total, 0.0f);
        for (int c = 0; c < 4; c++) {
            std::vector<float> line(combs[side][c], 0.0f);
            float damp = 0.0f;
            for (long i = 0; i < total; i++) {
                float& cell = line[i % line.size()];
                float y = cell;
                damp = y * 0.6f + damp * 0.4f;
                cell = in[i] + damp * 0.84f;
                sum[i] += y;
            }
        }
        for (int a = 0; a < 2; a++) {
            std::vector<float> line(passes[side][a], 0.0f);
            for (long i = 0; i < total; i++) {
                float& cell = line[i % line.size()];
                float y = cell - sum[i] * 0.5f;
                cell = sum[i] + cell * 0.5f;
                sum[i] = y;
            }
        }
        for (long i = 0; i < total; i++) out[i] += (float)(sum[i] * wet * 0.25);
    }
}

/* ---- the score ---- */

/* A minor, F major, C major, G major: bass root and pad voicing */
static const int kRoots[4] = { 45, 41, 48, 43 };
static const int kPads[4][4] = { { 57, 60, 64, 69 }, { 57, 60, 65, 69 }, { 55, 60, 64, 67 }, { 55, 59, 62, 67 } };
/* the calm part: F, G, A minor, E minor */
static const int kCalmRoots[4] = { 41, 43, 45, 40 };
static const int kCalmPads[4][4] = { { 53, 60, 65, 69 }, { 55, 59, 62, 67 }, { 57, 60, 64, 69 }, { 55, 59, 64, 67 } };

/* the lead: eighth notes per bar, 0 a rest, -1 holds the note before */
static const int kTune[8][8] = {
    { 69, -1, 72, -1, 76, -1, 74, 72 }, { 72, -1, 69, -1, 65, -1, 69, 72 },
    { 76, -1, 79, -1, 76, -1, 72, 74 }, { 74, -1, -1, -1, 71, -1, 74, -1 },
    { 76, -1, 81, -1, 79, 76, -1, 74 }, { 72, -1, -1, 69, 72, -1, 77, 76 },
    { 76, -1, -1, -1, 79, -1, 76, 74 }, { 71, -1, 74, -1, 79, -1, -1, -1 },
};
/* the calm part's lead: long notes */
static const int kCalmTune[4][8] = {
    { 72, -1, -1, -1, 69, -1, -1, -1 }, { 71, -1, -1, -1, 74, -1, -1, -1 },
    { 76, -1, -1, -1, -1, -1, 72, -1 }, { 71, -1, -1, -1, -1, -1, -1, -1 },
};

static void playTune(double t0, const int* bar, double gain, int shift, double pan)
{
    for (int step = 0; step < 8; step++) {
        if (bar[step] <= 0) continue;
        int len = 1;
        while (step + len < 8 && bar[step + len] == -1) len++;
        lead(t0 + step * BEAT / 2, len * BEAT / 2 - 0.02, bar[step] + shift, gain, pan);
    }
}

static bool fullDrums(int bar) { return (bar >= 16 && bar < 32) || (bar >= 40 && bar < 44); }

static bool kickOn(int bar, int beat)
{
    return fullDrums(bar) || (bar >= 12 && bar < 16 && beat % 2 == 0) || (bar == 44 && beat == 0);
}

static void arrange()
{
    static const int arp[8] = { 0, 2, 1, 3, 2, 1, 3, 2 };
    for (int bar = 0; bar < BARS; bar++) {
        double t0 = bar * BAR;
        bool calm = bar >= 32 && bar < 40;
        int c = bar % 4;
        const int* chord = calm ? kCalmPads[c] : kPads[c];
        int root = calm ? kCalmRoots[c] : kRoots[c];
        bool drums = fullDrums(bar);

        for (int b = 0; b < 4; b++)
            if (kickOn(bar, b)) kick(t0 + b * BEAT, bar == 44 ? 0.75 : 0.6);

        /* pads: every bar but the last hit holds for the whole ending */
        if (bar < 44)
            pad(t0, BAR, chord, 4, bar < 8 ? 0.3 : bar < 16 ? 0.22 : calm ? 0.26 : 0.14, bar < 8 ? 500.0 + 150.0 * bar : calm ? 1100.0 : 1900.0);
        else if (bar == 44)
            pad(t0, 3 * BAR, kPads[0], 4, 0.15, 1400.0);

        /* the arpeggio opens through the intro and build-up */
        if ((bar >= 2 && bar < 32) || (bar >= 36 && bar < 44) || bar == 44) {
            int steps = bar == 44 ? 8 : 16;
            double open = bar < 16 ? 400.0 + 250.0 * bar : calm ? 1400.0 : 3200.0;
            for (int s = 0; s < steps; s++)
                pluck(t0 + s * BEAT / 4, chord[arp[s % 8]] + 12 + (s >= 8 && bar % 2 ? 12 : 0),
                      bar < 16 ? 0.12 : calm ? 0.1 : 0.09, 0.3 + 0.4 * (s % 2), open * (bar == 44 ? 1.0 - s / 10.0 : 1.0));
        }

        /* bass: octave eighths, long notes in the calm part */
        if (bar >= 8 && bar < 44 && !calm)
            for (int s = 0; s < 8; s++)
                bass(t0 + s * BEAT / 2, BEAT / 2 - 0.01, root - 12 + (s % 2 ? 12 : 0), s % 2 ? 0.2 : 0.28);
        else if (calm)
            bass(t0, BAR - 0.05, root - 12, 0.3);
        if (bar == 44) bass(t0, 3.0, 33, 0.3);

        /* hats, snares, crashes */
        if (bar >= 8 && bar < 44 && !calm) {
            for (int s = 0; s < 16; s++) {
                bool off = s % 4 == 2;
                if (bar < 16 && s % 2) continue;
                hat(t0 + s * BEAT / 4, off ? 0.16 : 0.06, off ? 18.0 : 70.0, 0.35 + 0.3 * (s % 3 == 0));
            }
        }
        if (drums) {
            snare(t0 + BEAT, 0.5);
            snare(t0 + 3 * BEAT, 0.5);
            if (bar % 4 == 3) snare(t0 + 3.5 * BEAT, 0.3);
        }
        if (bar == 15) {
            for (int s = 0; s < 16; s++) snare(t0 + s * BEAT / 4, 0.12 + 0.3 * s / 15.0);
            wash(t0 - BAR, 2 * BAR, 0.25, true);
        }
        if (bar == 39) wash(t0, BAR, 0.2, true);
        if (bar == 16 || bar == 24 || bar == 40 || bar == 44) wash(t0, 2.5, 0.3, false);

        /* the lead */
        if (bar >= 16 && bar < 32) playTune(t0, kTune[bar % 8], 0.11, 0, 0.55);
        if (bar >= 34 && bar < 40) playTune(t0, kCalmTune[c], 0.12, 0, 0.45);
        if (bar >= 40 && bar < 44) playTune(t0, kTune[4 + bar % 4], 0.09, 12, 0.5);
        if (bar == 44) lead(t0, 2.5, 69, 0.1, 0.5);
    }
}

int main(int argc, char** argv)
{
    const char* path = argc > 1 ? argv[1] : "examples/showcase/data/music.ogg";
    long frames = at(SECONDS);
    for (Bus* b : { &dry, &echoIn, &verbIn }) {
        b->l.assign(frames, 0.0f);
        b->r.assign(frames, 0.0f);
    }
    duck.assign(frames, 1.0f);
    /* the kicks' pump is laid down first: pads and bass read it */
    for (int bar = 0; bar < BARS; bar++)
        for (int b = 0; b < 4; b++)
            if (kickOn(bar, b))
                for (long i = 0, j = at(bar * BAR + b * BEAT); i < at(BEAT) && j + i < frames; i++)
                    duck[j + i] = (float)fmin(duck[j + i], 1.0 - 0.55 * exp(-(double)i / RATE * 9.0));
    arrange();
    echo(0.38);
    reverb(0.9);

    /* soft limit, fade the last two seconds, and keep peaks below full scale */
    float peak = 0.0f;
    for (long i = 0; i < frames; i++) {
        double t = (double)i / RATE;
        float fade = (float)fmin((SECONDS - t) / 2.0, 1.0);
        dry.l[i] = tanhf(dry.l[i] * 1.2f) * fade;
        dry.r[i] = tanhf(dry.r[i] * 1.2f) * fade;
        peak = fmaxf(peak, fmaxf(fabsf(dry.l[i]), fabsf(dry.r[i])));
    }
    float scale = peak > 0.0f ? 0.9f / peak : 1.0f;
    std::vector<float> interleaved(frames * 2);
    for (long i = 0; i < frames; i++) {
        interleaved[2 * i] = dry.l[i] * scale;
        interleaved[2 * i + 1] = dry.r[i] * scale;
    }

    std::vector<unsigned char> ogg;
    if (!vorbisWrite(interleaved.data(), frames, 2, RATE, QUALITY, ogg)) {
        fprintf(stderr, "make-music: the encoder refused the settings\n");
        return 1;
    }
    FILE* out = fopen(path, "wb");
    if (!out || fwrite(ogg.data(), 1, ogg.size(), out) != ogg.size() || fclose(out) != 0) {
        fprintf(stderr, "make-music: cannot write %s\n", path);
        return 1;
    }
    printf("%s: %.0f seconds, %zu bytes\n", path, SECONDS, ogg.size());
    return 0;
}
