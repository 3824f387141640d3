// The whole run in-process over a fake platform: faults that a real system
// makes hard to produce on demand (a read error in a chosen block, a failing
// close, short writes) must each end in the right message and status.
#include <gtest/gtest.h>

#include <string>

#include "fake_platform.h"
#include "run.h"

namespace quorvel {
namespace {

const std::string kHl1Line = "  3 1.5 -0.25 12 0 0 1 0.125 0.75\n";
const std::string kSourceLine =
    " 0 1.500000 -0.250000 12.000000 0.000000 0.000000 1.000000 0.125000 0.750000 1 3 1.000000 \r\n";

// About 1.3 MB of HL1 input, 21 blocks of 64 KiB.
std::string big_input() {
    std::string s = "triangles\n";
    for (int i = 0; i < 40000; ++i) s += kHl1Line;
    return s;
}

std::string expected_output() {
    std::string s = "triangles\r\n";
    for (int i = 0; i < 40000; ++i) s += kSourceLine;
    return s;
}

// A fresh platform holding in.smd; the caller then sets the faults and calls go().
void prepare(const std::string& input) {
    fake::platform() = fake::Platform{};
    fake::platform().files["in.smd"].data = input;
}

int go() {
    char arg0[] = "quorvel", arg1[] = "-hl", arg2[] = "in.smd", arg3[] = "out.smd";
    char* argv[] = {arg0, arg1, arg2, arg3, nullptr};
    return run_tool(4, argv);
}

std::string stdout_after_banner() {
    const std::string& out = fake::platform().stdout_text;
    std::size_t rule = out.find("----\r\n\r\n");
    return rule == std::string::npos ? out : out.substr(rule + 8);
}

void expect_failure(const char* message) {
    EXPECT_EQ(stdout_after_banner(), message);
    EXPECT_EQ(fake::platform().stdin_reads, 0);
    EXPECT_EQ(fake::platform().open_handles, 0);
    ASSERT_EQ(fake::platform().closed.size(), 2u);
    EXPECT_EQ(fake::platform().closed[0], "in.smd");
    EXPECT_EQ(fake::platform().closed[1], "out.smd");
}

TEST(Faults, ReadErrorInFirstMiddleAndLastBlock) {
    const std::string input = big_input();
    std::size_t blocks = (input.size() + 65535) / 65536;
    // The call after the last data block is the one that would report the end.
    for (int call : {0, 7, static_cast<int>(blocks) - 1, static_cast<int>(blocks)}) {
        prepare(input);
        fake::platform().fail_read_call = call;
        EXPECT_EQ(go(), 1) << "read call " << call;
        expect_failure("ERROR: Could not read input file.\r\n\r\n");
    }
}

TEST(Faults, WriteErrorOnFirstBlockAndOnFinalFlush) {
    const std::string input = big_input();
    std::size_t full_blocks = expected_output().size() / 65536;
    for (int call : {0, static_cast<int>(full_blocks)}) {
        prepare(input);
        fake::platform().fail_write_call = call;
        EXPECT_EQ(go(), 1) << "write call " << call;
        expect_failure("ERROR: Could not write output file.\r\n\r\n");
        EXPECT_EQ(fake::platform().write_calls, call + 1);
    }
}

TEST(Faults, FailingCloseOfTheOutput) {
    prepare(big_input());
    fake::platform().fail_output_close = true;
    EXPECT_EQ(go(), 1);
    expect_failure("ERROR: Could not write output file.\r\n\r\n");
}

TEST(Faults, ShortWritesStillWriteEverything) {
    for (std::size_t limit : {1000, 65535, 7}) {
        prepare(big_input());
        fake::platform().write_limit = limit;
        EXPECT_EQ(go(), 0);
        EXPECT_EQ(fake::platform().files["out.smd"].data, expected_output());
        EXPECT_EQ(stdout_after_banner(), "Done...\r\n\r\nPress any key to continue...\r\n\r\n");
        EXPECT_EQ(fake::platform().stdin_reads, 1);
    }
}

TEST(Faults, WriteThatMakesNoProgressIsAnError) {
    prepare(big_input());
    fake::platform().write_limit = 0;
    EXPECT_EQ(go(), 1);
    expect_failure("ERROR: Could not write output file.\r\n\r\n");
}

TEST(Run, SmallReadsGiveTheSameFile) {
    for (std::size_t chunk : {1, 3, 4096}) {
        prepare("tr\r\n" + std::string("  3 1.5 -0.25 12 0 0 1 0.125 0.75\r\n"));
        fake::platform().read_chunk = chunk;
        EXPECT_EQ(go(), 0);
        EXPECT_EQ(fake::platform().files["out.smd"].data, "tr\r\n" + kSourceLine);
    }
}

TEST(Run, TerminalGetsEachMessageAtOnce) {
    prepare("");
    fake::platform().terminal = true;
    EXPECT_EQ(go(), 0);
    EXPECT_EQ(stdout_after_banner(), "Done...\r\n\r\nPress any key to continue...\r\n\r\n");
}

}  // namespace
}  // namespace quorvel
