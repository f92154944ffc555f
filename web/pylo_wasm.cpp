// SPDX-License-Identifier: MIT
// The page's view of the shared C++: the compiler, the checker with its repairs and the editor's
// completions and hover text, the key tables and the upload session, as plain functions over
// static buffers. JavaScript copies the configuration's bytes (or one line's) into the input
// buffer, calls these and reads the results out of memory.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include <emscripten/emscripten.h>

#include "check/assist.h"
#include "check/diagnostics.h"
#include "config/config_reader.h"
#include "config/key_table.h"
#include "config/parse_observer.h"
#include "entry_format.h"
#include "link/upload_plan.h"

namespace {

std::uint8_t* gInput = nullptr;
std::size_t gInputCapacity = 0;

ConfigImage gImage;
CheckReport gReport;

// The diagnostics as "line\tcolumn\tend\tseverity\tcode\tmessage\n", severity w or n, end the
// column after the finding's entry, name or word (findingEnd).
char* gText = nullptr;
std::size_t gTextCapacity = 0;

// A text made for JavaScript (completions, hover, a repair's parts), read with pylo_text().
std::string gOut;
Hover gHover;

// Where the statements that count were found (1-based physical lines, 0 for none).
int gSequenceLine[kInputCount][2];
bool gSequenceCut[kInputCount][2];
constexpr int kOptionKinds = kKindRot1 + 4 - kKindPrel;
int gOptionLine[kOptionKinds][64];  // every line of each option kind, up to 64
int gOptionLines[kOptionKinds];

struct Scan {
    int line;
    bool cut;
};

void onLineRead(void* context, const LineEvent& event)
{
    Scan* scan = static_cast<Scan*>(context);
    scan->line = event.physicalLine;
    scan->cut = false;
}

void onEntryCut(void* context, const EntryEvent& event)
{
    if (event.fault != EntryFault::None) static_cast<Scan*>(context)->cut = true;
}

void onStatement(void* context, const Statement& statement)
{
    const Scan* scan = static_cast<const Scan*>(context);
    const int kind = statement.kind;
    if (kind >= 1 && kind <= kInputCount) {
        const int sequence = statement.isLong ? 0 : 1;
        gSequenceLine[kind - 1][sequence] = scan->line;
        gSequenceCut[kind - 1][sequence] = scan->cut;
    } else if (kind >= kKindPrel && kind < kKindPrel + kOptionKinds) {
        int& count = gOptionLines[kind - kKindPrel];
        if (count < 64) gOptionLine[kind - kKindPrel][count++] = scan->line;
    }
}

bool reserve(char*& buffer, std::size_t& capacity, std::size_t wanted)
{
    if (wanted <= capacity) return true;
    char* grown = static_cast<char*>(std::realloc(buffer, wanted));
    if (grown == nullptr) return false;
    buffer = grown;
    capacity = wanted;
    return true;
}

void appendNumber(char*& at, int value)
{
    char digits[12];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0 && n < 11);
    while (n > 0) *at++ = digits[--n];
}

void writeDiagnostics(std::size_t size)
{
    std::size_t wanted = 1;
    for (const Diagnostic& d : gReport.items) wanted += d.message.size() + std::strlen(d.code) + 48;
    if (!reserve(gText, gTextCapacity, wanted)) {
        if (gText != nullptr) gText[0] = '\0';
        return;
    }
    const std::string_view text(reinterpret_cast<const char*>(gInput), size);
    std::vector<std::size_t> starts{0};
    for (std::size_t i = 0; i < size; ++i) {
        if (text[i] == '\n') starts.push_back(i + 1);
    }
    char* at = gText;
    for (const Diagnostic& d : gReport.items) {
        appendNumber(at, d.line);
        *at++ = '\t';
        appendNumber(at, d.column);
        *at++ = '\t';
        appendNumber(at, findingEnd(physicalLine(text, starts, d.line - 1), d.column - 1) + 1);
        *at++ = '\t';
        *at++ = d.severity == Severity::Warning ? 'w' : 'n';
        *at++ = '\t';
        std::memcpy(at, d.code, std::strlen(d.code));
        at += std::strlen(d.code);
        *at++ = '\t';
        std::memcpy(at, d.message.data(), d.message.size());
        at += d.message.size();
        *at++ = '\n';
    }
    *at = '\0';
}

const Fix* fixOf(int item, int fix)
{
    if (item < 0 || static_cast<std::size_t>(item) >= gReport.items.size()) return nullptr;
    const std::vector<Fix>& fixes = gReport.items[static_cast<std::size_t>(item)].fixes;
    return fix >= 0 && static_cast<std::size_t>(fix) < fixes.size() ? &fixes[static_cast<std::size_t>(fix)] : nullptr;
}

