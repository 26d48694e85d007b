// TGA writer: packets of the greedy encoder, a round trip through a small
// decoder kept here, and the file layout (header, plain rows, RLE stream).
#include "tga.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

typedef std::vector<unsigned char> Bytes;

// colour id k becomes the pixel (k, 2k, 3k + 1)
Bytes pixelsOf(const std::vector<int>& ids)
{
    Bytes p;
    for (int k : ids) p.insert(p.end(), {(unsigned char)k, (unsigned char)(2 * k), (unsigned char)(3 * k + 1)});
    return p;
}

Bytes encode(const Bytes& pixels)
{
    Bytes out(tga_rleBound(pixels.size() / 3));
    out.resize(tga_rleEncode(pixels.data(), pixels.size() / 3, out.data()));
    return out;
}

// packet list: positive counts are runs, negative counts raw packets
std::vector<int> packets(const Bytes& rle)
{
    std::vector<int> list;
    for (size_t i = 0; i < rle.size();) {
        int n = (rle[i] & 0x7F) + 1;
        bool run = rle[i] & 0x80;
        list.push_back(run ? n : -n);
        i += 1 + 3 * (run ? 1 : n);
    }
    return list;
}

Bytes decode(const Bytes& rle)
{
    Bytes rgb;
    for (size_t i = 0; i < rle.size();) {
        int n = (rle[i] & 0x7F) + 1;
        bool run = rle[i++] & 0x80;
        for (int k = 0; k < n; k++) {
            const unsigned char* p = &rle[i + (run ? 0 : 3 * k)];
            rgb.insert(rgb.end(), {p[2], p[1], p[0]});
        }
        i += 3 * (run ? 1 : n);
    }
    return rgb;
}

std::vector<int> ids(std::initializer_list<std::pair<int, int>> spans)   // (id, count)
{
    std::vector<int> v;
    for (auto s : spans) v.insert(v.end(), s.second, s.first);
    return v;
}

TEST(TgaRle, DocumentedSmallCases)
{
    EXPECT_EQ(encode(pixelsOf({1, 2})), (Bytes{0x01, 4, 2, 1, 7, 4, 2}));
    EXPECT_EQ(encode(pixelsOf({5, 5, 5, 5})), (Bytes{0x83, 16, 10, 5}));
    EXPECT_EQ(encode(pixelsOf({9})), (Bytes{0x00, 28, 18, 9}));
}

TEST(TgaRle, PacketBoundaries)
{
    EXPECT_EQ(packets(encode(pixelsOf(ids({{3, 300}})))), (std::vector<int>{127, 127, 46}));
    EXPECT_EQ(packets(encode(pixelsOf(ids({{3, 128}, {4, 1}, {5, 1}})))), (std::vector<int>{127, -3}));
    EXPECT_EQ(packets(encode(pixelsOf({1, 2, 3, 3, 3, 4}))), (std::vector<int>{-2, 3, -1}));
    EXPECT_EQ(packets(encode(pixelsOf({1, 2, 2}))), (std::vector<int>{-1, 2}));
    std::vector<int> ramp;
    for (int i = 0; i < 300; i++) ramp.push_back(i % 250);
    EXPECT_EQ(packets(encode(pixelsOf(ramp))), (std::vector<int>{-127, -127, -46}));
}

TEST(TgaRle, RoundTripsWithinTheBound)
{
    unsigned seed = 12345;
    for (int trial = 0; trial < 20; trial++) {
        std::vector<int> v;
        while ((int)v.size() < 1 + trial * 97) {
            seed = seed * 1103515245u + 12345u;
            v.insert(v.end(), 1 + (seed >> 16) % (trial % 2 ? 200 : 3), (seed >> 8) % 7);
        }
        v.resize(1 + trial * 97);
        Bytes pixels = pixelsOf(v), rle = encode(pixels);
        EXPECT_LE(rle.size(), tga_rleBound(v.size()));
        EXPECT_EQ(decode(rle), pixels) << "trial " << trial;
    }
}

Bytes saveAndRead(Bytes& pixels, int w, int h, int compress)
{
    std::string path = std::string(testing::TempDir()) + "tga" + std::to_string(getpid()) + ".tga";
    tga_save(path.c_str(), pixels.data(), w, h, compress);
    Bytes data;
    FILE* f = fopen(path.c_str(), "rb");
    for (int c; f && (c = fgetc(f)) != EOF;) data.push_back((unsigned char)c);
    if (f) fclose(f);
    remove(path.c_str());
    return data;
}

TEST(TgaFile, PlainLayoutLeavesTheBufferInBgrOrder)
{
    Bytes pixels = pixelsOf({1, 2, 3, 4}), original = pixels;
    Bytes file = saveAndRead(pixels, 2, 2, 0);
    ASSERT_EQ(file.size(), 18u + 12u);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 18),
              (Bytes{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 24, 0}));
    for (size_t i = 0; i < 12; i += 3) {
        Bytes bgr = {original[i + 2], original[i + 1], original[i]};
        EXPECT_EQ(Bytes(file.begin() + 18 + i, file.begin() + 21 + i), bgr);
        EXPECT_EQ(Bytes(pixels.begin() + i, pixels.begin() + i + 3), bgr);
    }
}

TEST(TgaFile, CompressedFileIsHeaderThenPackets)
{
    Bytes pixels = pixelsOf(ids({{7, 640 * 480 - 3}, {1, 1}, {2, 1}, {3, 1}})), original = pixels;
    Bytes file = saveAndRead(pixels, 640, 480, 1);
    ASSERT_GT(file.size(), 18u);
    EXPECT_EQ(file[2], 10);
    EXPECT_EQ(Bytes(file.begin() + 12, file.begin() + 16), (Bytes{0x80, 0x02, 0xE0, 0x01}));
    EXPECT_EQ(Bytes(file.begin() + 18, file.end()), encode(original));
    EXPECT_EQ(pixels, original) << "compression leaves the caller's buffer alone";

    tga_save("/nonexistent-folder/x.tga", pixels.data(), 1, 1, 1);   // skipped silently
}

}  // namespace
