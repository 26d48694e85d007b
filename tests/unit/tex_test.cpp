// Texture manager: resampling, detail clamping, property flags, loading
// (sharing, shrinking, channel order, row packing), upload and memory
// accounting on a real GL window, binding caches, and the fatal messages.
#include "tex.h"

#include "gl_window.h"

#include <gtest/gtest.h>

#include <SDL/SDL.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

typedef std::vector<unsigned char> Bytes;

std::string tempPath(const std::string& name)
{
    return std::string(testing::TempDir()) + "lumeno_tex_" + std::to_string(getpid()) + "_" + name;
}

void put16(Bytes& b, int v) { b.push_back(v & 0xFF); b.push_back((v >> 8) & 0xFF); }
void put32(Bytes& b, long v) { put16(b, (int)(v & 0xFFFF)); put16(b, (int)((v >> 16) & 0xFFFF)); }

// Writes an uncompressed BMP; pixel(x, y) gives (r, g, b), y from the top.
// bits 8 uses a grey palette, 16 writes 5-5-5 pixels.  rows_kept < height
// cuts the file short (a truncated picture).
template <class F>
std::string writeBmp(const std::string& name, int w, int h, int bits, F pixel, int rows_kept = -1)
{
    int row = ((w * bits / 8) + 3) & ~3;
    int palette = bits == 8 ? 256 * 4 : 0;
    Bytes b = {'B', 'M'};
    put32(b, 54 + palette + (long)row * h);
    put32(b, 0);
    put32(b, 54 + palette);
    put32(b, 40);
    put32(b, w);
    put32(b, h);
    put16(b, 1);
    put16(b, bits);
    put32(b, 0);
    put32(b, (long)row * h);
    put32(b, 2835);
    put32(b, 2835);
    put32(b, bits == 8 ? 256 : 0);
    put32(b, 0);
    for (int i = 0; i < palette / 4; i++) {
        b.push_back(i); b.push_back(i); b.push_back(i); b.push_back(0);
    }
    std::string path = tempPath(name);
    FILE* f = fopen(path.c_str(), "wb");
    fwrite(b.data(), 1, b.size(), f);
    int rows = rows_kept < 0 ? h : rows_kept;
    Bytes line(row);
    for (int y = h - 1; y >= h - rows; y--) {
        std::fill(line.begin(), line.end(), 0);
        for (int x = 0; x < w; x++) {
            Rgb c = pixel(x, y);
            if (bits == 24 || bits == 32) {
                unsigned char* p = &line[x * bits / 8];
                p[0] = c.b; p[1] = c.g; p[2] = c.r;
                if (bits == 32) p[3] = 255;
            } else if (bits == 16) {
                int v = ((c.r >> 3) << 10) | ((c.g >> 3) << 5) | (c.b >> 3);
                line[2 * x] = v & 0xFF;
                line[2 * x + 1] = v >> 8;
            } else {
                line[x] = (unsigned char)c.r;
            }
        }
        fwrite(line.data(), 1, line.size(), f);
    }
    fclose(f);
    return path;
}

// Colour of the picture pixel (x, y): distinct per column and row.
Rgb gradient(int x, int y)
{
    Rgb c = {x % 256, y % 256, (x / 256 + 7 * y) % 256};
    return c;
}

// ---- pure parts ----

TEST(TexResample, PicksSourcePixelsByFixedPointCentres)
{
    // 5 x 3 -> 2 x 2: step 2.5 in 16.16; x samples 1 and 3, y rows 0 and 1
    Bytes src(5 * 3 * 3);
    for (size_t i = 0; i < src.size(); i++) src[i] = (unsigned char)i;
    Bytes dst(2 * 2 * 3, 0xEE);
    scale_texture_24(src.data(), 5, 3, 2, 2, dst.data());
    const int cols[2] = {1, 3}, rows[2] = {0, 1};
    for (int y = 0; y < 2; y++)
        for (int x = 0; x < 2; x++)
            for (int c = 0; c < 3; c++)
                EXPECT_EQ(dst[(y * 2 + x) * 3 + c], src[(rows[y] * 5 + cols[x]) * 3 + c]);

    // 4-byte pixels, 3 -> 7 upscale: 3*65536/7 = 28086, accumulator from 14043
    Bytes s4 = {1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3};
    Bytes d4(7 * 4);
    scale_texture_32(s4.data(), 3, 1, 7, 1, d4.data());
    const int expect[7] = {1, 1, 2, 2, 2, 3, 3};   // (14043 + 28086 x) >> 16
    for (int x = 0; x < 7; x++) EXPECT_EQ(d4[x * 4 + 3], expect[x]) << x;

    // equal sizes copy unchanged
    Bytes same(3 * 2 * 3);
    scale_texture_24(src.data(), 3, 2, 3, 2, same.data());
    Bytes srcRows(src.begin(), src.begin() + 18);
    EXPECT_EQ(same, srcRows);
}

