// Texture manager: resampling, detail clamping, property flags, loading
// (sharing and user counts, shrinking, channel order, packed rows), upload
// and memory on a real GL window, the binding caches, and the fatal messages.
#include "tex.h"

#include "gl_window.h"
#include "testutil.h"
#include "tga.h"

#include <gtest/gtest.h>

#include <SDL/SDL.h>
#include <string.h>
#include <unistd.h>

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

TEST(TexRules, ResamplingDetailClampPowerOfTwoAndFlags)
{
    // 5 x 3 -> 2 x 2: step 2.5, columns 1 and 3; rows 0 and 1
    Bytes src(5 * 3 * 3), dst(2 * 2 * 3);
    for (size_t i = 0; i < src.size(); i++) src[i] = (unsigned char)i;
    scale_texture_24(src.data(), 5, 3, 2, 2, dst.data());
    EXPECT_EQ(dst, (Bytes{3, 4, 5, 9, 10, 11, 18, 19, 20, 24, 25, 26}));
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

    EXPECT_EQ((std::vector<int>{powerOfTwo(0), powerOfTwo(1), powerOfTwo(2), powerOfTwo(6)}), (std::vector<int>{1, 0, 1, 0}));
    struct { int flags; GLenum target, min, wrap, env; } cases[] = {
        {0, GL_TEXTURE_2D, GL_LINEAR_MIPMAP_LINEAR, GL_REPEAT, GL_REPLACE},
        {5, GL_TEXTURE_2D, GL_LINEAR, GL_CLAMP_TO_EDGE, GL_REPLACE},
        {6, GL_TEXTURE_2D, GL_LINEAR_MIPMAP_LINEAR, GL_CLAMP, GL_REPLACE},
        {11, GL_TEXTURE_2D, GL_LINEAR, GL_CLAMP, GL_MODULATE},
        {16, GL_TEXTURE_1D, GL_LINEAR_MIPMAP_LINEAR, GL_REPEAT, GL_REPLACE},
    };
    int index = tex_new(4, 4, GL_RGB, 3);
    for (auto& c : cases) {
        tex_properties(index, c.flags);
        const Texture* t = tex_array[index];
        EXPECT_TRUE(t->target == c.target && t->min_filter == c.min && t->wrap == c.wrap && t->env_mode == c.env) << c.flags;
    }
}

