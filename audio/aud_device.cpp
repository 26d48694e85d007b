/*
** aud_device.cpp -- library start and stop, the output device, per-frame
** housekeeping and the load figures.
**
** The device is SDL's audio output opened at the requested rate, 16-bit
** stereo; SDL converts when the hardware wants something else, so the mixer
** only ever produces one format.
*/
#include <SDL/SDL.h>

#include "aud_internal.h"

AudState   aud{};
std::mutex aud_lock;

/* the window over which the load is averaged; short enough for the timing
** overlay to follow seeks and starts, long enough to cover several callbacks */
#define AUD_CPU_WINDOW_NS 250000000LL

float audio_getVersion(void)
{
    return AUDIO_VERSION;
}

int audio_setOutput(int output)
{
    if (aud.initialized) {
        aud_setError(AUDIO_ERR_BUSY);
        return 0;
    }
    if (output != AUDIO_OUTPUT_AUTO && output != AUDIO_OUTPUT_NONE && output != AUDIO_OUTPUT_SYSTEM) {
        aud_setError(AUDIO_ERR_INVALID_PARAM);
        return 0;
    }
    aud.output = output;
    return 1;
}

int audio_setDriver(int driver)
{
    if (aud.initialized) {
        aud_setError(AUDIO_ERR_BUSY);
        return 0;
    }
    /* SDL offers one device per output: its default */
    if (driver != 0) {
        aud_setError(AUDIO_ERR_INVALID_PARAM);
        return 0;
    }
    aud.driver = driver;
    return 1;
}

static void SDLCALL deviceCallback(void* userdata, Uint8* stream, int len)
{
    (void)userdata;
    aud_mix((short*)stream, len / 4);
}

int audio_init(int rate, int channels, unsigned flags)
{
    (void)flags;
    if (aud.initialized) {
        aud_setError(AUDIO_ERR_BUSY);
        return 0;
    }
    if (rate < 4000 || rate > 192000 || channels < 1 || channels > AUD_MAX_CHANNELS) {
        aud_setError(AUDIO_ERR_INVALID_PARAM);
        return 0;
    }
    {
        std::lock_guard<std::mutex> hold(aud_lock);
        for (int i = 0; i < AUD_MAX_CHANNELS; i++)
            aud.channels[i] = AudChannel{nullptr, 0};
        aud.rate = rate;
        aud.channel_count = channels;
        aud.busy_ns = 0;
        aud.window_start_ns = aud_nowNs();
        aud.cpu = 0.0f;
        aud_onsetReset(rate);
        /* set before the device thread starts, under the lock it reads it with */
        aud.initialized = 1;
    }
    if (aud.output != AUDIO_OUTPUT_NONE) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) < 0) {
            aud.initialized = 0;
            aud_setError(AUDIO_ERR_INIT);
            return 0;
        }
        SDL_AudioSpec want{};
        want.freq = rate;
        want.format = AUDIO_S16SYS;
        want.channels = 2;
        want.samples = AUD_DEVICE_SAMPLES;
        want.callback = deviceCallback;
        /* a null "obtained" makes SDL convert to what the hardware takes */
        if (SDL_OpenAudio(&want, nullptr) < 0) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            aud.initialized = 0;
            aud_setError(AUDIO_ERR_INIT);
            return 0;
        }
        aud.device_open = 1;
        SDL_PauseAudio(0);
    }
    return 1;
}

void audio_close(void)
{
    if (!aud.initialized)
        return;
    /* the device thread must be gone before the channels are touched, and
    ** must not find the lock held while SDL waits for it to finish */
    if (aud.device_open) {
        SDL_CloseAudio();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        aud.device_open = 0;
    }
    std::lock_guard<std::mutex> hold(aud_lock);
    for (int i = 0; i < AUD_MAX_CHANNELS; i++)
        aud_channelStop(i);
    aud.initialized = 0;
    aud.cpu = 0.0f;
    aud.onset_level = 0.0f;
}

void audio_update(void)
{
    if (!aud.initialized)
        return;
    long long now = aud_nowNs();
    long long wall = now - aud.window_start_ns;
    if (wall >= AUD_CPU_WINDOW_NS) {
        long long busy = aud.busy_ns.exchange(0);
        aud.cpu = (float)(100.0 * (double)busy / (double)wall);
        aud.window_start_ns = now;
    }
}

float audio_getCPUUsage(void)
{
    return aud.initialized ? aud.cpu.load() : 0.0f;
}

int audio_getChannelsPlaying(void)
{
    if (!aud.initialized)
        return 0;
    std::lock_guard<std::mutex> hold(aud_lock);
    int playing = 0;
    for (int i = 0; i < aud.channel_count; i++)
        if (aud.channels[i].stream && !aud.channels[i].paused)
            playing++;
    return playing;
}
