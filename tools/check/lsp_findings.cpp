// SPDX-License-Identifier: MIT
#include "check/lsp_findings.h"

#include "check/assist.h"

namespace {

constexpr int kSeverityWarning = 2;
constexpr int kSeverityInformation = 3;

Json related(const LanguageServer& server, const Document& document, const Diagnostic& finding)
{
    std::size_t from;
    std::size_t to;
    findingSpan(document, finding, from, to);
    return Json{{"location", {{"uri", document.uri}, {"range", rangeJson(document, from, to, server.encoding)}}},
                {"message", finding.message}};
}

}  // namespace

void findingSpan(const Document& document, const Diagnostic& finding, std::size_t& from, std::size_t& to)
{
    const int line = finding.line - 1;
    const int column = finding.column - 1;
    from = offsetOf(document, TextPoint{line, column});
    to = offsetOf(document, TextPoint{line, findingEnd(physicalLine(document, line), column)});
}

Json diagnosticJson(const LanguageServer& server, const Document& document, std::size_t index)
{
    const std::vector<Diagnostic>& items = document.report.items;
    const Diagnostic& finding = items[index];
    std::size_t from;
    std::size_t to;
    findingSpan(document, finding, from, to);
    Json diagnostic{{"range", rangeJson(document, from, to, server.encoding)},
                    {"severity", finding.severity == Severity::Warning ? kSeverityWarning : kSeverityInformation},
                    {"code", finding.code},
                    {"source", "pylocheck"},
                    {"message", finding.message}};
    Json links = Json::array();
    if (finding.tied) {
        std::size_t owner = index;
        while (owner > 0 && items[owner].tied) --owner;
        if (!items[owner].tied) links.push_back(related(server, document, items[owner]));
    } else {
        for (std::size_t note = index + 1; note < items.size() && items[note].tied; ++note) {
            links.push_back(related(server, document, items[note]));
        }
    }
    if (!links.empty()) diagnostic["relatedInformation"] = std::move(links);
    return diagnostic;
}

void publishDiagnostics(LanguageServer& server, const Document& document)
{
    Json diagnostics = Json::array();
    for (std::size_t i = 0; i < document.report.items.size(); ++i) {
        diagnostics.push_back(diagnosticJson(server, document, i));
    }
    notify(server, "textDocument/publishDiagnostics",
           Json{{"uri", document.uri}, {"version", document.version}, {"diagnostics", std::move(diagnostics)}});
}
