// SPDX-License-Identifier: MIT
// The documents the editor has open: their text as the edits leave it, their last findings, and
// the conversion between the editor's positions (lines ended by LF, CR LF or CR; characters
// counted in UTF-8 bytes or UTF-16 code units) and the checker's TextPoints (physical lines
// ended by LF; byte columns, a byte-order mark not counted).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "check/diagnostics.h"

enum class PositionEncoding { Utf8, Utf16 };

struct EditorPosition {
    long long line;
    long long character;
};

struct Document {
    std::string uri;
    std::string text;
    long long version;
    std::vector<std::size_t> editorLines;    // where each editor line starts
    std::vector<std::size_t> physicalLines;  // where each physical line starts
    std::size_t bom;                          // 3 when the text starts with a UTF-8 byte-order mark
    CheckReport report;                       // the findings of the text as it is
};

// Sets the text, its line indexes and its findings.
void setDocumentText(Document& document, std::string text);

// Replaces [from, to) of the text (offsets) with text; the findings are not renewed.
void editDocument(Document& document, std::size_t from, std::size_t to, std::string_view text);

// Renews the findings.
void checkDocument(Document& document);

// Byte offsets and editor positions. A position past its line's end stands for the line's end,
// one past the last line for the end of the text; one inside a character for its start.
std::size_t offsetOf(const Document& document, EditorPosition position, PositionEncoding encoding);
EditorPosition positionOf(const Document& document, std::size_t offset, PositionEncoding encoding);

// Byte offsets and the checker's points.
std::size_t offsetOf(const Document& document, TextPoint point);
TextPoint pointOf(const Document& document, std::size_t offset);

// A physical line as the checker sees it: without its line end (a CR before the LF included)
// and, the first, without a byte-order mark. Empty past the last line.
std::string_view physicalLine(const Document& document, int line);