TEST(TexLoad, SharedByNameWithUsersShrunkPerSideAndPacked)
{
    std::string path = writePicture("wide.tga", 5000, 3);
    tex_detail = 0;
    int index = tex_load(path.c_str());
    tex_detail = 5;
    std::string upper = path;
    upper.replace(upper.size() - 3, 3, "TGA");   // that file does not exist
    EXPECT_EQ(tex_load(upper.c_str()), index);
    tex_free(index);   // every load is a user: the slot lives until the last lets go
    ASSERT_NE(tex_array[index], nullptr);

    const Texture* t = tex_array[index];
    EXPECT_TRUE(t->width == 128 && t->height == 3 && t->orig_width == 5000);
    ASSERT_EQ(t->format, (GLenum)GL_BGR);
    unsigned step = 5000u * 65536u / 128u;
    for (int y = 0; y < 3; y++)
        for (int x : {0, 77, 127}) {
            int sx = (int)((step / 2 + x * step) >> 16);
            const unsigned char* p = t->data + (y * 128 + x) * 3;
            EXPECT_TRUE(p[2] == sx % 256 && p[1] == y && p[0] == (sx + y) % 256) << x << ", " << y;
        }
    tex_free(index);
    EXPECT_EQ(tex_array[index], nullptr);

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
    const Bytes redBlue = {255, 0, 0, 0, 0, 255};
    const struct { const char* name; std::string bytes; Bytes expected; } cases[] = {   // left pixel first
        {"grey.png", png(8, 0, {64, 192}), {64, 64, 64, 192, 192, 192}},
        {"grey16.png", png(16, 0, {0x12, 0x34, 0xAB, 0xCD}), {0x12, 0x12, 0x12, 0xAB, 0xAB, 0xAB}},
        {"greyalpha.png", png(8, 4, {10, 20, 30, 40}), {10, 10, 10, 20, 30, 30, 30, 40}},
        {"palette.png", png(2, 3, {0x40}, {0, 0, 255, 255, 0, 0}), redBlue},
        // one fully transparent entry: a key colour, transparent in the texture
        {"keyed.png", png(8, 3, {0, 1}, {255, 0, 0, 0, 0, 255}, {0}), {255, 0, 0, 0, 0, 0, 255, 255}},
        // 16-bit TGA, 1-5-5-5 little-endian: red, blue
        {"rgb555.tga", std::string("\0\0\2\0\0\0\0\0\0\0\0\0\2\0\1\0\x10\0\0\x7C\x1F\0", 22), redBlue},
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

class TexGl : public testing::Test {
protected:
    void SetUp() override { openTestWindow(); }
};

TEST_F(TexGl, UploadsMemoryAndFree)
{
    int index = tex_load(writePicture("colours.tga", 2, 2).c_str());   // 6-byte rows
    tex_properties(index, 1);
    tex_upload(index);
    Bytes back(12);
    glBindTexture(GL_TEXTURE_2D, (GLuint)tex_array[index]->gl_id);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, back.data());
    EXPECT_EQ(back, (Bytes{0, 0, 0, 1, 0, 1, 0, 1, 1, 1, 1, 2}));
    EXPECT_EQ(tex_array[index]->data, nullptr);

    // render targets keep their exact size; a mipmapped 1-D texture gets its chain
    EXPECT_EQ(tex_array[demoSystem.rtt_texture]->memory, 1024 * 512 * 3);
    int target = tex_new(800, 600, GL_RGB, 3), line = tex_new(8, 1, GL_RGB, 3);
    tex_properties(target, 5);
    tex_upload(target);
    GLint w = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    EXPECT_EQ(w, 800);
    tex_properties(line, 16);
    tex_upload(line);
    glGetTexLevelParameteriv(GL_TEXTURE_1D, 3, GL_TEXTURE_WIDTH, &w);
    EXPECT_EQ(w, 1);

    // memory: the mip chain without its 1 x 1 level, or one level
    int before = tex_get_used_memory();
    int mip = tex_new(256, 256, GL_RGB, 3), npot = tex_new(300, 200, GL_RGB, 3);
    tex_upload(mip);
    tex_properties(npot, 1);
    tex_persistent(npot, 1);
    tex_upload(npot);
    EXPECT_NE(tex_array[npot]->data, nullptr) << "persistent pixels are kept";
    EXPECT_EQ(tex_get_used_memory(), before + 262140 + 180000);
    GLuint id = (GLuint)tex_array[mip]->gl_id;
    int count = tex_count;
    tex_free(mip);
    EXPECT_TRUE(tex_array[mip] == nullptr && tex_count == count && glIsTexture(id) == GL_FALSE);
    EXPECT_EQ(tex_get_used_memory(), before + 180000);
    tex_reset_bind();
}

TEST_F(TexGl, BindingSkipsWhatTheCacheShowsAsSet)
{
    int a = tex_new(2, 2, GL_RGB, 3);
    tex_properties(a, 9);
    tex_upload(a);
    tex_bind(a);
    glBindTexture(GL_TEXTURE_2D, 0);   // behind the cache's back
    tex_bind(a);
    GLint bound = -1, mode = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0) << "a cached bind issues no GL call";
    tex_reset_bind();
    tex_bind(a);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_TRUE(bound == tex_array[a]->gl_id && mode == GL_MODULATE);
    tex_reset_bind();
}

TEST(TexDeath, BadPicturesAndLimits)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // bare TGA headers (type 2) of a depth and size, without their pixels
    auto header = [](const char* name, int w, int h, int bits) {
        unsigned char head[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, (unsigned char)w, (unsigned char)(w >> 8),
                                  (unsigned char)h, (unsigned char)(h >> 8), (unsigned char)bits, 0};
        writeFile(pictures.path + name, std::string((char*)head, 18) + std::string(32, '\0'));
        return pictures.path + name;
    };
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, 64, 64, 24, 0xFF, 0xFF00, 0xFF0000, 0);
    SDL_SaveBMP(s, (pictures.path + "cut.bmp").c_str());
    SDL_FreeSurface(s);
    ASSERT_EQ(truncate((pictures.path + "cut.bmp").c_str(), 300), 0);
    const std::pair<std::string, std::string> cases[] = {
        {"no/such.png", "^Error: Error loading 'no/such.png': .+"},
        {pictures.path + "cut.bmp", "^Error: Error loading '.*cut.bmp': .+"},
        {header("huge.tga", 20000, 20000, 24), "^Error: Error loading '.*huge.tga': picture too large \\(20000 x 20000\\)"},
    };
    for (auto& c : cases) EXPECT_EXIT(FATAL(tex_load(c.first.c_str())), testing::ExitedWithCode(1), c.second);
    EXPECT_EXIT(FATAL(for (int i = 0; i < 300; i++) tex_init()), testing::ExitedWithCode(1),
                "^Error: Too many textures \\(limited to 256\\)");
    unsigned char palette[768];
    EXPECT_EXIT(FATAL(load_palette(palette, "no.pal")), testing::ExitedWithCode(1), "^Error: Error opening 'no.pal'");
}

}  // namespace
