/*
** script_test.cpp -- the script parser: line reading, splitting, float
** lists, the section grammar, every fatal message with its script and line,
** and the search for scripts under the working folder.
*/
#include <gtest/gtest.h>

#include "dkernel.h"
#include "dk_script.h"

#include <dirent.h>
#include <ftw.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

using ::testing::ExitedWithCode;

static void writeFile(const std::string& path, const std::string& text)
{
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
}

/* Death-test patterns are regular expressions; messages are literal. */
static std::string literal(const std::string& text)
{
    std::string out = "^";
    for (char c : text)
        out += strchr("\\^$.|?*+()[]{}", c) ? std::string("\\") + c : std::string(1, c);
    return out + "\n$";
}

static int removeEntry(const char* path, const struct stat*, int, struct FTW*)
{
    return remove(path);
}

/* Each test parses inside its own empty folder, which becomes "." */
class Script : public ::testing::Test {
protected:
    char dir[64] = "/tmp/lumeno_script_XXXXXX";
    char home[4096] = "";

    void SetUp() override
    {
        ASSERT_TRUE(getcwd(home, sizeof home) && mkdtemp(dir) && chdir(dir) == 0);
        demoSystem.section_list = nullptr;
    }
    void TearDown() override
    {
        ASSERT_EQ(chdir(home), 0);
        nftw(dir, removeEntry, 16, FTW_DEPTH | FTW_PHYS);
    }
    Section* parse(const std::string& text)
    {
        writeFile("demo.lum", text);
        loadScriptFile("./demo.lum");
        return demoSystem.section_list;
    }
};

TEST(ScriptLines, ReaderSplitterAndFloatLists)
{
    std::string text = "a\r\nb\n" + std::string(300, 'x') + "\rlast";
    FILE* f = fmemopen((void*)text.data(), text.size(), "r");
    char buf[DK_MAX_LINE];
    std::vector<std::string> reads;
    while (my_fgets(buf, sizeof buf, f))
        reads.push_back(buf);
    fclose(f);
    std::vector<std::string> expected = { "a\r", "\n", "b\n", std::string(255, 'x'),
                                          std::string(45, 'x') + "\r", "last" };
    EXPECT_EQ(reads, expected);

    char key[DK_MAX_LINE], value[DK_MAX_LINE];
    getKeyValue(" \t demo_name \t My  demo ; not a comment \r\n", key, value);
    EXPECT_STREQ(key, "demo_name");
    EXPECT_STREQ(value, "My  demo ; not a comment ");
    getKeyValue("fps\n", key, value);
    EXPECT_STREQ(value, "");

    float v[8] = {};
    EXPECT_EQ(getFloatVector("{1.0, 2.5, -3}", v, 8), 3);
    EXPECT_FLOAT_EQ(v[2], -3.0f);
    EXPECT_EQ(getFloatVector("1e3 7", v, 8), 1);   /* the exponent ends the list */
    EXPECT_FLOAT_EQ(v[0], 1.0f);
    EXPECT_EQ(getFloatVector("+5", v, 8), 0);
    EXPECT_EQ(getFloatVector((std::string(100, '0') + "4.5").c_str(), v, 8), 1);
    EXPECT_FLOAT_EQ(v[0], 4.5f);
    EXPECT_EXIT(getFloatVector("1 2 3", v, 2), ExitedWithCode(1),
                literal("Error: Script: too many floats in vector '1 2 3'"));

    EXPECT_EQ(getRenderModeByName("BUMP"), 11);
    EXPECT_STREQ(sectionFunction[getSectionByName("EFXGLOW")].name, "efxGlow");
}

