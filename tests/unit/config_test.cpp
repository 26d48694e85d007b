/*
** config_test.cpp -- the global keys: how scripts override them.
** Defaults are the key table's own data; the random generator each start
** reseeds shows in the replayed particle frames end to end.
*/
#include <gtest/gtest.h>

#include "dkernel.h"
#include "dk_script.h"
#include "testutil.h"

#include <dirent.h>
#include <math.h>
#include <string.h>
#include <strings.h>

#include <string>

/* Loads the given scripts (name, text pairs) from a fresh working folder;
** returns the name of the one parsed last (the file system's order decides). */
static std::string loadScripts(std::initializer_list<std::pair<const char*, const char*>> files)
{
    TempDir dir(true);
    for (auto& f : files) writeFile(f.first, f.second);
    std::string last;
    DIR* d = opendir(".");
    while (struct dirent* e = readdir(d))
        if (strstr(e->d_name, ".lum")) last = e->d_name;
    closedir(d);
    dkernel_loadScripts();
    return last;
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

TEST(Config, ScriptsOverrideDefaultsAndTheLastParsedWins)
{
    std::string last = loadScripts({
        { "one.lum", "GL_WIDTH 800\nfps 1.5\ngamma 1.8\nsound\ngamma 1e39\nDemo_Name  My  demo ; not a comment \n" },
        { "two.lum", "gl_width 1024\n" },
    });
    EXPECT_EQ(keyValue("gl_width"), last == "two.lum" ? 1024 : 800);
    /* an integer part; an unreadable number keeps the value the key had */
    const std::pair<const char*, double> values[] = { { "fps", 1 }, { "gamma", 1.8f }, { "sound", 1 } };
    for (auto& v : values) EXPECT_EQ(keyValue(v.first), v.second) << v.first;
    EXPECT_STREQ(demoSystem.demo_name, "My  demo ; not a comment ");
    loadScripts({});
}
