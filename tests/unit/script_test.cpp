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
#include <stdlib.h>
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
    std::string out;
    for (char c : text) {
        if (strchr("\\^$.|?*+()[]{}", c))
            out += '\\';
        out += c;
    }
    return out;
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
        ASSERT_NE(getcwd(home, sizeof home), nullptr);
        ASSERT_NE(mkdtemp(dir), nullptr);
        ASSERT_EQ(chdir(dir), 0);
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

/* ---- reading and splitting lines ---- */

TEST(ScriptLines, ReadsUpToLineEndOrLimitAndCountsCrLfAsTwo)
{
    std::string text = "a\r\nb\n" + std::string(300, 'x') + "\rlast";
    FILE* f = fmemopen((void*)text.data(), text.size(), "r");
    char buf[DK_MAX_LINE];
    std::vector<std::string> reads;
    while (my_fgets(buf, sizeof buf, f))
        reads.push_back(buf);
    fclose(f);
    ASSERT_EQ(reads.size(), 6u);
    EXPECT_EQ(reads[0], "a\r");
    EXPECT_EQ(reads[1], "\n");
    EXPECT_EQ(reads[2], "b\n");
    EXPECT_EQ(reads[3], std::string(255, 'x'));
    EXPECT_EQ(reads[4], std::string(45, 'x') + "\r");
    EXPECT_EQ(reads[5], "last");
}

TEST(ScriptLines, KeyValueKeepsTheWholeValue)
{
    char key[DK_MAX_LINE], value[DK_MAX_LINE];
    getKeyValue(" \t demo_name \t My  demo ; not a comment \r\n", key, value);
    EXPECT_STREQ(key, "demo_name");
    EXPECT_STREQ(value, "My  demo ; not a comment ");
    getKeyValue("fps\n", key, value);
    EXPECT_STREQ(key, "fps");
    EXPECT_STREQ(value, "");
}

TEST(ScriptLines, FloatVectorsStopAtTheFirstForeignCharacter)
{
    float v[8] = {};
    EXPECT_EQ(getFloatVector("{1.0, 2.5, -3}", v, 8), 3);
    EXPECT_FLOAT_EQ(v[1], 2.5f);
    EXPECT_FLOAT_EQ(v[2], -3.0f);
    EXPECT_EQ(getFloatVector("1 2\t3", v, 8), 3);
    EXPECT_EQ(getFloatVector("1e3 7", v, 8), 1);
    EXPECT_FLOAT_EQ(v[0], 1.0f);
    EXPECT_EQ(getFloatVector("+5", v, 8), 0);
    EXPECT_EQ(getFloatVector((std::string(100, '0') + "4.5").c_str(), v, 8), 1);
    EXPECT_FLOAT_EQ(v[0], 4.5f);
    EXPECT_EXIT(getFloatVector("1 2 3", v, 2), ExitedWithCode(1),
                literal("Error: Script: too many floats in vector '1 2 3'"));
}

TEST(ScriptLines, NameLookupsIgnoreCase)
{
    EXPECT_EQ(getBlendCodeByName("one_minus_src_alpha"), 0x0303);
    EXPECT_EQ(getAlphaCodeByName("Greater"), 0x0204);
    EXPECT_EQ(getRenderModeByName("BUMP"), 11);
    EXPECT_EQ(getRenderModeByName("bumps"), -1);
    EXPECT_STREQ(sectionFunction[getSectionByName("EFXGLOW")].name, "efxGlow");
    EXPECT_EQ(getSectionByName(""), -1);
}

/* ---- the grammar ---- */

TEST_F(Script, SectionKeywordsFillTheRecord)
{
    Section* s = parse(
        "; a comment\n\n[ object]\n start 1.5\nend 4\nlayer -3\n"
        "blend SRC_ALPHA one_minus_src_alpha\nalpha GREATER 0.5\n"
        "param {1.0, 2.5, -3}\nfSpeed 7\nfps 1\nstring  a file.3ds \nsTex b.jpg\n"
        "spline early.spl\nspline fixed.spl 9\ncPath late.spl\n"
        "modify 1 3 beat\nmBeat 2 1 BEAT\n");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->next, nullptr);
    EXPECT_STREQ(sectionFunction[s->type].name, "object");
    EXPECT_FLOAT_EQ(s->start, 1.5f);
    EXPECT_FLOAT_EQ(s->end, 4.0f);
    EXPECT_FLOAT_EQ(s->duration, 2.5f);
    EXPECT_EQ(s->layer, -3);
    EXPECT_TRUE(s->blend_on);
    EXPECT_EQ(s->blend_src, 0x0302);
    EXPECT_EQ(s->blend_dst, 0x0303);
    EXPECT_TRUE(s->alpha_on);
    EXPECT_EQ(s->alpha_func, 0x0204);
    EXPECT_FLOAT_EQ(s->alpha_ref_start, 0.5f);
    EXPECT_FLOAT_EQ(s->alpha_ref_end, 0.5f);
    ASSERT_EQ(s->param_count, 5);   /* three, fSpeed, and a global key name */
    EXPECT_FLOAT_EQ(s->params[3], 7.0f);
    EXPECT_FLOAT_EQ(s->params[4], 1.0f);
    ASSERT_EQ(s->string_count, 2);
    EXPECT_STREQ(s->strings[0], "a file.3ds ");
    EXPECT_STREQ(s->strings[1], "b.jpg");
    ASSERT_EQ(s->spline_count, 3);
    EXPECT_STREQ(s->spline_files[0], "early.spl");
    EXPECT_FLOAT_EQ(s->spline_durations[0], 2.5f);
    EXPECT_FLOAT_EQ(s->spline_durations[1], 9.0f);
    ASSERT_EQ(s->modifier_count, 2);
    EXPECT_EQ(s->modifiers[0].spline, 1);
    EXPECT_EQ(s->modifiers[0].channel, 3);
    EXPECT_EQ(s->modifiers[0].kind, 0);
    EXPECT_EQ(s->modifiers[1].kind, 1);
}

