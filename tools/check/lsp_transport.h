// SPDX-License-Identifier: MIT
// The language server's framing: messages of "Content-Length: N" headers, a blank line and N
// bytes of JSON, read from a byte source and written to a byte sink. Bounded: a message over the
// limit is skipped as it streams past, a header line over its limit is cut, and a Content-Length
// that promises more than comes ends the reading at the end of the input; each is told on the
// error stream. Nothing here knows JSON.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// Reads up to size bytes into buffer, whatever is at hand once something is; 0 at the end of
// the input (or on a read error).
struct ByteSource {
    void* context;
    std::size_t (*read)(void* context, char* buffer, std::size_t size);
};

// Writes all size bytes; false when they cannot be written.
struct ByteSink {
    void* context;
    bool (*write)(void* context, const char* data, std::size_t size);
};

// A configuration of 16 MiB is none a person edits; the parsed JSON of a message takes up to
// several times its size.
constexpr std::size_t kMostMessageBytes = std::size_t{16} << 20;
constexpr std::size_t kMostHeaderBytes = 4096;

struct MessageReader {
    ByteSource source;
    std::FILE* err;
    std::size_t limit;  // the largest body taken
    char chunk[64 * 1024];
    std::size_t at;      // the first unread byte of chunk
    std::size_t filled;  // bytes in chunk
    bool ended;
};

void openMessageReader(MessageReader& reader, ByteSource source, std::FILE* err, std::size_t limit = kMostMessageBytes);

// The next message's body; false at the end of the input.
bool readMessage(MessageReader& reader, std::string& body);

// Frames body and writes it in one piece; false when the sink fails.
bool writeMessage(const ByteSink& sink, const std::string& body);

// A source over bytes in memory, and a sink that appends to a string: for tests and the fuzzer.
struct MemorySource {
    const char* data;
    std::size_t size;
    std::size_t at;
    std::size_t most;  // the largest piece one read gives, so that framing across reads is tried
};
ByteSource memorySource(MemorySource& memory);
ByteSink stringSink(std::string& out);
