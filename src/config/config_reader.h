// Compiles a configuration file into a ConfigImage: one statement per line, every line that
// is no statement skipped without a word.
#pragma once

#include "config/config_image.h"
#include "config/statement.h"
#include "config/text.h"

// Clears the image, then reads the file and applies every statement in it. False only when
// the file cannot be opened.
bool readConfigFile(const char* path, ConfigImage& image);

// Parses one line (consuming the cursor). True when it is a statement.
bool parseStatement(TextCursor& line, Statement& statement);

// Applies a parsed statement: sets option bits or rewrites one whole sequence.
void applyStatement(const Statement& statement, ConfigImage& image);

// Compiles one line of text into image (the image is not cleared).
void compileLine(const char* line, ConfigImage& image);
