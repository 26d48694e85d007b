/*
** leak_test.cpp -- what stays behind when readers fail and when the
** showcase is reloaded again and again in one session: nothing more than
** after the first time (files, heap, textures, GL names, models).
*/
#include "gl_window.h"
#include "testutil.h"
#include "unit/tds_writer.h"

#include "dk_path.h"
#include "dk_sections.h"
#include "model.h"
#include "shader.h"
#include "st_reload.h"
#include "tex.h"

#include <malloc.h>

#include <functional>
#include <regex>

namespace {

struct Held {
    long fds, heap, textures, gl_textures, gl_lists, models;
};

Held held()
{
    Held h = {};
    glFinish();
    std::filesystem::directory_iterator fds("/proc/self/fd");
    h.fds = std::distance(begin(fds), end(fds));
    struct mallinfo2 m = mallinfo2();
    h.heap = (long)(m.uordblks + m.hblkhd);
    for (int i = 0; i < tex_count; i++) h.textures += tex_array[i] != nullptr;
    for (GLuint n = 1; n < 4096; n++) h.gl_textures += glIsTexture(n), h.gl_lists += glIsList(n);
    for (int i = 0; i < sceneCount; i++) h.models += sceneCache[i].model != nullptr;
    return h;
}

/* The script with every section's end a thousandth later: every section
** reads differently, so a reload loads it again. */
std::string later(const std::string& script)
{
    std::istringstream in(script);
    std::string out, line;
    while (std::getline(in, line)) {
        if (line.compare(0, 4, "end ") == 0) line = "end " + std::to_string(atof(line.c_str() + 4) + 0.001);
        out += line + "\n";
    }
    return out;
}

void freeSections()
{
    for (Section* s = demoSystem.section_list; s;) {
        Section* next = s->next;
        section_free(s);
        s = next;
    }
    demoSystem.section_list = nullptr;
}

/* Splines, shader modes and pick files that fail are leak-checked by
** their fuzz seeds; these readers fail on a picture or a section list. */
TEST(Leaks, FailingReadersKeepNoFileAndNoMemory)
{
    openTestWindow(640, 480, 1, 2048, 1024, 1);   /* the showcase's: its motion blur needs accum */
    TempDir dir(true);
    writeFile("nomap.sha", "{\ntexture missing.tga\n}\n");
    using namespace tds;
    ASSERT_TRUE(save("nomap.3ds", file(material(matName("m"), chunk(0xA200, mapFile("missing.tga"))))));
    writeFile("bad.png", "\x89PNG\r\n\x1a\n not a picture after all");
    std::filesystem::create_directories("scripts/inner");
    writeFile("scripts/inner/a.lum", "[background]\nstart 0\nend 1\nstring x.tga\nbogus 1\n");

    const std::pair<const char*, std::function<void()>> readers[] = {
        {"shader texture", [] { shaders_load("nomap.sha"); }},
        {"3DS map", [] { model_load("./", "nomap.3ds"); }},
        {"picture", [] { tex_load("bad.png"); }},
        {"script", [] {
             try {
                 recurseDirectories("scripts");
             } catch (...) {
                 freeSections();
                 throw;
             }
         }},
    };
    for (const auto& r : readers) {
        auto fail = [&] {
            try {
                r.second();
                ADD_FAILURE() << r.first << " read a bad file";
            } catch (const DemoError&) {
            }
        };
        fail();   /* first-time set-up of the libraries is not a leak */
        Held before = held();
        for (int i = 0; i < 20; i++) fail();
        Held after = held();
        EXPECT_EQ(after.fds, before.fds) << r.first;
        EXPECT_LT(after.heap - before.heap, 2048) << r.first;
        EXPECT_EQ(after.textures, before.textures) << r.first;
    }
}

/* Every section of the showcase loaded again on every reload (its script
** edited, every data file changed), with a failing reload every fourth
** time; after a first reload the session holds no more than it did.  The
** GL's own heap use swings by a megabyte from frame to frame, so the heap
** is compared at the quietest of three rounds at the start and the end. */
TEST(Leaks, ShowcaseReloadsHoldWhatTheFirstHeld)
{
    openTestWindow(640, 480, 1, 2048, 1024, 1);
    TempDir demo(true);
    std::filesystem::copy(LUMENO_SOURCE_DIR "/examples/showcase", ".", std::filesystem::copy_options::recursive);
    std::string main = std::regex_replace(readFile("showcase.lum"), std::regex("\nsound 1"), "\nsound 0");
    writeFile("showcase.lum", std::regex_replace(main, std::regex("\ndebug 0"), "\ndebug 1"));
    std::vector<std::string> scripts, data;
    for (const auto& e : std::filesystem::recursive_directory_iterator("."))
        if (e.is_regular_file())
            (e.path().extension() == ".lum" ? scripts : data).push_back(path_normalize(e.path().c_str()));
    std::vector<std::string> texts;
    for (const std::string& s : scripts) texts.push_back(readFile(s));
    const std::string shader = readFile("data/models/torus.sha");

    dkernel_setDefaults();
    recurseDirectories(".");
    init_sectionQueues();
    Held first = {};
    std::vector<long> heap;   /* after each round */
    for (int round = 1; round <= 21; round++) {
        for (size_t i = 0; i < scripts.size(); i++)
            writeFile(scripts[i], round % 2 ? later(texts[i]) : texts[i]);
        if (round % 4 == 0) {
            writeFile("data/models/torus.sha", shader + "{\nmode sparkle\n}\n");
            reloadState.changed = data;
            EXPECT_EQ(reload_demo(), 0) << round;
            writeFile("data/models/torus.sha", shader);
        }
        reloadState.changed = data;
        ASSERT_EQ(reload_demo(), 1) << round;
        /* the models, the scene, particles and effects play: lists are made */
        for (float second : {20.0f, 38.0f, 48.0f, 56.0f, 70.0f}) {
            demoSystem.time = second;
            process_sectionQueues();
        }
        demoSystem.time = 20.0f;
        Held now = held();
        if (round == 1) first = now;
        heap.push_back(now.heap);
    }
    Held last = held();
    EXPECT_EQ(last.fds, first.fds);
    EXPECT_EQ(last.textures, first.textures);
    EXPECT_EQ(last.gl_textures, first.gl_textures);
    EXPECT_EQ(last.gl_lists, first.gl_lists);
    EXPECT_EQ(last.models, first.models);
    long start = *std::min_element(heap.begin() + 1, heap.begin() + 4);
    long end = *std::min_element(heap.end() - 3, heap.end());
    EXPECT_LT(end - start, 256 * 1024) << "bytes grown over 17 reloads";
}

}  // namespace
