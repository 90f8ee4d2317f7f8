/*
** failshim.cpp - preloaded into vorntab by the tests (LD_PRELOAD) to make
** rename(2) or unlink(2) fail with EIO when VORNTAB_FAIL names the call, so
** the failure paths of the real program can be driven.  With "sigterm" the
** program receives SIGTERM when it renames its temporary file; with "fflush"
** every fflush fails with ENOSPC.  No header that declares rename, unlink or
** fflush is included, to keep these definitions free of the library's
** declarations.
*/
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>

struct _IO_FILE;

namespace {

bool bFail(const char *pszCall)
{
  const char *pszFail = getenv("VORNTAB_FAIL");
  if (pszFail == nullptr || strcmp(pszFail, pszCall) != 0) return false;
  errno = EIO;
  return true;
}

} // namespace

extern "C" int rename(const char *pszFrom, const char *pszTo)
{
  using RENAMEFN = int (*)(const char *, const char *);
  if (bFail("sigterm")) raise(SIGTERM);
  if (bFail("rename")) return -1;
  return reinterpret_cast<RENAMEFN>(dlsym(RTLD_NEXT, "rename"))(pszFrom, pszTo);
}

extern "C" int unlink(const char *pszPath)
{
  using UNLINKFN = int (*)(const char *);
  if (bFail("unlink")) return -1;
  return reinterpret_cast<UNLINKFN>(dlsym(RTLD_NEXT, "unlink"))(pszPath);
}

extern "C" int fflush(_IO_FILE *pFile)
{
  using FFLUSHFN = int (*)(_IO_FILE *);
  if (bFail("fflush")) {
    errno = ENOSPC;
    return -1;
  }
  return reinterpret_cast<FFLUSHFN>(dlsym(RTLD_NEXT, "fflush"))(pFile);
}