TEST(TexResample, PaletteVariantWritesPaletteTriples)
{
    unsigned char palette[768];
    for (int i = 0; i < 256; i++) {
        palette[3 * i] = (unsigned char)i;
        palette[3 * i + 1] = (unsigned char)(255 - i);
        palette[3 * i + 2] = 7;
    }
    unsigned char src[4] = {10, 20, 30, 40};
    unsigned char dst[2 * 3];
    scale_texture_8_to_24(src, 4, 1, 2, 1, dst, palette);   // samples 1 and 3
    EXPECT_EQ(dst[0], 20);
    EXPECT_EQ(dst[1], 235);
    EXPECT_EQ(dst[3], 40);
    EXPECT_EQ(dst[5], 7);
}

TEST(TexRules, PowerOfTwoAndMemory)
{
    EXPECT_EQ(powerOfTwo(0), 1);
    EXPECT_EQ(powerOfTwo(1), 0);
    EXPECT_EQ(powerOfTwo(2), 1);
    EXPECT_EQ(powerOfTwo(6), 0);
    EXPECT_EQ(powerOfTwo(4096), 1);
    EXPECT_EQ(powerOfTwo(-4), 0);
    EXPECT_EQ(tex_memoryFor(256, 256, 3, 1), 262140);
    EXPECT_EQ(tex_memoryFor(300, 200, 3, 0), 180000);
    EXPECT_EQ(tex_memoryFor(4, 1, 4, 1), 16 + 8);   // 4x1, 2x1; the 1x1 level is not counted
}

TEST(TexRules, DetailOutsideTheTableIsClampedWithOneWarning)
{
    int saved = tex_detail;
    tex_detail = 0;
    EXPECT_EQ(tex_maxSize(), 128);
    tex_detail = 3;
    EXPECT_EQ(tex_maxSize(), 1024);

    tex_detail = 9;
    testing::internal::CaptureStderr();
    EXPECT_EQ(tex_maxSize(), 4096);
    EXPECT_EQ(tex_maxSize(), 4096);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("texture_detail 9"), std::string::npos) << err;
    EXPECT_EQ(err.find("texture_detail 9"), err.rfind("texture_detail 9")) << "warned twice";

    tex_detail = -2;
    testing::internal::CaptureStderr();
    EXPECT_EQ(tex_maxSize(), 128);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("texture_detail -2"), std::string::npos);
    tex_detail = saved;
}

TEST(TexRules, PropertyFlagsDeriveFilterWrapEnvAndTarget)
{
    struct Case {
        int flags;
        GLenum target, min, wrap, env;
    } cases[] = {
        {0, GL_TEXTURE_2D, GL_LINEAR_MIPMAP_LINEAR, GL_REPEAT, GL_REPLACE},
        {1, GL_TEXTURE_2D, GL_LINEAR, GL_REPEAT, GL_REPLACE},
        {2, GL_TEXTURE_2D, GL_LINEAR_MIPMAP_LINEAR, GL_CLAMP, GL_REPLACE},
        {5, GL_TEXTURE_2D, GL_LINEAR, GL_CLAMP_TO_EDGE, GL_REPLACE},
        {6, GL_TEXTURE_2D, GL_LINEAR_MIPMAP_LINEAR, GL_CLAMP, GL_REPLACE},
        {11, GL_TEXTURE_2D, GL_LINEAR, GL_CLAMP, GL_MODULATE},
        {16, GL_TEXTURE_1D, GL_LINEAR_MIPMAP_LINEAR, GL_REPEAT, GL_REPLACE},
    };
    int index = tex_new(4, 4, GL_RGB, 3);
    for (const Case& c : cases) {
        tex_properties(index, c.flags);
        const Texture* t = tex_array[index];
        EXPECT_EQ(t->properties, c.flags);
        EXPECT_EQ(t->target, c.target) << c.flags;
        EXPECT_EQ(t->min_filter, c.min) << c.flags;
        EXPECT_EQ(t->wrap, c.wrap) << c.flags;
        EXPECT_EQ(t->env_mode, c.env) << c.flags;
    }
    EXPECT_EQ(tex_array[index]->generated, 1);
    EXPECT_EQ(tex_array[index]->gl_id, -1);
}

