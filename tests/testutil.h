/*
** testutil.h -- what the unit tests share: the files under tests/data,
** scratch folders, whole files written and read, and the exact standard
** error of a fatal exit.
**
** A missing data file fails the test that wanted it, with the file's path
** in the message, instead of letting the test crash on a null handle.
*/
#ifndef LUMENO_TESTUTIL_H
#define LUMENO_TESTUTIL_H

#include <gtest/gtest.h>

#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "dkernel.h"

/* Runs a statement as the player runs its demo: a fatal error ends the
** process with its message and status 1 (for EXPECT_EXIT). */
#define FATAL(...) dkernel_protect([&] { __VA_ARGS__; })

#ifndef LUMENO_DATA_DIR
#define LUMENO_DATA_DIR "tests/data"
#endif

/* The path of tests/data/<rel>; records a failure when it does not exist. */
inline std::string testdata_path(const std::string& rel)
{
    std::string path = std::string(LUMENO_DATA_DIR) + "/" + rel;
    struct stat st;
    if (stat(path.c_str(), &st) != 0) ADD_FAILURE() << "test data missing: " << path;
    return path;
}

/* The entries of the folder tests/data/<rel> (hidden ones left out);
** records a failure and returns none when it cannot be listed. */
inline std::vector<std::string> testdata_list(const std::string& rel)
{
    std::vector<std::string> names;
    std::string path = std::string(LUMENO_DATA_DIR) + "/" + rel;
    DIR* d = opendir(path.c_str());
    if (!d) {
        ADD_FAILURE() << "test data folder missing: " << path;
        return names;
    }
    while (struct dirent* e = readdir(d))
        if (e->d_name[0] != '.') names.push_back(e->d_name);
    closedir(d);
    return names;
}

inline bool writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    return bool(out << bytes);
}

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

/* A scratch folder (path ends with '/'), removed with everything in it when
** the object goes out of scope in the process that made it: a death-test
** child that exits leaves its parent's files alone.  With `enter` it is the
** working folder meanwhile. */
struct TempDir {
    std::string path;
    std::string home;
    pid_t owner = getpid();
    explicit TempDir(bool enter = false)
    {
        char tmpl[] = "/tmp/lumeno_test_XXXXXX";
        if (!mkdtemp(tmpl)) perror("mkdtemp");   /* the test then fails on its files */
        path = std::string(tmpl) + "/";
        if (enter) {
            home = std::filesystem::current_path();
            std::filesystem::current_path(path);
        }
    }
    ~TempDir()
    {
        std::error_code ignored;
        if (getpid() != owner) return;
        if (!home.empty()) std::filesystem::current_path(home, ignored);
        std::filesystem::remove_all(path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
};

/* A section of `type` as the parser leaves it: counts, numbers and names
** (spline files are not read: the checks only count them), in `layer` from
** `start` to `end`.  The names are copies that live as long as the test. */
inline Section test_section(const char* type, const std::vector<float>& params,
                            const std::vector<std::string>& strings = {}, int splines = 0, int layer = 0,
                            float start = 0.0f, float end = 1.0f)
{
    Section s = {};
    s.type = getSectionByName(type);
    s.layer = layer, s.start = start, s.end = end, s.duration = end - start;
    s.param_count = (int)params.size();
    for (size_t i = 0; i < params.size(); i++) s.params[i] = params[i];
    s.string_count = (int)strings.size();
    for (size_t i = 0; i < strings.size(); i++) s.strings[i] = strdup(strings[i].c_str());
    s.spline_count = splines;
    return s;
}

/* Matches a death test's whole standard error. */
inline ::testing::Matcher<const std::string&> stderrIs(const std::string& text)
{
    return ::testing::Matcher<const std::string&>(text);
}

/* Element by element, a 4 x 4 matrix unless `n` says otherwise. */
inline void expectNear(const float* a, const float* b, int n = 16, float eps = 1e-5f)
{
    for (int i = 0; i < n; i++) EXPECT_NEAR(a[i], b[i], eps) << "element " << i;
}

#endif
