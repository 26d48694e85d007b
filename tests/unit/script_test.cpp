/*
** script_test.cpp -- the script parser: line reading, float lists,
** numbers, the section grammar, every fatal message with its script and
** line, and the search for scripts under the working folder.
*/
#include <gtest/gtest.h>

#include "dkernel.h"
#include "dk_script.h"
#include "testutil.h"

#include <dirent.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

using ::testing::ExitedWithCode;

/* Each test parses inside its own empty folder, which becomes "." */
class Script : public ::testing::Test {
protected:
    TempDir dir{true};
    void SetUp() override { demoSystem.section_list = nullptr; }
    Section* parse(const std::string& text)
    {
        writeFile("demo.lum", text);
        loadScriptFile("./demo.lum");
        return demoSystem.section_list;
    }
};

TEST(ScriptLines, ReaderAndFloatLists)
{
    std::string text = "a\r\nb\n" + std::string(300, 'x') + "\rlast\r" + std::string(254, 'y') + "\r\nz";
    FILE* f = fmemopen((void*)text.data(), text.size(), "r");
    char buf[DK_MAX_LINE];
    std::vector<std::string> reads;
    while (my_fgets(buf, sizeof buf, f)) reads.push_back(buf);
    fclose(f);
    EXPECT_EQ(reads, (std::vector<std::string>{ "a\r\n", "b\n", std::string(255, 'x'), std::string(45, 'x') + "\r",
                                                "last\r", std::string(254, 'y') + "\r", "z" }));

    /* an exponent and a plus sign end a list (a number past the float range: the spline tests) */
    struct { std::string text; int count; float last; } lists[] = {
        { "{1.0, 2.5, -3}", 3, -3 }, { "1e3 7", 1, 1 }, { "+5", 0, 0 }, { std::string(100, '0') + "4.5", 1, 4.5f },
    };
    for (auto& l : lists) {
        float v[8] = {};
        EXPECT_EQ(getFloatVector(l.text.c_str(), v, 8), l.count) << l.text;
        EXPECT_EQ(l.count ? v[l.count - 1] : 0, l.last) << l.text;
    }
}

/* Every number of a script is read one way: a finite value of its type. */
TEST(ScriptNumbers, UnreadableUnlessFiniteInItsType)
{
    const int I = DK_KEY_INT, F = DK_KEY_FLOAT;
    struct Case { std::string text; int type; bool ok; double value; size_t used; };
    const Case cases[] = {
        { " 1.5", I, true, 1, 2 }, { "2x", I, true, 2, 1 }, { "-0.5", I, true, 0, 2 },
        { "+2147483647", I, true, 2147483647, 11 }, { "2147483648", I, false, 0, 0 },
        { std::string(45, '9'), I, false, 0, 0 }, { "-", I, false, 0, 0 }, { "1e3", F, true, 1000, 3 },
        { "-.5e+1s", F, true, -5, 6 }, { "2e", F, true, 2, 1 }, { "0x10", F, true, 0, 1 }, { "1e-60", F, true, 0, 5 },
        { "3.4e38", F, true, 3.4e38, 6 }, { "3.5e38", F, false, 0, 0 }, { std::string(45, '9'), F, false, 0, 0 },
        { "nan", F, false, 0, 0 }, { "-infinity", F, false, 0, 0 }, { ".", F, false, 0, 0 }, { "", F, false, 0, 0 },
    };
    for (const Case& c : cases) {
        union { int i; float f; } out;
        out.i = 12345;
        const char* end = nullptr;
        EXPECT_EQ(script_readNumber(c.text.c_str(), c.type, &out, &end), c.ok) << c.text;
        if (!c.ok) {
            EXPECT_EQ(out.i, 12345) << c.text << ": left alone";
            continue;
        }
        EXPECT_EQ(c.type == I ? out.i : out.f, (float)c.value) << c.text;
        EXPECT_EQ(end, c.text.c_str() + c.used) << c.text;
    }
}

