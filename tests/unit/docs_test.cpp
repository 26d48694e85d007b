/*
** docs_test.cpp -- the script reference and the README cannot fall behind the
** code: every section type, key and option of its tables must appear in them.
*/
#include <gtest/gtest.h>

#include "dkernel.h"
#include "st_args.h"
#include "dk_script.h"
#include "testutil.h"

#include <string>

namespace {

bool namesInCode(const std::string& text, const std::string& name)
{
    return text.find("`" + name + "`") != std::string::npos;
}

TEST(Docs, ReferenceAndReadmeNameEverySectionTypeKeyAndOption)
{
    std::string reference = readFile(LUMENO_SOURCE_DIR "/docs/scripts.md");
    std::string readme = readFile(LUMENO_SOURCE_DIR "/README.md");
    for (int i = 0; i < DK_SECTION_TYPES; i++) {
        EXPECT_TRUE(namesInCode(reference, sectionFunction[i].name)) << sectionFunction[i].name;
        EXPECT_NE(readme.find("| `" + std::string(sectionFunction[i].name) + "` |"), std::string::npos)
            << sectionFunction[i].name << " has no row in the README's table";
    }
    for (int i = 0; i < DK_SCRIPT_COMMANDS; i++)
        EXPECT_TRUE(namesInCode(reference, scriptCommand[i].name)) << scriptCommand[i].name;
    for (int i = 0; i < DK_SECTION_COMMANDS; i++)
        EXPECT_TRUE(namesInCode(reference, scriptSectionCommand[i])) << scriptSectionCommand[i];
    /* each option as a command a demo maker can copy */
    for (int i = 0; i < argOptionCount; i++) {
        if (!*argOptions[i].name) continue;   /* the plain form */
        EXPECT_NE(reference.find(std::string("player ") + argOptions[i].name), std::string::npos)
            << argOptions[i].name;
    }
    EXPECT_NE(readme.find("(docs/scripts.md)"), std::string::npos);
}

}  // namespace
