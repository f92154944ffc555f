// SPDX-License-Identifier: MIT
// libFuzzer target for the language server: any bytes as what an editor sends, read by the message
// reader a few bytes at a time (the first byte says how many) and handled by the dispatcher of a
// server that is initialized (in UTF-8 or UTF-16, by the same byte) and has a document open. Every
// message it writes is framed and JSON; nothing crashes, throws or hangs.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "check/lsp_json.h"
#include "check/lsp_server.h"

namespace {

void require(bool holds, const char* what)
{
    if (holds) return;
    std::fprintf(stderr, "broken: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static std::FILE* sink = std::fopen("/dev/null", "w");
    if (size == 0) return 0;
    const unsigned mode = data[0];
    std::string output;
    LanguageServer server;
    startServer(server, stringSink(output));
    handleMessage(server, (mode & 1) != 0 ? R"({"jsonrpc":"2.0","id":0,"method":"initialize","params":{"capabilities":{"general":{"positionEncodings":["utf-8"]}}}})"
                                          : R"({"jsonrpc":"2.0","id":0,"method":"initialize","params":{}})");
    handleMessage(server, R"({"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"f","version":1,"text":"in01:[a] \u00e9\ud83d\ude00 [shft][b]\nin7|[(n)a]\r\nMSET:1\rPREL:Y\n"}}})");
    MemorySource memory{reinterpret_cast<const char*>(data) + 1, size - 1, 0, 1 + (mode >> 1) % 16};
    MessageReader reader;
    openMessageReader(reader, memorySource(memory), sink);
    for (std::string body; readMessage(reader, body);) {
        if (!handleMessage(server, body)) break;
    }
    // What the server wrote: framed messages of JSON, each an answer or a notification.
    MemorySource written{output.data(), output.size(), 0, 0};
    MessageReader check;
    openMessageReader(check, memorySource(written), stderr);
    std::size_t bytes = 0;
    for (std::string body; readMessage(check, body);) {
        const Json message = Json::parse(body, nullptr, false);
        require(message.is_object() && (message.contains("id") || message.contains("method")), "a message written is no JSON-RPC");
        bytes += body.size();
    }
    require(written.at == output.size() && bytes <= output.size(), "the output is not whole messages");
    return 0;
}
