// SPDX-License-Identifier: MIT
#include "check/lsp_transport.h"

#include <cstring>

namespace {

bool fill(MessageReader& reader)
{
    if (reader.ended) return false;
    reader.at = 0;
    reader.filled = reader.source.read(reader.source.context, reader.chunk, sizeof reader.chunk);
    if (reader.filled == 0) reader.ended = true;
    return reader.filled > 0;
}

// The next header line without its line end, cut at kMostHeaderBytes; false at the end of the
// input.
bool readHeaderLine(MessageReader& reader, std::string& line, bool& cut)
{
    line.clear();
    cut = false;
    for (;;) {
        if (reader.at == reader.filled && !fill(reader)) return false;
        const char c = reader.chunk[reader.at++];
        if (c == '\n') break;
        if (line.size() < kMostHeaderBytes) {
            line += c;
        } else {
            cut = true;
        }
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

constexpr char kLengthHeader[] = "content-length:";
constexpr std::size_t kLengthHeaderSize = sizeof kLengthHeader - 1;

// Where "content-length:" stands in line, in any case, or npos. Found anywhere in the line, so
// that the header after a body shorter than its Content-Length said is still found.
std::size_t findLengthHeader(const std::string& line)
{
    const std::size_t n = kLengthHeaderSize;
    for (std::size_t at = 0; at + n <= line.size(); ++at) {
        std::size_t i = 0;
        while (i < n && lower(line[at + i]) == kLengthHeader[i]) ++i;
        if (i == n) return at;
    }
    return std::string::npos;
}

// The decimal number after the header's colon; false when there is none or it is too large to
// be any length.
bool lengthValue(const std::string& line, std::size_t at, std::size_t& length)
{
    std::size_t i = at + kLengthHeaderSize;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i == line.size() || line[i] < '0' || line[i] > '9') return false;
    length = 0;
    for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) {
        if (length > (static_cast<std::size_t>(-1) - 9) / 10) return false;
        length = length * 10 + static_cast<std::size_t>(line[i] - '0');
    }
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    return i == line.size();
}

// Reads (into body, unless skipping) the next length bytes; false when the input ends first.
bool readBody(MessageReader& reader, std::size_t length, std::string* body)
{
    std::size_t left = length;
    while (left > 0) {
        if (reader.at == reader.filled && !fill(reader)) return false;
        const std::size_t n = reader.filled - reader.at < left ? reader.filled - reader.at : left;
        if (body != nullptr) body->append(reader.chunk + reader.at, n);
        reader.at += n;
        left -= n;
    }
    return true;
}

}  // namespace

void openMessageReader(MessageReader& reader, ByteSource source, std::FILE* err, std::size_t limit)
{
    reader.source = source;
    reader.err = err;
    reader.limit = limit;
    reader.at = 0;
    reader.filled = 0;
    reader.ended = false;
}

bool readMessage(MessageReader& reader, std::string& body)
{
    for (;;) {
        // The headers, to the blank line.
        bool haveLength = false;
        bool badLength = false;
        bool any = false;
        std::size_t length = 0;
        std::string line;
        bool cut = false;
        for (;;) {
            if (!readHeaderLine(reader, line, cut)) {
                if (any) std::fprintf(reader.err, "pylocheck: the input ended inside a message's headers\n");
                return false;
            }
            if (cut) std::fprintf(reader.err, "pylocheck: a header line longer than %zu bytes is cut\n", kMostHeaderBytes);
            if (line.empty() && !cut) {
                if (any) break;
                continue;  // blank lines between messages
            }
            any = true;
            const std::size_t at = findLengthHeader(line);
            if (at == std::string::npos) continue;  // Content-Type and anything else
            haveLength = lengthValue(line, at, length);
            badLength = !haveLength;
        }
        if (!haveLength) {
            std::fprintf(reader.err, badLength ? "pylocheck: a message whose Content-Length is no number is skipped\n"
                                               : "pylocheck: a message without Content-Length is skipped\n");
            continue;
        }
        if (length > reader.limit) {
            // Skipped as it streams past: its bytes are never held.
            std::fprintf(reader.err, "pylocheck: a message of %zu bytes is over the limit of %zu bytes; it is skipped\n",
                         length, reader.limit);
            if (!readBody(reader, length, nullptr)) {
                std::fprintf(reader.err, "pylocheck: the input ended inside that message\n");
                return false;
            }
            continue;
        }
        // Grown as the bytes come, not to the length promised.
        body.clear();
        if (!readBody(reader, length, &body)) {
            std::fprintf(reader.err, "pylocheck: the input ended %zu bytes into a message of %zu bytes\n", body.size(),
                         length);
            return false;
        }
        return true;
    }
}

bool writeMessage(const ByteSink& sink, const std::string& body)
{
    std::string framed = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    framed += body;
    return sink.write(sink.context, framed.data(), framed.size());
}

ByteSource memorySource(MemorySource& memory)
{
    return ByteSource{&memory, [](void* context, char* buffer, std::size_t size) {
                          auto& m = *static_cast<MemorySource*>(context);
                          std::size_t n = m.size - m.at;
                          if (n > size) n = size;
                          if (m.most > 0 && n > m.most) n = m.most;
                          if (n > 0) std::memcpy(buffer, m.data + m.at, n);
                          m.at += n;
                          return n;
                      }};
}

ByteSink stringSink(std::string& out)
{
    return ByteSink{&out, [](void* context, const char* data, std::size_t size) {
                        static_cast<std::string*>(context)->append(data, size);
                        return true;
                    }};
}
