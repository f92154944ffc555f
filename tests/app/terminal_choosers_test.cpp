// SPDX-License-Identifier: MIT
// The terminal choosers and the Linux port names, with the real serial link's port mapping: the
// tables of chooser_cases.tsv (first column: which table) against a device folder of this test.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "../support/case_table.h"
#include "app/run.h"
#include "config/text.h"
#include "link/port_name_posix.h"
#include "ui/choosers.h"

namespace {

// Files of this process alone.
std::string writeFile(const std::string& name, const std::string& text)
{
    const std::string path = testing::TempDir() + std::to_string(getpid()) + "_" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    return path;
}

// Makes text the whole of standard input.
void typeAnswers(const std::string& text) { ASSERT_NE(std::freopen(writeFile("answers", text).c_str(), "rb", stdin), nullptr); }

// The rows of one table, with the device folder (made once: adapters with by-id links, terminals
// with and without them, names that are no serial adapters) and a configuration file filled in.
std::vector<CaseRow> table(const std::string& name, std::string& root)
{
    root = testing::TempDir() + std::to_string(getpid()) + "_dev";
    if (mkdir(root.c_str(), 0755) == 0) {
        for (const char* folder : {"/serial", "/serial/by-id"}) mkdir((root + folder).c_str(), 0755);
        for (const char* f : {"ttyUSB0", "ttyUSB1", "ttyUSB10", "ttyUSB2", "ttyACM0", "ttyACM3", "ttyS0", "ttyUSB", "ttyUSBx", "tty", "null"}) {
            writeFile("dev/" + std::string(f), "");
        }
        EXPECT_EQ(symlink("../../ttyUSB1", (root + "/serial/by-id/usb-Beta_B-if00-port0").c_str()), 0);
        EXPECT_EQ(symlink("../../ttyACM0", (root + "/serial/by-id/usb-Alpha_A-if00").c_str()), 0);
    }
    const CaseSubs subs = {{"@root", root}, {"@config", writeFile("config.txt", "in01:[a]\n")},
                           {"@300x", std::string(300, 'x')}, {"@254x", std::string(254, 'x')},
                           {"@4100x", std::string(4100, 'x')}, {"@4100ones", std::string(4100, '1')}};
    std::vector<CaseRow> rows;
    for (const CaseRow& row : readCaseTable(PYLO_CHOOSER_CASES, subs)) {
        if (row[0] == name) rows.push_back(CaseRow(row.begin() + 1, row.end()));
    }
    return rows;
}

TEST(Choosers, PresentPortsByIdLinksThenUnlinkedTerminalsInNumberOrder)
{
    std::string root;
    const std::vector<CaseRow> rows = table("present", root);
    static PortList list;
    listPresentPortsUnder(root.c_str(), list);
    ASSERT_EQ(list.count, static_cast<int>(rows.size()));
    for (int i = 0; i < list.count; ++i) {
        EXPECT_EQ(list.ports[i].port.device, rows[i][0]) << "entry " << i;
        EXPECT_EQ(list.ports[i].port.label, rows[i][0]) << "entry " << i;
        EXPECT_EQ(list.ports[i].shown, rows[i][1]) << "entry " << i;
    }
    listPresentPortsUnder((root + "/serial/by-id/none").c_str(), list);
    EXPECT_EQ(list.count, 0);
}

TEST(Choosers, ArgumentsThatNameAPort)
{
    std::string root;
    for (const CaseRow& c : table("argument", root)) {
        PortChoice port{};
        EXPECT_EQ(portFromTextUnder(root.c_str(), c[0].c_str(), port), !c[1].empty()) << "text: " << c[0];
        EXPECT_EQ(port.device, c[1]) << "text: " << c[0];
        EXPECT_EQ(port.label, c[1].empty() ? "" : c[0]) << "text: " << c[0];
    }
}

// The port prompt (with the present ports after Com 1 ... 6) and the file prompt.
TEST(Choosers, PromptAnswers)
{
    std::string root;
    static PortList present;
    for (const CaseRow& c : table("prompt", root)) {
        listPresentPortsUnder(root.c_str(), present);  // the folder exists once the table is read
        typeAnswers(c[1]);
        testing::internal::CaptureStdout();
        PortChoice chosen{};
        const bool port = c[0] == "port";
        const bool taken = port ? choosePortFrom(present, chosen) : chooseFile(chosen.device, kTextBufferSize);
        const std::string shown = testing::internal::GetCapturedStdout();
        EXPECT_EQ(taken, !c[2].empty()) << "typed: " << c[1];
        EXPECT_EQ(chosen.device, c[2]) << "typed: " << c[1];
        EXPECT_EQ(chosen.label, c[3]) << "typed: " << c[1];
        EXPECT_EQ(shown.rfind(port ? "Please select the output port\n  1  Com 1  (/dev/ttyS0)\n" : "Please select a PYLO configuration file\n", 0), 0u);
        EXPECT_NE(shown.find(c[4]), std::string::npos) << "typed: " << c[1];
    }
}

// pyloload CONFIG PORT -e: the port named in the error message, or the prompt instead.
TEST(Choosers, PortArgumentsInMessages)
{
    std::string root;
    for (const CaseRow& c : table("run", root)) {
        typeAnswers("c\n");
        const char* argv[] = {"pyloload", c[0].c_str(), c[1].c_str(), "-e", nullptr};
        testing::internal::CaptureStdout();
        EXPECT_EQ(runTool(4, const_cast<char**>(argv)), std::stoi(c[2])) << "port: " << c[1];
        const std::string shown = testing::internal::GetCapturedStdout();
        const bool start = c[3].size() > 3 && c[3].compare(c[3].size() - 3, 3, "...") == 0;  // only how it starts
        EXPECT_EQ(start ? shown.substr(0, c[3].size() - 3) + "..." : shown, c[3]) << "port: " << c[1];
    }
}

}  // namespace