// ---- loading without GL ----

TEST(TexLoad, SharesEntriesByNameWithoutRegardToCase)
{
    std::string path = writeBmp("share.bmp", 4, 4, 24, gradient);
    int a = tex_load(path.c_str());
    std::string upper = path;
    for (size_t i = upper.rfind('/') + 1; i < upper.size(); i++) upper[i] = (char)toupper(upper[i]);
    int count = tex_count;
    EXPECT_EQ(tex_load(upper.c_str()), a);   // the upper-case file does not exist
    EXPECT_EQ(tex_count, count);
    remove(path.c_str());
}

TEST(TexLoad, ShrinksEachSideToTheDetailSize)
{
    std::string path = writeBmp("wide.bmp", 5000, 300, 24, gradient);
    int saved = tex_detail;

    tex_detail = 5;
    const Texture* t = tex_array[tex_load(path.c_str())];
    EXPECT_EQ(t->width, 4096);
    EXPECT_EQ(t->height, 300);
    EXPECT_EQ(t->orig_width, 5000);
    EXPECT_EQ(t->surface, nullptr);

    // a second name for the same file gives a fresh load at another detail
    std::string alias = path + ".bmp";
    ASSERT_EQ(symlink(path.c_str(), alias.c_str()), 0);
    tex_detail = 0;
    t = tex_array[tex_load(alias.c_str())];
    EXPECT_EQ(t->width, 128);
    EXPECT_EQ(t->height, 128);
    EXPECT_EQ(t->orig_width, 5000);
    EXPECT_EQ(t->orig_height, 300);
    ASSERT_EQ(t->format, (GLenum)GL_BGR);
    // nearest source pixel: column (step/2 + x*step) >> 16, row y*300/128
    unsigned step = 5000u * 65536u / 128u;
    for (int y : {0, 1, 77, 127})
        for (int x : {0, 1, 64, 127}) {
            int sx = (int)((step / 2 + x * step) >> 16), sy = y * 300 / 128;
            const unsigned char* p = t->data + (y * 128 + x) * 3;
            Rgb c = gradient(sx, sy);
            EXPECT_EQ(p[2], c.r) << x << "," << y;
            EXPECT_EQ(p[1], c.g) << x << "," << y;
            EXPECT_EQ(p[0], c.b) << x << "," << y;
        }
    tex_detail = saved;
    remove(alias.c_str());
    remove(path.c_str());
}

TEST(TexLoad, RowsArePackedAndChannelOrderMatchesMemory)
{
    // 3 pixels of 3 bytes: SDL pads such rows to 12 bytes
    std::string path = writeBmp("odd.bmp", 3, 2, 24, gradient);
    const Texture* t = tex_array[tex_load(path.c_str())];
    EXPECT_EQ(t->components, 3);
    ASSERT_EQ(t->format, (GLenum)GL_BGR);
    for (int y = 0; y < 2; y++)
        for (int x = 0; x < 3; x++) {
            const unsigned char* p = t->data + (y * 3 + x) * 3;   // top row first
            EXPECT_EQ(p[2], gradient(x, y).r);
            EXPECT_EQ(p[1], gradient(x, y).g);
            EXPECT_EQ(p[0], gradient(x, y).b);
        }
    remove(path.c_str());

    path = writeBmp("rgba.bmp", 2, 2, 32, gradient);
    t = tex_array[tex_load(path.c_str())];
    EXPECT_EQ(t->components, 4);
    EXPECT_EQ(t->format, (GLenum)GL_BGRA);
    remove(path.c_str());
}

