// SPDX-License-Identifier: MIT
#include "app/run.h"

int main(int argc, char** argv) { return runTool(argc, argv); }
