// Runs a command with standard input and output on /dev/null and prints its
// exit status, wall time in seconds and peak resident memory in KiB:
//   measure <command> [args...]  ->  "status seconds peak_kib"
// Spawned from this small process, the child's peak is its own, not that of
// a large parent it was forked from.
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: measure <command> [args...]\n");
        return 2;
    }
    auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        int null_in = open("/dev/null", O_RDONLY);
        int null_out = open("/dev/null", O_WRONLY);
        dup2(null_in, 0);
        dup2(null_out, 1);
        execvp(argv[1], argv + 1);
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%d %.4f %ld\n", WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), seconds,
                usage.ru_maxrss);
    return 0;
}