// ---- upload on a real GL window ----

class TexGl : public testing::Test {
protected:
    void SetUp() override { openTestWindow(); }
};

Bytes readBack(const Texture* t, GLenum format)
{
    Bytes out((size_t)t->width * t->height * 3);
    glBindTexture(GL_TEXTURE_2D, (GLuint)t->gl_id);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, out.data());
    tex_reset_bind();
    return out;
}

TEST_F(TexGl, RenderTargetsExistWithTheirSize)
{
    const Texture* a = tex_array[demoSystem.rtt_texture];
    const Texture* b = tex_array[demoSystem.rtt_texture2];
    ASSERT_TRUE(a && b);
    EXPECT_NE(demoSystem.rtt_texture, demoSystem.rtt_texture2);
    EXPECT_EQ(a->width, 1024);
    EXPECT_EQ(a->height, 512);
    EXPECT_EQ(a->properties, 5);
    EXPECT_EQ(a->memory, 1024 * 512 * 3);
    EXPECT_NE(a->gl_id, -1);
    EXPECT_EQ(a->data, nullptr);
}

TEST_F(TexGl, OddRowLengthsUploadAsLaidOut)
{
    // 2 x 2 RGB: 6-byte rows, which a 4-byte unpack alignment would misread
    int index = tex_new(2, 2, GL_RGB, 3);
    Bytes pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    memcpy(tex_array[index]->data, pixels.data(), pixels.size());
    tex_properties(index, 1);
    tex_upload(index);
    EXPECT_EQ(readBack(tex_array[index], GL_RGB), pixels);

    // a loaded BGR picture comes back in its true colours
    std::string path = writeBmp("colours.bmp", 2, 2, 24, gradient);
    int loaded = tex_load(path.c_str());
    tex_properties(loaded, 1);
    tex_upload(loaded);
    Bytes rgb = readBack(tex_array[loaded], GL_RGB);
    for (int i = 0; i < 4; i++) {
        Rgb c = gradient(i % 2, i / 2);
        EXPECT_EQ(rgb[3 * i], c.r);
        EXPECT_EQ(rgb[3 * i + 1], c.g);
        EXPECT_EQ(rgb[3 * i + 2], c.b);
    }
    EXPECT_EQ(tex_array[loaded]->data, nullptr);
    EXPECT_EQ(tex_array[loaded]->surface, nullptr);
    remove(path.c_str());
}

TEST_F(TexGl, MemoryIsCountedPerUploadAndReleasedByFree)
{
    int before = tex_get_used_memory();
    int mip = tex_new(256, 256, GL_RGB, 3);
    tex_properties(mip, 0);
    tex_upload(mip);
    EXPECT_EQ(tex_array[mip]->memory, 262140);

    int npot = tex_new(300, 200, GL_RGB, 3);
    tex_properties(npot, 1);
    tex_persistent(npot, 1);
    tex_upload(npot);
    EXPECT_EQ(tex_array[npot]->memory, 300 * 200 * 3);
    EXPECT_NE(tex_array[npot]->data, nullptr) << "persistent data is kept";
    EXPECT_EQ(tex_get_used_memory(), before + 262140 + 180000);

    int id = tex_array[mip]->gl_id;
    tex_upload(mip);   // already uploaded: nothing happens
    EXPECT_EQ(tex_array[mip]->gl_id, id);

    int count = tex_count;
    tex_free(mip);
    EXPECT_EQ(tex_array[mip], nullptr);
    EXPECT_EQ(tex_count, count);
    EXPECT_EQ(tex_get_used_memory(), before + 180000);
    EXPECT_EQ(glIsTexture((GLuint)id), GL_FALSE);
    tex_free(mip);   // freeing an empty slot is harmless
}

TEST_F(TexGl, RenderTargetsKeepTheirExactSize)
{
    // frame copies address texels directly, so no rescaling to powers of two
    int index = tex_new(800, 600, GL_RGB, 3);
    tex_properties(index, 5);
    tex_upload(index);
    glBindTexture(GL_TEXTURE_2D, (GLuint)tex_array[index]->gl_id);
    GLint w = 0, h = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    EXPECT_EQ(w, 800);
    EXPECT_EQ(h, 600);
    tex_reset_bind();
}

