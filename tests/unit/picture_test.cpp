// The own picture decoder of the Windows player against SDL_image, which
// the Linux player uses: every picture of the examples and the test data,
// and made files for the layouts those do not cover, must come back as the
// same surface, pixel for pixel, or fail alike; only pictures that are not
// true colour are refused where SDL_image gives a paletted surface.
#include "picture.h"

#include "testutil.h"

#include <SDL/SDL.h>
#include <SDL/SDL_image.h>
#include <png.h>

#include <filesystem>
#include <map>

namespace {

namespace fs = std::filesystem;

void expectSameSurface(const std::string& file)
{
    SDL_Surface* want = IMG_Load(file.c_str());
    SDL_Surface* got = picture_decode(file.c_str());
    ASSERT_EQ(want != nullptr, got != nullptr) << file << ": " << SDL_GetError();
    if (!want) return;
    const SDL_PixelFormat* a = want->format;
    const SDL_PixelFormat* b = got->format;
    ASSERT_EQ(want->w, got->w) << file;
    ASSERT_EQ(want->h, got->h) << file;
    ASSERT_EQ(a->BitsPerPixel, b->BitsPerPixel) << file;   /* the decoder makes no paletted surface */
    if (!a->palette && a->BitsPerPixel >= 24) {
        EXPECT_EQ(a->Rmask, b->Rmask) << file;
        EXPECT_EQ(a->Bmask, b->Bmask) << file;
        EXPECT_EQ(a->Amask, b->Amask) << file;
        size_t row = (size_t)want->w * a->BytesPerPixel;
        int differing = 0;
        for (int y = 0; y < want->h; y++)
            differing += memcmp((char*)want->pixels + (size_t)want->pitch * y,
                                (char*)got->pixels + (size_t)got->pitch * y, row) != 0;
        EXPECT_EQ(differing, 0) << file << ": rows differ";
    }
    SDL_FreeSurface(want);
    SDL_FreeSurface(got);
}

TEST(Picture, EveryShippedPictureDecodesAsSdlImageDoes)
{
    int seen = 0;
    for (const char* root : {LUMENO_SOURCE_DIR "/examples", LUMENO_DATA_DIR})
        for (const auto& e : fs::recursive_directory_iterator(root)) {
            std::string ext = e.path().extension().string();
            for (char& c : ext) c = (char)tolower((unsigned char)c);
            if (ext != ".tga" && ext != ".png" && ext != ".jpg") continue;
            expectSameSurface(e.path().string());
            seen++;
        }
    EXPECT_GT(seen, 20);
}

std::string tga(int type, int bits, int descriptor, const std::string& body, int w = 2, int h = 2)
{
    std::string head(18, '\0');
    head[2] = (char)type;
    head[12] = (char)w;
    head[14] = (char)h;
    head[16] = (char)bits;
    head[17] = (char)descriptor;
    return head + body;
}

void writePng(const std::string& path, int format, const std::vector<unsigned char>& px, int w, int h)
{
    png_image img;
    memset(&img, 0, sizeof img);
    img.version = PNG_IMAGE_VERSION;
    img.width = w;
    img.height = h;
    img.format = format;
    ASSERT_TRUE(png_image_write_to_file(&img, path.c_str(), 0, px.data(), 0, nullptr)) << img.message;
}

TEST(Picture, MadeLayoutsDecodeAsSdlImageDoes)
{
    TempDir tmp;
    std::string dir = tmp.path;
    std::string px4(4 * 4, '\0');
    for (int i = 0; i < 16; i++) px4[i] = (char)(i * 17);
    // plain bottom-up TGAs and RGB(A) PNGs ship with the examples; here
    // run-length, top-down, grey, a truncated body and 16 bits
    std::map<std::string, std::string> files = {
        {"top32.tga", tga(2, 32, 0x28, px4)},
        {"rle24.tga", tga(10, 24, 0x20, std::string("\x81\x01\x02\x03\x01\x04\x05\x06\x07\x08\x09", 11))},
        {"grey.tga", tga(3, 8, 0, "\x01\x02\x03\x04")},
        {"short.tga", tga(2, 24, 0, "\x01\x02\x03\x04")},
        {"shortrle.tga", tga(10, 24, 0, "\x81\x01\x02\x03\x05\x04")},
        {"bits16.tga", tga(2, 16, 0, "\x01\x02\x03\x04\x05\x06\x07\x08")},
        {"nosuchformat.dat", "plain text"},
    };
    for (auto& f : files) ASSERT_TRUE(writeFile(dir + f.first, f.second));
    std::vector<unsigned char> grey(4 * 4 * 2);
    for (size_t i = 0; i < grey.size(); i++) grey[i] = (unsigned char)(i * 7);
    writePng(dir + "grey.png", PNG_FORMAT_GRAY, grey, 4, 4);
    writePng(dir + "greyalpha.png", PNG_FORMAT_GA, grey, 4, 4);
    for (const char* name : {"top32.tga", "rle24.tga", "short.tga", "shortrle.tga", "nosuchformat.dat",
                             "greyalpha.png", "missing.tga"})
        expectSameSurface(dir + name);
    // what SDL_image hands over as a paletted surface is refused, with advice
    for (const char* name : {"grey.tga", "bits16.tga", "grey.png"}) {
        EXPECT_EQ(picture_decode((dir + name).c_str()), nullptr) << name;
        EXPECT_NE(strstr(SDL_GetError(), "save greyscale"), nullptr) << name << ": " << SDL_GetError();
    }
}

}  // namespace
