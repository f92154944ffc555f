// SPDX-License-Identifier: MIT
// How much the tool prints.
#pragma once

enum RunMode : int {
    Normal = 0,      // everything
    ErrorsOnly = 1,  // error messages only
    Quiet = 2,       // nothing but the upload's progress dots
};
