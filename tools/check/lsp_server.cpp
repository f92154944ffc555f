// SPDX-License-Identifier: MIT
// The server's dispatch: the lifecycle's rules, then one handler per method from the table.
#include "check/lsp_server.h"

#include "check/lsp_handlers.h"

namespace {

using Handler = void (*)(LanguageServer& server, const Json& id, const Json& params);

struct Method {
    const char* name;
    Handler handle;
};

// "initialize" and "exit" are the lifecycle's own; "$/cancelRequest" and every other
// notification not listed are ignored (each request is answered before the next is read, so
// there is never one to cancel).
const Method kMethods[] = {
    {"shutdown", shutdown},
    {"textDocument/didOpen", didOpen},
    {"textDocument/didChange", didChange},
    {"textDocument/didClose", didClose},
    {"textDocument/completion", completion},
    {"textDocument/hover", hover},
    {"textDocument/codeAction", codeAction},
    {"textDocument/documentSymbol", documentSymbol},
};

Handler handlerOf(std::string_view method)
{
    for (const Method& m : kMethods) {
        if (method == m.name) return m.handle;
    }
    return nullptr;
}

void write(LanguageServer& server, const Json& message)
{
    // A message may quote the text, which need not be whole UTF-8 where a read cut a line.
    sendBody(server, message.dump(-1, ' ', false, Json::error_handler_t::replace));
}

void dispatch(LanguageServer& server, const Json& message)
{
    static const Json kNull;
    const Json* id = member(message, "id");
    const bool request = id != nullptr;
    if (request && !id->is_string() && !id->is_number_integer() && !id->is_null()) {
        replyError(server, kNull, kInvalidRequest, "the id is neither a number nor a string");
        return;
    }
    std::string_view method;
    if (!stringMember(&message, "method", method)) {
        // An answer to a request of ours (the server sends none) is dropped.
        if (request && (member(message, "result") != nullptr || member(message, "error") != nullptr)) return;
        replyError(server, request ? *id : kNull, kInvalidRequest, "a message without a method");
        return;
    }
    const Json* given = member(message, "params");
    const Json& params = given != nullptr ? *given : kNull;
    const Json& replyTo = request ? *id : kNull;
    if (method == "exit") {
        server.exited = true;
        return;
    }
    if (server.state == ServerState::Uninitialized) {
        if (method == "initialize" && request) {
            initialize(server, replyTo, params);
        } else if (request) {
            replyError(server, replyTo, kServerNotInitialized, "the server is not initialized yet");
        }
        return;
    }
    if (server.state == ServerState::ShutDown) {
        if (request) replyError(server, replyTo, kInvalidRequest, "the server is shut down");
        return;
    }
    if (method == "initialize") {
        if (request) replyError(server, replyTo, kInvalidRequest, "the server is initialized already");
        return;
    }
    const Handler handle = handlerOf(method);
    if (handle != nullptr) {
        handle(server, replyTo, params);
    } else if (request) {
        replyError(server, replyTo, kMethodNotFound, "unknown method: " + std::string(method));
    }
}

Json positionJson(const Document& document, std::size_t offset, PositionEncoding encoding)
{
    const EditorPosition p = positionOf(document, offset, encoding);
    return Json{{"line", p.line}, {"character", p.character}};
}

}  // namespace

const Json* member(const Json* object, const char* name)
{
    if (object == nullptr || !object->is_object()) return nullptr;
    const auto found = object->find(name);
    return found != object->end() ? &*found : nullptr;
}

const Json* member(const Json& object, const char* name) { return member(&object, name); }

bool stringMember(const Json* object, const char* name, std::string_view& value)
{
    const Json* found = member(object, name);
    if (found == nullptr || !found->is_string()) return false;
    value = found->get_ref<const std::string&>();
    return true;
}

bool integerMember(const Json* object, const char* name, long long& value)
{
    const Json* found = member(object, name);
    if (found == nullptr || !found->is_number_integer()) return false;
    value = found->get<long long>();
    return true;
}

bool readPosition(const Json* position, EditorPosition& value)
{
    return integerMember(position, "line", value.line) && integerMember(position, "character", value.character);
}

bool readRange(const Json* range, const Document& document, PositionEncoding encoding, std::size_t& from,
               std::size_t& to)
{
    EditorPosition start;
    EditorPosition end;
    if (!readPosition(member(range, "start"), start) || !readPosition(member(range, "end"), end)) return false;
    from = offsetOf(document, start, encoding);
    to = offsetOf(document, end, encoding);
    return true;
}

Json rangeJson(const Document& document, std::size_t from, std::size_t to, PositionEncoding encoding)
{
    return Json{{"start", positionJson(document, from, encoding)}, {"end", positionJson(document, to, encoding)}};
}

void sendBody(LanguageServer& server, const std::string& body)
{
    if (server.outFailed) return;
    if (!writeMessage(server.out, body)) server.outFailed = true;
}

void reply(LanguageServer& server, const Json& id, Json result)
{
    write(server, Json{{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}});
}

void replyError(LanguageServer& server, const Json& id, int code, const std::string& message)
{
    write(server, Json{{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}});
}

void notify(LanguageServer& server, const char* method, Json params)
{
    write(server, Json{{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}});
}

Document* documentOf(LanguageServer& server, const Json& params)
{
    std::string_view uri;
    if (!stringMember(member(params, "textDocument"), "uri", uri)) return nullptr;
    for (Document& document : server.documents) {
        if (document.uri == uri) return &document;
    }
    return nullptr;
}

void startServer(LanguageServer& server, ByteSink out)
{
    server.state = ServerState::Uninitialized;
    server.encoding = PositionEncoding::Utf16;
    server.documents.clear();
    server.out = out;
    server.outFailed = false;
    server.exited = false;
    server.exitStatus = 1;
}

bool handleMessage(LanguageServer& server, const std::string& body)
{
    static const Json kNull;
    const Json message = Json::parse(body, nullptr, false);
    if (message.is_discarded()) {
        replyError(server, kNull, kParseError, "the message is no JSON");
    } else if (message.is_array()) {
        // Batches are not part of the protocol.
        replyError(server, kNull, kInvalidRequest, "batches of messages are not taken");
    } else {
        dispatch(server, message);
    }
    return !server.exited && !server.outFailed;
}

int runLanguageServer(ByteSource in, ByteSink out, std::FILE* err)
{
    LanguageServer server;
    startServer(server, out);
    MessageReader reader;
    openMessageReader(reader, in, err);
    std::string body;
    while (readMessage(reader, body)) {
        if (!handleMessage(server, body)) break;
    }
    if (server.outFailed) std::fprintf(err, "pylocheck: the editor no longer reads the server's output\n");
    // The end of the input ends the server as "exit" does.
    return server.exitStatus;
}