/* Every number of a script is read one way: a finite value of its type. */
TEST(ScriptNumbers, UnreadableUnlessFiniteInItsType)
{
    const std::string digits45(45, '9');
    struct Case { std::string text; int type; bool ok; double value; size_t used; };
    const Case cases[] = {
        { " 1.5", DK_KEY_INT, true, 1, 2 }, { "2x", DK_KEY_INT, true, 2, 1 },
        { "-0.5", DK_KEY_INT, true, 0, 2 }, { "+2147483647", DK_KEY_INT, true, 2147483647, 11 },
        { "2147483648", DK_KEY_INT, false, 0, 0 }, { digits45, DK_KEY_INT, false, 0, 0 },
        { "-", DK_KEY_INT, false, 0, 0 }, { "1e3", DK_KEY_FLOAT, true, 1000, 3 },
        { "-.5e+1s", DK_KEY_FLOAT, true, -5, 6 }, { "2e", DK_KEY_FLOAT, true, 2, 1 },
        { "0x10", DK_KEY_FLOAT, true, 0, 1 }, { "1e-60", DK_KEY_FLOAT, true, 0, 5 },
        { "3.4e38", DK_KEY_FLOAT, true, 3.4e38, 6 }, { "3.5e38", DK_KEY_FLOAT, false, 0, 0 },
        { digits45, DK_KEY_FLOAT, false, 0, 0 }, { "nan", DK_KEY_FLOAT, false, 0, 0 },
        { "inf", DK_KEY_FLOAT, false, 0, 0 }, { "-infinity", DK_KEY_FLOAT, false, 0, 0 },
        { ".", DK_KEY_FLOAT, false, 0, 0 }, { "", DK_KEY_FLOAT, false, 0, 0 },
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
        EXPECT_EQ(c.type == DK_KEY_INT ? out.i : out.f, (float)c.value) << c.text;
        EXPECT_EQ(end, c.text.c_str() + c.used) << c.text;
    }

    /* a run that is no finite float ends a float list */
    float v[8] = {};
    EXPECT_EQ(getFloatVector(("1 " + digits45 + " 2").c_str(), v, 8), 1);
    EXPECT_EQ(getFloatVector("1 - 2", v, 8), 1);
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
    EXPECT_FLOAT_EQ(s->next->spline_durations[0], 0.0f);   /* given before end */
    EXPECT_FLOAT_EQ(s->next->alpha_ref_end, 1.0f);

    EXPECT_STREQ(sectionFunction[s->type].name, "object");
    EXPECT_FLOAT_EQ(s->duration, 2.5f);
    EXPECT_EQ(s->layer, -3);
    EXPECT_TRUE(s->blend_on && s->blend_src == 0x0302 && s->blend_dst == 0x0303);
    EXPECT_TRUE(s->alpha_on && s->alpha_func == 0x0204);
    EXPECT_FLOAT_EQ(s->alpha_ref_end, 0.5f);
    ASSERT_EQ(s->param_count, 5);   /* three, fSpeed, and fps taken as a parameter */
    EXPECT_FLOAT_EQ(s->params[4], 1.0f);
    ASSERT_EQ(s->string_count, 2);
    EXPECT_STREQ(s->strings[0], "a file.3ds ");
    ASSERT_EQ(s->spline_count, 2);
    EXPECT_FLOAT_EQ(s->spline_durations[0], 2.5f);
    EXPECT_FLOAT_EQ(s->spline_durations[1], 9.0f);
    ASSERT_EQ(s->modifier_count, 2);
    EXPECT_EQ(s->modifiers[0].channel, 3);
    EXPECT_EQ(s->modifiers[0].kind, 0);   /* "BEAT" is compared exactly */
    EXPECT_EQ(s->modifiers[1].kind, 1);
}

TEST_F(Script, ThirtyTwoIsTheLimitOfEveryList)
{
    std::string params = "[object]\nparam\n";   /* no numbers: nothing added */
    for (int i = 0; i < 30; i++)
        params += "param " + std::to_string(i) + "\n";
    EXPECT_EQ(parse(params + "param 30 31\n")->param_count, 32);
    EXPECT_EXIT(parse(params + "param 30 31\nparam 32\n"), ExitedWithCode(1),
                literal("Error: Too many params (script './demo.lum', line 34)"));
    /* surplus numbers on one line are refused rather than written past 32 */
    EXPECT_EXIT(parse(params + "param 1 2 3\n"), ExitedWithCode(1),
                literal("Error: Script: too many floats in vector '1 2 3'"));

    const char* lines[] = { "string x", "spline x.spl", "modify 1 1 BEAT" };
    const char* messages[] = { "Too many strings", "Too many splines", "Too many modifiers" };
    for (int k = 0; k < 3; k++) {
        std::string text = "[object]\n";
        for (int i = 0; i < 32; i++)
            text += std::string(lines[k]) + "\n";
        Section* s = parse(text);
        EXPECT_EQ(s->string_count + s->spline_count + s->modifier_count, 32);
        EXPECT_EXIT(parse(text + lines[k] + "\n"), ExitedWithCode(1),
                    literal(std::string("Error: ") + messages[k] + " (script './demo.lum', line 34)"));
    }
}

