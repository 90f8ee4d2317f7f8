/*
** svc.h - what the services at the bottom of the core need of the driver.
**
** The storage layer (mem), the files of the run (file), the work files
** (temp, work), the operation code table (opt) and the statement record
** (stmt) report a failure with a KZM message and end the run; the work
** files also trace and name the source of a record.  The listing writer
** (prn2) writes the terminal stream and asks how the sources are encoded.  Those are the driver's (vMessage, vTrace,
** vAsmTerminate in asm) and the source reader's (pSourceName in src1).  The
** services reach them through this table, which the driver fills, so that
** no service calls up into the phases or the driver.
*/
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

struct SERVICES {
  void (*pfnMessage)(const char *pszFormat, va_list args);                /* a message line */
  void (*pfnTrace)(uint32_t ulBits, const char *pszFormat, va_list args); /* a trace line, if traced */
  void (*pfnTerminate)();                                                 /* ends the run; never returns */
  const char *(*pfnSourceName)(uint32_t ulSrcId);                         /* the name of a source */
  int (*pfnTermWrite)(const char *pszText, size_t ulLen);                 /* the terminal stream */
  bool (*pfnSourceUtf8)();                                                /* the sources are UTF-8 */
};
/* Filled by the driver (asm.cpp) before the program runs. */
extern const SERVICES g_svc;

inline void vSvcMessage(const char *pszFormat, ...) __attribute__((format(printf, 1, 2)));
inline void vSvcMessage(const char *pszFormat, ...)
{
  va_list args;
  va_start(args, pszFormat);
  g_svc.pfnMessage(pszFormat, args);
  va_end(args);
}

inline void vSvcTrace(uint32_t ulBits, const char *pszFormat, ...) __attribute__((format(printf, 2, 3)));
inline void vSvcTrace(uint32_t ulBits, const char *pszFormat, ...)
{
  va_list args;
  va_start(args, pszFormat);
  g_svc.pfnTrace(ulBits, pszFormat, args);
  va_end(args);
}

[[noreturn]] inline void vSvcTerminate()
{
  g_svc.pfnTerminate();
  std::abort(); /* not reached: the driver's termination does not return */
}

inline const char *pSvcSourceName(uint32_t ulSrcId) { return g_svc.pfnSourceName(ulSrcId); }
inline int iSvcTermWrite(const char *pszText, size_t ulLen) { return g_svc.pfnTermWrite(pszText, ulLen); }
inline bool bSvcSourceUtf8() { return g_svc.pfnSourceUtf8(); }
