// SPDX-License-Identifier: MIT
// The documents' text kept in step with the editor: opened, changed (whole or by ranges),
// closed. Each opening and change is checked at once and its findings are published; closing
// clears them.
#include "check/lsp_findings.h"
#include "check/lsp_handlers.h"

namespace {

// Applies one change: a range and its new text, or the whole new text. False when malformed.
bool applyChange(Document& document, const Json& change, PositionEncoding encoding)
{
    std::string_view text;
    if (!stringMember(&change, "text", text)) return false;
    const Json* range = member(change, "range");
    if (range == nullptr) {
        editDocument(document, 0, document.text.size(), text);
        return true;
    }
    std::size_t from;
    std::size_t to;
    if (!readRange(range, document, encoding, from, to)) return false;
    editDocument(document, from, to, text);
    return true;
}

}  // namespace

void didOpen(LanguageServer& server, const Json&, const Json& params)
{
    const Json* item = member(params, "textDocument");
    std::string_view uri;
    std::string_view text;
    if (!stringMember(item, "uri", uri) || !stringMember(item, "text", text)) return;
    Document* document = documentOf(server, params);
    if (document == nullptr) {
        server.documents.emplace_back();
        document = &server.documents.back();
        document->uri = uri;
    }
    document->version = 0;
    integerMember(item, "version", document->version);
    setDocumentText(*document, std::string(text));
    publishDiagnostics(server, *document);
}

void didChange(LanguageServer& server, const Json&, const Json& params)
{
    Document* document = documentOf(server, params);
    const Json* changes = member(params, "contentChanges");
    if (document == nullptr || changes == nullptr || !changes->is_array()) return;
    for (const Json& change : *changes) {
        if (!applyChange(*document, change, server.encoding)) break;
    }
    integerMember(member(params, "textDocument"), "version", document->version);
    checkDocument(*document);
    publishDiagnostics(server, *document);
}

void didClose(LanguageServer& server, const Json&, const Json& params)
{
    Document* document = documentOf(server, params);
    if (document == nullptr) return;
    notify(server, "textDocument/publishDiagnostics", Json{{"uri", document->uri}, {"diagnostics", Json::array()}});
    server.documents.erase(server.documents.begin() + (document - server.documents.data()));
}
