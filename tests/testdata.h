/*
** testdata.h -- the files under tests/data that tests read.
**
** A missing file fails the test that wanted it, with the file's path in
** the message, instead of letting the test crash on a null handle.
*/
#ifndef LUMENO_TESTDATA_H
#define LUMENO_TESTDATA_H

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include <string>
#include <vector>

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

#endif
