// The platform seam on POSIX systems.
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform.h"

namespace quorvel {
namespace {

int fd_of(FileHandle file) { return static_cast<int>(file.value); }

}  // namespace

OpenInput open_input_file(const char* name, FileHandle* file) {
    int fd;
    do {
        fd = ::open(name, O_RDONLY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return OpenInput::Failed;
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return OpenInput::Failed;
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        return OpenInput::IsDirectory;
    }
    file->value = fd;
    return OpenInput::Opened;
}

bool is_same_file(FileHandle input, const char* name) {
    struct stat in_st;
    struct stat out_st;
    if (::fstat(fd_of(input), &in_st) != 0) return false;
    if (::stat(name, &out_st) != 0) return false;
    return in_st.st_dev == out_st.st_dev && in_st.st_ino == out_st.st_ino;
}

bool open_output_file(const char* name, FileHandle* file) {
    int fd;
    do {
        fd = ::open(name, O_WRONLY | O_CREAT | O_TRUNC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return false;
    file->value = fd;
    return true;
}

long long read_file(FileHandle file, char* buffer, std::size_t capacity) {
    for (;;) {
        ssize_t n = ::read(fd_of(file), buffer, capacity);
        if (n >= 0) return n;
        if (errno != EINTR) return -1;
    }
}

long long write_file(FileHandle file, const char* data, std::size_t size) {
    for (;;) {
        ssize_t n = ::write(fd_of(file), data, size);
        if (n >= 0) return n;
        if (errno != EINTR) return -1;
    }
}

bool close_file(FileHandle file) { return ::close(fd_of(file)) == 0; }

bool stdout_is_terminal() { return ::isatty(1) == 1; }

void write_stdout(const char* data, std::size_t size) {
    // Nothing can be reported if standard output itself fails.
    while (size > 0) {
        ssize_t n = ::write(1, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

void wait_for_key() {
    char buffer[4096];
    ssize_t n;
    do {
        n = ::read(0, buffer, sizeof buffer);
    } while (n < 0 && errno == EINTR);
}

}  // namespace quorvel
