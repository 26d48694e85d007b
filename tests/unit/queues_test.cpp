/*
** queues_test.cpp -- the loading section kept out of the queues, retiring
** and activating, section errors and warnings, on sections built in memory
** with recording lifecycle functions; the load checks' messages.  Other
** selection, queue order and rebuilds are seen end to end.
*/
#include <gtest/gtest.h>

#include "dkernel.h"
#include "dk_sections.h"
#include "dk_spline.h"
#include "testutil.h"

#include <string>
#include <vector>

namespace {

std::vector<std::string> calls;   /* "init A", "end B", ... in call order */
std::vector<Section*> made;

const int TYPE = 5;               /* a slot whose functions the tests replace */
SectionType saved;

const char* nameOf(const Section* s) { return s->strings[0]; }
void recInit() { calls.push_back(std::string("init ") + nameOf(mySection)); }
void recEnd() { calls.push_back(std::string("end ") + nameOf(mySection)); }

/* Parsed like the parser does: newest first in section_list. */
Section* parse(const char* name, float start, float end)
{
    Section* s = new Section();
    s->type = TYPE;
    s->start = start;
    s->end = end;
    s->duration = end - start;
    s->string_count = 1;
    s->strings[0] = const_cast<char*>(name);
    s->next = demoSystem.section_list;
    demoSystem.section_list = s;
    made.push_back(s);
    return s;
}

class Queues : public ::testing::Test {
protected:
    void SetUp() override
    {
        demoSystem = DemoSystem();
        demoSystem.demo_end = 20.0f;
        saved = sectionFunction[TYPE];
        sectionFunction[TYPE].init = recInit;
        sectionFunction[TYPE].end = recEnd;
        sectionFunction[TYPE].render = nullptr;
        calls.clear();
    }
    void TearDown() override
    {
        sectionFunction[TYPE] = saved;
        for (Section* s : made) delete s;
        made.clear();
        demoSystem = DemoSystem();
        mySection = nullptr;
    }
    void at(float time)
    {
        demoSystem.time = time;
        sections_advance();
    }
};

/* The loader draws the loading section; the queues never hold it. */
TEST_F(Queues, LoadingSectionIsNeverQueued)
{
    parse("L", 0, 30)->type = 0;
    Section* c = parse("C", 0, 30);
    reinit_sectionQueues();
    EXPECT_TRUE(demoSystem.ready_queue == c && c->ready_next == nullptr);
}

/* Ends are exclusive, starts inclusive; a frame past C's start still starts
** it, late, and one past B's whole span drops B without init or end. */
TEST_F(Queues, RetireAndSkippedSpans)
{
    parse("A", 0, 1);
    parse("D", 1, 10);
    parse("B", 1.5f, 2.0f);
    Section* c = parse("C", 2.0f, 5.0f);
    reinit_sectionQueues();
    at(0);
    at(1);
    EXPECT_EQ(calls, (std::vector<std::string>{ "init A", "end A", "init D" }));
    at(2.25f);
    EXPECT_EQ(calls, (std::vector<std::string>{ "init A", "end A", "init D", "init C" }));
    EXPECT_FLOAT_EQ(c->elapsed, 0.25f);
}

/* A normal run plays a short spline but says so once, in --check's words. */
TEST_F(Queues, ShortSplineWarnsOnceNamingTheScriptLine)
{
    Spline spline = {};
    spline.channel_count = 3;
    Section s = {};
    s.type = getSectionByName("image");
    s.script = "./demo.lum";
    s.line = 9;
    s.spline_count = 1;
    s.splines[0] = &spline;
    s.spline_files[0] = (char*)"short.spl";
    mySection = &s;
    ::testing::internal::CaptureStderr();
    section_needChannels(1, 9);
    section_needChannels(1, 3);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Warning: ./demo.lum:9: image: spline 1 needs 9 channels, 'short.spl' has 3\n");
}

TEST_F(Queues, WarningFormatAndFatalMessageCappedAt1023Characters)
{
    demoSystem.time = 3.14159f;
    ::testing::internal::CaptureStderr();
    dkernel_warn("Finished section %s", "not detected");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Warning: second 3.14, message 'Finished section not detected'\n");
    std::string longText(5000, 'x');
    demoSystem.sound = 0;
    EXPECT_EXIT(FATAL(dkernel_error("%s", longText.c_str())), ::testing::ExitedWithCode(1),
                "^Error: x{1023}\n$");
}

/* One row per form of the count message (the counts are the section
** table's data), and what the sound section reports of its file. */
TEST(SectionLoadDeathTest, MessagesOfTheLoadChecks)
{
    struct Case { const char* type; int params, strings, splines; float param2; const char* file; const char* message; };
    const Case cases[] = {
        { "loading", 17, 1, 0, 0, "a.tga", "2 strings needed, 1 given" },
        { "efxColor", 2, 0, 0, 0, "", "3 or 4 params needed, 2 given" },
        { "background", 0, 0, 0, 0, "", "1 string needed, 0 given" },
        { "imageMatrix", 3, 1, 3, 0.5f, "a.tga", "invalid modulation" },
        { "sound", 0, 1, 0, 0, "missing.ogg", "file 'missing.ogg' not found" },
        { "sound", 0, 1, 0, 0, "broken.ogg", "Error loading file" },
        { "sound", 0, 1, 0, 0, "notes.txt", "Unknown file format" },
    };
    TempDir dir(true);
    writeFile("broken.ogg", "OggS" + std::string(16, '\7'));
    writeFile("notes.txt", "these are not music");
    demoSystem.sound = 1;
    for (const Case& c : cases) {
        std::vector<float> params(c.params);
        if (c.params > 1) params[1] = c.param2;
        Section s = test_section(c.type, params, std::vector<std::string>(c.strings, c.file), c.splines, 2, 1, 3);
        EXPECT_EXIT(FATAL(section_load(&s)), ::testing::ExitedWithCode(1),
                    stderrIs(std::string("Error: ") + c.type + " (2, 1.000000 -> 3.000000): " + c.message + "\n"));
    }
}

}  // namespace
