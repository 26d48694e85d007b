// TGA writer: the greedy packet encoder, file headers, plain layout, and a
// round trip through a small decoder kept here (independent of the encoder).
#include "tga.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

typedef std::vector<unsigned char> Bytes;

// pixels from a list of colour ids: id k becomes (k, 2k, 3k+1)
Bytes pixelsOf(const std::vector<int>& ids)
{
    Bytes p;
    for (int k : ids) {
        p.push_back((unsigned char)k);
        p.push_back((unsigned char)(2 * k));
        p.push_back((unsigned char)(3 * k + 1));
    }
    return p;
}

Bytes encode(const Bytes& pixels)
{
    size_t count = pixels.size() / 3;
    Bytes out(tga_rleBound(count));
    out.resize(tga_rleEncode(pixels.data(), count, out.data()));
    return out;
}

// Decodes a packet stream back to RGB; fails the test on malformed packets.
Bytes decode(const Bytes& rle, size_t count)
{
    Bytes rgb;
    size_t i = 0;
    while (i < rle.size()) {
        int header = rle[i++];
        int n = (header & 0x7F) + 1;
        EXPECT_LE(n, 127) << "packet longer than 127 pixels";
        if (header & 0x80) {
            EXPECT_GE(n, 2) << "run packet of one pixel";
            for (int k = 0; k < n; k++) {
                rgb.push_back(rle[i + 2]);
                rgb.push_back(rle[i + 1]);
                rgb.push_back(rle[i]);
            }
            i += 3;
        } else {
            for (int k = 0; k < n; k++, i += 3) {
                rgb.push_back(rle[i + 2]);
                rgb.push_back(rle[i + 1]);
                rgb.push_back(rle[i]);
            }
        }
    }
    EXPECT_EQ(i, rle.size());
    EXPECT_EQ(rgb.size(), count * 3);
    return rgb;
}

// packet list as (kind, count): 'r' run, 'w' raw
std::vector<std::pair<char, int>> packets(const Bytes& rle)
{
    std::vector<std::pair<char, int>> list;
    for (size_t i = 0; i < rle.size();) {
        int n = (rle[i] & 0x7F) + 1;
        bool run = rle[i] & 0x80;
        list.push_back({run ? 'r' : 'w', n});
        i += 1 + (run ? 3 : 3 * n);
    }
    return list;
}

std::vector<int> repeat(int id, int n)
{
    return std::vector<int>(n, id);
}

std::vector<int> concat(std::vector<int> a, const std::vector<int>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes readFile(const std::string& path)
{
    Bytes data;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return data;
    int c;
    while ((c = fgetc(f)) != EOF) data.push_back((unsigned char)c);
    fclose(f);
    return data;
}

std::string tempPath(const char* name)
{
    return std::string(testing::TempDir()) + name + std::to_string(getpid()) + ".tga";
}

TEST(TgaRle, SmallPicturesGiveTheDocumentedPackets)
{
    Bytes two = pixelsOf({1, 2});
    EXPECT_EQ(encode(two), (Bytes{0x01, 4, 2, 1, 7, 4, 2}));

    EXPECT_EQ(encode(pixelsOf(repeat(5, 4))), (Bytes{0x83, 16, 10, 5}));
    EXPECT_EQ(encode(pixelsOf({9})), (Bytes{0x00, 28, 18, 9}));
}

TEST(TgaRle, RunsSplitAt127)
{
    auto p = packets(encode(pixelsOf(repeat(3, 300))));
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[0], std::make_pair('r', 127));
    EXPECT_EQ(p[1], std::make_pair('r', 127));
    EXPECT_EQ(p[2], std::make_pair('r', 46));

    // 128 equal pixels then different ones: the 128th starts the raw packet
    p = packets(encode(pixelsOf(concat(repeat(3, 128), {4, 5}))));
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(p[0], std::make_pair('r', 127));
    EXPECT_EQ(p[1], std::make_pair('w', 3));
}

