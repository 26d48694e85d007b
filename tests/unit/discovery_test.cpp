/*
** discovery_test.cpp -- the script search skips what editors leave beside a
** script (backups, swap and hidden files), warns once for each, and parses
** everything else as before.
*/
#include <gtest/gtest.h>

#include "dkernel.h"
#include "dk_script.h"

#include <ftw.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

int removeEntry(const char* path, const struct stat*, int, struct FTW*)
{
    return remove(path);
}

TEST(Discovery, EditorLeftoversAreSkippedWithOneWarningEach)
{
    struct { const char* name; bool parsed; } cases[] = {
        { "demo.lum", true },
        { "notes.lum.txt", true },            /* still a script: the name holds .lum */
        { ".hidden/inner.lum", true },        /* hidden folders are still searched */
        { "demo.lum~", false },
        { "demo.lum.bak", false },
        { "demo.lum.BAK", false },
        { "demo.lum.swp", false },
        { ".demo.lum.swp", false },
        { ".scratch.lum", false },
        { "demo.lum.orig", false },
    };
    char dir[] = "/tmp/lumeno_discovery_XXXXXX";
    char home[4096];
    ASSERT_TRUE(getcwd(home, sizeof home) && mkdtemp(dir) && chdir(dir) == 0);
    ASSERT_EQ(mkdir(".hidden", 0755), 0);
    int layer = 0;
    for (const auto& c : cases) {
        FILE* f = fopen(c.name, "w");
        ASSERT_TRUE(f) << c.name;
        fprintf(f, "[efxInverse]\nlayer %d\n", layer++);
        fclose(f);
    }
    FILE* plain = fopen("notes.bak", "w");   /* no .lum: neither read nor named */
    fclose(plain);

    demoSystem.section_list = nullptr;
    int before = script_foundCount;
    testing::internal::CaptureStderr();
    recurseDirectories(".");
    recurseDirectories(".");   /* a second search warns no more */
    std::string warnings = testing::internal::GetCapturedStderr();

    std::vector<int> parsed;
    for (Section* s = demoSystem.section_list; s; s = s->next) parsed.push_back(s->layer);
    layer = 0;
    int expectedScripts = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        int times = (int)std::count(parsed.begin(), parsed.end(), layer++);
        std::string warning = std::string("Warning: editor leftover, not read as a script: './") +
                              c.name + "'\n";
        size_t at = warnings.find(warning);
        EXPECT_EQ(times, c.parsed ? 2 : 0);
        EXPECT_EQ(at != std::string::npos, !c.parsed);
        if (at != std::string::npos) {
            EXPECT_EQ(warnings.find(warning, at + 1), std::string::npos);
        }
        expectedScripts += c.parsed ? 2 : 0;
    }
    EXPECT_EQ(warnings.find("notes.bak"), std::string::npos);
    EXPECT_EQ(script_foundCount - before, expectedScripts);

    ASSERT_EQ(chdir(home), 0);
    nftw(dir, removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

}  // namespace
