// In-memory byte sources and sinks for driving the streams in tests.
#pragma once

#include <algorithm>
#include <string>

#include "text_stream.h"

namespace quorvel::testing {

// Hands out data in reads of at most chunk bytes; fails with -1 once
// fail_after bytes have been handed out, when fail_after is set.
struct MemorySource {
    std::string data;
    std::size_t chunk = 1 << 20;
    std::size_t offset = 0;
    long long fail_after = -1;
};

inline long long memory_read(void* context, char* buffer, std::size_t capacity) {
    auto& s = *static_cast<MemorySource*>(context);
    if (s.fail_after >= 0 && s.offset >= static_cast<std::size_t>(s.fail_after)) return -1;
    std::size_t n = std::min({capacity, s.chunk, s.data.size() - s.offset});
    std::copy_n(s.data.data() + s.offset, n, buffer);
    s.offset += n;
    return static_cast<long long>(n);
}

// Collects what is written; refuses every write once it holds capacity bytes.
struct MemorySink {
    std::string data;
    std::size_t capacity = std::string::npos;
};

inline bool memory_write(void* context, const char* data, std::size_t size) {
    auto& s = *static_cast<MemorySink*>(context);
    if (s.data.size() + size > s.capacity) return false;
    s.data.append(data, size);
    return true;
}

inline ByteSource source_of(MemorySource& s) { return ByteSource{&s, memory_read}; }
inline ByteSink sink_of(MemorySink& s) { return ByteSink{&s, memory_write}; }

}  // namespace quorvel::testing
