// The checker's findings, case by case: line, column, severity and text of every diagnostic.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "check/diagnostics.h"
#include "check_testing.h"

namespace {

struct DiagnosticCase {
    const char* label;
    std::string content;
    std::vector<std::string> expected;  // "LINE:COLUMN: warning|note: MESSAGE"
};

std::string render(const Diagnostic& d)
{
    return std::to_string(d.line) + ":" + std::to_string(d.column) + ": " +
           (d.severity == Severity::Warning ? "warning" : "note") + ": " + d.message;
}

std::vector<std::string> diagnose(const std::string& content, int* warnings = nullptr)
{
    ScratchFile file(content);
    CheckReport report;
    ConfigImage image;
    EXPECT_TRUE(checkConfigFile(file.path.c_str(), report, image));
    std::vector<std::string> out;
    for (const Diagnostic& d : report.items) out.push_back(render(d));
    if (warnings != nullptr) *warnings = report.warnings;
    return out;
}

std::string entries(const char* entry, int count)
{
    std::string out;
    for (int i = 0; i < count; ++i) out += entry;
    return out;
}

const std::vector<DiagnosticCase>& lineCases()
{
    static const std::vector<DiagnosticCase> cases = {
        {"one-digit input number", "in7:[a]\n",
         {"1:3: warning: one-digit input number '7'; input numbers have two digits (01 ... 72); the line is skipped",
          "1:3: note: did you mean 'in07:'?"}},
        {"one-digit short input", "\n\nIN5|[a]\n",
         {"3:3: warning: one-digit input number '5'; input numbers have two digits (01 ... 72); the line is skipped",
          "3:3: note: did you mean 'IN05|'?"}},
        {"leading blank", " in07:[a]\n",
         {"1:1: warning: statement does not start in the first column; the line is skipped",
          "1:2: note: without the leading blanks it is a statement"}},
        {"leading tab before a broken statement", "\tin7:[a]\n",
         {"1:1: warning: statement does not start in the first column; the line is skipped"}},
        {"leading blanks before an option", "  PREL:Y\n",
         {"1:1: warning: statement does not start in the first column; the line is skipped",
          "1:3: note: without the leading blanks it is a statement"}},
        {"letters instead of digits", "inp07:[a]\n",
         {"1:3: warning: IN must be followed by a two-digit input number 01 ... 72, found 'p'; the line is skipped"}},
        {"input number 00", "in00:[a]\n",
         {"1:3: warning: input number 00 is out of range (01 ... 72); the line is skipped"}},
        {"input number 73", "in73|[a]\n",
         {"1:3: warning: input number 73 is out of range (01 ... 72); the line is skipped"}},
        {"three digits", "in123:[a]\n", {"1:5: warning: input number has more than two digits; the line is skipped"}},
        {"missing colon", "in07 [a]\n",
         {"1:5: warning: expected ':' (long sequence) or '|' (short sequence) after 'in07', found ' '; "
          "the line is skipped"}},
        {"wrong first marker", "in10:<X>[a]\n",
         {"1:6: warning: unknown marker '<X>'; only <R> and <S> may follow the ':' or '|'; the line is skipped"}},
        {"wrong second marker", "in10|<R><Q>[a]\n",
         {"1:9: warning: unknown marker '<Q>'; only <R> and <S> may follow the ':' or '|'; the line is skipped"}},
        {"option value N", "Prel:N\n",
         {"1:6: warning: the only value of PREL is 'Y', not 'N'; the line is skipped and the option stays unset"}},
        {"rot value n", "rot3:n\n",
         {"1:6: warning: the only value of ROT3 is 'Y', not 'n'; the line is skipped and the option stays unset"}},
        {"option value missing", "REVX:\n", {"1:6: warning: the value 'Y' of REVX is missing; the line is skipped"}},
        {"option colon missing", "prel y\n",
         {"1:5: warning: expected ':' after 'PREL', found ' '; the line is skipped"}},
        {"misspelt option", "revz:y\n",
         {"1:1: warning: unknown option 'REVZ'; the line is skipped", "1:1: note: did you mean 'REVX' or 'REVY'?"}},
        {"misspelt mset", "msat:2\n",
         {"1:1: warning: unknown option 'MSAT'; the line is skipped", "1:1: note: did you mean 'MSET'?"}},
        {"mset out of range", "mset:4\n",
         {"1:6: warning: MSET:4 is out of range (MSET:0 ... MSET:3); the line is skipped"}},
        {"mset not a digit", "MSET:x\n", {"1:6: warning: MSET takes a digit 0 ... 3, found 'x'; the line is skipped"}},
        {"mset value missing", "MSET:\n",
         {"1:6: warning: MSET takes a digit 0 ... 3, found the end of the line; the line is skipped"}},
        {"rot out of range", "rot5:y\n", {"1:4: warning: ROT5 is out of range (ROT1 ... ROT4); the line is skipped"}},
        {"rot zero", "ROT0:Y\n", {"1:4: warning: ROT0 is out of range (ROT1 ... ROT4); the line is skipped"}},
        {"rot without digit", "rot:y\n", {"1:4: warning: ROT takes a digit 1 ... 4, found ':'; the line is skipped"}},
        {"unknown keyword with an entry", "key01:[a]\n",
         {"1:1: warning: 'key' is no statement keyword; the line is skipped"}},
        {"swapped keyword letters", "ni07:[a]\n",
         {"1:1: warning: 'ni' is no statement keyword; the line is skipped", "1:1: note: did you mean 'IN'?"}},
        {"entry without keyword", "07:[a]\n",
         {"1:1: warning: the line holds an entry but starts with no statement keyword; the line is skipped",
          "1:1: note: statements begin with IN, PREL, REVX, REVY, MSET or ROT; comments with '#'"}},
        {"carriage returns do not move columns", "in7:[a]\r\nin73:[a]\r\n",
         {"1:3: warning: one-digit input number '7'; input numbers have two digits (01 ... 72); the line is skipped",
          "1:3: note: did you mean 'in07:'?",
          "2:3: warning: input number 73 is out of range (01 ... 72); the line is skipped"}},
        {"byte-order mark is not a column", "\xEF\xBB\xBFin7:[a]\n",
         {"1:3: warning: one-digit input number '7'; input numbers have two digits (01 ... 72); the line is skipped",
          "1:3: note: did you mean 'in07:'?"}},
    };
    return cases;
}

const std::vector<DiagnosticCase>& entryCases()
{
    static const std::vector<DiagnosticCase> cases = {
        {"unknown key name", "in07:[shft][a]\n",
         {"1:7: warning: unknown key name 'shft'; it ends the sequence", "1:7: note: did you mean 'shift'?",
          "1:12: note: so this entry is not sent"}},
        {"entry without its closing bracket", "in07:[a][b\r\n",
         {"1:9: warning: entry '[b' has no closing ']'; it and the rest of the line are skipped"}},
        {"unclosed entry after the sequence has ended", "in08|<S>[0][5][x y\n",
         {"1:10: warning: raw value 0 from '0' has its low seven bits 0; it ends the sequence",
          "1:12: note: so this entry is not sent",
          "1:15: warning: entry '[x y' has no closing ']'; it and the rest of the line are skipped"}},
        {"unknown key name mid-sequence", "in07:[a][lcrtl][b][c]\n",
         {"1:10: warning: unknown key name 'lcrtl'; it ends the sequence", "1:10: note: did you mean 'lctrl'?",
          "1:16: note: so this entry and the 1 after it are not sent"}},
        {"second unknown name after the end", "in15:[ctl][pgdwn]\n",
         {"1:7: warning: unknown key name 'ctl'; it ends the sequence", "1:7: note: did you mean 'ctrl'?",
          "1:11: note: so this entry is not sent", "1:12: warning: unknown key name 'pgdwn'; it is not sent",
          "1:12: note: did you mean 'pgdn' or 'pgdown'?"}},
        {"plus with minus", "in07:[(+)(-)a]\n",
         {"1:10: warning: '(-)' together with '(+)' in one entry: the entry '[(+)(-)a]' is refused and dropped"}},
        {"minus with plus", "in07|[b][(-)(n)(+)a][c]\n",
         {"1:16: warning: '(+)' together with '(-)' in one entry: the entry '[(-)(n)(+)a]' is refused and dropped"}},
        {"marker after the name", "in09:[a(+)][b][c]\n",
         {"1:8: warning: marker '(+)' written after the name; markers come before the name, so 'a(+)' is no key "
          "name; it ends the sequence",
          "1:6: note: did you mean '[(+)a]'?", "1:12: note: so this entry and the 1 after it are not sent"}},
        {"keypad marker after the name", "in09:[(+)7(n)]\n",
         {"1:11: warning: marker '(n)' written after the name; markers come before the name, so '7(n)' is no key "
          "name; it ends the sequence",
          "1:6: note: did you mean '[(+)(n)7]'?"}},
        {"name not on the keypad", "in40:[(n)x][(n)7]\n",
         {"1:10: warning: unknown keypad key name 'x'; it ends the sequence",
          "1:10: note: 'x' is not on the keypad; without '(n)' it is key 47", "1:12: note: so this entry is not sent"}},
        {"markers without a name", "in08:[(+)][a]\n",
         {"1:6: warning: entry without a key name gives key number 0; it ends the sequence",
          "1:11: note: so this entry is not sent"}},
        {"empty entry", "in08:[a][]\n", {"1:9: warning: entry without a key name gives key number 0; it ends the sequence"}},
        {"value of zero", "in11:[(d)0][a]\n",
         {"1:10: warning: value entry of 0; it ends the sequence", "1:12: note: so this entry is not sent"}},
        {"value in a raw statement", "in11:<S>[(D)000][65]\n",
         {"1:13: warning: value entry of 0; it ends the sequence", "1:17: note: so this entry is not sent"}},
        {"value that is no number", "in11:[(d)x]\n", {"1:10: warning: value 'x' is not a number; it is sent as 72"}},
        {"raw value 128", "in12:<S>[128][1]\n",
         {"1:10: warning: raw value 128 from '128' has its low seven bits 0; it ends the sequence",
          "1:14: note: so this entry is not sent"}},
        {"raw value 256", "in12|<r><s>[256]\n",
         {"1:13: warning: raw value 256 from '256' has its low seven bits 0; it ends the sequence"}},
        {"empty raw entry", "in12:<S>[][7]\n",
         {"1:9: warning: empty raw entry gives 0; it ends the sequence", "1:11: note: so this entry is not sent"}},
        {"long sequence full", "in01:" + entries("[a]", 35) + "\n",
         {"1:102: warning: the long sequence is full (32 entries); this entry and the 2 after it are dropped"}},
        {"short sequence full", "in01|" + entries("[b]", 17) + "\n",
         {"1:54: warning: the short sequence is full (16 entries); this entry is dropped"}},
        {"refused entries take no slot", "in01|" + entries("[b]", 15) + "[(+)(-)c][d]\n",
         {"1:55: warning: '(-)' together with '(+)' in one entry: the entry '[(+)(-)c]' is refused and dropped"}},
    };
    return cases;
}

const std::vector<DiagnosticCase>& fileCases()
{
    static const std::vector<DiagnosticCase> cases = {
        {"split line read as a statement", "in03:[a]" + std::string(247, ' ') + "in04:[shft]\n",
         {"1:256: warning: line is longer than 255 characters; the reader splits it here",
          "1:256: note: the 11 characters from here are read as a statement of their own",
          "1:262: warning: unknown key name 'shft'; it ends the sequence", "1:262: note: did you mean 'shift'?"}},
        {"split line skipped", "in01:" + entries("[a]", 30) + std::string(170, ' ') + "[b]\nin7:[a]\n",
         {"1:256: warning: line is longer than 255 characters; the reader splits it here",
          "1:256: note: the 13 characters from here are read as a line of their own and skipped",
          "2:3: warning: one-digit input number '7'; input numbers have two digits (01 ... 72); the line is skipped",
          "2:3: note: did you mean 'in07:'?"}},
        {"line of exactly 255 characters", "in01:[a]" + std::string(247, ' ') + "\nin02:[b]\n", {}},
        {"long comment", "#" + std::string(400, 'x') + "[a]\n", {}},
        {"long comment hiding a statement", "#" + std::string(254, '-') + "in02:[b]\n",
         {"1:256: warning: line is longer than 255 characters; the reader splits it here",
          "1:256: note: the 8 characters from here are read as a statement of their own"}},
        {"replaced sequence", "in05:[a]\nin05|[b]\n# later\nin05:[c]\n",
         {"4:1: note: this statement replaces the whole long sequence of input 05 set on line 1",
          "1:1: note: the statement it replaces"}},
        {"mset overridden", "MSET:3\nREVX:Y\nmset:0\n",
         {"3:1: note: MSET:0 overrides MSET:3 set on line 1", "1:1: note: the MSET it overrides"}},
        {"comments and blanks say nothing", "# in7:[a]\n\n   \n\t# [shft]\n  # prel:n\n", {}},
        {"prose without brackets says nothing", "hello world\nThe end.\n", {}},
        {"valid statements say nothing",
         "in01:[a] junk [b]\nPREL:YES\nin36:[[][]]\nin37:[ ][space]\nin03: <R>[a]\nin60:<S>[65][A][(d)20]\n"
         "in30:[(~)H][(+)(+)a][(x)b]\nrot4:y\nrevy:Y\nMSET:1",
         {}},
    };
    return cases;
}

void expectCases(const std::vector<DiagnosticCase>& cases)
{
    for (const DiagnosticCase& c : cases) {
        SCOPED_TRACE(c.label);
        int warnings = 0;
        EXPECT_EQ(diagnose(c.content, &warnings), c.expected);
        int expectedWarnings = 0;
        for (const std::string& e : c.expected) {
            if (e.find(": warning: ") != std::string::npos) ++expectedWarnings;
        }
        EXPECT_EQ(warnings, expectedWarnings);
    }
}

TEST(Diagnostics, SkippedLines) { expectCases(lineCases()); }

TEST(Diagnostics, Entries) { expectCases(entryCases()); }

TEST(Diagnostics, WholeFiles) { expectCases(fileCases()); }

TEST(Diagnostics, PrintedWithSourceAndCaret)
{
    ScratchFile file("# typo below\n\tin07:[a][shft]\n");
    CheckReport report;
    ConfigImage image;
    ASSERT_TRUE(checkConfigFile(file.path.c_str(), report, image));
    std::FILE* out = std::tmpfile();
    printReport(out, "keys.txt", report);
    EXPECT_EQ(drain(out),
              "keys.txt:2:1: warning: statement does not start in the first column; the line is skipped\n"
              "\tin07:[a][shft]\n"
              "^\n"
              "keys.txt:2:2: note: without the leading blanks it is a statement\n");
}

TEST(Diagnostics, CaretKeepsTabs)
{
    ScratchFile file("in07:[a]\t[shft]\n");
    const ToolRun run = runTool({file.path});
    EXPECT_EQ(run.status, 1);
    const std::string expected = file.path + ":1:11: warning: unknown key name 'shft'; it ends the sequence\n" +
                                 "in07:[a]\t[shft]\n" + "        \t ^\n" + file.path +
                                 ":1:11: note: did you mean 'shift'?\n";
    EXPECT_EQ(run.out, expected);
}

}  // namespace
