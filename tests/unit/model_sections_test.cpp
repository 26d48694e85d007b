/*
** model_sections_test.cpp -- the load-time checks of the camera, light,
** object, objectMatrix and objectShader sections, run as the kernel runs
** them before loading; no window is needed.
*/
#include <gtest/gtest.h>

#include "testutil.h"

#include <math.h>
#include <string.h>

#include <string>
#include <vector>

#include "dkernel.h"

namespace {

struct Script {
    const char*              type;
    std::vector<float>       params;
    std::vector<std::string> strings;
    int                      splines;
};

/* A section as the parser leaves it: numbers and names, spline files not
** read (the checks only count them). */
Section* sectionOf(const Script& s)
{
    static Section section;
    section = test_section(s.type, s.params, s.strings, s.splines, 3);
    return &section;
}

const std::vector<float> seven = { 1, 0, 1, 1, 1, 0, 0 };
const std::vector<float> five = { 3, 1, 1, 1, 0 };
const std::vector<std::string> model = { "color", "models/", "cube.3ds" };
const std::vector<std::string> chain = { "env.tga", "models/", "cube.3ds", "color" };
const std::vector<std::string> shader = { "models/", "cube.3ds", "passes.sha" };

TEST(ModelSectionLoad, EachMistakeStopsWithItsMessage)
{
    struct Case { Script script; const char* message; };
    const Case cases[] = {
        { { "object", { 1, 0, 1, 1, 1, 0 }, model, 0 }, "7 params needed, 6 given" },
        { { "object", seven, { "color", "models/" }, 1 }, "at least 3 strings needed, 2 given" },
        { { "object", seven, { "sparkle", "models/", "cube.3ds" }, 1 }, "unknown render mode 'sparkle'" },
        { { "object", seven, { "environment", "models/", "cube.3ds" }, 1 }, "4 strings needed, 3 given" },
        { { "object", seven, { "CELL", "models/", "cube.3ds", "a", "b" }, 1 }, "4 strings needed, 5 given" },
        { { "objectMatrix", { 3, 1, 1, 1 }, chain, 2 }, "5 params needed, 4 given" },
        { { "objectMatrix", five, model, 2 }, "4 strings needed, 3 given" },
        { { "objectMatrix", five, chain, 1 }, "2 splines needed, 1 given" },
        { { "objectMatrix", five, { "env.tga", "models/", "cube.3ds", "glitter" }, 2 }, "unknown render mode 'glitter'" },
        { { "objectMatrix", five, { "env.tga", "models/", "cube.3ds", "flat" }, 2 },
          "render mode not implemented yet" },
        { { "camera", {}, {}, 2 }, "0 or 1 splines needed, 2 given" },
        { { "light", {}, {}, 2 }, "1 param needed, 0 given" },
        { { "light", { 0 }, {}, 1 }, "2 splines needed, 1 given" },
        { { "light", { 8 }, {}, 2 }, "Invalid light index" },
        { { "light", { -1 }, {}, 2 }, "Invalid light index" },
        { { "light", { 1e30f }, {}, 2 }, "Invalid light index" },
        { { "light", { NAN }, {}, 2 }, "Invalid light index" },
        { { "objectShader", {}, { "models/", "cube.3ds" }, 1 }, "3 strings needed, 2 given" },
        { { "objectShader", {}, shader, 0 }, "at least 1 spline needed, 0 given" },
        { { "objectShader", { 1, 1 }, shader, 1 }, "as much one single param needed, 2 given" },
    };
    for (const Case& c : cases) {
        std::string expected = std::string("^Error: ") + c.script.type +
                               " \\(3, 0\\.000000 -> 1\\.000000\\): " + c.message + "\n$";
        EXPECT_EXIT(FATAL(section_load(sectionOf(c.script))), testing::ExitedWithCode(1), expected)
            << c.script.type << ": " << c.message;
    }
}

TEST(ModelSectionLoad, BorderlineScriptsPassTheirChecks)
{
    const Script accepted[] = {
        { "light", { 7.9f }, {}, 2 },     /* light 7 */
        { "light", { -0.5f }, {}, 2 },    /* truncated toward zero: light 0 */
        { "objectMatrix", five, { "env.tga", "models/", "cube.3ds", "ENVIRONMENT" }, 2 },
    };
    for (const Script& s : accepted) {
        mySection = sectionOf(s);
        sectionCheck[mySection->type]();   /* exits on a mistake */
    }
}

}  // namespace