TEST_F(Script, SectionKeywordsFillTheRecord)
{
    writeFile("first.lum", "[OBJECT]\nspline s.spl\nalpha LESS 0 1\n");
    loadScriptFile("./first.lum");
    Section* s = parse(   /* global keys again: the section ended with its script */
        "gl_width 800\n; comment\n\n[ object]\n start 1.5\nend 4\nlayer -3\n"
        "blend SRC_ALPHA one_minus_src_alpha\nalpha GREATER 0.5\n"
        "param {1.0, 2.5, -3}\nfSpeed 7\nfps 1\nstring  a file.3ds \nsTex b.jpg\n"
        "spline late.spl\ncPath fixed.spl 9\nmodify 1 3 beat\nmBeat 2 1 BEAT\n");
    ASSERT_TRUE(s && s->next && !s->next->next);
    EXPECT_EQ(s->next->spline_count, 1);
    EXPECT_TRUE(s->next->spline_durations[0] == 0.0f && s->next->alpha_ref_end == 1.0f);   /* spline before end */
    EXPECT_STREQ(sectionFunction[s->type].name, "object");
    EXPECT_TRUE(s->duration == 2.5f && s->layer == -3);
    EXPECT_TRUE(s->blend_on && s->blend_src == 0x0302 && s->blend_dst == 0x0303);
    EXPECT_TRUE(s->alpha_on && s->alpha_func == 0x0204 && s->alpha_ref_start == 0.5f && s->alpha_ref_end == 0.5f);
    ASSERT_EQ(s->param_count, 5);   /* three, fSpeed, and fps taken as a parameter */
    EXPECT_EQ(s->params[4], 1.0f);
    ASSERT_EQ(s->string_count, 2);
    EXPECT_STREQ(s->strings[0], "a file.3ds ");
    ASSERT_EQ(s->spline_count, 2);
    EXPECT_TRUE(s->spline_durations[0] == 2.5f && s->spline_durations[1] == 9.0f);
    ASSERT_EQ(s->modifier_count, 2);
    /* "BEAT" is compared exactly */
    EXPECT_TRUE(s->modifiers[0].channel == 3 && s->modifiers[0].kind == 0 && s->modifiers[1].kind == 1);
}

/* A line giving what the type never reads is a warning at that line when the
** section loads, saying what it was read as. */
TEST_F(Script, LinesTheTypeNeverReadsAreWarnedAtLoad)
{
    Section* s = parse("[camera]\nstart 0\nend 1\nfFov 2 3\nspline a.spl\nmodify 2 1 BEAT\nmodify 1 1 BEAT\n");
    mySection = s;
    ::testing::internal::CaptureStderr();
    sectionCheck[s->type]();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Warning: ./demo.lum:4: camera reads no params; 'fFov 2 3' was read as 2 params\n"
              "Warning: ./demo.lum:6: camera reads up to 1 spline; 'modify 2 1 BEAT' modifies spline 2, "
              "which the section does not have\n");
}

TEST_F(Script, EveryErrorNamesScriptAndLine)
{
    /* the 33rd of every list is an error at line 34, so 32 were accepted (a
    ** param line without numbers adds nothing); so are surplus numbers on one line */
    std::string params = "[object]\nparam\n", lists[3] = { "[object]\n", "[object]\n", "[object]\n" };
    const char* entries[3] = { "string x\n", "spline x.spl\n", "modify 1 1 BEAT\n" };
    for (int i = 0; i < 30; i++) params += "param " + std::to_string(i) + "\n";
    for (int i = 0; i < 32; i++)
        for (int k = 0; k < 3; k++) lists[k] += entries[k];
    EXPECT_EXIT(FATAL(parse(params + "param 1 2 3\n")), ExitedWithCode(1), stderrIs("Error: Script: too many floats in vector '1 2 3'\n"));

    struct Case { std::string text; const char* message; int line; };
    const std::string longKey = "Unknown variable '" + std::string(255, 'x') + "'";
    const Case cases[] = {
        { params + "param 30 31\nparam 32\n", "Too many params", 34 },
        { lists[0] + entries[0], "Too many strings", 34 },
        { lists[1] + entries[1], "Too many splines", 34 },
        { lists[2] + entries[2], "Too many modifiers", 34 },
        { "[\n", "Unknown section", 1 },
        { "suond 1\n", "Unknown variable 'suond', did you mean 'sound'?", 1 },   /* a swap is one slip */
        { " ; comment not in column one\n", "Unknown variable ';'", 1 },
        { "[object]\ndemo_end 3\n", "Unknown section variable", 2 },
        { "[object]\nstart -1\n", "Invalid start", 2 },
        { "[object]\nend\n", "Invalid end", 2 },
        { "[object]\nstart 5\nend 5\n", "Invalid duration: end 5 is not after start 5", 3 },
        { "[object]\nlayer 99999999999\n", "Invalid layer", 2 },
        { "[object]\nblend SRC_ALPHA\n", "Invalid blend", 2 },
        { "[object]\nalpha GREATER\n", "Invalid alpha", 2 },
        { "[object]\nalpha BIGGER 0.5\n", "Invalid alpha function", 2 },
        { "[object]\nspline\n", "Invalid spline", 2 },
        { "[object]\nmodify 1 2\n", "Invalid modifier", 2 },
        { "\r\n\r\n[bogus]\r\n", "Unknown section 'bogus'", 3 },   /* CR LF is one line end */
        /* a 10 MB line continues as 255-character reads: the second is a key */
        { "demo_name " + std::string(10 << 20, 'x') + "\n", longKey.c_str(), 2 },
    };
    for (const Case& c : cases)
        EXPECT_EXIT(FATAL(parse(c.text)), ExitedWithCode(1),
                    stderrIs("Error: " + std::string(c.message) + " (script './demo.lum', line " + std::to_string(c.line) + ")\n"))
            << c.text.substr(0, 80);
}

