// SPDX-License-Identifier: MIT
// Compiles a configuration file into a ConfigImage: one statement per line, every line that
// is no statement skipped without a word.
#pragma once

#include <cstddef>
#include <cstdint>

#include "config/config_image.h"
#include "config/parse_observer.h"
#include "config/statement.h"
#include "config/text.h"

// Clears the image, then reads the file and applies every statement in it. False when the
// file cannot be opened or a read fails at any point (a directory, an I/O error): the image is
// then all zeros and *error, when given, the system's error number. An observer, when given,
// hears of every read, every rejected line and every entry; the image comes out the same with
// or without one.
bool readConfigFile(const char* path, ConfigImage& image, const ParseObserver* observer = nullptr,
                    int* error = nullptr);

// Clears the image and compiles size bytes exactly as readConfigFile compiles a file that
// holds them.
void compileConfigBuffer(const std::uint8_t* data, std::size_t size, ConfigImage& image,
                         const ParseObserver* observer = nullptr);

// Parses one line (consuming the cursor). True when it is a statement. An observer hears
// why a line was rejected, and of every entry of an input statement.
bool parseStatement(TextCursor& line, Statement& statement, const ParseObserver* observer = nullptr);

// Applies a parsed statement: sets option bits or rewrites one whole sequence.
void applyStatement(const Statement& statement, ConfigImage& image);

// Compiles one line of text into image (the image is not cleared).
void compileLine(const char* line, ConfigImage& image, const ParseObserver* observer = nullptr);

// The two bytes an entry is stored as (the sequence's R and S bits aside). A second byte of
// 0 ends the sequence in the upload.
void encodeEntry(const SequenceEntry& entry, std::uint8_t& first, std::uint8_t& second);