TEST_F(Script, HeadsIgnoreCaseAndSectionsEndWithTheirScript)
{
    writeFile("a.lum", "[OBJECT]\nspline s.spl\nalpha LESS 0 1\n[object]\n");
    writeFile("b.lum", "gl_width 800\n");   /* global again in the next script */
    loadScriptFile("./a.lum");
    loadScriptFile("./b.lum");
    Section* last = demoSystem.section_list;
    ASSERT_NE(last, nullptr);
    ASSERT_NE(last->next, nullptr);
    EXPECT_EQ(last->spline_count, 0);           /* most recent first */
    EXPECT_EQ(last->next->spline_count, 1);
    EXPECT_FLOAT_EQ(last->next->spline_durations[0], 0.0f);   /* before end */
    EXPECT_FLOAT_EQ(last->next->alpha_ref_end, 1.0f);
}

TEST_F(Script, ParamsStopAtThirtyTwo)
{
    std::string lines = "[object]\nparam\n";   /* no numbers: nothing added */
    for (int i = 0; i < 30; i++)
        lines += "param " + std::to_string(i) + "\n";
    Section* s = parse(lines + "param 30 31\n");
    EXPECT_EQ(s->param_count, 32);
    EXPECT_FLOAT_EQ(s->params[31], 31.0f);
    EXPECT_EXIT(parse(lines + "param 30 31\nparam 32\n"), ExitedWithCode(1),
                literal("Error: Too many params (script './demo.lum', line 34)"));
    /* surplus numbers on one line are refused rather than written past 32 */
    EXPECT_EXIT(parse(lines + "param 1 2 3 4 5\n"), ExitedWithCode(1),
                literal("Error: Script: too many floats in vector '1 2 3 4 5'"));
}

/* Every script error names the script and the line of the offending read. */
TEST_F(Script, EveryErrorNamesScriptAndLine)
{
    struct Case { const char* text; const char* message; int line; };
    const Case cases[] = {
        { "fps 1\n[objects]\n", "Unknown section", 2 },
        { "[object\n", "Unknown section", 1 },
        { "[\n", "Unknown section", 1 },
        { "nonsense 1\n", "Unknown variable", 1 },
        { " ; comment not in column one\n", "Unknown variable", 1 },
        { "[object]\ndemo_end 3\n", "Unknown section variable", 2 },
        { "[object]\nFSpeed 3\n", "Unknown section variable", 2 },
        { "[object]\nstart -1\n", "Invalid start", 2 },
        { "[object]\nstart x\n", "Invalid start", 2 },
        { "[object]\nend\n", "Invalid end", 2 },
        { "[object]\nstart 5\nend 5\n", "Invalid duration", 3 },
        { "[object]\nlayer top\n", "Invalid layer", 2 },
        { "[object]\nlayer 99999999999\n", "Invalid layer", 2 },
        { "[object]\nblend SRC_ALPHA\n", "Invalid blend", 2 },
        { "[object]\nblend SRC_ALPHA ONE_PLUS\n", "Invalid blend factor", 2 },
        { "[object]\nalpha GREATER\n", "Invalid alpha", 2 },
        { "[object]\nalpha BIGGER 0.5\n", "Invalid alpha function", 2 },
        { "[object]\nspline\n", "Invalid spline", 2 },
        { "[object]\nmodify 1 2\n", "Invalid modifier", 2 },
        { "\r\n\r\n[bogus]\r\n", "Unknown section", 5 },   /* CR LF counts twice */
    };
    for (const Case& c : cases) {
        std::string expected = std::string("Error: ") + c.message + " (script './demo.lum', line " +
                               std::to_string(c.line) + ")";
        EXPECT_EXIT(parse(c.text), ExitedWithCode(1), "^" + literal(expected) + "\n$") << c.text;
    }
}

