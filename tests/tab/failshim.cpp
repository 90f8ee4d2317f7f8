/*
** failshim.cpp - preloaded into vorntab by the tests (LD_PRELOAD) to make
** rename(2) or unlink(2) fail with EIO when VORNTAB_FAIL names the call, so
** the failure paths of the real program can be driven.  No header that
** declares rename or unlink is included, to keep these definitions free of
** the library's declarations.
*/
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>

namespace {

bool bFail(const char *pszCall) {
  const char *pszFail = getenv("VORNTAB_FAIL");
  if (pszFail == nullptr || strcmp(pszFail, pszCall) != 0)
    return false;
  errno = EIO;
  return true;
}

} // namespace

extern "C" int rename(const char *pszFrom, const char *pszTo) {
  using RENAMEFN = int (*)(const char *, const char *);
  if (bFail("rename"))
    return -1;
  return reinterpret_cast<RENAMEFN>(dlsym(RTLD_NEXT, "rename"))(pszFrom, pszTo);
}

extern "C" int unlink(const char *pszPath) {
  using UNLINKFN = int (*)(const char *);
  if (bFail("unlink"))
    return -1;
  return reinterpret_cast<UNLINKFN>(dlsym(RTLD_NEXT, "unlink"))(pszPath);
}
