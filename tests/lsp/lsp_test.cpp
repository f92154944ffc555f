// SPDX-License-Identifier: MIT
// pylocheck --lsp in-process. Each file of sessions/ is a conversation:
//   > JSON        a message sent (framed by the test)
//   raw TEXT      bytes sent as they are (\r \n \\ \xHH)
//   < JSON        a message the server sends, compared as JSON, in order, after what came before
//   err TEXT      a line on the error stream
//   exit N        the status at the end
// Bytes reach the server a few at a time, so that every message is framed across reads.
// PYLO_UPDATE_GOLDEN=1 rewrites the "<", "err" and "exit" lines (review the diff before committing).
// A second test opens every checker input and compares the diagnostics with the report.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "../support/case_table.h"
#include "check/lsp_json.h"
#include "check/lsp_server.h"

namespace {

const std::string kDir = PYLO_LSP_DIR;

std::string framed(const std::string& body) { return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body; }

// The server's output cut into message bodies.
std::vector<std::string> bodiesOf(const std::string& output)
{
    MemorySource memory{output.data(), output.size(), 0, 0};
    MessageReader reader;
    openMessageReader(reader, memorySource(memory), stderr);
    std::vector<std::string> bodies;
    for (std::string body; readMessage(reader, body);) bodies.push_back(body);
    return bodies;
}

// What was written to file since the last call.
std::string fresh(std::FILE* file, long& read)
{
    std::string text;
    std::fflush(file);
    std::fseek(file, read, SEEK_SET);
    for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
    read = std::ftell(file);
    return text;
}

// Sends bytes, a few at a time, and returns what the server wrote; stopped is set once it stops.
std::string send(LanguageServer& server, std::string& output, const std::string& bytes, std::FILE* err, bool& stopped)
{
    output.clear();
    MemorySource memory{bytes.data(), bytes.size(), 0, 7};
    MessageReader reader;
    openMessageReader(reader, memorySource(memory), err);
    for (std::string body; !stopped && readMessage(reader, body);) stopped = !handleMessage(server, body);
    return output;
}

void runSession(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    std::string output;
    LanguageServer server;
    startServer(server, stringSink(output));
    std::FILE* err = std::tmpfile();
    long errRead = 0;
    bool stopped = false;
    std::vector<std::string> rewritten, expected, actual;
    std::string errExpected, errActual;
    // What the last piece sent made, against what the file says it makes.
    auto compare = [&]() {
        for (const std::string& body : actual) rewritten.push_back("< " + body);
        for (std::size_t start = 0, end; (end = errActual.find('\n', start)) != std::string::npos; start = end + 1) {
            rewritten.push_back("err " + errActual.substr(start, end - start));
        }
        EXPECT_EQ(actual.size(), expected.size()) << "messages after line " << rewritten.size();
        for (std::size_t i = 0; i < actual.size() && i < expected.size(); ++i) {
            EXPECT_EQ(Json::parse(actual[i], nullptr, false), Json::parse(expected[i], nullptr, false))
                << "got    " << actual[i] << "\nwanted " << expected[i];
        }
        EXPECT_EQ(errActual, errExpected);
        expected.clear();
        actual.clear();
        errExpected.clear();
        errActual.clear();
    };
    int statusExpected = -1;
    for (const std::string& line : lines) {
        if (line.rfind("< ", 0) == 0) {
            expected.push_back(line.substr(2));
        } else if (line.rfind("err ", 0) == 0) {
            errExpected += line.substr(4) + "\n";
        } else if (line.rfind("exit ", 0) == 0) {
            statusExpected = std::stoi(line.substr(5));
        } else {
            compare();
            rewritten.push_back(line);
            std::string bytes;
            if (line.rfind("> ", 0) == 0) {
                ASSERT_FALSE(Json::parse(line.substr(2), nullptr, false).is_discarded()) << line;
                bytes = framed(line.substr(2));
            } else if (line.rfind("raw ", 0) == 0) {
                bytes = caseField(line.substr(4), {});
            }
            if (!bytes.empty()) {
                actual = bodiesOf(send(server, output, bytes, err, stopped));
                errActual = fresh(err, errRead);
            }
        }
    }
    compare();
    std::fclose(err);
    rewritten.push_back("exit " + std::to_string(server.exitStatus));
    EXPECT_EQ(server.exitStatus, statusExpected);
    if (std::getenv("PYLO_UPDATE_GOLDEN") != nullptr) {
        std::ofstream out(path, std::ios::binary);
        for (const std::string& line : rewritten) out << line << "\n";
    }
}

TEST(LanguageServer, GoldenSessions)
{
    int count = 0;
    for (const auto& item : std::filesystem::directory_iterator(kDir + "/sessions")) {
        SCOPED_TRACE(item.path().string());
        runSession(item.path().string());
        ++count;
    }
    EXPECT_GE(count, 6);
}

// Where the editor has a byte offset: lines end with LF, CR LF or CR; characters count bytes.
std::pair<long long, long long> editorPlace(const std::string& text, std::size_t offset)
{
    long long line = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < offset; ++i) {
        const bool crlf = text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
        if (text[i] == '\n' || (text[i] == '\r' && !crlf)) {
            ++line;
            start = i + 1;
        }
    }
    return {line, static_cast<long long>(offset - start)};
}

