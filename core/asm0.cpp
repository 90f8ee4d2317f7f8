/*
** asm0.cpp - the option step (module "asm0").
**
** Owns g_opt.  So far the command line knows source file names (arguments
** without '-') and the TRACE option; other options are accepted and have no
** effect yet.
*/
#include "asm0.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "mem.h"
#include "vorn.h"

#define MEM_MODULE "asm0"

namespace {

constexpr uint64_t SIZE_MAX_VALUE = 4294967295ull;
constexpr unsigned long TRACE_MAX_VALUE = 32767;

const ASMOPTIONS c_optDefault = {SIZE_MAX_VALUE, false, 0, nullptr, 0};

bool bKeyword(const char *pszArg, const char *pszKeyword)
{
  size_t ulLen = std::strlen(pszKeyword);
  for (size_t i = 0; i < ulLen; i++)
    if (std::toupper(static_cast<unsigned char>(pszArg[i])) != pszKeyword[i]) return false;
  return true;
}

/* "-TRACE(n)": sets the trace value; true when the argument was TRACE. */
bool bTraceOption(const char *pszArg)
{
  if (!bKeyword(pszArg, "TRACE(")) return false;
  char *pszEnd = nullptr;
  const char *pszValue = pszArg + 6;
  if (!std::isdigit(static_cast<unsigned char>(*pszValue))) return false;
  unsigned long ulValue = std::strtoul(pszValue, &pszEnd, 10);
  if (std::strcmp(pszEnd, ")") != 0 || ulValue > TRACE_MAX_VALUE) return false;
  g_opt.ulTrace = ulValue;
  g_asm.ulTrace = ulTraceMask(ulValue);
  return true;
}

void vAddSysin(const char *pszName)
{
  g_opt.apszSysin = static_cast<char **>(SP_REALLOC(SP_HEAP, g_opt.apszSysin, g_opt.ulSysinCount * sizeof(char *),
                                                    (g_opt.ulSysinCount + 1) * sizeof(char *)));
  size_t ulLen = std::strlen(pszName);
  char *pszCopy = static_cast<char *>(SP_ALLOC(SP_HEAP, ulLen + 1));
  std::memcpy(pszCopy, pszName, ulLen);
  g_opt.apszSysin[g_opt.ulSysinCount++] = pszCopy;
}

} // namespace

ASMOPTIONS g_opt = c_optDefault;

bool bOptionStep(int argc, char **argv, FILE *pStdin)
{
  (void)pStdin;
  vOptionCleanup();
  g_opt = c_optDefault;
  for (int i = 1; i < argc; i++) {
    const char *pszArg = argv[i];
    if (pszArg[0] == '-')
      bTraceOption(pszArg + 1);
    else
      vAddSysin(pszArg);
  }
  if (g_opt.ulSysinCount == 0) {
    const char *pszAsked = pFrontAskSource("", "");
    if (pszAsked == nullptr || *pszAsked == '\0') {
      vMessage("KZM010S Missing source file name.");
      return false;
    }
    vAddSysin(pszAsked);
  }
  return true;
}

void vOptionCleanup()
{
  for (uint32_t i = 0; i < g_opt.ulSysinCount; i++) SP_FREE(SP_HEAP, g_opt.apszSysin[i]);
  if (g_opt.apszSysin != nullptr) SP_FREE(SP_HEAP, g_opt.apszSysin);
  g_opt.apszSysin = nullptr;
  g_opt.ulSysinCount = 0;
}
