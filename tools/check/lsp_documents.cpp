// SPDX-License-Identifier: MIT
#include "check/lsp_documents.h"

#include <algorithm>

#include "check/assist.h"

namespace {

void indexLines(Document& document)
{
    const std::string& text = document.text;
    document.editorLines.assign(1, 0);
    document.physicalLines.assign(1, 0);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            document.editorLines.push_back(i + 1);
            document.physicalLines.push_back(i + 1);
        } else if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) {
            document.editorLines.push_back(i + 1);
        }
    }
    document.bom = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
}

// The end of the line that starts at lines[line], its line end aside.
std::size_t lineEnd(const Document& document, const std::vector<std::size_t>& lines, std::size_t line)
{
    std::size_t end = line + 1 < lines.size() ? lines[line + 1] : document.text.size();
    if (end > lines[line] && document.text[end - 1] == '\n') --end;
    if (end > lines[line] && document.text[end - 1] == '\r') --end;
    return end;
}

// Bytes of the UTF-8 sequence that byte starts (1 for a byte that starts none).
std::size_t sequenceLength(unsigned char byte)
{
    if (byte >= 0xF0 && byte < 0xF8) return 4;
    if (byte >= 0xE0) return byte < 0xF0 ? 3 : 1;
    if (byte >= 0xC0) return 2;
    return 1;
}

// The editor's units a character of n bytes counts for: its bytes, or its UTF-16 code units.
long long unitsOf(std::size_t n, PositionEncoding encoding)
{
    if (encoding == PositionEncoding::Utf8) return static_cast<long long>(n);
    return n == 4 ? 2 : 1;
}

std::size_t lineIndex(const std::vector<std::size_t>& lines, std::size_t offset)
{
    return static_cast<std::size_t>(std::upper_bound(lines.begin(), lines.end(), offset) - lines.begin()) - 1;
}

}  // namespace

void setDocumentText(Document& document, std::string text)
{
    document.text = std::move(text);
    indexLines(document);
    checkDocument(document);
}

void editDocument(Document& document, std::size_t from, std::size_t to, std::string_view text)
{
    from = std::min(from, document.text.size());
    to = std::min(std::max(from, to), document.text.size());
    document.text.replace(from, to - from, text.data(), text.size());
    indexLines(document);
}

void checkDocument(Document& document)
{
    ConfigImage image;
    checkConfigBuffer(reinterpret_cast<const std::uint8_t*>(document.text.data()), document.text.size(),
                      document.report, image);
}

std::size_t offsetOf(const Document& document, EditorPosition position, PositionEncoding encoding)
{
    if (position.line < 0) return 0;
    const std::vector<std::size_t>& lines = document.editorLines;
    if (static_cast<unsigned long long>(position.line) >= lines.size()) return document.text.size();
    const std::size_t line = static_cast<std::size_t>(position.line);
    const std::size_t end = lineEnd(document, lines, line);
    std::size_t at = lines[line];
    long long units = 0;
    while (at < end) {
        const std::size_t n = std::min(sequenceLength(static_cast<unsigned char>(document.text[at])), end - at);
        const long long width = unitsOf(n, encoding);
        if (units + width > position.character) break;
        units += width;
        at += n;
    }
    return at;
}

EditorPosition positionOf(const Document& document, std::size_t offset, PositionEncoding encoding)
{
    const std::vector<std::size_t>& lines = document.editorLines;
    offset = std::min(offset, document.text.size());
    const std::size_t line = lineIndex(lines, offset);
    const std::size_t end = std::min(offset, lineEnd(document, lines, line));
    long long units = 0;
    for (std::size_t at = lines[line]; at < end;) {
        const std::size_t n = sequenceLength(static_cast<unsigned char>(document.text[at]));
        if (at + n > end) break;  // inside a character: its start
        units += unitsOf(n, encoding);
        at += n;
    }
    return EditorPosition{static_cast<long long>(line), units};
}

std::size_t offsetOf(const Document& document, TextPoint point)
{
    const std::vector<std::size_t>& lines = document.physicalLines;
    if (point.line < 0) return 0;
    if (static_cast<std::size_t>(point.line) >= lines.size()) return document.text.size();
    const std::size_t start = lines[static_cast<std::size_t>(point.line)] + (point.line == 0 ? document.bom : 0);
    const bool last = static_cast<std::size_t>(point.line) + 1 == lines.size();
    // A column past the line's end stands for its end, where its line feed is.
    const std::size_t end = last ? document.text.size() : lines[static_cast<std::size_t>(point.line) + 1] - 1;
    return std::min(start + static_cast<std::size_t>(std::max(point.column, 0)), std::max(start, end));
}

TextPoint pointOf(const Document& document, std::size_t offset)
{
    offset = std::min(offset, document.text.size());
    const std::size_t line = lineIndex(document.physicalLines, offset);
    std::size_t start = document.physicalLines[line];
    if (line == 0) start = std::min(start + document.bom, std::max(offset, start));
    return TextPoint{static_cast<int>(line), static_cast<int>(offset - start)};
}

std::string_view physicalLine(const Document& document, int line)
{
    return physicalLine(document.text, document.physicalLines, line);
}
