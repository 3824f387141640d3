// One run: banner, argument checks, the two files, the pass, the completion
// message and the final wait. Every failure ends the run at once with status
// 1 and never reads standard input.
#include "run.h"

#include "arguments.h"
#include "console.h"
#include "line_pass.h"
#include "messages.h"
#include "platform.h"

namespace quorvel {
namespace {

long long read_from_file(void* context, char* buffer, std::size_t capacity) {
    return read_file(*static_cast<FileHandle*>(context), buffer, capacity);
}

// Writes all of data, going on after short writes; a write that fails or
// makes no progress is an error.
bool write_to_file(void* context, const char* data, std::size_t size) {
    while (size > 0) {
        long long n = write_file(*static_cast<FileHandle*>(context), data, size);
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

int fail(Console& console, const char* message) {
    if (message != nullptr) {
        print_text(console, message);
    } else {
        print_usage(console);
    }
    finish_console(console);
    return 1;
}

// A failure once the input is open: the message, then the input closed.
int fail_closing(Console& console, const char* message, FileHandle input) {
    print_text(console, message);
    close_file(input);
    finish_console(console);
    return 1;
}

// Runs the pass and closes both files, input first. Returns the message of
// the failure, or nullptr when every read, write and the close succeeded.
const char* convert_files(FileHandle input, FileHandle output, InputFormat format) {
    InputStream in = make_input_stream(ByteSource{&input, read_from_file}, kLinePrefixSize);
    OutputStream out = make_output_stream(ByteSink{&output, write_to_file});
    PassResult result = convert_lines(in, out, format);
    if (result == PassResult::Done && !flush_output(out)) result = PassResult::WriteFailed;
    close_file(input);
    if (!close_file(output) && result == PassResult::Done) result = PassResult::WriteFailed;
    switch (result) {
        case PassResult::ReadFailed: return kMessageReadInput;
        case PassResult::WriteFailed: return kMessageWriteOutput;
        case PassResult::Done: break;
    }
    return nullptr;
}

}  // namespace

int run_tool(int argc, char** argv) {
    Console console;
    init_console(console, stdout_is_terminal());
    print_banner(console);

    InputFormat format;
    if (argc < 4 || !choose_input_format(argv[1], &format)) return fail(console, nullptr);
    const char* input_name = argv[2];
    const char* output_name = argv[3];
    if (equal_exact(input_name, output_name)) return fail(console, kMessageSameName);

    FileHandle input;
    if (open_input_file(input_name, &input) != OpenInput::Opened) return fail(console, kMessageOpenInput);
    // Two names for one file: opening the output would empty the input.
    if (is_same_file(input, output_name)) return fail_closing(console, kMessageSameName, input);
    FileHandle output;
    if (!open_output_file(output_name, &output)) return fail_closing(console, kMessageOpenOutput, input);

    const char* failure = convert_files(input, output, format);
    if (failure != nullptr) return fail(console, failure);

    print_text(console, kMessageDone);
    wait_for_key();
    finish_console(console);
    return 0;
}

}  // namespace quorvel
