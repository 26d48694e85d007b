/*
** config_test.cpp -- the global keys: how scripts override them.
** Defaults are the key table's own data; the random generator each start
** reseeds shows in the replayed particle frames end to end.
*/
#include <gtest/gtest.h>

#include "dkernel.h"
#include "dk_script.h"
#include "testutil.h"

#include <math.h>
#include <strings.h>

/* Loads one script from a fresh working folder.  That the keys of several
** scripts add up shows in the end-to-end template run (its own script and
** a recording one). */
static void loadScript(const char* text)
{
    TempDir dir(true);
    writeFile("one.lum", text);
    dkernel_loadScripts();
}

/* A number key's value through its table entry; NaN when the key is missing. */
static double keyValue(const char* name)
{
    for (const ScriptCommand& c : scriptCommand)
        if (strcasecmp(c.name, name) == 0 && c.type != DK_KEY_STRING)
            return c.type == DK_KEY_INT ? *(int*)c.target : *(float*)c.target;
    ADD_FAILURE() << "no number key " << name;
    return NAN;
}

TEST(Config, ScriptsOverrideDefaultsAndTheLaterLineWins)
{
    loadScript("gl_width 1024\nGL_WIDTH 800\nfps 1.5\ngamma 1.8\nsound\ngamma 1e39\nDemo_Name  My  demo ; not a comment \n");
    EXPECT_EQ(keyValue("gl_width"), 800);
    /* an integer part; an unreadable number keeps the value the key had */
    const std::pair<const char*, double> values[] = { { "fps", 1 }, { "gamma", 1.8f }, { "sound", 1 } };
    for (auto& v : values) EXPECT_EQ(keyValue(v.first), v.second) << v.first;
    EXPECT_STREQ(demoSystem.demo_name, "My  demo ; not a comment ");
}