TEST_F(Script, SearchParsesEveryNameContainingLumNestedFirst)
{
    ASSERT_EQ(mkdir("x.lum", 0755) | mkdir("x.lum/deeper", 0755), 0);   /* a folder, not a script */
    writeFile("x.lum/deeper/inner.lum", "[object]\nlayer 1\n");
    writeFile("notes.lum.txt", "[object]\nlayer 2\n");
    writeFile("top.lum", "[object]\nlayer 3\n");
    writeFile("upper.LUM", "[nonsense]\n");   /* the name test is case-sensitive */
    ASSERT_EQ(symlink(".", "loop") | symlink(".", "loop2"), 0);   /* no endless search */

    std::vector<int> order;   /* the file system's listing order */
    const char* names[] = { "", "x.lum", "notes.lum.txt", "top.lum" };
    DIR* d = opendir(".");
    while (struct dirent* e = readdir(d))
        for (int i = 1; i < 4; i++)
            if (strcmp(e->d_name, names[i]) == 0) order.push_back(i);
    closedir(d);
    recurseDirectories(".");
    std::vector<int> parsed;   /* section_list holds the most recent first */
    for (Section* s = demoSystem.section_list; s; s = s->next) parsed.insert(parsed.begin(), s->layer);
    EXPECT_EQ(parsed, order);

    ASSERT_EQ(symlink("nowhere", "gone.lum"), 0);   /* listed, then not there */
    EXPECT_EXIT(FATAL(recurseDirectories(".")), ExitedWithCode(1), stderrIs("Error: Error opening script './gone.lum'\n"));
    ASSERT_EQ(unlink("gone.lum") | mkfifo("pipe.lum", 0644), 0);   /* would block */
    EXPECT_EXIT(FATAL(recurseDirectories(".")), ExitedWithCode(1), stderrIs("Error: Error opening script './pipe.lum'\n"));
}

TEST_F(Script, PathsOverTheLimitAreNeverTruncated)
{
    std::string folder = ".";   /* 4 x 61 + 1 = 245 characters of folders */
    for (char c = 'a'; c < 'e'; c++) {
        folder += "/" + std::string(60, c);
        ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    }
    writeFile(folder + "/kkkkk.lum", "[object]\n");   /* 255 characters: parsed */
    std::string deep = folder + "/" + std::string(20, 'z');
    ASSERT_EQ(mkdir(deep.c_str(), 0755), 0);
    writeFile(deep + "/hidden.lum", "[object]\n");   /* folder skipped with a warning */
    recurseDirectories(".");
    ASSERT_NE(demoSystem.section_list, nullptr);
    EXPECT_EQ(demoSystem.section_list->next, nullptr);
    writeFile(folder + "/" + std::string(20, 's') + ".lum", "[object]\n");
    EXPECT_EXIT(FATAL(recurseDirectories(".")), ExitedWithCode(1), "Error: Script path too long '\\./a");
}
