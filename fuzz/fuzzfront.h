// Shared by the fuzz targets: the front-end hooks (fuzzfront.cpp) and the
// assembly of fuzz data written to a source file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The run directory of this process: the program directory (VORNDIR) with
// a fresh copy of the shipped vorn.ini before every run, and the current
// directory of runs that name files, so that whatever they write lands here.
const std::string &strFuzzDir();

// Assembles the file source.asm of the run directory with the given options
// (each one argument, after -TRACE(0)) in this process; termination unwinds
// back here, and files a run created in the run directory are removed.
void vFuzzRun(const std::vector<std::string> &astrOptions);

// Writes the data to source.asm and assembles it with the shipped options
// file and, when given, one more option.
void vFuzzAssemble(const uint8_t *pData, size_t ulSize, const char *pszOption);

// For targets that drive core modules directly: the character tables and
// the built-in operation code table, set up once.
void vFuzzCoreInit();
