#include "fake_platform.h"

#include <algorithm>
#include <cstring>

#include "platform.h"

namespace quorvel {
namespace fake {

Platform& platform() {
    static Platform p;
    return p;
}

namespace {

struct Open {
    std::string name;
    std::size_t offset = 0;
    bool output = false;
};

std::vector<Open>& handles() {
    static std::vector<Open> h;
    return h;
}

FileHandle add_handle(const std::string& name, bool output) {
    handles().push_back(Open{name, 0, output});
    ++platform().open_handles;
    return FileHandle{static_cast<std::intptr_t>(handles().size() - 1)};
}

Open& handle(FileHandle f) { return handles()[static_cast<std::size_t>(f.value)]; }

}  // namespace
}  // namespace fake

OpenInput open_input_file(const char* name, FileHandle* file) {
    auto& files = fake::platform().files;
    auto it = files.find(name);
    if (it == files.end()) return OpenInput::Failed;
    if (it->second.directory) return OpenInput::IsDirectory;
    *file = fake::add_handle(name, false);
    return OpenInput::Opened;
}

bool is_same_file(FileHandle input, const char* name) { return fake::handle(input).name == name; }

bool open_output_file(const char* name, FileHandle* file) {
    auto& files = fake::platform().files;
    std::string n = name;
    if (n.find('/') != std::string::npos) return false;  // no folders here
    files[n] = fake::File{};
    *file = fake::add_handle(n, true);
    return true;
}

long long read_file(FileHandle file, char* buffer, std::size_t capacity) {
    auto& p = fake::platform();
    if (p.read_calls++ == p.fail_read_call) return -1;
    fake::Open& h = fake::handle(file);
    const std::string& data = p.files[h.name].data;
    std::size_t n = std::min({capacity, p.read_chunk, data.size() - h.offset});
    std::memcpy(buffer, data.data() + h.offset, n);
    h.offset += n;
    return static_cast<long long>(n);
}

long long write_file(FileHandle file, const char* data, std::size_t size) {
    auto& p = fake::platform();
    if (p.write_calls++ == p.fail_write_call) return -1;
    std::size_t n = std::min(size, p.write_limit);
    p.files[fake::handle(file).name].data.append(data, n);
    return static_cast<long long>(n);
}

bool close_file(FileHandle file) {
    auto& p = fake::platform();
    fake::Open& h = fake::handle(file);
    p.closed.push_back(h.name);
    --p.open_handles;
    return !(h.output && p.fail_output_close);
}

bool stdout_is_terminal() { return fake::platform().terminal; }

void write_stdout(const char* data, std::size_t size) { fake::platform().stdout_text.append(data, size); }

void wait_for_key() { ++fake::platform().stdin_reads; }

}  // namespace quorvel