TEST_F(TexGl, OneDimensionalMipmappedTextureIsComplete)
{
    int index = tex_new(8, 1, GL_RGB, 3);
    tex_properties(index, 16);
    tex_upload(index);
    glBindTexture(GL_TEXTURE_1D, (GLuint)tex_array[index]->gl_id);
    GLint w = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_1D, 3, GL_TEXTURE_WIDTH, &w);
    EXPECT_EQ(w, 1) << "the mip chain reaches 1 texel";
    EXPECT_EQ(tex_array[index]->memory, 8 * 3 + 4 * 3 + 2 * 3);
    tex_reset_bind();
}

TEST_F(TexGl, BindingSkipsWhatTheCacheShowsAsSet)
{
    int a = tex_new(2, 2, GL_RGB, 3);
    tex_properties(a, 9);
    tex_upload(a);
    EXPECT_EQ(tex_current, -1) << "upload forgets the binding";

    tex_bind(a);
    EXPECT_EQ(tex_current, tex_array[a]->gl_id);
    EXPECT_EQ(env_mode, GL_MODULATE);

    // change GL behind the cache: a cached bind issues no call
    glBindTexture(GL_TEXTURE_2D, 0);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    tex_bind(a);
    GLint bound = -1, mode = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(bound, 0);
    EXPECT_EQ(mode, GL_REPLACE);

    tex_reset_bind();
    tex_bind(a);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(bound, tex_array[a]->gl_id);
    EXPECT_EQ(mode, GL_MODULATE);

    tex_envmode(GL_REPLACE);
    EXPECT_EQ(env_mode, GL_REPLACE);
    tex_reset_bind();
}

// ---- fatal paths (each in a fresh process) ----

class TexDeath : public testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(TexDeath, MissingPicture)
{
    EXPECT_EXIT(tex_load("no/such/picture.png"), testing::ExitedWithCode(1),
                "Error: Error loading 'no/such/picture.png': .+");
}

TEST_F(TexDeath, PalettedPicture)
{
    std::string path = writeBmp("pal.bmp", 4, 4, 8, gradient);
    EXPECT_EXIT(tex_load(path.c_str()), testing::ExitedWithCode(1),
                "Error: Unsupported paletted texture '.*pal.bmp'");
    remove(path.c_str());
}

TEST_F(TexDeath, SixteenBitPicture)
{
    std::string path = writeBmp("p16.bmp", 4, 4, 16, gradient);
    EXPECT_EXIT(tex_load(path.c_str()), testing::ExitedWithCode(1),
                "Error: Unsupported format in '.*p16.bmp'");
    remove(path.c_str());
}

TEST_F(TexDeath, HugePictureIsRefusedBeforeDecoding)
{
    // header only: decoding would need 1.2 GB
    std::string path = writeBmp("huge.bmp", 20000, 20000, 24, gradient, 0);
    EXPECT_EXIT(tex_load(path.c_str()), testing::ExitedWithCode(1),
                "Error: Error loading '.*huge.bmp': picture too large \\(20000 x 20000\\)");
    remove(path.c_str());
}

TEST_F(TexDeath, TruncatedPicture)
{
    std::string path = writeBmp("cut.bmp", 64, 64, 24, gradient, 10);
    EXPECT_EXIT(tex_load(path.c_str()), testing::ExitedWithCode(1),
                "Error: Error loading '.*cut.bmp': .+");
    remove(path.c_str());
}

TEST_F(TexDeath, TooManyTextures)
{
    EXPECT_EXIT(
        {
            for (int i = 0; i < 300; i++) tex_init();
        },
        testing::ExitedWithCode(1), "Error: Too many textures \\(limited to 256\\)");
}

TEST_F(TexDeath, MissingPalette)
{
    unsigned char palette[768];
    EXPECT_EXIT(load_palette(palette, "no-palette.pal"), testing::ExitedWithCode(1),
                "Error: Error opening 'no-palette.pal'");
}

}  // namespace