TEST(TgaRle, RawPacketsStopBeforeARunAndAt127)
{
    auto p = packets(encode(pixelsOf({1, 2, 3, 3, 3, 4})));
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[0], std::make_pair('w', 2));
    EXPECT_EQ(p[1], std::make_pair('r', 3));
    EXPECT_EQ(p[2], std::make_pair('w', 1));

    std::vector<int> ramp;
    for (int i = 0; i < 300; i++) ramp.push_back(i % 250);
    p = packets(encode(pixelsOf(ramp)));
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[0], std::make_pair('w', 127));
    EXPECT_EQ(p[1], std::make_pair('w', 127));
    EXPECT_EQ(p[2], std::make_pair('w', 46));

    // a run of two closing the picture
    p = packets(encode(pixelsOf({1, 2, 2})));
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(p[1], std::make_pair('r', 2));
}

TEST(TgaRle, RoundTripsMixedContentWithinTheBound)
{
    unsigned seed = 12345;
    for (int trial = 0; trial < 20; trial++) {
        std::vector<int> ids;
        int n = 1 + trial * 97;
        while ((int)ids.size() < n) {
            seed = seed * 1103515245u + 12345u;
            int len = 1 + (seed >> 16) % (trial % 2 ? 200 : 3);
            int id = (seed >> 8) % 7;
            for (int k = 0; k < len && (int)ids.size() < n; k++) ids.push_back(id);
        }
        Bytes pixels = pixelsOf(ids);
        Bytes rle = encode(pixels);
        EXPECT_LE(rle.size(), tga_rleBound(ids.size()));
        EXPECT_EQ(decode(rle, ids.size()), pixels) << "trial " << trial;
    }
}

TEST(TgaFile, HeaderAndUncompressedLayout)
{
    // 2 x 2, bottom row first in the buffer, as read from GL
    Bytes pixels = pixelsOf({1, 2, 3, 4});
    Bytes original = pixels;
    std::string path = tempPath("plain");
    tga_save(path.c_str(), pixels.data(), 2, 2, 0);
    Bytes file = readFile(path);
    remove(path.c_str());

    ASSERT_EQ(file.size(), 18u + 12u);
    Bytes header(file.begin(), file.begin() + 18);
    EXPECT_EQ(header, (Bytes{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 24, 0}));
    for (size_t i = 0; i < 12; i += 3) {
        EXPECT_EQ(file[18 + i], original[i + 2]);
        EXPECT_EQ(file[18 + i + 1], original[i + 1]);
        EXPECT_EQ(file[18 + i + 2], original[i]);
        // the caller's buffer is left in blue, green, red order
        EXPECT_EQ(pixels[i], original[i + 2]);
        EXPECT_EQ(pixels[i + 2], original[i]);
    }
}

TEST(TgaFile, CompressedFileHoldsHeaderThenPackets)
{
    std::vector<int> ids = concat(repeat(7, 643 * 2 - 3), {1, 2, 3});
    Bytes pixels = pixelsOf(ids);
    std::string path = tempPath("rle");
    tga_save(path.c_str(), pixels.data(), 643, 2, 1);
    Bytes file = readFile(path);
    remove(path.c_str());

    ASSERT_GT(file.size(), 18u);
    EXPECT_EQ(file[2], 10);
    EXPECT_EQ(file[12], 643 & 0xFF);
    EXPECT_EQ(file[13], 643 >> 8);
    EXPECT_EQ(file[14], 2);
    EXPECT_EQ(Bytes(file.begin() + 18, file.end()), encode(pixels));
    EXPECT_EQ(pixels, pixelsOf(ids)) << "compression must not touch the caller's buffer";

    FILE* f = tmpfile();
    ASSERT_TRUE(f);
    write_tga_header(f, 640, 480, 1);
    rewind(f);
    unsigned char h[18];
    ASSERT_EQ(fread(h, 1, 18, f), 18u);
    fclose(f);
    EXPECT_EQ(h[12], 0x80);
    EXPECT_EQ(h[13], 0x02);
    EXPECT_EQ(h[14], 0xE0);
    EXPECT_EQ(h[15], 0x01);
}

TEST(TgaFile, UnwritablePathIsSkippedSilently)
{
    Bytes pixels = pixelsOf({1});
    tga_save("/nonexistent-folder/x.tga", pixels.data(), 1, 1, 1);
    FILE* f = fopen("/nonexistent-folder/x.tga", "rb");
    EXPECT_EQ(f, nullptr);
}

}  // namespace
