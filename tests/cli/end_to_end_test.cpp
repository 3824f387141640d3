// End-to-end runs of the tool: each test starts the command named by
// QUORVEL_COMMAND (split at blanks, so that a wrapper may come first) in a
// fresh directory of its own, then checks the exact bytes of standard output,
// the exit status, what standard input gave up, and the files afterwards.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

// ---------------------------------------------------------------------------
// What the tool prints. Standard output writes every LF as CR LF.

const std::string kTitleStart = "\r\n\r\nQuorvel 0.1b - ";
const std::string kRule = std::string(62, '-') + "\r\n\r\n";

const std::string kUsage =
    "Converts HL1 format reference SMD files to Source format SMD.\r\n\r\n"
    "Usage: quorvel.exe -hl|source <infile.smd> <outfile.smd>\r\n\r\n"
    " -hl|source\t\t(Input file format)\r\n"
    " <infile.smd>\t\t(SMD file to be converted)\r\n"
    " <outfile.smd>\t\t(SMD file to write)\r\n\r\n"
    "Example: quorvel.exe -source s_reference.smd h_reference.smd\r\n\r\n";
const std::string kSameName = "ERROR: Input and Outfiles can not be the same.\r\n\r\n";
const std::string kOpenInput = "ERROR: Could not open input file.\r\n\r\n";
const std::string kOpenOutput = "ERROR: Could not open output file.\r\n\r\n";
const std::string kReadInput = "ERROR: Could not read input file.\r\n\r\n";
const std::string kWriteOutput = "ERROR: Could not write output file.\r\n\r\n";
const std::string kDone = "Done...\r\n\r\nPress any key to continue...\r\n\r\n";

// One vertex in both flavours, and what the tool writes for each.
const std::string kHl1Vertex = "3 1.5 -0.25 12 0 0 1 0.125 0.75";
const std::string kHl1AsSource =
    " 0 1.500000 -0.250000 12.000000 0.000000 0.000000 1.000000 0.125000 0.750000 1 3 1.000000 \r\n";
const std::string kSourceVertex = "0 1.5 -0.25 12 0 0 1 0.125 0.75 2 4 0.25 7 0.75";
const std::string kSourceAsHl1 = " 7 1.500000 -0.250000 12.000000 0.000000 0.000000 1.000000 0.125000 0.750000\r\n";

// What standard input holds unless a test says otherwise: more than one read
// of 4096 bytes, so that reading past the first read shows in the offset.
const std::string kKeys = std::string(9999, 'k') + "\n";

// ---------------------------------------------------------------------------
// Byte comparison with a readable report for long or binary texts.

std::string escaped(const std::string& s) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : s) {
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c < 0x20 || c >= 0x7f) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

::testing::AssertionResult same_bytes(const std::string& actual, const std::string& expected) {
    if (actual == expected) return ::testing::AssertionSuccess();
    std::size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
    std::size_t from = at > 40 ? at - 40 : 0;
    return ::testing::AssertionFailure()
           << "got " << actual.size() << " bytes, expected " << expected.size() << "; first difference at byte "
           << at << "\n  got:      ..." << escaped(actual.substr(from, 100)) << "\n  expected: ..."
           << escaped(expected.substr(from, 100));
}

// Checks the banner at the start of a run's standard output: the title with
// a credit text of one line, then the rule. Returns what follows the banner
// (all of out when the banner is wrong, so that later checks fail too).
std::string after_banner(const std::string& out) {
    if (out.compare(0, kTitleStart.size(), kTitleStart) != 0) {
        ADD_FAILURE() << "standard output does not begin with the title: " << escaped(out.substr(0, 80));
        return out;
    }
    std::size_t title_end = out.find("\r\n", kTitleStart.size());
    if (title_end == std::string::npos) {
        ADD_FAILURE() << "the title line does not end: " << escaped(out.substr(0, 120));
        return out;
    }
    std::string credit = out.substr(kTitleStart.size(), title_end - kTitleStart.size());
    if (credit.find_first_of("\r\n") != std::string::npos) {
        ADD_FAILURE() << "the credit text breaks the title line: " << escaped(credit);
        return out;
    }
    std::size_t rule_at = title_end + 2;
    if (out.compare(rule_at, kRule.size(), kRule) != 0) {
        ADD_FAILURE() << "the title is not followed by the rule of 62 hyphens: " << escaped(out.substr(rule_at, 80));
        return out;
    }
    return out.substr(rule_at + kRule.size());
}

// ---------------------------------------------------------------------------
// Starting the tool.

std::vector<std::string> tool_command() {
    std::vector<std::string> words;
    const char* text = std::getenv("QUORVEL_COMMAND");
    if (text == nullptr) return words;
    std::string word;
    for (const char* p = text;; ++p) {
        if (*p == ' ' || *p == '\t' || *p == '\0') {
            if (!word.empty()) words.push_back(word);
            word.clear();
            if (*p == '\0') break;
        } else {
            word += *p;
        }
    }
    // The tool runs in its own directory, so relative paths to programs are
    // made absolute here.
    for (std::string& w : words) {
        std::error_code ec;
        if (w.find('/') != std::string::npos && w[0] != '/' && fs::exists(w, ec)) w = fs::absolute(w).string();
    }
    return words;
}

