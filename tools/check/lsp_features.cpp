// SPDX-License-Identifier: MIT
// Completion, hover, quick fixes and the outline: the checker's answers (check/assist.h and the
// repairs in its findings) in the protocol's units.
#include <cstdio>

#include "check/assist.h"
#include "check/lsp_findings.h"
#include "check/lsp_handlers.h"

namespace {

// The protocol's completion and symbol kinds.
int completionKind(CompletionKind kind)
{
    switch (kind) {
    case CompletionKind::KeyName:
        return 21;  // Constant
    case CompletionKind::Marker:
        return 24;  // Operator
    case CompletionKind::Option:
        return 10;  // Property
    case CompletionKind::OptionValue:
        return 12;  // Value
    case CompletionKind::StatementHead:
        return 14;  // Keyword
    }
    return 1;
}

constexpr int kSymbolProperty = 7;
constexpr int kSymbolArray = 18;

// The document and point a request is about; false, after answering the request with an
// error, when it names no open document or no position.
bool requestPoint(LanguageServer& server, const Json& id, const Json& params, Document*& document, TextPoint& point)
{
    document = documentOf(server, params);
    EditorPosition position;
    if (document == nullptr || !readPosition(member(params, "position"), position)) {
        replyError(server, id, kInvalidParams, "no open document or position");
        return false;
    }
    point = pointOf(*document, offsetOf(*document, position, server.encoding));
    return true;
}

Json lineRange(const LanguageServer& server, const Document& document, int line, int from, int to)
{
    return rangeJson(document, offsetOf(document, TextPoint{line, from}), offsetOf(document, TextPoint{line, to}),
                     server.encoding);
}

bool wantsQuickFixes(const Json& params)
{
    const Json* only = member(member(params, "context"), "only");
    if (only == nullptr || !only->is_array()) return true;
    for (const Json& kind : *only) {
        if (kind.is_string() && (kind == "quickfix" || kind == "")) return true;
    }
    return false;
}

}  // namespace

void completion(LanguageServer& server, const Json& id, const Json& params)
{
    Document* document;
    TextPoint point;
    if (!requestPoint(server, id, params, document, point)) return;
    Json items = Json::array();
    int order = 0;
    for (const Completion& c : completionsAt(physicalLine(*document, point.line), point.column)) {
        char sortText[16];
        std::snprintf(sortText, sizeof sortText, "%04d", order++);
        items.push_back(Json{{"label", c.label},
                             {"kind", completionKind(c.kind)},
                             {"detail", c.detail},
                             {"sortText", sortText},
                             {"textEdit", {{"range", lineRange(server, *document, point.line, c.from, c.to)}, {"newText", c.label}}}});
    }
    reply(server, id, Json{{"isIncomplete", false}, {"items", std::move(items)}});
}

void hover(LanguageServer& server, const Json& id, const Json& params)
{
    Document* document;
    TextPoint point;
    if (!requestPoint(server, id, params, document, point)) return;
    const Hover found = hoverAt(physicalLine(*document, point.line), point.column);
    if (found.text.empty()) {
        reply(server, id, nullptr);
        return;
    }
    reply(server, id, Json{{"contents", {{"kind", "markdown"}, {"value", found.text}}},
                           {"range", lineRange(server, *document, point.line, found.from, found.to)}});
}

void codeAction(LanguageServer& server, const Json& id, const Json& params)
{
    Document* document = documentOf(server, params);
    std::size_t from;
    std::size_t to;
    if (document == nullptr || !readRange(member(params, "range"), *document, server.encoding, from, to)) {
        replyError(server, id, kInvalidParams, "no open document or range");
        return;
    }
    Json actions = Json::array();
    if (!wantsQuickFixes(params)) {
        reply(server, id, std::move(actions));
        return;
    }
    const std::vector<Diagnostic>& items = document->report.items;
    const std::vector<Span> spans = findingSpans(*document);
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].fixes.empty() || spans[i].from > to || spans[i].to < from) continue;
        const Json diagnostic = diagnosticJson(server, *document, i, spans);
        for (const Fix& fix : items[i].fixes) {
            Json edits = Json::array();
            for (const TextEdit& edit : fix.edits) {
                edits.push_back(Json{{"range", rangeJson(*document, offsetOf(*document, edit.from), offsetOf(*document, edit.to),
                                                         server.encoding)},
                                     {"newText", edit.text}});
            }
            actions.push_back(Json{{"title", fix.title},
                                   {"kind", "quickfix"},
                                   {"diagnostics", Json::array({diagnostic})},
                                   {"isPreferred", items[i].fixes.size() == 1},
                                   {"edit", {{"changes", {{document->uri, std::move(edits)}}}}}});
        }
    }
    reply(server, id, std::move(actions));
}

void documentSymbol(LanguageServer& server, const Json& id, const Json& params)
{
    Document* document = documentOf(server, params);
    if (document == nullptr) {
        replyError(server, id, kInvalidParams, "no open document");
        return;
    }
    Json symbols = Json::array();
    for (const OutlineItem& item : outlineOf(reinterpret_cast<const std::uint8_t*>(document->text.data()), document->text.size())) {
        symbols.push_back(Json{{"name", item.name},
                               {"detail", item.detail},
                               {"kind", item.kind == OutlineKind::Option ? kSymbolProperty : kSymbolArray},
                               {"range", lineRange(server, *document, item.line, item.from, item.to)},
                               {"selectionRange", lineRange(server, *document, item.line, item.from, item.headTo)}});
    }
    reply(server, id, std::move(symbols));
}
