// The platform seam on Windows: raw handles, so that no C runtime text mode
// touches the bytes (the tool writes its own CR LF).
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform.h"

namespace quorvel {
namespace {

HANDLE handle_of(FileHandle file) { return reinterpret_cast<HANDLE>(file.value); }

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

}  // namespace

OpenInput open_input_file(const char* name, FileHandle* file) {
    // Backup semantics let a directory be opened, so it can be told apart.
    HANDLE h = CreateFileA(name, GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return OpenInput::Failed;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info)) {
        CloseHandle(h);
        return OpenInput::Failed;
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        CloseHandle(h);
        return OpenInput::IsDirectory;
    }
    file->value = reinterpret_cast<std::intptr_t>(h);
    return OpenInput::Opened;
}

bool is_same_file(FileHandle input, const char* name) {
    BY_HANDLE_FILE_INFORMATION in_info;
    if (!GetFileInformationByHandle(handle_of(input), &in_info)) return false;
    HANDLE h = CreateFileA(name, 0, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION out_info;
    bool same = GetFileInformationByHandle(h, &out_info) &&
                in_info.dwVolumeSerialNumber == out_info.dwVolumeSerialNumber &&
                in_info.nFileIndexHigh == out_info.nFileIndexHigh &&
                in_info.nFileIndexLow == out_info.nFileIndexLow;
    CloseHandle(h);
    return same;
}

bool open_output_file(const char* name, FileHandle* file) {
    HANDLE h = CreateFileA(name, GENERIC_WRITE, kShareAll, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    file->value = reinterpret_cast<std::intptr_t>(h);
    return true;
}

long long read_file(FileHandle file, char* buffer, std::size_t capacity) {
    DWORD got = 0;
    DWORD want = capacity > 0x40000000u ? 0x40000000u : static_cast<DWORD>(capacity);
    if (!ReadFile(handle_of(file), buffer, want, &got, nullptr)) {
        return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
    }
    return static_cast<long long>(got);
}

namespace {

bool write_all(HANDLE h, const char* data, std::size_t size) {
    while (size > 0) {
        DWORD want = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
        DWORD done = 0;
        if (!WriteFile(h, data, want, &done, nullptr) || done == 0) return false;
        data += done;
        size -= done;
    }
    return true;
}

}  // namespace

long long write_file(FileHandle file, const char* data, std::size_t size) {
    DWORD want = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    DWORD done = 0;
    if (!WriteFile(handle_of(file), data, want, &done, nullptr)) return -1;
    return static_cast<long long>(done);
}

bool close_file(FileHandle file) { return CloseHandle(handle_of(file)) != 0; }

bool stdout_is_terminal() {
    DWORD mode;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

void write_stdout(const char* data, std::size_t size) {
    write_all(GetStdHandle(STD_OUTPUT_HANDLE), data, size);
}

void wait_for_key() {
    char buffer[4096];
    DWORD got = 0;
    ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &got, nullptr);
}

}  // namespace quorvel