// The byte offset of a finding: its physical line (ended by LF alone) and column, a byte-order
// mark not counted.
std::size_t findingOffset(const std::string& text, const Diagnostic& d)
{
    std::size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    for (int line = 1; line < d.line; ++line) start = text.find('\n', start) + 1;
    return start + static_cast<std::size_t>(d.column - 1);
}

// The diagnostics of a text are pylocheck's findings, in order, with their texts, severities and
// places, at most 1,000.
void expectSameFindings(const std::string& text, const std::string& name)
{
    SCOPED_TRACE(name);
    std::string output;
    LanguageServer server;
    startServer(server, stringSink(output));
    handleMessage(server, R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{"general":{"positionEncodings":["utf-8"]}}}})");
    output.clear();
    const Json open{{"jsonrpc", "2.0"}, {"method", "textDocument/didOpen"},
                    {"params", {{"textDocument", {{"uri", "file:///" + name}, {"languageId", "pylo"}, {"version", 1}, {"text", text}}}}}};
    handleMessage(server, open.dump());
    const std::vector<std::string> bodies = bodiesOf(output);
    ASSERT_EQ(bodies.size(), 1u);
    const Json diagnostics = Json::parse(bodies[0])["params"]["diagnostics"];
    CheckReport report;
    ConfigImage image;
    checkConfigBuffer(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), report, image);
    ASSERT_EQ(diagnostics.size(), report.items.size());
    EXPECT_LE(diagnostics.size(), 1000u);
    for (std::size_t i = 0; i < diagnostics.size(); ++i) {
        const Diagnostic& d = report.items[i];
        const Json& got = diagnostics[i];
        const auto place = editorPlace(text, findingOffset(text, d));
        EXPECT_EQ(got["message"], d.message);
        EXPECT_EQ(got["severity"], d.severity == Severity::Warning ? 2 : 3) << d.message;
        EXPECT_EQ(got["source"], "pylocheck");
        EXPECT_EQ(got["range"]["start"]["line"], place.first) << d.message;
        EXPECT_EQ(got["range"]["start"]["character"], place.second) << d.message;
    }
}

bool isUtf8(const std::string& text)
{
    return Json::parse(Json(text).dump(-1, ' ', false, Json::error_handler_t::replace)).get<std::string>() == text;
}

TEST(LanguageServer, DiagnosticsAreThePrintedFindings)
{
    const std::string inputs = std::string(PYLO_CHECK_DIR) + "/inputs";
    int count = 0;
    for (const auto& item : std::filesystem::directory_iterator(inputs)) {
        if (item.path().extension() != ".txt") continue;
        std::ifstream file(item.path(), std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        if (!isUtf8(text)) continue;  // an editor has decoded it before the server sees it
        expectSameFindings(text, item.path().filename().string());
        ++count;
    }
    EXPECT_GE(count, 10);
    std::string many;
    for (int i = 0; i < 700; ++i) many += "in7:[a]\n";  // a warning and a note each
    expectSameFindings(many, "many.txt");
}

}  // namespace
