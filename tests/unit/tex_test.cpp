// Texture manager: resampling, detail clamping, loading (sharing and user
// counts, shrinking, channel order, packed rows), memory on a real GL
// window, and the fatal messages.
#include "tex.h"

#include "gl_window.h"
#include "testutil.h"
#include "tga.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

typedef std::vector<unsigned char> Bytes;

TempDir pictures;

// a w x h picture whose pixel (x, y) is (x, y, x + y) mod 256, y from the top
std::string writePicture(const std::string& name, int w, int h)
{
    Bytes rgb;
    for (int y = h - 1; y >= 0; y--)   // the TGA writer takes the bottom row first
        for (int x = 0; x < w; x++) rgb.insert(rgb.end(), {(unsigned char)x, (unsigned char)y, (unsigned char)(x + y)});
    tga_save((pictures.path + name).c_str(), rgb.data(), w, h, 0);
    return pictures.path + name;
}

// 3-byte resampling is seen through tex_load below
TEST(TexRules, ResamplingAndDetailClamp)
{
    // 3 -> 7, 4-byte pixels: (14043 + 28086 x) >> 16
    Bytes s4 = {1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3}, d4(7 * 4), alphas;
    scale_texture_32(s4.data(), 3, 1, 7, 1, d4.data());
    for (int x = 0; x < 7; x++) alphas.push_back(d4[x * 4 + 3]);
    EXPECT_EQ(alphas, (Bytes{1, 1, 2, 2, 2, 3, 3}));

    // detail levels out of range are clamped, with one warning each
    const int levels[][2] = {{0, 128}, {9, 4096}, {9, 4096}, {-2, 128}, {5, 4096}};
    testing::internal::CaptureStderr();
    for (auto& l : levels) {
        tex_detail = l[0];
        EXPECT_EQ(tex_maxSize(), l[1]) << l[0];
    }
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("texture_detail 9"), std::string::npos) << err;
    EXPECT_EQ(err.find("texture_detail 9"), err.rfind("texture_detail 9")) << err;
}

TEST(TexLoad, SharedByNameInAnyCaseShrunkPerSideAndPacked)
{
    std::string path = writePicture("wide.tga", 5000, 3);
    tex_detail = 0;
    int index = tex_load(path.c_str());
    tex_detail = 5;
    std::string upper = path;
    upper.replace(upper.size() - 3, 3, "TGA");   // that file does not exist
    EXPECT_EQ(tex_load(upper.c_str()), index);
    const Texture* t = tex_array[index];
    EXPECT_TRUE(t->width == 128 && t->height == 3 && t->orig_width == 5000);
    ASSERT_EQ(t->format, (GLenum)GL_BGR);
    // the last column of the bottom row samples the middle of its span
    unsigned step = 5000u * 65536u / 128u;
    int sx = (int)((step / 2 + 127 * step) >> 16);
    const unsigned char* p = t->data + (2 * 128 + 127) * 3;
    EXPECT_TRUE(p[2] == sx % 256 && p[1] == 2 && p[0] == (sx + 2) % 256);

    // 3 pixels of 3 bytes: the surface pads rows to 12 bytes, data does not
    t = tex_array[tex_load(writePicture("odd.tga", 3, 2).c_str())];
    EXPECT_TRUE(t->data[(1 * 3 + 2) * 3 + 2] == 2 && t->data[(1 * 3 + 2) * 3 + 1] == 1) << "row 1, column 2";
}

