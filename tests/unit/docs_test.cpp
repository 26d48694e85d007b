/*
** docs_test.cpp -- the script reference and the README cannot fall behind
** the code: every section type, every global key and every command-line
** option of the code's tables must appear in them.
*/
#include <gtest/gtest.h>

#include "dkernel.h"
#include "dk_args.h"
#include "dk_script.h"

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string readSource(const char* rel)
{
    std::ifstream in(std::string(LUMENO_SOURCE_DIR) + "/" + rel);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

/* The text of every `code span` and every ``` block, in order. */
std::vector<std::string> codeSpans(const std::string& text)
{
    std::vector<std::string> spans;
    std::regex code("```[^\\n]*\\n([\\s\\S]*?)```|`([^`\\n]+)`");
    for (std::sregex_iterator it(text.begin(), text.end(), code), end; it != end; ++it)
        spans.push_back((*it)[1].matched ? (*it)[1].str() : (*it)[2].str());
    return spans;
}

bool hasSpan(const std::vector<std::string>& spans, const std::string& name)
{
    for (const std::string& s : spans)
        if (s == name) return true;
    return false;
}

/* the name as a word inside some span: "player --check [DIR]" holds --check */
bool inSomeSpan(const std::vector<std::string>& spans, const std::string& name)
{
    std::regex word("(^|[^-\\w])" + std::regex_replace(name, std::regex("-"), "\\-") + "($|[^-\\w])");
    for (const std::string& s : spans)
        if (std::regex_search(s, word)) return true;
    return false;
}

TEST(Docs, ReferenceNamesEverySectionTypeKeyAndOption)
{
    std::string reference = readSource("docs/scripts.md");
    ASSERT_FALSE(reference.empty()) << "docs/scripts.md not found";
    std::vector<std::string> spans = codeSpans(reference);
    for (int i = 0; i < DK_SECTION_TYPES; i++)
        EXPECT_TRUE(hasSpan(spans, sectionFunction[i].name)) << "section type " << sectionFunction[i].name;
    for (int i = 0; i < DK_SCRIPT_COMMANDS; i++)
        EXPECT_TRUE(hasSpan(spans, scriptCommand[i].name)) << "global key " << scriptCommand[i].name;
    for (int i = 0; i < DK_SECTION_COMMANDS; i++)
        EXPECT_TRUE(hasSpan(spans, scriptSectionCommand[i])) << "section key " << scriptSectionCommand[i];
    for (int i = 0; i < argOptionCount; i++) {
        if (!*argOptions[i].name) continue;   /* the plain form */
        EXPECT_TRUE(inSomeSpan(spans, argOptions[i].name)) << "option " << argOptions[i].name;
    }
}

TEST(Docs, ReadmeTableListsEverySectionType)
{
    std::string readme = readSource("README.md");
    ASSERT_FALSE(readme.empty()) << "README.md not found";
    std::vector<std::string> spans = codeSpans(readme);
    for (int i = 0; i < DK_SECTION_TYPES; i++)
        EXPECT_TRUE(hasSpan(spans, sectionFunction[i].name)) << "section type " << sectionFunction[i].name;
    EXPECT_NE(readme.find("docs/scripts.md"), std::string::npos);
}

/* the finder itself: a name inside a longer word or only in prose is not there */
TEST(Docs, SpanFinderNeedsTheWholeNameInCode)
{
    std::vector<std::string> spans = codeSpans("a `fps` b ```\nplayer --check [DIR]\n``` c loop `gl_width2`");
    EXPECT_TRUE(hasSpan(spans, "fps"));
    EXPECT_FALSE(hasSpan(spans, "loop"));
    EXPECT_FALSE(hasSpan(spans, "gl_width"));
    EXPECT_TRUE(inSomeSpan(spans, "--check"));
    EXPECT_FALSE(inSomeSpan(spans, "--che"));
    EXPECT_FALSE(inSomeSpan(spans, "-check"));
}

}  // namespace
