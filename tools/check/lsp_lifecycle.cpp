// SPDX-License-Identifier: MIT
// "initialize" and "shutdown": what the server offers, in which units it counts positions.
#include "check/lsp_handlers.h"
#include "pylo_version.h"

namespace {

// UTF-8 when the editor offers it, else UTF-16, which every editor knows.
PositionEncoding chosenEncoding(const Json& params)
{
    const Json* offered = member(member(member(params, "capabilities"), "general"), "positionEncodings");
    if (offered != nullptr && offered->is_array()) {
        for (const Json& encoding : *offered) {
            if (encoding.is_string() && encoding.get_ref<const std::string&>() == "utf-8") return PositionEncoding::Utf8;
        }
    }
    return PositionEncoding::Utf16;
}

}  // namespace

void initialize(LanguageServer& server, const Json& id, const Json& params)
{
    server.encoding = chosenEncoding(params);
    server.state = ServerState::Running;
    Json capabilities{
        {"positionEncoding", server.encoding == PositionEncoding::Utf8 ? "utf-8" : "utf-16"},
        {"textDocumentSync", {{"openClose", true}, {"change", 2}}},  // incremental
        {"completionProvider", {{"triggerCharacters", {"[", "(", ")", ":"}}}},
        {"hoverProvider", true},
        {"codeActionProvider", {{"codeActionKinds", {"quickfix"}}}},
        {"documentSymbolProvider", true},
    };
    reply(server, id, Json{{"capabilities", std::move(capabilities)},
                           {"serverInfo", {{"name", "pylocheck"}, {"version", PYLO_VERSION}}}});
}

void shutdown(LanguageServer& server, const Json& id, const Json&)
{
    server.state = ServerState::ShutDown;
    server.exitStatus = 0;
    server.documents.clear();
    reply(server, id, nullptr);
}
