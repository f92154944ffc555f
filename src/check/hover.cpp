// SPDX-License-Identifier: MIT
// Hover text: what the device receives for an entry, what a sequence holds, what an option sets.
// All of it read off the compiler's own parse of the line and its encoding of the entries.
#include <string>

#include "check/assist.h"
#include "check/assist_text.h"
#include "check/line_scan.h"
#include "config/config_image.h"
#include "config/config_reader.h"

namespace {

// The meaning of each "(x)" group before the name.
std::string markerLines(const LineScan& scan, const EntryEvent& e)
{
    const int nameAt = e.nameColumn >= 0 ? e.nameColumn : static_cast<int>(e.textColumn + e.textLength);
    std::string out;
    for (int at = static_cast<int>(e.textColumn); at < nameAt; at += 3) {
        const int length = nameAt - at < 3 ? nameAt - at : 3;
        const bool whole = length == 3 && scan.text[at + 2] == ')';
        out += "\n- `" + std::string(scan.text + at, static_cast<std::size_t>(length)) +
               "`: " + (whole ? markerMeaning(scan.text[at + 1], e.raw) : "ignored");
    }
    return out;
}

// What the device receives for an entry that is stored.
std::string storedText(const LineScan& scan, const ScannedEntry& scanned)
{
    const SequenceEntry& entry = scanned.entry;
    const EntryEvent& e = scanned.event;
    // Its two bytes as the compiler stores the statement, the sequence's flags in the first slot.
    ConfigImage image;
    clearImage(image);
    applyStatement(scan.parsed, image);
    const std::size_t at = sequenceOffset(scan.parsed.kind, scan.parsed.isLong != 0) + 2 * static_cast<std::size_t>(e.slot);
    const std::uint8_t first = image.bytes[at];
    const std::uint8_t second = image.bytes[at + 1];
    const std::string bytes = "`" + hexByte(first) + " " + hexByte(second) + "`";
    std::string what;
    if (entry.isValue) {
        what = "the value " + std::to_string(entry.code & 0xFF);
    } else if (e.raw) {
        what = "the raw value " + std::to_string(entry.code & 0x7F) + (entry.code > 127 ? " with the flag for 128 and above" : "");
    } else if (entry.code != 0) {
        what = keyDetail(entry.code, entry.keypad != 0);
        if (entry.plus) what += ", pressed";
        if (entry.minus) what += ", released";
        if (entry.caseCode == 2) what += ", upper case";
        if (entry.caseCode == 4) what += ", lower case";
    }
    if (e.slot > scan.end) return "Not sent: entry " + std::to_string(scan.end + 1) + " ends the sequence before it (stored as " + bytes + ").";
    if (second == 0) return "Stored as " + bytes + ": the sequence ends here, and the device receives nothing of it from here on.";
    const bool flagged = e.slot == 0 && (scan.parsed.rFlag || scan.parsed.sFlag);
    return "The device receives " + what + ": " + bytes + (flagged ? ", the first byte with the sequence's flags." : ".");
}

Hover entryHover(const LineScan& scan, const ScannedEntry& scanned)
{
    const EntryEvent& e = scanned.event;
    const int close = static_cast<int>(e.textColumn + e.textLength);
    const std::string written = std::string(scan.text + e.openColumn, static_cast<std::size_t>(close - static_cast<int>(e.openColumn))) +
                                (e.fault == EntryFault::Unclosed ? "" : "]");
    std::string text = "**`" + written + "`**, entry " + std::to_string(e.slot + 1) + " of the " + sequenceName(scan.parsed.kind, scan.parsed.isLong != 0) + "\n\n";
    switch (e.fault) {
    case EntryFault::PlusMinusRefused:
        text += "Refused for carrying both `(+)` and `(-)`: it takes no slot and is not sent.";
        break;
    case EntryFault::BeyondLimit:
        text += "Dropped: the sequence is full.";
        break;
    case EntryFault::Unclosed:
        text += "No closing `]`: it and the rest of the line are skipped.";
        break;
    default:
        text += storedText(scan, scanned);
        break;
    }
    const std::string markers = markerLines(scan, e);
    if (!markers.empty()) text += "\n\nMarkers:" + markers;
    const int to = e.fault == EntryFault::Unclosed ? scan.length : close + 1;
    return Hover{text, scan.startColumn + static_cast<int>(e.openColumn), scan.startColumn + to};
}

Hover headHover(const LineScan& scan, int headEnd)
{
    const Statement& s = scan.parsed;
    const int slots = s.isLong ? kLongSlots : kShortSlots;
    std::string text = "**`" + std::string(scan.text, static_cast<std::size_t>(headEnd)) + "`** " + sequenceName(s.kind, s.isLong != 0) +
                       " (image offset " + std::to_string(sequenceOffset(s.kind, s.isLong != 0)) + ")\n\n" +
                       std::to_string(scan.used) + " of the " + std::to_string(slots) + " entries it holds are used; ";
    if (scan.end >= scan.used) {
        text += scan.used == 1 ? "it is sent." : scan.used == 0 ? "nothing is sent." : "all are sent.";
    } else {
        text += std::to_string(scan.end) + " sent: entry " + std::to_string(scan.end + 1) + " ends the sequence.";
    }
    if (s.rFlag) text += "\n\n`<R>`: the R flag, bit " + hexByte(kSequenceRFlag) + " of the first byte.";
    if (s.sFlag) text += "\n\n`<S>`: the S flag, bit " + hexByte(kSequenceSFlag) + " of the first byte; every entry is raw.";
    return Hover{text, scan.startColumn, scan.startColumn + headEnd};
}

}  // namespace

Hover hoverAt(std::string_view line, int column)
{
    LineScan scan;
    scanLine(line, column, scan);
    const int at = column - scan.startColumn;
    if (!scan.statement || at < 0 || at > scan.length) return Hover{std::string(), column, column};
    const Statement& s = scan.parsed;
    if (s.kind > kInputCount) {
        const int end = optionLength(scan.length);
        if (at >= end) return Hover{std::string(), column, column};
        return Hover{"**`" + optionName(s.kind) + "`** " + optionEffect(s) +
                         (s.kind >= kKindMset0 && s.kind < kKindRot1 ? "; the last MSET in the file wins."
                                                                        : "; options are only ever set, never cleared."),
                     scan.startColumn, scan.startColumn + end};
    }
    for (const ScannedEntry& scanned : scan.entries) {
        const EntryEvent& e = scanned.event;
        const int close = e.fault == EntryFault::Unclosed ? scan.length : static_cast<int>(e.textColumn + e.textLength);
        if (at >= static_cast<int>(e.openColumn) && at <= close) return entryHover(scan, scanned);
    }
    // The head: "inNN:" and its flags.
    int headEnd = 5;
    for (int flag = 0; flag < 2 && scan.text[headEnd] == '<'; ++flag) headEnd += 3;
    if (at < headEnd) return headHover(scan, headEnd);
    return Hover{std::string(), column, column};
}