// What the tool's standard input is.
enum class Stdin {
    Keys,        // a regular file holding kKeys; its offset is reported
    DevNull,     // /dev/null: at its end at once
    EmptyFile,   // an empty regular file
    ClosedPipe,  // a pipe whose writing end is closed
    WriteOnly,   // a file opened for writing only: reading it fails
};

struct RunResult {
    int status = -1;  // exit status; 1000 + signal number if killed by a signal
    std::string out;
    std::string err;
    off_t stdin_offset = -1;  // Stdin::Keys only
};

constexpr auto kTimeLimit = std::chrono::seconds(60);

// Waits for the child; kills it when it outlives kTimeLimit. Returns the
// exit status as in RunResult::status, or -1 when it had to be killed.
int wait_for_exit(pid_t pid) {
    auto deadline = std::chrono::steady_clock::now() + kTimeLimit;
    for (;;) {
        int raw = 0;
        pid_t got = waitpid(pid, &raw, WNOHANG);
        if (got == pid) return WIFEXITED(raw) ? WEXITSTATUS(raw) : 1000 + WTERMSIG(raw);
        if (got < 0 && errno != EINTR) return -1;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &raw, 0);
            ADD_FAILURE() << "the tool did not end within the time limit and was killed";
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

std::string read_whole_fd(int fd) {
    std::string data;
    char buffer[65536];
    lseek(fd, 0, SEEK_SET);
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        data.append(buffer, static_cast<std::size_t>(n));
    }
    return data;
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        command_ = tool_command();
        ASSERT_FALSE(command_.empty()) << "QUORVEL_COMMAND names no command";
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/quorvel-e2e-XXXXXX";
        std::vector<char> buf(pattern.begin(), pattern.end());
        buf.push_back('\0');
        ASSERT_NE(mkdtemp(buf.data()), nullptr) << std::strerror(errno);
        root_ = buf.data();
        // The tool's files go in work/, the harness's own in io/.
        fs::create_directory(root_ / "work");
        fs::create_directory(root_ / "io");
        work_ = fs::canonical(root_ / "work");
    }

    void TearDown() override {
        std::error_code ec;
        if (!root_.empty()) fs::remove_all(root_, ec);
    }

    std::string path(const std::string& name) const { return (work_ / name).string(); }

    void put(const std::string& name, const std::string& bytes) {
        int fd = open(path(name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0) << name << ": " << std::strerror(errno);
        std::size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
            ASSERT_GT(n, 0) << std::strerror(errno);
            done += static_cast<std::size_t>(n);
        }
        close(fd);
    }

    std::optional<std::string> get(const std::string& name) const {
        int fd = open(path(name).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return std::nullopt;
        std::string data = read_whole_fd(fd);
        close(fd);
        return data;
    }

    bool exists(const std::string& name) const {
        struct stat st;
        return lstat(path(name).c_str(), &st) == 0;
    }

    // Every entry under work/ with what it holds, to tell that a run left
    // the directory exactly as it was.
    std::map<std::string, std::string> snapshot() const {
        std::map<std::string, std::string> entries;
        for (const fs::directory_entry& e : fs::recursive_directory_iterator(work_)) {
            std::string name = fs::relative(e.path(), work_).string();
            if (e.is_symlink()) {
                entries[name] = "link to " + fs::read_symlink(e.path()).string();
            } else if (e.is_directory()) {
                entries[name] = "directory";
            } else {
                std::optional<std::string> bytes = get(name);
                entries[name] = bytes ? "file: " + escaped(*bytes) : "unreadable file";
            }
        }
        return entries;
    }

    // Starts the tool in work/ with args after the command; standard output
    // and error go to files in io/. Returns the child's id, or -1.
    pid_t start(const std::vector<std::string>& args, int stdin_fd) {
        std::vector<std::string> words = command_;
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(w.data());
        argv.push_back(nullptr);
        std::string dir = work_.string();

        out_fd_ = open((root_ / "io" / "stdout").c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        err_fd_ = open((root_ / "io" / "stderr").c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (out_fd_ < 0 || err_fd_ < 0) {
            ADD_FAILURE() << "cannot make the output files: " << std::strerror(errno);
            return -1;
        }
        pid_t pid = fork();
        if (pid == 0) {
            if (chdir(dir.c_str()) != 0) _exit(126);
            if (dup2(stdin_fd, 0) < 0 || dup2(out_fd_, 1) < 0 || dup2(err_fd_, 2) < 0) _exit(126);
            execvp(argv[0], argv.data());
            _exit(127);
        }
        if (pid < 0) ADD_FAILURE() << "fork: " << std::strerror(errno);
        return pid;
    }

    // Collects what a started run printed, once it has ended.
    RunResult finish(pid_t pid) {
        RunResult r;
        if (pid > 0) r.status = wait_for_exit(pid);
        r.out = read_whole_fd(out_fd_);
        r.err = read_whole_fd(err_fd_);
        close(out_fd_);
        close(err_fd_);
        return r;
    }

    RunResult run(const std::vector<std::string>& args, Stdin in = Stdin::Keys) {
        int fd = -1;
        std::string keys = (root_ / "io" / "stdin").string();
        switch (in) {
            case Stdin::Keys:
            case Stdin::EmptyFile: {
                int w = open(keys.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
                if (w >= 0 && in == Stdin::Keys && write(w, kKeys.data(), kKeys.size()) != ssize_t(kKeys.size())) {
                    ADD_FAILURE() << "cannot fill standard input";
                }
                if (w >= 0) close(w);
                fd = open(keys.c_str(), O_RDONLY | O_CLOEXEC);
                break;
            }
            case Stdin::DevNull: fd = open("/dev/null", O_RDONLY | O_CLOEXEC); break;
            case Stdin::ClosedPipe: {
                int ends[2];
                if (pipe2(ends, O_CLOEXEC) == 0) {
                    close(ends[1]);
                    fd = ends[0];
                }
                break;
            }
            case Stdin::WriteOnly: fd = open(keys.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644); break;
        }
        if (fd < 0) {
            ADD_FAILURE() << "cannot make standard input: " << std::strerror(errno);
            return {};
        }
        RunResult r = finish(start(args, fd));
        // The child shared this open file description: its offset is what
        // the tool read.
        if (in == Stdin::Keys) r.stdin_offset = lseek(fd, 0, SEEK_CUR);
        close(fd);
        return r;
    }

    // Converts input with the switch and returns the output file's bytes,
    // after checking that the run succeeded.
    std::string convert(const std::string& switch_text, const std::string& input) {
        put("in.smd", input);
        RunResult r = run({switch_text, "in.smd", "out.smd"});
        expect_success(r);
        std::optional<std::string> out = get("out.smd");
        EXPECT_TRUE(out.has_value()) << "no output file";
        return out.value_or("");
    }

    // A failure before the pass: the banner and message, status 1, nothing
    // on standard error, standard input never read.
    static void expect_failure(const RunResult& r, const std::string& message) {
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(same_bytes(after_banner(r.out), message));
        EXPECT_EQ(r.err, "");
        if (r.stdin_offset >= 0) {
            EXPECT_EQ(r.stdin_offset, 0) << "a failing run read standard input";
        }
    }

    // A completed pass: the banner and completion message, status 0, and one
    // read of at most 4096 bytes from standard input.
    static void expect_success(const RunResult& r) {
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(same_bytes(after_banner(r.out), kDone));
        EXPECT_EQ(r.err, "");
        if (r.stdin_offset >= 0) {
            EXPECT_GT(r.stdin_offset, 0) << "the final wait did not read standard input";
            EXPECT_LE(r.stdin_offset, 4096) << "the final wait read more than one buffer";
        }
    }

    std::vector<std::string> command_;
    fs::path root_;
    fs::path work_;
    int out_fd_ = -1;
    int err_fd_ = -1;
};

// ---------------------------------------------------------------------------
// Failures before the pass. Every case runs in a directory holding an input,
// an existing output, a folder, and other names for the input; each must end
// with its message and leave every file as it was.

struct FailureCase {
    const char* name;
    std::vector<std::string> args;  // "@/" at the start stands for the full path of work/
    std::string message;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class Failures : public EndToEnd, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(Failures, PrintMessageAndLeaveFilesAlone) {
    put("in.smd", "triangles\n" + kHl1Vertex + "\n");
    put("old.smd", "old contents\r\n");
    fs::create_directory(work_ / "sub");
    fs::create_symlink("in.smd", work_ / "link.smd");
    fs::create_hard_link(work_ / "in.smd", work_ / "hard.smd");
    std::vector<std::string> args = GetParam().args;
    for (std::string& a : args) {
        if (a.rfind("@/", 0) == 0) a = work_.string() + a.substr(1);
    }
    auto before = snapshot();
    RunResult r = run(args);
    expect_failure(r, GetParam().message);
    EXPECT_EQ(snapshot(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, Failures,
    ::testing::Values(FailureCase{"NoArguments", {}, kUsage},
                      FailureCase{"SwitchOnly", {"-hl"}, kUsage},
                      FailureCase{"SwitchAndInputOnly", {"-hl", "in.smd"}, kUsage},
                      FailureCase{"SwitchUpperCaseHl", {"-HL", "in.smd", "out.smd"}, kUsage},
                      FailureCase{"SwitchMixedCaseHl", {"-Hl", "in.smd", "out.smd"}, kUsage},
                      FailureCase{"SwitchHlTrailingBlank", {"-hl ", "in.smd", "out.smd"}, kUsage},
                      FailureCase{"SwitchSourceTrailingBlank", {"-source ", "in.smd", "out.smd"}, kUsage},
                      FailureCase{"SwitchSourceLeadingBlank", {" -source", "in.smd", "out.smd"}, kUsage},
                      FailureCase{"SwitchWithoutHyphen", {"source", "in.smd", "out.smd"}, kUsage},
                      FailureCase{"SwitchCutShort", {"-sourc", "in.smd", "out.smd"}, kUsage},
                      FailureCase{"SwitchTooLong", {"-sources", "in.smd", "out.smd"}, kUsage},
                      FailureCase{"SwitchDoubleHyphen", {"--hl", "in.smd", "out.smd"}, kUsage},
                      FailureCase{"SwitchNonAsciiLetter", {"-sourc\xc9", "in.smd", "out.smd"}, kUsage},
                      FailureCase{"SwitchEmpty", {"", "in.smd", "out.smd"}, kUsage},
                      FailureCase{"SwitchAfterNames", {"in.smd", "out.smd", "-hl"}, kUsage},
                      FailureCase{"BadSwitchWithEqualNames", {"-HL", "in.smd", "in.smd"}, kUsage},
                      FailureCase{"BadSwitchWithMissingInput", {"-x", "missing.smd", "nodir/out.smd"}, kUsage}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    SameFile, Failures,
    ::testing::Values(FailureCase{"EqualNames", {"-hl", "in.smd", "in.smd"}, kSameName},
                      FailureCase{"EqualNamesSource", {"-Source", "old.smd", "old.smd"}, kSameName},
                      // The names are compared before anything is opened.
                      FailureCase{"EqualNamesOfMissingFile", {"-hl", "missing.smd", "missing.smd"}, kSameName},
                      FailureCase{"EqualNamesWithExtraArgument", {"-hl", "in.smd", "in.smd", "out.smd"}, kSameName},
                      // One file reached under two names.
                      FailureCase{"DotSlash", {"-hl", "in.smd", "./in.smd"}, kSameName},
                      FailureCase{"ThroughFolderAndBack", {"-source", "in.smd", "sub/../in.smd"}, kSameName},
                      FailureCase{"FullPath", {"-hl", "in.smd", "@/in.smd"}, kSameName},
                      FailureCase{"FullPathAsInput", {"-hl", "@/in.smd", "in.smd"}, kSameName},
                      FailureCase{"SymlinkAsOutput", {"-hl", "in.smd", "link.smd"}, kSameName},
                      FailureCase{"SymlinkAsInput", {"-source", "link.smd", "in.smd"}, kSameName},
                      FailureCase{"HardLink", {"-hl", "in.smd", "hard.smd"}, kSameName}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    OpenInput, Failures,
    ::testing::Values(FailureCase{"MissingInput", {"-hl", "missing.smd", "out.smd"}, kOpenInput},
                      FailureCase{"MissingInputExistingOutput", {"-source", "missing.smd", "old.smd"}, kOpenInput},
                      FailureCase{"MissingInputAndOutputFolder", {"-hl", "missing.smd", "nodir/out.smd"}, kOpenInput},
                      FailureCase{"InputInMissingFolder", {"-hl", "nodir/in.smd", "out.smd"}, kOpenInput},
                      FailureCase{"DirectoryInput", {"-hl", "sub", "out.smd"}, kOpenInput},
                      FailureCase{"DirectoryInputExistingOutput", {"-source", "sub", "old.smd"}, kOpenInput},
                      FailureCase{"CurrentDirectoryInput", {"-hl", ".", "out.smd"}, kOpenInput}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    OpenOutput, Failures,
    ::testing::Values(FailureCase{"OutputInMissingFolder", {"-hl", "in.smd", "nodir/out.smd"}, kOpenOutput},
                      FailureCase{"OutputIsFolder", {"-source", "in.smd", "sub"}, kOpenOutput},
                      FailureCase{"OutputBelowFile", {"-hl", "in.smd", "in.smd/out.smd"}, kOpenOutput}),
    [](const auto& info) { return std::string(info.param.name); });

// A device that takes no bytes: the failed write is reported.
INSTANTIATE_TEST_SUITE_P(
    WriteOutput, Failures,
    ::testing::Values(FailureCase{"FullDeviceHl1", {"-hl", "in.smd", "/dev/full"}, kWriteOutput},
                      FailureCase{"FullDeviceSource", {"-source", "old.smd", "/dev/full"}, kWriteOutput}),
    [](const auto& info) { return std::string(info.param.name); });

// Files that the user may not read or write; the checks mean nothing to a
// user who may open anything.
TEST_F(EndToEnd, FilesWithoutPermissionAreRefused) {
    if (geteuid() == 0) GTEST_SKIP() << "running as root: permissions are not enforced";
    put("locked.smd", "version 1\n");
    put("readonly.smd", "old contents\n");
    ASSERT_EQ(chmod(path("locked.smd").c_str(), 0), 0);
    ASSERT_EQ(chmod(path("readonly.smd").c_str(), 0444), 0);
    put("in.smd", "version 1\n");

    expect_failure(run({"-hl", "locked.smd", "out.smd"}), kOpenInput);
    EXPECT_FALSE(exists("out.smd"));
    expect_failure(run({"-hl", "in.smd", "readonly.smd"}), kOpenOutput);
    chmod(path("readonly.smd").c_str(), 0644);
    EXPECT_EQ(get("readonly.smd"), "old contents\n");
}

TEST_F(EndToEnd, WriteErrorOnLargeInputIsReported) {
    std::string input = "triangles\n";
    while (input.size() < 300000) input += kHl1Vertex + "\n";
    put("in.smd", input);
    expect_failure(run({"-hl", "in.smd", "/dev/full"}), kWriteOutput);
    EXPECT_EQ(get("in.smd"), input);
}

// Reading /proc/self/mem at offset 0 fails (nothing is mapped there) although
// opening it succeeds: an input that can be opened but not read.
TEST_F(EndToEnd, ReadErrorIsReported) {
    int fd = open("/proc/self/mem", O_RDONLY | O_CLOEXEC);
    if (fd < 0) GTEST_SKIP() << "no /proc/self/mem";
    char byte;
    ssize_t n = read(fd, &byte, 1);
    close(fd);
    if (n >= 0) GTEST_SKIP() << "/proc/self/mem can be read here";
    put("old.smd", "old contents\n");
    expect_failure(run({"-hl", "/proc/self/mem", "out.smd"}), kReadInput);
}

// ---------------------------------------------------------------------------
// Accepted command lines.

struct SwitchCase {
    const char* name;
    std::vector<std::string> args;
    bool hl1_input;
};

void PrintTo(const SwitchCase& c, std::ostream* os) { *os << c.name; }

class Switches : public EndToEnd, public ::testing::WithParamInterface<SwitchCase> {};

// The input holds one vertex of each flavour; only the one of the chosen
// input flavour is rewritten. Arguments after the output name are ignored,
// even when they name files or switches.
TEST_P(Switches, ChooseInputFlavour) {
    put("in.smd", "triangles\n" + kHl1Vertex + "\n" + kSourceVertex + "\n");
    RunResult r = run(GetParam().args);
    expect_success(r);
    std::string expected = GetParam().hl1_input ? "triangles\r\n" + kHl1AsSource + kSourceVertex + "\r\n"
                                                : "triangles\r\n" + kHl1Vertex + "\r\n" + kSourceAsHl1;
    EXPECT_TRUE(same_bytes(get("out.smd").value_or("<none>"), expected));
    EXPECT_FALSE(exists("extra.smd"));
}

INSTANTIATE_TEST_SUITE_P(
    Accepted, Switches,
    ::testing::Values(SwitchCase{"Hl", {"-hl", "in.smd", "out.smd"}, true},
                      SwitchCase{"Source", {"-source", "in.smd", "out.smd"}, false},
                      SwitchCase{"SourceUpperCase", {"-SOURCE", "in.smd", "out.smd"}, false},
                      SwitchCase{"SourceCapitalised", {"-Source", "in.smd", "out.smd"}, false},
                      SwitchCase{"SourceMixedCase", {"-sOuRcE", "in.smd", "out.smd"}, false},
                      SwitchCase{"ExtraFileName", {"-hl", "in.smd", "out.smd", "extra.smd"}, true},
                      SwitchCase{"ExtraSwitchAndNames", {"-source", "in.smd", "out.smd", "-hl", "in.smd", "x"}, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EndToEnd, ExistingOutputIsEmptiedAndReplaced) {
    put("out.smd", std::string(5000, 'o') + "\n");
    std::string out = convert("-hl", "triangles\n" + kHl1Vertex + "\n");
    EXPECT_TRUE(same_bytes(out, "triangles\r\n" + kHl1AsSource));
}

TEST_F(EndToEnd, EmptyInputGivesEmptyOutput) {
    std::string out = convert("-source", "");
    EXPECT_TRUE(same_bytes(out, ""));
}

// The final wait ends at once when standard input is at its end or cannot be
// read at all.
class StdinAtEnd : public EndToEnd, public ::testing::WithParamInterface<Stdin> {};

TEST_P(StdinAtEnd, RunEndsAtOnce) {
    put("in.smd", "triangles\n" + kHl1Vertex + "\n");
    RunResult r = run({"-hl", "in.smd", "out.smd"}, GetParam());
    expect_success(r);
    EXPECT_TRUE(same_bytes(get("out.smd").value_or("<none>"), "triangles\r\n" + kHl1AsSource));
}

INSTANTIATE_TEST_SUITE_P(Kinds, StdinAtEnd,
                         ::testing::Values(Stdin::DevNull, Stdin::EmptyFile, Stdin::ClosedPipe, Stdin::WriteOnly),
                         [](const auto& info) {
                             switch (info.param) {
                                 case Stdin::DevNull: return std::string("DevNull");
                                 case Stdin::EmptyFile: return std::string("EmptyFile");
                                 case Stdin::ClosedPipe: return std::string("ClosedPipe");
                                 case Stdin::WriteOnly: return std::string("WriteOnly");
                                 default: return std::string("Keys");
                             }
                         });

// While the tool waits for its key the output file is already complete; the
// tool ends only once a key arrives.
TEST_F(EndToEnd, WaitsForKeyAfterOutputIsComplete) {
    put("in.smd", "triangles\n" + kHl1Vertex + "\n");
    const std::string expected = "triangles\r\n" + kHl1AsSource;
    int ends[2];
    ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);
    pid_t pid = start({"-hl", "in.smd", "out.smd"}, ends[0]);
    close(ends[0]);
    ASSERT_GT(pid, 0);

    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (get("out.smd") != expected && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(same_bytes(get("out.smd").value_or("<none>"), expected));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    int raw = 0;
    EXPECT_EQ(waitpid(pid, &raw, WNOHANG), 0) << "the tool ended without waiting for a key";

    EXPECT_EQ(write(ends[1], "\n", 1), 1);
    close(ends[1]);
    RunResult r = finish(pid);
    expect_success(r);
}

// ---------------------------------------------------------------------------
// Whole files, both ways.

TEST_F(EndToEnd, ConvertsHl1FileToSource) {
    const std::string input =
        "version 1\n"
        "nodes\n"
        "0 \"root\" -1\n"
        "end\n"
        "skeleton\n"
        "time 0\n"
        "0 0.000000 0.000000 0.000000 0.000000 0.000000 0.000000\n"
        "end\n"
        "3 1.5 -0.25 12 0 0 1 0.125 0.75\n"  // before the triangles: copied
        "triangles\n"
        "face material.bmp\n"
        "  3 1.5 -0.25 12 0 0 1 0.125 0.75\n"
        "\t-1 -0.000000 0.000000 -0.000000 0 0 -1 0.0078125 -0.0078125\n"
        "0 1e39 -1e39 +1.0 1e0 .5 5. 2.675 0.1\n"
        "0 1 2 3 4 5 6 7 8 9 10 11 12 13\n"  // already Source: copied
        "end";
    const std::string expected =
        "version 1\r\n"
        "nodes\r\n"
        "0 \"root\" -1\r\n"
        "end\r\n"
        "skeleton\r\n"
        "time 0\r\n"
        "0 0.000000 0.000000 0.000000 0.000000 0.000000 0.000000\r\n"
        "end\r\n"
        "3 1.5 -0.25 12 0 0 1 0.125 0.75\r\n"
        "triangles\r\n"
        "face material.bmp\r\n"
        " 0 1.500000 -0.250000 12.000000 0.000000 0.000000 1.000000 0.125000 0.750000 1 3 1.000000 \r\n"
        " 0 0.000000 0.000000 0.000000 0.000000 0.000000 -1.000000 0.007813 -0.007813 1 -1 1.000000 \r\n"
        " 0 1.#INF00 -1.#INF00 1.000000 1.000000 0.500000 5.000000 2.675000 0.100000 1 0 1.000000 \r\n"
        "0 1 2 3 4 5 6 7 8 9 10 11 12 13\r\n"
        "end";
    EXPECT_TRUE(same_bytes(convert("-hl", input), expected));
}

TEST_F(EndToEnd, ConvertsSourceFileToHl1) {
    const std::string input =
        "version 1\r\n"
        "nodes\r\n"
        "  0 \"root\" -1\r\n"
        "end\r\n"
        "skeleton\r\n"
        "time 0\r\n"
        "  0 0 0 0 0 0 0\r\n"
        "end\r\n"
        "triangles\r\n"
        "mat_one\r\n"
        "  0 1.5 -0.25 12 0 0 1 0.125 0.75 2 4 0.25 7 0.75\r\n"
        "  0 2 4 -8 0 1 0 0.5 0.5 2 4 0.5 9 0.5 \r\n"
        "  0 1.5 -0.25 12 0 0 1 0.125 0.75 1 5 1\r\n"
        "  0 1.5 -0.25 12 0 0 1 0.125 0.75 0\r\n"  // no link: copied
        "3 1 2 3 0 0 1 0 0\r\n"                    // HL1 line: copied
        "mat_two\r\n"
        "0 -1 0.000000 1 0 0 -1 1 0 1 2 1.000000"  // last line, no line end
        "\x1a"
        "junk after the end\r\nend\r\n";
    const std::string expected =
        "version 1\r\n"
        "nodes\r\n"
        "  0 \"root\" -1\r\n"
        "end\r\n"
        "skeleton\r\n"
        "time 0\r\n"
        "  0 0 0 0 0 0 0\r\n"
        "end\r\n"
        "triangles\r\n"
        "mat_one\r\n"
        " 7 1.500000 -0.250000 12.000000 0.000000 0.000000 1.000000 0.125000 0.750000\r\n"
        " 9 2.000000 4.000000 -8.000000 0.000000 1.000000 0.000000 0.500000 0.500000\r\n"
        " 5 1.500000 -0.250000 12.000000 0.000000 0.000000 1.000000 0.125000 0.750000\r\n"
        "  0 1.5 -0.25 12 0 0 1 0.125 0.75 0\r\n"
        "3 1 2 3 0 0 1 0 0\r\n"
        "mat_two\r\n"
        " 2 -1.000000 0.000000 1.000000 0.000000 0.000000 -1.000000 1.000000 0.000000\r\n";
    EXPECT_TRUE(same_bytes(convert("-source", input), expected));
}

// A CR LF whose two bytes straddle the end of a 64 KiB read, and a lone CR
// at the same place, keep their meaning.
TEST_F(EndToEnd, CarriageReturnsAtReadBoundaryKeepTheirMeaning) {
    std::string crlf_lines = "a";
    for (int i = 0; i < 20000; ++i) crlf_lines += "bc\r\n";
    ASSERT_EQ(crlf_lines.substr(65535, 2), "\r\n");
    EXPECT_TRUE(same_bytes(convert("-hl", crlf_lines), crlf_lines));

    std::string lone_crs = "x";
    for (int i = 0; i < 20000; ++i) lone_crs += "bc\rd";
    ASSERT_EQ(lone_crs.substr(65535, 2), "\rd");
    EXPECT_TRUE(same_bytes(convert("-source", lone_crs + "\n"), lone_crs + "\r\n"));
}

// ---------------------------------------------------------------------------
// Tables of inputs and the exact output file they give.

struct Conversion {
    const char* name;
    const char* switch_text;
    std::string input;
    std::string expected;
};

void PrintTo(const Conversion& c, std::ostream* os) { *os << c.name; }

class Converts : public EndToEnd, public ::testing::WithParamInterface<Conversion> {};

TEST_P(Converts, WritesExpectedFile) {
    EXPECT_TRUE(same_bytes(convert(GetParam().switch_text, GetParam().input), GetParam().expected));
}

auto conversion_name = [](const auto& info) { return std::string(info.param.name); };

// Line ends and the end-of-input byte, on text that is only copied.
INSTANTIATE_TEST_SUITE_P(
    LineEnds, Converts,
    ::testing::Values(Conversion{"LineFeedsBecomeCrLf", "-hl", "a\nb\n", "a\r\nb\r\n"},
                      Conversion{"CrLfStays", "-source", "a\r\nb\r\n", "a\r\nb\r\n"},
                      Conversion{"MixedBecomeCrLf", "-hl", "a\nb\r\nc", "a\r\nb\r\nc"},
                      Conversion{"EmptyLines", "-hl", "\n\n\r\n", "\r\n\r\n\r\n"},
                      Conversion{"LoneCrStaysInLine", "-hl", "a\rb\n", "a\rb\r\n"},
                      Conversion{"CrCrLf", "-source", "a\r\r\n", "a\r\r\n"},
                      Conversion{"CrLastByte", "-hl", "a\nb\r", "a\r\nb\r"},
                      Conversion{"HighBytesCopied", "-hl", "\xff\xfe\x80 \xc3\xa9\n", "\xff\xfe\x80 \xc3\xa9\r\n"},
                      Conversion{"EndByteInLine", "-hl", "abc\x1a" "def\n", "abc"},
                      Conversion{"EndByteAfterLine", "-source", "abc\n\x1a\n", "abc\r\n"},
                      Conversion{"EndByteFirst", "-hl", "\x1a" "abc\n", ""},
                      Conversion{"EndByteInVertexLine", "-hl", "triangles\n3 1.5 -0.25 12\x1a 0 0 1 0.125 0.75\n",
                                 "triangles\r\n3 1.5 -0.25 12"}),
    conversion_name);

// The triangles section begins at the first line that begins with "tr".
Conversion gate(const char* name, const std::string& first_line, bool arms) {
    return {name, "-hl", first_line + "\n" + kHl1Vertex + "\n",
            first_line + "\r\n" + (arms ? kHl1AsSource : kHl1Vertex + "\r\n")};
}

INSTANTIATE_TEST_SUITE_P(
    Gate, Converts,
    ::testing::Values(gate("Keyword", "triangles", true), gate("TwoLetters", "tr", true),
                      gate("OtherWord", "trees", true), gate("LeadingBlanks", "  triangles", false),
                      gate("LeadingTab", "\ttriangles", false), gate("CapitalT", "Triangles", false),
                      gate("OneLetter", "t", false), gate("NoGate", "version 1", false),
                      // A long line is one line: its later part never arms.
                      gate("KeywordDeepInLongLine", std::string(255, 'x') + "triangles", false),
                      gate("LongLineBeginningWithKeyword", "triangles" + std::string(100000, 'x'), true),
                      Conversion{"SecondSectionStaysArmed", "-hl",
                                 "triangles\nend\n" + kHl1Vertex + "\ntriangles\n" + kHl1Vertex + "\n",
                                 "triangles\r\nend\r\n" + kHl1AsSource + "triangles\r\n" + kHl1AsSource}),
    conversion_name);

// Lines of any length are whole lines: a vertex line is rewritten as one
// line, other lines are copied whole. A line longer than the 64 KiB held
// prefix is rewritten when its scan settles within that prefix, and copied
// whole when it does not. The vertex line after it shows that the next line
// is still a line of its own.
Conversion long_line(const char* name, const char* switch_text, const std::string& line, const std::string& out) {
    std::string next_in = switch_text == std::string("-hl") ? kHl1Vertex : kSourceVertex;
    std::string next_out = switch_text == std::string("-hl") ? kHl1AsSource : kSourceAsHl1;
    return {name, switch_text, "triangles\n" + line + "\n" + next_in + "\n", "triangles\r\n" + out + next_out};
}

std::string blanks(std::size_t n) { return std::string(n, ' '); }

std::string repeated(const std::string& s, std::size_t times) {
    std::string r;
    for (std::size_t i = 0; i < times; ++i) r += s;
    return r;
}

INSTANTIATE_TEST_SUITE_P(
    LongLines, Converts,
    ::testing::Values(
        long_line("Hl1BlanksInside", "-hl", "3 1.5 -0.25 12" + blanks(300) + "0 0 1 0.125 0.75", kHl1AsSource),
        long_line("Hl1TrailingBlanks", "-hl", kHl1Vertex + blanks(300), kHl1AsSource),
        long_line("SourceBlanksInside", "-source", "0 1.5 -0.25 12 0 0 1 0.125 0.75" + blanks(300) + "2 4 0.25 7 0.75",
                  kSourceAsHl1),
        long_line("SourceLineUnderHl", "-hl", "0 1.5 -0.25 12 0 0 1" + blanks(300) + "0.125 0.75 2 4 0.25 7 0.75",
                  "0 1.5 -0.25 12 0 0 1" + blanks(300) + "0.125 0.75 2 4 0.25 7 0.75\r\n"),
        long_line("WordLine", "-hl", std::string(300, 'x'), std::string(300, 'x') + "\r\n"),
        long_line("HugeWordLine", "-source", std::string(300000, 'x'), std::string(300000, 'x') + "\r\n"),
        long_line("HugeNumberLine", "-hl", repeated("1 ", 150000), repeated("1 ", 150000) + "\r\n"),
        long_line("Hl1PaddedWithinPrefix", "-hl", kHl1Vertex + blanks(60000), kHl1AsSource),
        long_line("Hl1SettledThenLongRest", "-hl", kHl1Vertex + " word" + blanks(100000) + "tail", kHl1AsSource),
        long_line("SourceSettledThenLongRest", "-source", kSourceVertex + " word" + blanks(100000) + "tail",
                  kSourceAsHl1),
        // Whether a tenth field follows cannot be told within the prefix.
        long_line("Hl1UndecidedAfterNineFields", "-hl", kHl1Vertex + blanks(100000) + "word",
                  kHl1Vertex + blanks(100000) + "word\r\n"),
        long_line("Hl1UndecidedLeadingBlanks", "-hl", blanks(100000) + kHl1Vertex,
                  blanks(100000) + kHl1Vertex + "\r\n"),
        // Links run on past the prefix: the heaviest cannot be known.
        long_line("SourceLinksPastPrefix", "-source", kSourceVertex + repeated(" 1 0.1", 20000) + " 9 0.9",
                  kSourceVertex + repeated(" 1 0.1", 20000) + " 9 0.9\r\n"),
        Conversion{"HugeCrLfLine", "-hl", "triangles\r\n" + std::string(300000, 'y') + "\r\n" + kHl1Vertex + "\r\n",
                   "triangles\r\n" + std::string(300000, 'y') + "\r\n" + kHl1AsSource}),
    conversion_name);

// A NUL byte is an ordinary character of its line.
INSTANTIATE_TEST_SUITE_P(
    NulBytes, Converts,
    ::testing::Values(long_line("InWord", "-hl", "ab\0cd"s, "ab\0cd\r\n"s),
                      long_line("Alone", "-source", "\0"s, "\0\r\n"s),
                      long_line("InVertexLine", "-hl", "3 1.5 -0.25 12\0 0 0 1 0.125 0.75"s,
                                "3 1.5 -0.25 12\0 0 0 1 0.125 0.75\r\n"s),
                      Conversion{"InGateLine", "-hl", "tr\0iangles\n"s + kHl1Vertex + "\n",
                                 "tr\0iangles\r\n"s + kHl1AsSource},
                      Conversion{"BeforeGate", "-hl", "a\0b\ntriangles\n"s + kHl1Vertex + "\n",
                                 "a\0b\r\ntriangles\r\n"s + kHl1AsSource}),
    conversion_name);

// A Source vertex goes to the bone of its heaviest link, whatever the number
// of links; on equal weights the larger bone number wins.
Conversion links(const char* name, const std::string& link_fields, const char* bone) {
    return {name, "-source", "triangles\n0 1.5 -0.25 12 0 0 1 0.125 0.75 " + link_fields + "\n",
            "triangles\r\n " + std::string(bone) +
                " 1.500000 -0.250000 12.000000 0.000000 0.000000 1.000000 0.125000 0.750000\r\n"};
}

INSTANTIATE_TEST_SUITE_P(
    SourceLinks, Converts,
    ::testing::Values(links("ThirdOfThreeHeaviest", "3 4 0.000000 7 0.000000 9 1.000000", "9"),
                      links("ThirdBreaksTie", "3 4 0.25 7 0.25 9 0.5", "9"),
                      links("FourthOfFiveHeaviest", "5 1 0.1 2 0.2 3 0.1 4 0.5 5 0.1", "4"),
                      links("FirstOfFourHeaviest", "4 6 0.7 2 0.1 3 0.1 8 0.1", "6"),
                      links("TieFirstAndThird", "3 8 0.4 2 0.2 3 0.4", "8"),
                      links("TieSecondAndFourth", "4 1 0.1 2 0.4 3 0.1 8 0.4", "8"),
                      links("NegativeWeights", "3 4 -0.5 7 -0.25 9 -1", "7"),
                      links("TwoLinks", "2 4 0.25 7 0.75", "7"),
                      links("LoneBoneAfterPairs", "3 4 0.25 7 0.5 9", "7"),
                      links("WordAfterPairs", "3 4 0.2 7 0.3 9 0.5 end", "9"),
                      links("OneLink", "1 5 1", "5"),
                      links("SecondBoneWithoutWeight", "2 5 1 6", "5"),
                      Conversion{"NoLink", "-source", "triangles\n0 1.5 -0.25 12 0 0 1 0.125 0.75 0\n",
                                 "triangles\r\n0 1.5 -0.25 12 0 0 1 0.125 0.75 0\r\n"}),
    conversion_name);

}  // namespace
