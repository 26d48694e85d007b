/*
** dk_path.cpp -- normalising and comparing the file names of a demo.
*/
#include "dk_path.h"

#include <limits.h>
#include <string.h>
#include <strings.h>
#include <unistd.h>
#include <vector>

std::string path_normalize(const char* path)
{
    std::string p = path ? path : "";
    /* an absolute path inside the demo folder is the same file as its
    ** relative name */
    char cwd[PATH_MAX];
    if (!p.empty() && p[0] == '/' && getcwd(cwd, sizeof cwd)) {
        size_t n = strlen(cwd);
        if (p.compare(0, n, cwd) == 0 && (p.size() == n || p[n] == '/'))
            p = p.substr(n);
    }
    std::vector<std::string> parts;
    size_t from = 0;
    while (from <= p.size()) {
        size_t to = p.find('/', from);
        if (to == std::string::npos)
            to = p.size();
        std::string part = p.substr(from, to - from);
        if (part == "..") {
            if (!parts.empty() && parts.back() != "..")
                parts.pop_back();
            else
                parts.push_back(part);
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        from = to + 1;
    }
    std::string out;
    for (const std::string& part : parts)
        out += (out.empty() ? "" : "/") + part;
    return out;
}

std::string path_programFolder(void)
{
    char exe[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0)
        return "";
    exe[n] = '\0';
    char* slash = strrchr(exe, '/');
    if (!slash)
        return "";
    *slash = '\0';
    return slash == exe ? "/" : exe;
}

int path_same(const char* a, const char* b)
{
    return a && b && strcasecmp(path_normalize(a).c_str(), path_normalize(b).c_str()) == 0;
}
