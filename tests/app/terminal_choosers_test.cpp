// The terminal choosers and the Linux port names: what each answer typed at the prompts gives
// back, which ports a device folder holds, and how a port argument reaches the messages.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "app/run.h"
#include "link/port_name_posix.h"
#include "ui/choosers.h"

namespace {

// Files of this process alone: ctest runs the cases of this file in parallel processes.
std::string tempPath(const char* name)
{
    return testing::TempDir() + std::to_string(getpid()) + "_" + name;
}

// Makes text the whole of standard input.
void typeAnswers(const std::string& text)
{
    const std::string path = tempPath("chooser_answers.txt");
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    ASSERT_NE(std::freopen(path.c_str(), "rb", stdin), nullptr);
}

std::string existingFile()
{
    const std::string path = tempPath("chooser_config.txt");
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fputs("in01:[a]\n", f);
    std::fclose(f);
    return path;
}

// A device folder (made once per process): adapters with by-id links, terminals with and
// without them, and names that are no serial adapters.
std::string fakeDeviceRoot()
{
    const std::string root = tempPath("dev");
    const std::string byId = root + "/serial/by-id";
    if (mkdir(root.c_str(), 0755) != 0) return root;
    mkdir((root + "/serial").c_str(), 0755);
    mkdir(byId.c_str(), 0755);
    for (const char* name : {"ttyUSB0", "ttyUSB1", "ttyUSB10", "ttyUSB2", "ttyACM0", "ttyACM3", "ttyS0",
                             "ttyUSB", "ttyUSBx", "tty", "null"}) {
        std::fclose(std::fopen((root + "/" + name).c_str(), "wb"));
    }
    EXPECT_EQ(symlink("../../ttyUSB1", (byId + "/usb-Beta_B-if00-port0").c_str()), 0);
    EXPECT_EQ(symlink("../../ttyACM0", (byId + "/usb-Alpha_A-if00").c_str()), 0);
    return root;
}

TEST(PresentPorts, ByIdLinksThenUnlinkedTerminalsInNumberOrder)
{
    const std::string root = fakeDeviceRoot();
    const std::string byId = root + "/serial/by-id/";
    const struct {
        std::string device, shown;
    } expected[] = {
        {byId + "usb-Alpha_A-if00", "usb-Alpha_A-if00  (" + root + "/ttyACM0)"},
        {byId + "usb-Beta_B-if00-port0", "usb-Beta_B-if00-port0  (" + root + "/ttyUSB1)"},
        {root + "/ttyACM3", root + "/ttyACM3"},
        {root + "/ttyUSB0", root + "/ttyUSB0"},
        {root + "/ttyUSB2", root + "/ttyUSB2"},
        {root + "/ttyUSB10", root + "/ttyUSB10"},
    };
    static PortList list;
    listPresentPortsUnder(root.c_str(), list);
    ASSERT_EQ(list.count, 6);
    for (int i = 0; i < list.count; ++i) {
        EXPECT_EQ(list.ports[i].port.device, expected[i].device) << "entry " << i;
        EXPECT_EQ(list.ports[i].port.label, expected[i].device) << "entry " << i;
        EXPECT_EQ(list.ports[i].shown, expected[i].shown) << "entry " << i;
    }
    listPresentPortsUnder((root + "/serial/by-id/none").c_str(), list);
    EXPECT_EQ(list.count, 0);
}

TEST(PortNames, ArgumentsThatNameAPort)
{
    const std::string root = fakeDeviceRoot();
    const std::string tooLong = "/" + std::string(kPortTextSize, 'x');
    const struct {
        std::string text, device;  // device "" : names no port
    } cases[] = {
        {"ttyUSB0", root + "/ttyUSB0"},
        {"ttyS0", root + "/ttyS0"},
        {"/dev/serial/by-id/usb-X", "/dev/serial/by-id/usb-X"},  // a path is taken as it stands
        {"ttyUSB9", ""},                                         // nothing of that name
        {"serial", ""},                                          // a folder
        {"serial/by-id/usb-Alpha_A-if00", ""},                   // a bare name only
        {"7", ""},
        {"", ""},
        {tooLong, ""},
    };
    for (const auto& c : cases) {
        PortChoice port{};
        const bool named = portFromTextUnder(root.c_str(), c.text.c_str(), port);
        EXPECT_EQ(named, !c.device.empty()) << "text: " << c.text;
        if (!named) continue;
        EXPECT_EQ(port.device, c.device) << "text: " << c.text;
        EXPECT_EQ(port.label, c.text) << "text: " << c.text;
    }
}

TEST(PortPrompt, AnswersGivePortOrNoChoice)
{
    const std::string root = fakeDeviceRoot();
    static PortList present;
    listPresentPortsUnder(root.c_str(), present);
    const std::string first = root + "/serial/by-id/usb-Alpha_A-if00";
    const struct {
        std::string typed, device, label;  // device "" : no choice
    } cases[] = {
        {"\n", "/dev/ttyS0", "1"},  // Enter alone takes the preselected "Com 1"
        {"4\n", "/dev/ttyS3", "4"},
        {"6\r\n", "/dev/ttyS5", "6"},
        {"c\n", "", ""},
        {"C\n", "", ""},
        {"", "", ""},  // end of input
        {"7\n", first, first},
        {"12\n", root + "/ttyUSB10", root + "/ttyUSB10"},
        {"13\n0\nx\n2\n", "/dev/ttyS1", "2"},  // asked again until the answer is a port
        {"01\n07\n5\n", "/dev/ttyS4", "5"},    // numbers are written without leading zeros
        {"/dev/ttyUSB7\n", "/dev/ttyUSB7", "/dev/ttyUSB7"},
        {"null\n", "/dev/null", "null"},  // a bare name is looked up in the real /dev
        {std::string(300, '1') + "\n3\n", "/dev/ttyS2", "3"},
    };
    for (const auto& c : cases) {
        typeAnswers(c.typed);
        testing::internal::CaptureStdout();
        PortChoice chosen{};
        const bool taken = choosePortFrom(present, chosen);
        const std::string shown = testing::internal::GetCapturedStdout();
        EXPECT_EQ(taken, !c.device.empty()) << "typed: " << c.typed;
        EXPECT_EQ(chosen.device, taken ? c.device : "") << "typed: " << c.typed;
        EXPECT_EQ(chosen.label, c.label) << "typed: " << c.typed;
        EXPECT_EQ(shown.rfind("Please select the output port\n"
                              "  1  Com 1  (/dev/ttyS0)\n",
                              0),
                  0u);
        EXPECT_NE(shown.find("  6  Com 6  (/dev/ttyS5)\n"
                             "  7  usb-Alpha_A-if00  (" + root + "/ttyACM0)\n"),
                  std::string::npos);
        EXPECT_NE(shown.find("  12  " + root + "/ttyUSB10\n"
                             "  or type the path of a port\nPort 1-12, Enter for Com 1, c to cancel: "),
                  std::string::npos);
    }
}

TEST(RunPorts, PortArgumentsNameThePortInMessages)
{
    const std::string config = existingFile();
    const std::string portError = "\nError opening com port %s\nPlease make sure that com %s is enabled and "
                                  "not in use by another application.\n(Press enter to exit)\n";
    const struct {
        const char* port;
        bool asked;  // the port prompt came instead
        int status;
    } cases[] = {
        {"null", false, 2},  // /dev/null: no terminal
        {"/dev/null", false, 2},
        {"no-such-device", true, 0},
    };
    for (const auto& c : cases) {
        typeAnswers("c\n");
        char* argv[] = {const_cast<char*>("pyloload"), const_cast<char*>(config.c_str()), const_cast<char*>(c.port),
                        const_cast<char*>("-e"), nullptr};
        testing::internal::CaptureStdout();
        const int status = runTool(4, argv);
        const std::string shown = testing::internal::GetCapturedStdout();
        char expected[512];
        std::snprintf(expected, sizeof expected, portError.c_str(), c.port, c.port);
        EXPECT_EQ(status, c.status) << "port: " << c.port;
        if (c.asked) {
            EXPECT_EQ(shown.rfind("Please select the output port\n", 0), 0u) << "port: " << c.port;
        } else {
            EXPECT_EQ(shown, expected) << "port: " << c.port;
        }
    }
}

TEST(FilePrompt, AsksAgainUntilTheFileExists)
{
    const std::string file = existingFile();
    typeAnswers("/no/such/file.txt\n" + file + "\n");
    char path[256] = {};
    testing::internal::CaptureStdout();
    EXPECT_TRUE(chooseFile(path, sizeof path));
    const std::string shown = testing::internal::GetCapturedStdout();
    EXPECT_EQ(std::string(path), file);
    EXPECT_EQ(shown.rfind("Please select a PYLO configuration file\n", 0), 0u);
    EXPECT_NE(shown.find("No such file: /no/such/file.txt"), std::string::npos);
}

TEST(FilePrompt, EmptyAnswerOrEndOfInputCancels)
{
    for (const char* typed : {"\n", ""}) {
        typeAnswers(typed);
        char path[256] = {};
        testing::internal::CaptureStdout();
        EXPECT_FALSE(chooseFile(path, sizeof path)) << "typed: " << typed;
        testing::internal::GetCapturedStdout();
    }
}

TEST(FilePrompt, PathLongerThanTheBufferIsRefusedNotCut)
{
    const std::string file = existingFile();
    typeAnswers(std::string(300, 'x') + "\n" + file + "\n");
    char path[256] = {};
    testing::internal::CaptureStdout();
    EXPECT_TRUE(chooseFile(path, sizeof path));
    const std::string shown = testing::internal::GetCapturedStdout();
    EXPECT_EQ(std::string(path), file);
    EXPECT_NE(shown.find("longer than 255 characters"), std::string::npos);
}

}  // namespace
