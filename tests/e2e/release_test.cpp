/*
** release_test.cpp -- getting a demo to a party: `player --pack` refusing a
** demo a competition would refuse, and the packed Linux demo played
** read-only from another folder without the build's libraries.  The party's
** video rules: Render.TwoSecondsWithLateAndSeveralMusicSections; the zip:
** Windows.PackedZipPlaysReadOnlyFromAnywhereAndQuitsOnEscape.
*/
#include "harness.h"

#include <stdlib.h>
#include <string.h>

#include <string>

namespace {

/* A shell command line's exit status, its output and errors in *out. */
int sh(const std::string& command, std::string* out = nullptr)
{
    int status = -1;
    std::string text = e2e_shell("(" + command + ") 2>&1", &status);
    if (out) *out = text;
    return status;
}

/* A copy of the player with a stand-in Windows player beside it, so that
** packing works whether or not the Windows build is there. */
std::string packer()
{
    static std::string bin;
    if (bin.empty()) {
        bin = e2e_makeDemo() + "/bin";
        sh("mkdir -p '" + bin + "' && cp " LUMENO_PLAYER " '" + bin + "/player' && "
           "(cp " LUMENO_SOURCE_DIR "/build-win/player.exe '" + bin + "/' 2>/dev/null || "
           "echo MZ > '" + bin + "/player.exe')");
    }
    return bin + "/player";
}

std::string templateCopy()
{
    std::string dir = e2e_makeDemo() + "/My Demo";
    /* without its demo_name, the demo is named after its folder */
    sh("cp -r " LUMENO_SOURCE_DIR "/examples/template '" + dir + "' && sed -i '/^demo_name/d' '" + dir +
       "/template.lum'");
    return dir;
}

TEST(Release, PackRefusesListingEveryProblemAndWritesNothing)
{
    std::string dir = templateCopy(), out = e2e_makeDemo() + "/out";
    sh("mkdir '" + out + "'");
    e2e_writeTga(dir, "../outside.tga", e2e_solid(4, 4, 9, 9, 9));
    e2e_writeTga(dir, "data/pictures/Sky.tga", e2e_solid(4, 4, 9, 9, 9));
    e2e_writeFile(dir, "party.lum",
        "record 1\ndebug 1\nloop 1\n"                                        /* 1 */
        "[image]\nstart 1\nend 2\nstring gone.tga\nspline data/splines/plate.spl\n"      /* 4 */
        "[image]\nstart 1\nend 2\nstring ../outside.tga\nspline data/splines/plate.spl\n" /* 9 */
        "[image]\nstart 1\nend 2\nstring data/pictures/Sky.tga\nspline data/splines/plate.spl\n"
        "[efxGlwo]\n");                                                                 /* 19 */
    std::string report;
    EXPECT_EQ(sh("cd / && " + packer() + " --pack '" + out + "' '" + dir + "'", &report), 1);
    const char* expected[] = {
        "party.lum:1: record 1 records every frame: a competition demo must not",
        "party.lum:2: debug 1 turns the debug keys on: a competition demo must not",
        "party.lum:4: image: cannot read 'gone.tga'",
        "party.lum:9: '../outside.tga' lies outside the demo folder",
        "party.lum:19: Unknown section 'efxGlwo', did you mean 'efxGlow'?",
        "warning: loop is on: the demo never ends by itself",
        "differ only in letter case",
        "pack: nothing written",
    };
    for (const char* line : expected)
        EXPECT_NE(report.find(line), std::string::npos) << line << "\n" << report;
    std::string listing;
    sh("ls -A '" + out + "'", &listing);
    EXPECT_EQ(listing, "");

    /* an output folder inside the demo, or one that is not there */
    EXPECT_EQ(sh(packer() + " --pack '" + dir + "/data' '" + dir + "'", &report), 1);
    EXPECT_NE(report.find("inside the demo folder"), std::string::npos) << report;
    EXPECT_EQ(sh(packer() + " --pack /nonexistent '" + dir + "'", &report), 1);
}

TEST(Release, PackedLinuxDemoPlaysReadOnlyFromAnywhereAndQuitsOnEscape)
{
    std::string dir = templateCopy(), out = e2e_makeDemo() + "/out";
    sh("sed -i 's/^demo_end 8/demo_end 60/' '" + dir + "/template.lum'");   /* Escape stops it */
    std::string text;
    ASSERT_EQ(sh("mkdir '" + out + "' && cd / && " + packer() + " --pack '" + out + "' '" + dir + "'",
                 &text), 0) << text;
    /* no newer C library than Ubuntu 22.04's 2.35: a party's oldest desktop */
    size_t at = text.find("pack: the Linux player needs glibc 2.");
    ASSERT_NE(at, std::string::npos) << text;
    EXPECT_LE(atoi(text.c_str() + at + strlen("pack: the Linux player needs glibc 2.")), 35) << text;
    std::string top = out + "/unpacked/My-Demo";
    ASSERT_EQ(sh("mkdir '" + out + "/unpacked' && tar -xzf '" + out + "/My-Demo-linux-x86_64.tar.gz' -C '" +
                 out + "/unpacked'"), 0);
    /* only what the scripts use, the font, the readme */
    sh("cd '" + top + "' && find . -type f ! -path './lib/*' | sort", &text);
    EXPECT_EQ(text, "./My-Demo\n./data/fonts/font.tga\n./data/pictures/loading.tga\n"
                    "./data/pictures/plate.tga\n./data/pictures/sky.tga\n./data/splines/camera.spl\n"
                    "./data/splines/plate.spl\n./readme.txt\n./template.lum\n");
    sh("cat '" + top + "/readme.txt'", &text);
    EXPECT_NE(text.find("Resolution: 640 x 480"), std::string::npos) << text;

    /* every library the player or a shipped library needs, beyond a
    ** desktop's own, resolves inside lib/ */
    sh("cd '" + top + "' && for f in My-Demo lib/*; do objdump -p \"$f\" | awk '/NEEDED/{print $2}'; done "
       "| sort -u | grep -v -E '^(libc|libm|libdl|libpthread|librt|libGL|libGLX|libGLdispatch|libOpenGL|"
       "libX|libxcb|libasound|libpulse|libresolv|libstdc\\+\\+|libgcc_s|ld-linux)' | while read l; do "
       "LD_LIBRARY_PATH= ldd ./My-Demo | grep -q \"$l => $PWD/.*lib/$l \" || echo \"$l\"; done", &text);
    EXPECT_EQ(text, "");
    /* the desktop's C++ runtime serves: Ubuntu 22.04's goes up to GLIBCXX_3.4.30 */
    sh("cd '" + top + "' && objdump -T My-Demo lib/* | grep -o 'GLIBCXX_3\\.4\\.[0-9]*' | sort -t. -k3 -n | tail -1",
       &text);
    const size_t prefix = strlen("GLIBCXX_3.4.");
    EXPECT_LE(text.size() > prefix ? atoi(text.c_str() + prefix) : 99, 30) << text;

    std::string before, after;
    sh("chmod -R a-w '" + top + "' && cd '" + top + "' && find . -type f -exec md5sum {} + | sort", &before);
    std::string script =
        "cd / && LD_LIBRARY_PATH= SDL_AUDIODRIVER=dummy '" + top + "/My-Demo' & p=$!; "
        "for i in $(seq 100); do xdotool search --onlyvisible --name . >/dev/null 2>&1 && break; sleep 0.2; done; "
        "sleep 1; xdotool search --onlyvisible --name . windowfocus %1 >/dev/null 2>&1; xdotool key Escape; "
        "wait $p";
    e2e_writeFile(out, "escape.sh", script);
    int status = sh("timeout 45 xvfb-run -a -s '-screen 0 1280x1024x24 -noreset' sh '" + out + "/escape.sh'",
                    &text);
    EXPECT_EQ(status, 0) << text;
    sh("cd '" + top + "' && find . -type f -exec md5sum {} + | sort", &after);
    EXPECT_EQ(after, before);
    sh("chmod -R u+w '" + out + "'");
}

}  // namespace
