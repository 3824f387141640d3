#include "arguments.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

TEST(Switch, HlExactSourceFoldingOnlyAsciiLetters) {
    struct Case {
        const char* text;
        bool accepted;
        InputFormat format;
    } cases[] = {
        {"-hl", true, InputFormat::Hl1},
        {"-HL", false, {}},
        {"-Hl", false, {}},
        {"-hl ", false, {}},
        {"hl", false, {}},
        {"-source", true, InputFormat::Source},
        {"-SOURCE", true, InputFormat::Source},
        {"-sOuRcE", true, InputFormat::Source},
        {"-source ", false, {}},
        {"source", false, {}},
        {"-sourc", false, {}},
        {"-sources", false, {}},
        {"_source", false, {}},  // '_' is not a folded '-'
        {"-\xd3OURCE", false, {}},  // bytes above 127 do not fold
        {"", false, {}},
    };
    for (const Case& c : cases) {
        InputFormat format = InputFormat::Hl1;
        EXPECT_EQ(choose_input_format(c.text, &format), c.accepted) << c.text;
        if (c.accepted) {
            EXPECT_EQ(format, c.format) << c.text;
        }
    }
}

TEST(Names, ComparedByteForByte) {
    EXPECT_TRUE(equal_exact("a.smd", "a.smd"));
    EXPECT_FALSE(equal_exact("a.smd", "A.smd"));
    EXPECT_FALSE(equal_exact("a.smd", "a.smd "));
    EXPECT_FALSE(equal_exact("a.smd", "./a.smd"));
}

}  // namespace
}  // namespace quorvel
