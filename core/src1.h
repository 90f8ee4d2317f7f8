/*
** src1.h - the input sources of an assembly.
**
** Source identities: every file or member that supplies statements gets a
** small number, valid for the whole run, that statement records carry in
** place of a pointer; pSourceName turns it back into the name.
*/
#pragma once

#include <cstdint>

constexpr uint32_t SRC_RECORD = 80;

/* Makes SYSIN the first input source and reads its first record; false when
   there is none.  An open failure is fatal. */
bool bSourceOpenPrimary();
/* The next 80-byte record of the input, or null at its end. */
const uint8_t *pSourceNextRecord(uint32_t *pulLine, uint32_t *pulSrcId);
/* With BATCH: true when another program follows in SYSIN. */
bool bSourceMore();
void vSourceCloseAll();

uint32_t ulSourceIdentity(const char *pszName);
const char *pSourceName(uint32_t ulSrcId);
