/*
** showcase_music_test.cpp -- the example demo's music keeps the shape its
** pictures are cut to: 96 seconds, sound in every bar, the main part and
** the finale louder than the intro and the calm part, the last chord dying.
*/
#include <gtest/gtest.h>
#include <vorbis/vorbisfile.h>

#include <math.h>
#include <string>
#include <vector>

namespace {

/* RMS of the mono mix in each two-second bar */
std::vector<double> barLevels(const std::string& path)
{
    OggVorbis_File file;
    std::vector<double> bars;
    if (ov_fopen(path.c_str(), &file) != 0) return bars;
    vorbis_info* info = ov_info(&file, -1);
    long perBar = info->rate * 2, frame = 0;
    double sum = 0.0;
    char buffer[8192];
    int section = 0;
    long got;
    while ((got = ov_read(&file, buffer, sizeof buffer, 0, 2, 1, &section)) > 0) {
        const short* s = (const short*)buffer;
        for (long i = 0; i + info->channels <= got / 2; i += info->channels, frame++) {
            double mono = 0.0;
            for (int c = 0; c < info->channels; c++) mono += s[i + c] / 32768.0 / info->channels;
            sum += mono * mono;
            if ((frame + 1) % perBar == 0) {
                bars.push_back(sqrt(sum / perBar));
                sum = 0.0;
            }
        }
    }
    ov_clear(&file);
    return bars;
}

double mean(const std::vector<double>& v, int from, int to)
{
    double s = 0.0;
    for (int i = from; i < to; i++) s += v[i];
    return s / (to - from);
}

TEST(ShowcaseMusic, NinetySixSecondsInLouderAndQuieterParts)
{
    std::vector<double> bars = barLevels(LUMENO_SOURCE_DIR "/examples/showcase/data/music.ogg");
    ASSERT_EQ(bars.size(), 48u);   /* at least 96 seconds */
    for (int b = 0; b < 47; b++)   /* a filter going unstable once left whole parts silent */
        EXPECT_GT(bars[b], 0.02) << "bar " << b;
    double intro = mean(bars, 0, 8), main = mean(bars, 16, 32), calm = mean(bars, 32, 40),
           finale = mean(bars, 40, 44);
    EXPECT_GT(main, 1.3 * intro);
    EXPECT_GT(main, 1.3 * calm);
    EXPECT_GT(finale, 1.3 * calm);
    EXPECT_LT(bars[47], 0.5 * bars[44]);   /* the ending dies away after its last hit */
}

}  // namespace
