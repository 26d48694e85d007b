/*
** showcase_test.cpp -- the example demo stays whole: it checks clean, it
** shows every section type and its README says where, and at the four
** points its README shows stills of, the picture holds more than the sky.
*/
#include "dkernel.h"
#include "harness.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

const std::string kShowcase = std::string(LUMENO_SOURCE_DIR) + "/examples/showcase";

/* The section types a script plays: its heads, and the inner type (first
** string) of each efxRepeat. */
std::set<std::string> typesIn(const std::string& script)
{
    std::set<std::string> types;
    std::istringstream in(script);
    std::string line, head;
    bool wantInner = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] == '[') {
            head = line.substr(1, line.find(']') - 1);
            types.insert(head);
            wantInner = head == "efxRepeat";
        } else if (wantInner && line.rfind("string ", 0) == 0) {
            types.insert(line.substr(7));
            wantInner = false;
        }
    }
    return types;
}

TEST(Showcase, ChecksCleanShowsEveryTypeAndItsReadmeSaysWhere)
{
    int status = -1;
    std::string report = e2e_shell("cd / && env -u DISPLAY timeout -s KILL 120 " LUMENO_PLAYER " --check '" +
                                   kShowcase + "' 2>&1", &status);
    EXPECT_EQ(status, 0) << report;
    EXPECT_EQ(report, kShowcase + ": no problems found\n");

    std::map<std::string, std::set<std::string>> scripts;   /* script -> its types */
    for (const auto& entry : fs::directory_iterator(kShowcase))
        if (entry.path().extension() == ".lum")
            scripts[entry.path().filename().string()] = typesIn(e2e_readFile(entry.path().string()));
    std::string readme = e2e_readFile(kShowcase + "/README.md");
    for (const SectionType& type : sectionFunction) {
        std::string name = type.name;
        /* the README's row: | `name` | ... script.lum ... | */
        size_t row = readme.find("| `" + name + "` |");
        ASSERT_NE(row, std::string::npos) << name << " has no row in the README";
        std::string line = readme.substr(row, readme.find('\n', row) - row);
        bool shown = false;
        for (const auto& script : scripts)
            if (script.second.count(name) && line.find(script.first) != std::string::npos) shown = true;
        EXPECT_TRUE(shown) << name << ": no script its README row names plays it: " << line;
    }
}

/* The showcase from `second` for a tenth of a second, silent, recorded;
** the share of its first frame's pixels brighter than any of the sky's. */
double brightShareAt(double second)
{
    std::string dir = e2e_makeDemo();
    fs::copy(kShowcase, dir, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    std::string script = e2e_readFile(dir + "/showcase.lum");
    auto set = [&](const std::string& from, const std::string& to) {
        size_t at = script.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        script.replace(at, from.size(), to);
    };
    set("\ndemo_start 0\n", "\ndemo_start " + std::to_string(second) + "\n");
    set("\ndemo_end 96\n", "\ndemo_end " + std::to_string(second + 0.1) + "\nrecord 1\nrecord_fps 10\n");
    set("\nsound 1\n", "\nsound 0\n");
    e2e_writeFile(dir, "showcase.lum", script);
    E2eRun run = e2e_run(dir, 120.0);
    EXPECT_EQ(run.status, 0) << run.err;
    E2eImage f = e2e_frame(dir, 0);
    if (!f.ok()) return 0.0;
    int bright = 0, total = 0;
    for (int y = 60; y < 420; y++)            /* the 16:9 picture between the bars */
        for (int x = 0; x < f.width; x++, total++)
            bright += std::max({ e2e_channel(f, x, y, 0), e2e_channel(f, x, y, 1), e2e_channel(f, x, y, 2) }) > 150;
    return (double)bright / total;
}

TEST(Showcase, StillPointsHoldMoreThanTheSky)
{
    for (double second : { 9.6, 33.6, 57.6, 81.6 })
        EXPECT_GT(brightShareAt(second), 0.01) << "second " << second;   /* sky and stars: 0.003 */
}

}  // namespace
