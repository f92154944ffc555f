// SPDX-License-Identifier: MIT
// The diagnostics are written as text straight away: a file full of findings publishes a
// thousand of them on every keystroke, which a JSON tree would cost several times the check.
#include "check/lsp_findings.h"

#include "check/assist.h"

namespace {

constexpr int kSeverityWarning = 2;
constexpr int kSeverityInformation = 3;

// Bytes of the valid UTF-8 sequence at text[at], 0 when none starts there.
std::size_t validSequence(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return at + i < text.size() ? static_cast<unsigned char>(text[at + i]) : 0u; };
    const unsigned c = byte(0);
    const auto follows = [&](std::size_t i, unsigned low, unsigned high) { return byte(i) >= low && byte(i) <= high; };
    if (c >= 0xC2 && c <= 0xDF) return follows(1, 0x80, 0xBF) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        const unsigned low = c == 0xE0 ? 0xA0 : 0x80;   // no overlong forms
        const unsigned high = c == 0xED ? 0x9F : 0xBF;  // no surrogates
        return follows(1, low, high) && follows(2, 0x80, 0xBF) ? 3 : 0;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        const unsigned low = c == 0xF0 ? 0x90 : 0x80;
        const unsigned high = c == 0xF4 ? 0x8F : 0xBF;  // nothing past U+10FFFF
        return follows(1, low, high) && follows(2, 0x80, 0xBF) && follows(3, 0x80, 0xBF) ? 4 : 0;
    }
    return 0;
}

// text as a JSON string; each byte that starts no valid UTF-8 sequence becomes U+FFFD (where the
// JSON library, writing the other messages, makes one U+FFFD of a cut sequence). A code action
// reads its diagnostic back from this text, so the two always agree.
void appendString(std::string& out, std::string_view text)
{
    static const char kHex[] = "0123456789abcdef";
    out += '"';
    for (std::size_t at = 0; at < text.size();) {
        const auto c = static_cast<unsigned char>(text[at]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c < 0x20 || c == 0x7F) {
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            const std::size_t n = validSequence(text, at);
            if (n == 0) {
                out += "\xEF\xBF\xBD";
                ++at;
                continue;
            }
            out.append(text.data() + at, n);
            at += n;
            continue;
        }
        ++at;
    }
    out += '"';
}

void appendPosition(std::string& out, const Document& document, std::size_t offset, PositionEncoding encoding)
{
    const EditorPosition p = positionOf(document, offset, encoding);
    out += "{\"line\":" + std::to_string(p.line) + ",\"character\":" + std::to_string(p.character) + "}";
}

void appendRange(std::string& out, const Document& document, Span span, PositionEncoding encoding)
{
    out += "{\"start\":";
    appendPosition(out, document, span.from, encoding);
    out += ",\"end\":";
    appendPosition(out, document, span.to, encoding);
    out += '}';
}

void appendRelated(std::string& out, const LanguageServer& server, const Document& document, const Diagnostic& finding,
                   Span span)
{
    out += "{\"location\":{\"uri\":";
    appendString(out, document.uri);
    out += ",\"range\":";
    appendRange(out, document, span, server.encoding);
    out += "},\"message\":";
    appendString(out, finding.message);
    out += '}';
}

// The finding at index, its span and those of its neighbours taken from spans.
void appendDiagnostic(std::string& out, const LanguageServer& server, const Document& document, std::size_t index,
                      const std::vector<Span>& spans)
{
    const std::vector<Diagnostic>& items = document.report.items;
    const Diagnostic& finding = items[index];
    out += "{\"range\":";
    appendRange(out, document, spans[index], server.encoding);
    out += ",\"severity\":";
    out += std::to_string(finding.severity == Severity::Warning ? kSeverityWarning : kSeverityInformation);
    out += ",\"code\":";
    appendString(out, finding.code);
    out += ",\"source\":\"pylocheck\",\"message\":";
    appendString(out, finding.message);
    // A note links to its warning; a warning to its notes.
    std::size_t first = index + 1;
    std::size_t last = index + 1;
    if (finding.tied) {
        std::size_t owner = index;
        while (owner > 0 && items[owner].tied) --owner;
        if (!items[owner].tied) {
            first = owner;
            last = owner + 1;
        }
    } else {
        while (last < items.size() && items[last].tied) ++last;
    }
    if (first < last) {
        out += ",\"relatedInformation\":[";
        for (std::size_t i = first; i < last; ++i) {
            if (i > first) out += ',';
            appendRelated(out, server, document, items[i], spans[i]);
        }
        out += ']';
    }
    out += '}';
}

}  // namespace

std::vector<Span> findingSpans(const Document& document)
{
    std::vector<Span> spans;
    spans.reserve(document.report.items.size());
    for (const Diagnostic& finding : document.report.items) {
        const int line = finding.line - 1;
        const int column = finding.column - 1;
        spans.push_back(Span{offsetOf(document, TextPoint{line, column}),
                             offsetOf(document, TextPoint{line, findingEnd(physicalLine(document, line), column)})});
    }
    return spans;
}

Json diagnosticJson(const LanguageServer& server, const Document& document, std::size_t index,
                    const std::vector<Span>& spans)
{
    // Written as published, and read back: a code action names the very diagnostic.
    std::string text;
    appendDiagnostic(text, server, document, index, spans);
    return Json::parse(text, nullptr, false);
}

void publishDiagnostics(LanguageServer& server, const Document& document)
{
    const std::vector<Diagnostic>& items = document.report.items;
    const std::vector<Span> spans = findingSpans(document);
    std::string body = "{\"jsonrpc\":\"2.0\",\"method\":\"textDocument/publishDiagnostics\",\"params\":{\"uri\":";
    appendString(body, document.uri);
    body += ",\"version\":" + std::to_string(document.version) + ",\"diagnostics\":[";
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) body += ',';
        appendDiagnostic(body, server, document, i, spans);
    }
    body += "]}}";
    sendBody(server, body);
}
