// The seam to the operating system: files by name, the standard streams, the
// terminal test and file identity. One implementation per platform.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quorvel {

// An open file: a descriptor on POSIX, a HANDLE on Windows.
struct FileHandle {
    std::intptr_t value;
};

enum class OpenInput { Opened, Failed, IsDirectory };

// Opens an existing file for reading only, sharing it with other programs.
// A directory is reported (and left closed) as such.
OpenInput open_input_file(const char* name, FileHandle* file);

// True when name leads to an existing file that is the very file open as
// input (same device and file identity).
bool is_same_file(FileHandle input, const char* name);

// Creates or empties the file for writing only, sharing it with other programs.
bool open_output_file(const char* name, FileHandle* file);

// Reads up to capacity bytes: the count, 0 at the end, -1 on an error.
long long read_file(FileHandle file, char* buffer, std::size_t capacity);

// Writes up to size bytes: the count written (possibly fewer than size), or
// -1 on an error.
long long write_file(FileHandle file, const char* data, std::size_t size);

// Closes the file; false when closing reported an error.
bool close_file(FileHandle file);

// True when standard output is an interactive console.
bool stdout_is_terminal();

// Writes raw bytes to standard output.
void write_stdout(const char* data, std::size_t size);

// One read of up to 4096 bytes from standard input; over at once at its end
// or on an error. On a console it ends with the line the user enters.
void wait_for_key();

}  // namespace quorvel
