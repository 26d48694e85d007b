/*
** shader_test.cpp -- shader scripts: the fields a block sets, what the
** reader skips, and every fatal message with its script and line.
*/
#include <gtest/gtest.h>

#include "testutil.h"

#include <GL/gl.h>

#include <string>

#include "dkernel.h"
#include "shader.h"

using ::testing::ExitedWithCode;

namespace {

TempDir files;
int written = 0;

std::string writeScript(const std::string& text)
{
    std::string path = files.path + std::to_string(written++) + ".shd";
    writeFile(path, text);
    return path;
}

/* the fields the end-to-end model runs never draw */
TEST(Shader, BlocksSetTheirFieldsInFileOrderAndNoBlockIsEmpty)
{
    std::string path = writeScript(
        "mode nonsense before any block is ignored\n"
        "{ first pass\n"
        "blend src_alpha ONE\n"
        "}\n"
        "{\n"
        "alpha GREATER 0.5\n"
        "node Box01\n"
        "}\n");
    Shader* s = shaders_load(path.c_str());
    ASSERT_EQ(shader_counter(s), 2);
    EXPECT_TRUE(s->blend_on == 1 && s->blend_src == GL_SRC_ALPHA && s->blend_dst == GL_ONE);

    Shader* w = s->next;
    EXPECT_EQ(w->alpha_func, GL_GREATER);
    EXPECT_FLOAT_EQ(w->alpha_ref1, 0.5f);
    EXPECT_FLOAT_EQ(w->alpha_ref2, 0.5f);
    EXPECT_STREQ(w->node, "Box01");
    EXPECT_EQ(w->blend_on, 0);

    path = writeScript("; only comments\n;{ not a block\n\n");
    EXPECT_EQ(shaders_load(path.c_str()), nullptr);
}

/* Line numbers count every line read, comments and blank lines included. */
const struct { const char* text; const char* message; int line; } badShaders[] = {
    { "{\nmode sparkle\n", "Unknown render mode 'sparkle'", 2 },
    { "{\nmode shadded\n", "Unknown render mode 'shadded', did you mean 'shaded'[?]", 2 },
    { "; c\n{\nblend ONE\n", "Invalid blend", 3 },
    { "{\nblend ONE TWO\n", "Invalid blend factor", 2 },
    { "{\nalpha GREATER\n", "Invalid alpha", 2 },
    { "{\nalpha BIGGER 0.5\n", "Invalid alpha function", 2 },
    { ";\n;\n{\n\ncolor 1 1 1\n", "Invalid color", 5 },
    { "{\ncullface sideways\n", "Invalid cullface", 2 },
    { "{\nlinewidth thick\n", "Invalid line width", 2 },
    { "{\n}\n{\nshine 1\n", "Unknown shader variable", 4 },
};

TEST(Shader, MistakesAreFatalWithScriptAndLine)
{
    for (const auto& c : badShaders) {
        SCOPED_TRACE(c.text);
        std::string path = writeScript(c.text);
        std::string expected = "Error: " + std::string(c.message) + " \\(shader '" + path +
                               "', line " + std::to_string(c.line) + "\\)\n";
        EXPECT_EXIT(FATAL(shaders_load(path.c_str())), ExitedWithCode(1), "^" + expected + "$");
    }
    EXPECT_EXIT(FATAL(shaders_load("/nonexistent/passes.shd")), ExitedWithCode(1),
                "^Error: Error loading '/nonexistent/passes.shd'\n$");
}

}  // namespace
