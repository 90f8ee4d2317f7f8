// Shared by the fuzz targets: the front-end hooks (fuzzfront.cpp) and the
// assembly of fuzz data written to a source file.
#pragma once

#include <cstddef>
#include <cstdint>

// Writes the data to a source file and assembles it in this process with
// the shipped options file and, when given, one more option; termination
// unwinds back here.
void vFuzzAssemble(const uint8_t *pData, size_t ulSize, const char *pszOption);

// For targets that drive core modules directly: the character tables and
// the built-in operation code table, set up once.
void vFuzzCoreInit();