// A 2 x 1 PNG from its sample row (no filter byte), stored uncompressed.
std::string png(int depth, int type, const Bytes& row, const Bytes& plte = {}, const Bytes& trns = {})
{
    auto be = [](uint32_t v) { return std::string{(char)(v >> 24), (char)(v >> 16), (char)(v >> 8), (char)v}; };
    std::string out = "\x89PNG\r\n\x1a\n", raw = '\0' + std::string(row.begin(), row.end());
    auto chunk = [&](const std::string& typed) {
        uint32_t crc = ~0u;
        for (unsigned char b : typed)
            for (int k = 0; k < 8; k++, b >>= 1) crc = crc >> 1 ^ (0xEDB88320u & (0u - ((crc ^ b) & 1)));
        out += be((uint32_t)typed.size() - 4) + typed + be(~crc);
    };
    uint32_t a = 1, s = 0, n = (uint32_t)raw.size();
    for (unsigned char c : raw) a = (a + c) % 65521, s = (s + a) % 65521;
    chunk("IHDR" + be(2) + be(1) + std::string{(char)depth, (char)type, 0, 0, 0});
    if (!plte.empty()) chunk("PLTE" + std::string(plte.begin(), plte.end()));
    if (!trns.empty()) chunk("tRNS" + std::string(trns.begin(), trns.end()));
    chunk("IDAT\x78\x01\x01" + std::string{(char)n, (char)(n >> 8), (char)~n, (char)(~n >> 8)} + raw + be(s << 16 | a));
    chunk("IEND");
    return out;
}

TEST(TexLoad, EveryDecodablePictureBecomesRgbOrRgba)
{
    const struct { const char* name; std::string bytes; Bytes expected; } cases[] = {   // left pixel first
        {"grey.png", png(8, 0, {64, 192}), {64, 64, 64, 192, 192, 192}},
        {"greyalpha.png", png(8, 4, {10, 20, 30, 40}), {10, 10, 10, 20, 30, 30, 30, 40}},
        // one fully transparent entry: a key colour, transparent in the texture
        {"keyed.png", png(8, 3, {0, 1}, {255, 0, 0, 0, 0, 255}, {0}), {255, 0, 0, 0, 0, 0, 255, 255}},
        // 16-bit TGA, 1-5-5-5 little-endian: red, blue
        {"rgb555.tga", std::string("\0\0\2\0\0\0\0\0\0\0\0\0\2\0\1\0\x10\0\0\x7C\x1F\0", 22), {255, 0, 0, 0, 0, 255}},
    };
    for (auto& c : cases) {
        ASSERT_TRUE(writeFile(pictures.path + c.name, c.bytes));
        const Texture* t = tex_array[tex_load((pictures.path + c.name).c_str())];
        int components = (int)c.expected.size() / 2;
        ASSERT_EQ(t->components, components) << c.name;
        EXPECT_EQ(t->format, (GLenum)(components == 4 ? GL_RGBA : GL_RGB)) << c.name;
        EXPECT_EQ(Bytes(t->data, t->data + c.expected.size()), c.expected) << c.name;
    }
}

// the debug overlay shows the memory
TEST(TexGl, MemoryAndFree)
{
    openTestWindow();
    // memory: the mip chain without its 1 x 1 level, or one level
    int before = tex_get_used_memory();
    int mip = tex_new(256, 256, GL_RGB, 3), npot = tex_new(300, 200, GL_RGB, 3);
    tex_upload(mip);
    tex_properties(npot, 1);
    tex_upload(npot);
    EXPECT_EQ(tex_get_used_memory(), before + 262140 + 180000);
    tex_free(mip);
    EXPECT_EQ(tex_array[mip], nullptr);
    EXPECT_EQ(tex_get_used_memory(), before + 180000);
    tex_reset_bind();
}

TEST(TexDeath, BadPicturesAndLimits)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // a bare 24-bit TGA header of 20000 x 20000, without its pixels
    writeFile(pictures.path + "huge.tga", std::string("\0\0\2\0\0\0\0\0\0\0\0\0\x20\x4E\x20\x4E\x18\0", 18) + std::string(32, '\0'));
    const std::pair<std::string, std::string> cases[] = {
        {"no/such.png", "^Error: Error loading 'no/such.png': .+"},
        {pictures.path + "huge.tga", "^Error: Error loading '.*huge.tga': picture too large \\(20000 x 20000\\)"},
    };
    for (auto& c : cases) EXPECT_EXIT(FATAL(tex_load(c.first.c_str())), testing::ExitedWithCode(1), c.second);
    EXPECT_EXIT(FATAL(for (int i = 0; i < 300; i++) tex_init()), testing::ExitedWithCode(1),
                "^Error: Too many textures \\(limited to 256\\)");
}

}  // namespace