TEST_F(Script, EveryErrorNamesScriptAndLine)
{
    struct Case { const char* text; const char* message; int line; };
    const Case cases[] = {
        { "fps 1\n[objects]\n", "Unknown section", 2 },
        { "[\n", "Unknown section", 1 },
        { "nonsense 1\n", "Unknown variable", 1 },
        { " ; comment not in column one\n", "Unknown variable", 1 },
        { "[object]\ndemo_end 3\n", "Unknown section variable", 2 },
        { "[object]\nFSpeed 3\n", "Unknown section variable", 2 },
        { "[object]\nstart -1\n", "Invalid start", 2 },
        { "[object]\nend\n", "Invalid end", 2 },
        { "[object]\nstart 5\nend 5\n", "Invalid duration", 3 },
        { "[object]\nlayer 99999999999\n", "Invalid layer", 2 },
        { "[object]\nblend SRC_ALPHA\n", "Invalid blend", 2 },
        { "[object]\nblend SRC_ALPHA ONE_PLUS\n", "Invalid blend factor", 2 },
        { "[object]\nalpha GREATER\n", "Invalid alpha", 2 },
        { "[object]\nalpha BIGGER 0.5\n", "Invalid alpha function", 2 },
        { "[object]\nspline\n", "Invalid spline", 2 },
        { "[object]\nmodify 1 2\n", "Invalid modifier", 2 },
        /* numbers that are not finite in their type */
        { "[object]\nstart inf\n", "Invalid start", 2 },
        { "[object]\nend 1e39\n", "Invalid end", 2 },
        { "[object]\nalpha GREATER nan inf\n", "Invalid alpha", 2 },
        { "[object]\nalpha GREATER 0.5 inf\n", "Invalid alpha", 2 },
        { "[object]\nspline t.spl nan\n", "Invalid spline", 2 },
        { "[object]\nmodify 99999999999 1 BEAT\n", "Invalid modifier", 2 },
        { "\r\n\r\n[bogus]\r\n", "Unknown section", 5 },   /* CR LF counts twice */
    };
    for (const Case& c : cases)
        EXPECT_EXIT(parse(c.text), ExitedWithCode(1),
                    literal(std::string("Error: ") + c.message + " (script './demo.lum', line " +
                            std::to_string(c.line) + ")")) << c.text;
}

TEST_F(Script, LongLinesAndGarbageNeverOverflow)
{
    /* a 10 MB line continues as 255-character reads: the second is a key */
    EXPECT_EXIT(parse("demo_name " + std::string(10 << 20, 'x') + "\n"), ExitedWithCode(1),
                literal("Error: Unknown variable (script './demo.lum', line 2)"));

    std::string garbage;
    unsigned seed = 12345;
    for (int i = 0; i < 200000; i++)
        garbage += (char)((seed = seed * 1103515245u + 12345u) >> 16);
    for (const std::string& text : { garbage, "[object]\n" + garbage })
        EXPECT_EXIT({ parse(text); exit(0); },
                    [](int status) { return WIFEXITED(status) && WEXITSTATUS(status) <= 1; }, "");
}

TEST_F(Script, SearchParsesEveryNameContainingLumNestedFirst)
{
    ASSERT_EQ(mkdir("x.lum", 0755) | mkdir("x.lum/deeper", 0755), 0);   /* a folder, not a script */
    writeFile("x.lum/deeper/inner.lum", "demo_name inner\n[object]\nlayer 1\n");
    writeFile("notes.lum.txt", "demo_name notes\n[object]\nlayer 2\n");
    writeFile("top.lum", "demo_name top\n[object]\nlayer 3\n");
    writeFile("upper.LUM", "[nonsense]\n");   /* the name test is case-sensitive */
    ASSERT_EQ(symlink(".", "loop") | symlink(".", "loop2"), 0);   /* no endless search */

    std::vector<int> order;   /* the file system's listing order */
    DIR* d = opendir(".");
    while (struct dirent* e = readdir(d)) {
        const char* names[] = { "x.lum", "notes.lum.txt", "top.lum" };
        for (int i = 0; i < 3; i++)
            if (strcmp(e->d_name, names[i]) == 0)
                order.push_back(i + 1);
    }
    closedir(d);

    recurseDirectories(".");
    std::vector<int> parsed;   /* section_list holds the most recent first */
    for (Section* s = demoSystem.section_list; s; s = s->next)
        parsed.insert(parsed.begin(), s->layer);
    EXPECT_EQ(parsed, order);
    const char* names[] = { "", "inner", "notes", "top" };
    EXPECT_STREQ(demoSystem.demo_name, names[order.back()]);   /* last parsed wins */

    ASSERT_EQ(symlink("nowhere", "gone.lum"), 0);   /* listed, then not there */
    EXPECT_EXIT(recurseDirectories("."), ExitedWithCode(1),
                literal("Error: Error opening script './gone.lum'"));
    ASSERT_EQ(unlink("gone.lum") | mkfifo("pipe.lum", 0644), 0);   /* would block */
    EXPECT_EXIT(recurseDirectories("."), ExitedWithCode(1),
                literal("Error: Error opening script './pipe.lum'"));
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
    EXPECT_EXIT(recurseDirectories("."), ExitedWithCode(1), "Error: Script path too long '\\./a");
}
