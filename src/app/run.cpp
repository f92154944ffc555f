// SPDX-License-Identifier: MIT
#include "app/run.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/console.h"
#include "app/platform.h"
#include "app/run_mode.h"
#include "app/usage.h"
#include "config/config_reader.h"
#include "link/interrupt.h"
#include "link/port_name.h"
#include "link/serial.h"
#include "link/upload.h"
#include "ui/choosers.h"

namespace {

constexpr int kFileError = 1;

struct Run {
    char path[kPathRoom];
    const char* longPath;  // a first argument too long for path, kept whole to report it
    bool portChosen;
    PortChoice port;
    RunMode mode;
    int fileError;         // why the file could not be read: the system's error number
    ConfigImage image;
};

RunMode modeFromArgument(const char* text)
{
    if (std::strlen(text) == 2 && (text[0] == '-' || text[0] == '/')) {
        if (text[1] == 'E' || text[1] == 'e') return ErrorsOnly;
        if (text[1] == 'H' || text[1] == 'h') return Quiet;
    }
    return Normal;
}

void parseCommandLine(Run& run, int argc, char** argv)
{
    if (argc > 1) {
        if (std::strlen(argv[1]) <= kLongestPath) {
            std::strcpy(run.path, argv[1]);
        } else {
            run.longPath = argv[1];
        }
    }
    if (argc > 2) {
        const char* p = argv[2];
        if (p[0] >= '1' && p[0] <= '6' && p[1] == '\0') {
            fixedPort(p[0] - '0', run.port);
            run.portChosen = true;
        } else {
            run.portChosen = portFromText(p, run.port);
        }
    }
    if (argc > 3) run.mode = modeFromArgument(argv[3]);
}

// The system's reason for an error, one line on standard error after the message.
void explain(const char* subject, const char* reason)
{
    sayError("pyloload: %s: %s\n", subject, reason);
}

void reportFileError(const Run& run)
{
    if (run.mode == Quiet) return;
    const char* path = run.longPath != nullptr ? run.longPath : run.path;
    say("\nError: The file \"%s\" was not found\n(Press enter to exit)\n", path);
    explain(path, std::strerror(run.fileError));
    waitForEnter();
}

// The exit status of each way an upload can end; an interrupted one ends by its signal, where
// the platform has signals.
int exitStatus(const UploadEnd& end)
{
    switch (end.result) {
    case UploadOk: return 0;
    case UploadPortError: return 2;
    case UploadNoDevice: return 3;
    case UploadInterrupted: return endBySignal(end.signal);
    default: return 4;
    }
}

void reportUpload(const Run& run, const char* device, const char* portLabel, int result)
{
    if (result == UploadOk) {
        if (run.mode == Normal) {
            say("\nConfiguration complete\n");
            // A console made for this run closes with it: keep the outcome readable.
            if (consoleOpenedForThisProcess()) {
                say("(Press enter to exit)\n");
                waitForEnter();
            }
        }
        return;
    }
    if (run.mode == Quiet) return;
    if (result == UploadInterrupted) {
        say("\nUpload interrupted\n");
        return;
    }
    if (result == UploadPortError) {
        say("\nError opening com port %s\nPlease make sure that com %s is enabled and not in use by another "
            "application.\n(Press enter to exit)\n",
            portLabel, portLabel);
        explain(device, linkOpenFailure());
    } else if (result == UploadNoDevice) {
        say("\nError: PYLO not found on com port %s\n(Press enter to exit)\n", portLabel);
    } else {
        say("\nError while communicating with PYLO\n(Press enter to exit)\n");
    }
    waitForEnter();
}

}  // namespace

int runTool(int argc, char** argv)
{
    const int infoStatus = runInfoOption(argc, argv);
    if (infoStatus != kNotAnInfoOption) return infoStatus;

    if (!prepareProcess()) return kFileError;
    static Run run;  // the image is 8 KiB: keep it off the stack
    run = Run{};
    parseCommandLine(run, argc, argv);

    if (run.path[0] == '\0' && run.longPath == nullptr) {
        if (!chooseFile(run.path, kLongestPath + 1)) return 0;
    }
    if (!run.portChosen && !choosePort(run.port)) return 0;

    // A file that cannot be read whole is never uploaded: the device would lose its inputs.
    if (run.longPath != nullptr) run.fileError = ENAMETOOLONG;
    if (run.longPath != nullptr || !readConfigFile(run.path, run.image, nullptr, &run.fileError)) {
        reportFileError(run);
        return kFileError;
    }

    if (run.mode == Normal) say("\nSending configuration file to the PYLO");
    armInterrupt();
    const UploadEnd end = uploadImage(run.port.device, run.image, run.mode != ErrorsOnly);
    disarmInterrupt();
    reportUpload(run, run.port.device, run.port.label, end.result);
    return exitStatus(end);
}
