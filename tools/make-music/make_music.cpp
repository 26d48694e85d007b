/*
** make_music.cpp -- writes the showcase demo's music: a short original
** piece synthesised note by note and encoded as Ogg Vorbis.
**
** Usage: make-music [output.ogg]   (default examples/showcase/data/music.ogg)
**
** Everything is computed from fixed tables and a fixed noise seed, so the
** file comes out the same on every run.
*/
#include <math.h>
#include <stdio.h>
#include <stdint.h>
#include <vector>

#include "vorbis_writer.h"

#define RATE     44100
#define SECONDS  60   /* the length of the showcase demo */
#define BPM      120.0
#define QUALITY  0.0f   /* about 64 kbit/s: keeps the file well under 400 KB */

static const double PI = 3.14159265358979323846;

static std::vector<float> left, right;

static double midiToHz(int note)
{
    return 440.0 * pow(2.0, (note - 69) / 12.0);
}

/* a plucked tone: a few harmonics under a fast attack and exponential decay */
static void pluck(double start, double length, int note, double gain, double pan)
{
    double f = midiToHz(note);
    long first = (long)(start * RATE), count = (long)(length * RATE);
    for (long i = 0; i < count && first + i < (long)left.size(); i++) {
        double t = (double)i / RATE;
        double env = (1.0 - exp(-t * 400.0)) * exp(-t * 6.0);
        double tail = i > count - 441 ? (double)(count - i) / 441.0 : 1.0;   /* no click at the cut */
        double s = sin(2 * PI * f * t) + 0.35 * sin(4 * PI * f * t) + 0.12 * sin(6 * PI * f * t);
        double v = s * env * tail * gain;
        left[first + i] += (float)(v * (1.0 - pan));
        right[first + i] += (float)(v * pan);
    }
}

/* a soft bass: a triangle wave with a slower decay */
static void bass(double start, double length, int note, double gain)
{
    double f = midiToHz(note);
    long first = (long)(start * RATE), count = (long)(length * RATE);
    for (long i = 0; i < count && first + i < (long)left.size(); i++) {
        double t = (double)i / RATE;
        double phase = fmod(f * t, 1.0);
        double tri = 4.0 * fabs(phase - 0.5) - 1.0;
        double env = (1.0 - exp(-t * 200.0)) * exp(-t * 2.5);
        double tail = i > count - 441 ? (double)(count - i) / 441.0 : 1.0;
        float v = (float)(tri * env * tail * gain);
        left[first + i] += v;
        right[first + i] += v;
    }
}

/* a kick: a sine sweeping down from 150 Hz to 45 Hz */
static void kick(double start, double gain)
{
    long first = (long)(start * RATE), count = (long)(0.25 * RATE);
    double phase = 0.0;
    for (long i = 0; i < count && first + i < (long)left.size(); i++) {
        double t = (double)i / RATE;
        phase += (45.0 + 105.0 * exp(-t * 30.0)) / RATE;
        float v = (float)(sin(2 * PI * phase) * exp(-t * 12.0) * gain);
        left[first + i] += v;
        right[first + i] += v;
    }
}

/* a hi-hat: short bright noise from a fixed linear congruential generator */
static void hat(double start, double gain)
{
    static uint32_t seed = 12345;
    long first = (long)(start * RATE), count = (long)(0.05 * RATE);
    float previous = 0.0f;
    for (long i = 0; i < count && first + i < (long)left.size(); i++) {
        seed = seed * 1664525u + 1013904223u;
        float noise = (float)((int)(seed >> 9) - (1 << 22)) / (float)(1 << 22);
        float bright = noise - previous;   /* first difference: drops the low end */
        previous = noise;
        float v = bright * (float)(exp(-(double)i / RATE * 90.0) * gain);
        left[first + i] += v * 0.6f;
        right[first + i] += v;
    }
}

int main(int argc, char** argv)
{
    const char* path = argc > 1 ? argv[1] : "examples/showcase/data/music.ogg";
    long frames = (long)SECONDS * RATE;
    left.assign(frames, 0.0f);
    right.assign(frames, 0.0f);

    const double beat = 60.0 / BPM;
    /* A minor, F major, C major, G major: root and chord tones as MIDI notes */
    static const int chords[4][4] = {
        { 57, 60, 64, 69 }, { 53, 57, 60, 65 }, { 48, 52, 55, 60 }, { 55, 59, 62, 67 },
    };
    static const int arpeggio[8] = { 0, 1, 2, 3, 2, 1, 2, 3 };
    static const int melody[16] = { 76, 0, 74, 72, 72, 0, 69, 0, 72, 74, 76, 0, 79, 0, 76, 74 };
    int bars = (int)(SECONDS / (4 * beat));
    for (int bar = 0; bar < bars; bar++) {
        const int* chord = chords[bar % 4];
        double t0 = bar * 4 * beat;
        /* the texture builds up: arpeggio first, then bass, drums, melody */
        for (int step = 0; step < 8; step++)
            pluck(t0 + step * beat / 2, beat / 2, chord[arpeggio[step]] + 12, 0.16, 0.35 + 0.3 * (step % 2));
        if (bar >= 2)
            for (int step = 0; step < 8; step++)
                bass(t0 + step * beat / 2, beat / 2, chord[0] - 12, step % 2 ? 0.12 : 0.2);
        if (bar >= 4) {
            for (int b = 0; b < 4; b++) {
                if (b % 2 == 0)
                    kick(t0 + b * beat, 0.5);
                hat(t0 + b * beat + beat / 2, 0.12);
            }
        }
        if (bar >= 8 && bar < bars - 1) {
            int n = melody[(bar % 2) * 8 + 0];
            for (int step = 0; step < 8; step++) {
                n = melody[(bar % 2) * 8 + step];
                if (n)
                    pluck(t0 + step * beat / 2, beat, n - (bar % 4 == 1 || bar % 4 == 3 ? 2 : 0), 0.14, 0.5);
            }
        }
    }

    /* fade in over half a second, out over the last two, and keep peaks below full scale */
    float peak = 0.0f;
    for (long i = 0; i < frames; i++) {
        double t = (double)i / RATE;
        float fade = (float)fmin(fmin(t / 0.5, (SECONDS - t) / 2.0), 1.0);
        left[i] *= fade;
        right[i] *= fade;
        peak = fmaxf(peak, fmaxf(fabsf(left[i]), fabsf(right[i])));
    }
    float scale = peak > 0.9f ? 0.9f / peak : 1.0f;
    std::vector<float> interleaved(frames * 2);
    for (long i = 0; i < frames; i++) {
        interleaved[2 * i] = left[i] * scale;
        interleaved[2 * i + 1] = right[i] * scale;
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
    printf("%s: %ld seconds, %zu bytes\n", path, (long)SECONDS, ogg.size());
    return 0;
}
