// SPDX-License-Identifier: MIT
// pylocheck --lsp: a language server over the checker. The server takes one message body at a
// time and writes its answers and notifications to a sink; runLanguageServer reads the bodies
// off a byte source. Tests and the fuzzer drive both in-process.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "check/lsp_documents.h"
#include "check/lsp_transport.h"

enum class ServerState { Uninitialized, Running, ShutDown };

struct LanguageServer {
    ServerState state;
    PositionEncoding encoding;
    std::vector<Document> documents;
    ByteSink out;
    bool outFailed;    // a write failed: the editor is gone
    bool exited;       // "exit" came
    int exitStatus;    // 0 once "shutdown" came, else 1: the status at "exit" or the end of the input
};

void startServer(LanguageServer& server, ByteSink out);

// Handles one message body (JSON text). False once the server is to stop: "exit" came or the
// output failed.
bool handleMessage(LanguageServer& server, const std::string& body);

// Reads messages off in until "exit" or the end of the input and returns the exit status.
int runLanguageServer(ByteSource in, ByteSink out, std::FILE* err);
