// SPDX-License-Identifier: MIT
// A document's findings as the protocol's diagnostics. Internal to the server.
#pragma once

#include <cstddef>
#include <vector>

#include "check/lsp_json.h"

// The byte offsets [from, to) a finding covers: from its column over its entry, name or word.
struct Span {
    std::size_t from;
    std::size_t to;
};

// The spans of every finding of the document's report, in its order.
std::vector<Span> findingSpans(const Document& document);

// The finding at index of the document's report as a diagnostic: its notes as related
// information of a warning, the warning as that of a note that belongs to it. spans are those
// of findingSpans.
Json diagnosticJson(const LanguageServer& server, const Document& document, std::size_t index,
                    const std::vector<Span>& spans);

// "textDocument/publishDiagnostics" with every finding kept (the first 1,000, as pylocheck prints).
void publishDiagnostics(LanguageServer& server, const Document& document);
