// SPDX-License-Identifier: MIT
// One handler per method of the protocol. id is null for a notification; params is the
// message's params (null when it has none). A request's handler answers it.
#pragma once

#include "check/lsp_json.h"

void initialize(LanguageServer& server, const Json& id, const Json& params);
void shutdown(LanguageServer& server, const Json& id, const Json& params);

void didOpen(LanguageServer& server, const Json& id, const Json& params);
void didChange(LanguageServer& server, const Json& id, const Json& params);
void didClose(LanguageServer& server, const Json& id, const Json& params);

void completion(LanguageServer& server, const Json& id, const Json& params);
void hover(LanguageServer& server, const Json& id, const Json& params);
void codeAction(LanguageServer& server, const Json& id, const Json& params);
void documentSymbol(LanguageServer& server, const Json& id, const Json& params);
