// SPDX-License-Identifier: MIT
// JSON for the language server (nlohmann's), and lookups that never throw: a member of the wrong
// type counts as missing. Internal to the server.
#pragma once

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "check/lsp_server.h"

using Json = nlohmann::json;

// The member name of object, or nullptr when object is no object or lacks it.
const Json* member(const Json* object, const char* name);
const Json* member(const Json& object, const char* name);
// A string or integer member; false when missing or of another type. A string is a view into
// object.
bool stringMember(const Json* object, const char* name, std::string_view& value);
bool integerMember(const Json* object, const char* name, long long& value);

// "Position" and "Range" of the protocol; false when malformed. A range is read as the byte
// offsets [from, to) of document.
bool readPosition(const Json* position, EditorPosition& value);
bool readRange(const Json* range, const Document& document, PositionEncoding encoding, std::size_t& from,
               std::size_t& to);
Json rangeJson(const Document& document, std::size_t from, std::size_t to, PositionEncoding encoding);

// A message body written as it is, and answers and notifications, written at once.
void sendBody(LanguageServer& server, const std::string& body);
void reply(LanguageServer& server, const Json& id, Json result);
void replyError(LanguageServer& server, const Json& id, int code, const std::string& message);
void notify(LanguageServer& server, const char* method, Json params);

// The document params.textDocument.uri names, or nullptr.
Document* documentOf(LanguageServer& server, const Json& params);

// JSON-RPC and protocol error codes.
constexpr int kParseError = -32700;
constexpr int kInvalidRequest = -32600;
constexpr int kMethodNotFound = -32601;
constexpr int kInvalidParams = -32602;
constexpr int kServerNotInitialized = -32002;