const TextEdit* editOf(int item, int fix, int edit)
{
    const Fix* f = fixOf(item, fix);
    return f != nullptr && edit >= 0 && static_cast<std::size_t>(edit) < f->edits.size() ? &f->edits[static_cast<std::size_t>(edit)] : nullptr;
}

UploadSession gSession;
ConfigImage gUploadImage;
UploadStep gStep;
char gEntry[16];

}  // namespace

extern "C" {

// The input buffer, grown to hold size bytes; nullptr when memory is short.
EMSCRIPTEN_KEEPALIVE std::uint8_t* pylo_input(int size)
{
    const std::size_t wanted = size > 0 ? static_cast<std::size_t>(size) : 1;
    if (wanted > gInputCapacity) {
        char* buffer = reinterpret_cast<char*>(gInput);
        if (!reserve(buffer, gInputCapacity, wanted)) return nullptr;
        gInput = reinterpret_cast<std::uint8_t*>(buffer);
    }
    return gInput;
}

// Compiles and checks the first size bytes of the input buffer. Returns the number of
// diagnostics; pylo_diagnostics() and pylo_image() hold the results.
EMSCRIPTEN_KEEPALIVE int pylo_check(int size)
{
    const std::size_t length = size > 0 ? static_cast<std::size_t>(size) : 0;
    checkConfigBuffer(gInput, length, gReport, gImage);
    writeDiagnostics(length);

    std::memset(gSequenceLine, 0, sizeof gSequenceLine);
    std::memset(gSequenceCut, 0, sizeof gSequenceCut);
    std::memset(gOptionLines, 0, sizeof gOptionLines);
    Scan scan{0, false};
    const ParseObserver observer{&scan, onLineRead, nullptr, onEntryCut, onStatement, nullptr};
    static ConfigImage again;
    compileConfigBuffer(gInput, length, again, &observer);
    return static_cast<int>(gReport.items.size());
}

// Compiles without checking, as pyloload does.
EMSCRIPTEN_KEEPALIVE void pylo_compile(int size)
{
    compileConfigBuffer(gInput, size > 0 ? static_cast<std::size_t>(size) : 0, gImage);
}

EMSCRIPTEN_KEEPALIVE const char* pylo_diagnostics() { return gText != nullptr ? gText : ""; }
// The report's totals, listed or not: all warnings, all notes, and the findings beyond the
// first kMostDiagnostics (pylocheck's "N more warnings and notes are not shown").
EMSCRIPTEN_KEEPALIVE int pylo_warning_total() { return static_cast<int>(gReport.warnings); }
EMSCRIPTEN_KEEPALIVE int pylo_note_total() { return static_cast<int>(gReport.notes); }
EMSCRIPTEN_KEEPALIVE int pylo_omitted_total() { return static_cast<int>(gReport.omitted); }
EMSCRIPTEN_KEEPALIVE const std::uint8_t* pylo_image() { return gImage.bytes.data(); }
EMSCRIPTEN_KEEPALIVE int pylo_image_size() { return static_cast<int>(kImageSize); }

// The line of the statement that set input's (1 ... 72) long or short sequence, 0 for none.
EMSCRIPTEN_KEEPALIVE int pylo_sequence_line(int input, int isLong)
{
    if (input < 1 || input > kInputCount) return 0;
    return gSequenceLine[input - 1][isLong ? 0 : 1];
}

// True when that statement has an entry that ends its sequence early or is dropped.
EMSCRIPTEN_KEEPALIVE int pylo_sequence_cut(int input, int isLong)
{
    if (input < 1 || input > kInputCount) return 0;
    return gSequenceCut[input - 1][isLong ? 0 : 1] ? 1 : 0;
}

// 1 for the R flag, 2 for the S flag of a sequence in the image.
EMSCRIPTEN_KEEPALIVE int pylo_sequence_flags(int input, int isLong)
{
    if (input < 1 || input > kInputCount) return 0;
    const std::uint8_t first = gImage.bytes[sequenceOffset(input, isLong != 0)];
    return ((first & kSequenceRFlag) != 0 ? 1 : 0) | ((first & kSequenceSFlag) != 0 ? 2 : 0);
}

// The text of one entry of the image (see formatEntry) in pylo_entry_text(); its length.
EMSCRIPTEN_KEEPALIVE int pylo_entry(int input, int isLong, int slot)
{
    gEntry[0] = '\0';
    const int slots = isLong ? kLongSlots : kShortSlots;
    if (input < 1 || input > kInputCount || slot < 0 || slot >= slots) return 0;
    return formatEntry(gImage, input, isLong != 0, slot, gEntry);
}
EMSCRIPTEN_KEEPALIVE const char* pylo_entry_text() { return gEntry; }

// Options: kind is a statement kind (73 PREL ... 83 ROT4). pylo_option tells whether the image
// holds it (for MSET:n, whether the field is n); pylo_option_line the nth line that sets it.
EMSCRIPTEN_KEEPALIVE int pylo_option(int kind)
{
    const std::uint8_t one = optionByte1(gImage);
    switch (kind) {
    case kKindPrel: return (one & kOptionPrel) != 0;
    case kKindRevx: return (one & kOptionRevx) != 0;
    case kKindRevy: return (one & kOptionRevy) != 0;
    default: break;
    }
    if (kind >= kKindMset0 && kind < kKindRot1) return ((one & kOptionMsetMask) >> 2) == 4 + (kind - kKindMset0);
    if (kind >= kKindRot1 && kind < kKindRot1 + 4) return (optionByte0(gImage) >> (kind - kKindRot1)) & 1;
    return 0;
}
EMSCRIPTEN_KEEPALIVE int pylo_option_line_count(int kind)
{
    return kind >= kKindPrel && kind < kKindPrel + kOptionKinds ? gOptionLines[kind - kKindPrel] : 0;
}
EMSCRIPTEN_KEEPALIVE int pylo_option_line(int kind, int n)
{
    if (n < 0 || n >= pylo_option_line_count(kind)) return 0;
    return gOptionLine[kind - kKindPrel][n];
}

// Key tables: table 0 main, 1 keypad.
EMSCRIPTEN_KEEPALIVE int pylo_key_count(int table)
{
    return static_cast<int>((table != 0 ? keypadKeyTable() : mainKeyTable()).count);
}
EMSCRIPTEN_KEEPALIVE const char* pylo_key_name(int table, int i)
{
    const KeyTable keys = table != 0 ? keypadKeyTable() : mainKeyTable();
    return i >= 0 && static_cast<std::size_t>(i) < keys.count ? keys.names[i].name : "";
}
EMSCRIPTEN_KEEPALIVE int pylo_key_number_at(int table, int i)
{
    const KeyTable keys = table != 0 ? keypadKeyTable() : mainKeyTable();
    return i >= 0 && static_cast<std::size_t>(i) < keys.count ? keys.names[i].number : 0;
}
// The key number of a name (NUL-terminated, in the input buffer), 0 for an unknown one.
EMSCRIPTEN_KEEPALIVE int pylo_key_number(int keypad)
{
    const char* name = reinterpret_cast<const char*>(gInput);
    const void* end = name != nullptr ? std::memchr(name, '\0', gInputCapacity) : nullptr;
    const std::size_t length = end != nullptr ? static_cast<std::size_t>(static_cast<const char*>(end) - name) : 0;
    std::int32_t caseCode = 0;
    return lookupKeyName(name, length, keypad != 0, false, caseCode);
}

// The text last made by the calls below; they return its length.
EMSCRIPTEN_KEEPALIVE const char* pylo_text() { return gOut.c_str(); }

// The repairs of diagnostic item of the last check: how many, each one's title, its edits, and
// each edit's text and points (which: 0 from.line, 1 from.column, 2 to.line, 3 to.column;
// 0-based as the checker's TextPoints are).
EMSCRIPTEN_KEEPALIVE int pylo_fix_count(int item)
{
    return item >= 0 && static_cast<std::size_t>(item) < gReport.items.size()
               ? static_cast<int>(gReport.items[static_cast<std::size_t>(item)].fixes.size())
               : 0;
}
EMSCRIPTEN_KEEPALIVE int pylo_fix_title(int item, int fix)
{
    const Fix* f = fixOf(item, fix);
    gOut = f != nullptr ? f->title : std::string();
    return static_cast<int>(gOut.size());
}
EMSCRIPTEN_KEEPALIVE int pylo_edit_count(int item, int fix)
{
    const Fix* f = fixOf(item, fix);
    return f != nullptr ? static_cast<int>(f->edits.size()) : 0;
}
EMSCRIPTEN_KEEPALIVE int pylo_edit_text(int item, int fix, int edit)
{
    const TextEdit* e = editOf(item, fix, edit);
    gOut = e != nullptr ? e->text : std::string();
    return static_cast<int>(gOut.size());
}
EMSCRIPTEN_KEEPALIVE int pylo_edit_point(int item, int fix, int edit, int which)
{
    const TextEdit* e = editOf(item, fix, edit);
    if (e == nullptr) return 0;
    const TextPoint& p = which < 2 ? e->from : e->to;
    return which % 2 == 0 ? p.line : p.column;
}

// Completions at column of the line in the input buffer (size bytes, without its line feed), as
// rows "from\tto\tkind\tlabel\tdetail\n" in pylo_text(): kind is CompletionKind's number, from
// and to the columns the label replaces.
EMSCRIPTEN_KEEPALIVE int pylo_completions(int size, int column)
{
    const std::string_view line(reinterpret_cast<const char*>(gInput), size > 0 ? static_cast<std::size_t>(size) : 0);
    gOut.clear();
    for (const Completion& c : completionsAt(line, column)) {
        gOut += std::to_string(c.from) + '\t' + std::to_string(c.to) + '\t' + std::to_string(static_cast<int>(c.kind)) + '\t' +
                c.label + '\t' + c.detail + '\n';
    }
    return static_cast<int>(gOut.size());
}

// The hover text (Markdown) at column of the line in the input buffer, in pylo_text(); empty
// where there is nothing to tell. The columns it is about: pylo_hover_from() up to pylo_hover_to().
EMSCRIPTEN_KEEPALIVE int pylo_hover(int size, int column)
{
    gHover = hoverAt(std::string_view(reinterpret_cast<const char*>(gInput), size > 0 ? static_cast<std::size_t>(size) : 0), column);
    gOut = gHover.text;
    return static_cast<int>(gOut.size());
}
EMSCRIPTEN_KEEPALIVE int pylo_hover_from() { return gHover.from; }
EMSCRIPTEN_KEEPALIVE int pylo_hover_to() { return gHover.to; }

// The upload of the image last compiled, one step at a time (see upload_plan.h).
EMSCRIPTEN_KEEPALIVE int pylo_upload_start()
{
    gUploadImage = gImage;
    startUpload(gSession, gUploadImage);
    return uploadCommandCount(gUploadImage);
}
// The next step's byte count (0: ended); its bytes, reply flag, input and settle flag below.
EMSCRIPTEN_KEEPALIVE int pylo_upload_step(int reply)
{
    gStep = nextUploadStep(gSession, reply);
    return gStep.count;
}
EMSCRIPTEN_KEEPALIVE const std::uint8_t* pylo_step_bytes() { return gStep.bytes; }
EMSCRIPTEN_KEEPALIVE int pylo_step_reads_reply() { return gStep.readReply ? 1 : 0; }
EMSCRIPTEN_KEEPALIVE int pylo_step_input() { return gStep.input; }
EMSCRIPTEN_KEEPALIVE int pylo_step_settles_first() { return gStep.settleFirst ? 1 : 0; }
EMSCRIPTEN_KEEPALIVE int pylo_upload_settled(int seen) { return uploadSettled(gSession, seen) ? 1 : 0; }
EMSCRIPTEN_KEEPALIVE int pylo_reply_window_ms() { return kReplyWindowMs; }
EMSCRIPTEN_KEEPALIVE int pylo_settle_limit_ms() { return kSettleLimitMs; }
EMSCRIPTEN_KEEPALIVE int pylo_reply_extra() { return kReplyExtra; }
// The page has no signals: Cancel is its Ctrl-C, and the session ends in UploadInterrupted.
EMSCRIPTEN_KEEPALIVE void pylo_upload_interrupt() { interruptUpload(gSession, 2); }
EMSCRIPTEN_KEEPALIVE void pylo_upload_write_failed() { uploadWriteFailed(gSession); }
EMSCRIPTEN_KEEPALIVE int pylo_upload_outcome() { return uploadOutcome(gSession); }

// The outcomes an upload can end in, by name, so that the page never spells them as numbers.
EMSCRIPTEN_KEEPALIVE int pylo_outcome_ok() { return UploadOk; }
EMSCRIPTEN_KEEPALIVE int pylo_outcome_port_error() { return UploadPortError; }
EMSCRIPTEN_KEEPALIVE int pylo_outcome_no_device() { return UploadNoDevice; }
EMSCRIPTEN_KEEPALIVE int pylo_outcome_link_error() { return UploadLinkError; }
EMSCRIPTEN_KEEPALIVE int pylo_outcome_interrupted() { return UploadInterrupted; }

}  // extern "C"
