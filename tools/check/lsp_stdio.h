// SPDX-License-Identifier: MIT
// Standard input and output as the language server's byte source and sink: bytes as they come
// and as they are, with no text-mode translation of line ends.
#pragma once

#include "check/lsp_transport.h"

// Standard input, read as soon as any bytes are there.
ByteSource standardInput();

// Standard output, each message written whole and at once.
ByteSink standardOutput();
