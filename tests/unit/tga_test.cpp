// TGA writer: packets of the greedy encoder at their boundaries.  The
// compressed file itself is read back by the end-to-end record runs.
#include "tga.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

typedef std::vector<unsigned char> Bytes;

// colour id k becomes the pixel (k, 2k, 3k + 1); ids from (id, count) spans
Bytes pixelsOf(std::initializer_list<std::pair<int, int>> spans)
{
    Bytes p;
    for (auto s : spans)
        for (int i = 0; i < s.second; i++) p.insert(p.end(), {(unsigned char)s.first, (unsigned char)(2 * s.first), (unsigned char)(3 * s.first + 1)});
    return p;
}

Bytes encode(const Bytes& pixels)
{
    Bytes out(tga_rleBound(pixels.size() / 3));
    out.resize(tga_rleEncode(pixels.data(), pixels.size() / 3, out.data()));
    return out;
}

// the packets, positive counts for runs and negative for raw packets
std::vector<int> packets(const Bytes& rle)
{
    std::vector<int> list;
    for (size_t i = 0; i < rle.size();) {
        int n = (rle[i] & 0x7F) + 1;
        bool run = rle[i++] & 0x80;
        list.push_back(run ? n : -n);
        i += 3 * (run ? 1 : n);
    }
    return list;
}

TEST(TgaRle, PacketsAndBoundaries)
{
    EXPECT_EQ(encode(pixelsOf({{1, 1}, {2, 1}})), (Bytes{0x01, 4, 2, 1, 7, 4, 2}));
    const std::pair<Bytes, std::vector<int>> cases[] = {
        {pixelsOf({{3, 300}}), {127, 127, 46}},
        {pixelsOf({{3, 128}, {4, 1}, {5, 1}}), {127, -3}},
        {pixelsOf({{1, 1}, {2, 1}, {3, 3}, {4, 1}}), {-2, 3, -1}},
        {pixelsOf({{1, 1}, {2, 2}}), {-1, 2}},
    };
    for (auto& c : cases) EXPECT_EQ(packets(encode(c.first)), c.second);
    Bytes ramp;
    for (int i = 0; i < 300; i++) ramp.insert(ramp.end(), {(unsigned char)(i % 250), 0, 0});
    EXPECT_EQ(packets(encode(ramp)), (std::vector<int>{-127, -127, -46}));
}

}  // namespace