TEST_F(Script, ThirtyTwoIsTheLimitForStringsSplinesAndModifiers)
{
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

TEST_F(Script, LongLinesAndGarbageNeverOverflow)
{
    /* a 10 MB line continues as 255-character reads: its second read is an
    ** unknown key on line 2 */
    std::string big = "demo_name " + std::string(10 * 1024 * 1024, 'x') + "\n";
    EXPECT_EXIT(parse(big), ExitedWithCode(1),
                literal("Error: Unknown variable (script './demo.lum', line 2)"));

    /* arbitrary bytes either parse or stop with a script error */
    std::string garbage;
    unsigned seed = 12345;
    for (int i = 0; i < 200000; i++) {
        seed = seed * 1103515245u + 12345u;
        garbage += (char)(seed >> 16);
    }
    for (const std::string& text : { garbage, "[object]\n" + garbage }) {
        EXPECT_EXIT({ parse(text); exit(0); },
                    [](int status) { return WIFEXITED(status) && WEXITSTATUS(status) <= 1; }, "");
    }
}

/* ---- finding scripts ---- */

TEST_F(Script, MissingOrSpecialScriptCannotBeOpened)
{
    ASSERT_EQ(symlink("nowhere", "gone.lum"), 0);   /* listed, then not there */
    EXPECT_EXIT(recurseDirectories("."), ExitedWithCode(1),
                "^" + literal("Error: Error opening script './gone.lum'") + "\n$");
    ASSERT_EQ(unlink("gone.lum"), 0);
    ASSERT_EQ(mkfifo("pipe.lum", 0644), 0);             /* would block a plain open */
    EXPECT_EXIT(recurseDirectories("."), ExitedWithCode(1),
                "^" + literal("Error: Error opening script './pipe.lum'") + "\n$");
}

TEST_F(Script, SearchParsesEveryNameContainingLumNestedFirst)
{
    ASSERT_EQ(mkdir("x.lum", 0755), 0);                 /* a folder, not a script */
    ASSERT_EQ(mkdir("x.lum/deeper", 0755), 0);
    writeFile("x.lum/deeper/inner.lum", "demo_name inner\n[object]\nlayer 1\n");
    writeFile("notes.lum.txt", "demo_name notes\n[object]\nlayer 2\n");
    writeFile("top.lum", "demo_name top\n[object]\nlayer 3\n");
    writeFile("upper.LUM", "[nonsense]\n");              /* the test is case-sensitive */
    writeFile("readme.txt", "[nonsense]\n");
    ASSERT_EQ(symlink(".", "loop"), 0);                  /* must not recurse forever */
    ASSERT_EQ(symlink(".", "loop2"), 0);

    /* expected order: the file system's listing, the folder's script first */
    std::vector<int> order;
    DIR* d = opendir(".");
    while (struct dirent* e = readdir(d)) {
        std::string n = e->d_name;
        if (n == "x.lum") order.push_back(1);
        if (n == "notes.lum.txt") order.push_back(2);
        if (n == "top.lum") order.push_back(3);
    }
    closedir(d);

    recurseDirectories(".");
    std::vector<int> parsed;   /* section_list holds the most recent first */
    for (Section* s = demoSystem.section_list; s; s = s->next)
        parsed.insert(parsed.begin(), s->layer);
    EXPECT_EQ(parsed, order);
    const char* names[] = { "", "inner", "notes", "top" };
    EXPECT_STREQ(demoSystem.demo_name, names[order.back()]);   /* last parsed wins */
}

TEST_F(Script, PathsOverTheLimitAreNeverTruncated)
{
    /* "." + 4 x ("/" + 60 letters) = 245 characters of folders */
    std::string folder = ".";
    for (char c = 'a'; c < 'e'; c++) {
        folder += "/" + std::string(60, c);
        ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    }
    std::string fits = folder + "/" + std::string(9 - 4, 'k') + ".lum";   /* 255 characters */
    ASSERT_EQ(fits.size(), 255u);
    writeFile(fits, "[object]\n");
    std::string deep = folder + "/" + std::string(20, 'z');              /* too deep a folder */
    ASSERT_EQ(mkdir(deep.c_str(), 0755), 0);
    writeFile(deep + "/hidden.lum", "[object]\n");
    recurseDirectories(".");
    ASSERT_NE(demoSystem.section_list, nullptr);
    EXPECT_EQ(demoSystem.section_list->next, nullptr);

    writeFile(folder + "/" + std::string(20, 's') + ".lum", "[object]\n");
    EXPECT_EXIT(recurseDirectories("."), ExitedWithCode(1), "Error: Script path too long '\\./a");
}
