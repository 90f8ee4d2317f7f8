/*
** src1.cpp - the input sources (module "src1").
**
** Owns the open SYSIN file, the position in the list of SYSIN files (several
** are read as one input) and the table of source identities.  For now the
** records are the text lines of the files, cut or padded to 80 columns.
*/
#include "src1.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include "asm0.h"
#include "mem.h"
#include "vorn.h"

#define MEM_MODULE "src1"

namespace {

struct SOURCESTATE {
  FILE *pFile;            /* open SYSIN file, or null */
  uint32_t ulSysin;       /* index of the open file in the SYSIN list */
  uint32_t ulLine;        /* line number of the last record read */
  uint32_t ulSrcId;       /* identity of the open file */
  bool bPending;          /* the first record was read ahead */
  uint8_t abRecord[SRC_RECORD];
  const char **apszNames; /* source identities: index = identity - 1 */
  uint32_t ulNames;
};
SOURCESTATE g_src = {};

[[noreturn]] void vOpenError(const char *pszName, int iErr)
{
  vMessage("KZM900S Error opening SYSIN file %s: %s", pszName, std::strerror(iErr));
  vAsmTerminate();
}

void vOpenSysin(uint32_t ulIndex)
{
  const char *pszName = g_opt.apszSysin[ulIndex];
  struct stat st {};
  if (stat(pszName, &st) != 0) vOpenError(pszName, errno);
  if (S_ISDIR(st.st_mode)) vOpenError(pszName, EISDIR);
  g_src.pFile = std::fopen(pszName, "rb");
  if (g_src.pFile == nullptr) vOpenError(pszName, errno);
  g_src.ulSysin = ulIndex;
  g_src.ulLine = 0;
  g_src.ulSrcId = ulSourceIdentity(pszName);
}

/* Reads one text line into the record buffer; false at end of file. */
bool bReadLine()
{
  int c = std::fgetc(g_src.pFile);
  if (c == EOF) {
    if (std::ferror(g_src.pFile)) vOpenError(g_opt.apszSysin[g_src.ulSysin], errno);
    return false;
  }
  std::memset(g_src.abRecord, ' ', SRC_RECORD);
  uint32_t ulCol = 0;
  for (; c != EOF && c != '\n'; c = std::fgetc(g_src.pFile)) {
    if (c == '\r') {
      int cNext = std::fgetc(g_src.pFile);
      if (cNext != '\n' && cNext != EOF) std::ungetc(cNext, g_src.pFile);
      break;
    }
    if (ulCol < SRC_RECORD) g_src.abRecord[ulCol++] = static_cast<uint8_t>(c);
  }
  g_src.ulLine++;
  return true;
}

void vCloseFile()
{
  if (g_src.pFile != nullptr) std::fclose(g_src.pFile);
  g_src.pFile = nullptr;
}

} // namespace

bool bSourceOpenPrimary()
{
  vSourceCloseAll();
  vOpenSysin(0);
  g_src.bPending = bReadLine();
  return g_src.bPending;
}

const uint8_t *pSourceNextRecord(uint32_t *pulLine, uint32_t *pulSrcId)
{
  if (g_src.bPending) {
    g_src.bPending = false;
  } else {
    for (;;) {
      if (g_src.pFile == nullptr) return nullptr;
      if (bReadLine()) break;
      vCloseFile();
      if (g_src.ulSysin + 1 >= g_opt.ulSysinCount) return nullptr;
      vOpenSysin(g_src.ulSysin + 1);
    }
  }
  *pulLine = g_src.ulLine;
  *pulSrcId = g_src.ulSrcId;
  return g_src.abRecord;
}

bool bSourceMore() { return false; }

void vSourceCloseAll()
{
  if (g_src.pFile != nullptr) vTrace(TRACE_FILES, "SYSIN file closed.");
  vCloseFile();
  g_src.bPending = false;
}

uint32_t ulSourceIdentity(const char *pszName)
{
  for (uint32_t i = 0; i < g_src.ulNames; i++)
    if (std::strcmp(g_src.apszNames[i], pszName) == 0) return i + 1;
  g_src.apszNames = static_cast<const char **>(SP_REALLOC(SP_HEAP, g_src.apszNames, g_src.ulNames * sizeof(char *),
                                                          (g_src.ulNames + 1) * sizeof(char *)));
  g_src.apszNames[g_src.ulNames++] = pStringIntern(SP_HEAP, pszName);
  return g_src.ulNames;
}

const char *pSourceName(uint32_t ulSrcId)
{
  return ulSrcId >= 1 && ulSrcId <= g_src.ulNames ? g_src.apszNames[ulSrcId - 1] : nullptr;
}
