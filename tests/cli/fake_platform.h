// An in-memory stand-in for the platform seam, with knobs that make reads,
// writes and closes fail, so that the whole run can be driven in-process.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace quorvel::fake {

struct File {
    std::string data;
    bool directory = false;
};

struct Platform {
    std::map<std::string, File> files;
    bool terminal = false;
    std::string stdout_text;
    int stdin_reads = 0;
    // Faults, counted over the calls on the input or output file (0 = first).
    std::size_t read_chunk = 65536;
    int fail_read_call = -1;
    int fail_write_call = -1;
    std::size_t write_limit = static_cast<std::size_t>(-1);  // short writes
    bool fail_output_close = false;
    // What happened.
    int read_calls = 0;
    int write_calls = 0;
    int open_handles = 0;
    std::vector<std::string> closed;  // file names, in closing order
};

// The platform the seam's functions act on; reset before each run.
Platform& platform();

}  // namespace quorvel::fake
