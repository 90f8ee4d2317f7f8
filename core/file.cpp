/*
** file.cpp - the files of a run and their identities (module "file").
**
** Calls: the services only.
** Called by: every layer above.
**
** Owns the list of the run's inputs (device, inode, role, name), its
** outputs (name, the path links lead to, identity, stream, temporary file)
** and the names of the temporary files in a form a signal handler can use.
**
** Notes on the design:
**  - Two outputs are the same file when both exist with one device and inode
**    or, when neither exists yet, when they are one name in one directory.
**    Character devices (/dev/null) may be named by several outputs.
**  - An output's temporary file is ".vornXXXXXX" in the directory of the
**    path its links lead to; it gets the mode of the file it replaces (or
**    the mode a new file would get) and is renamed onto that path only by
**    vFileCommit, after every output of the run was finished.
**  - An abandoned output removes the old regular file under its name, so a
**    stale listing or deck is never taken for the run's, except after a clash:
**    then the file under the name is an input and stays untouched.
*/
#include "file.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "asm0.h"
#include "chars.h"
#include "vorn.h"
#include "svc.h"

#define MSG_CLASH "KZM901S %s file %s is the same file as %s file %s."
#define MSG_RENAME "KZM900S Error renaming %s file %s: %s"

namespace {

constexpr int LINKS_MAX = 40;
constexpr size_t OUTPUT_BUFFER = 65536; /* stream buffer of an output file */

struct INPUTFILE {
  dev_t dev;
  ino_t ino;
  std::string strRole, strName;
};

enum OUTSTATE { OS_NONE, OS_SET, OS_OPEN, OS_FINISHED, OS_COMMITTED, OS_ABANDONED };

struct OUTPUT {
  OUTSTATE iState;
  const char *pszRole;
  std::string strName;   /* as the options gave it */
  std::string strTarget; /* where links lead */
  bool bExists, bRegular, bCharDevice;
  dev_t dev;
  ino_t ino;
  mode_t mode;
  bool bDirKnown; /* a new file: its directory and base name */
  dev_t dirDev;
  ino_t dirIno;
  std::string strBase;
  FILE *pFile;
  bool bAlone; /* not one of a run's outputs: in place once finished */
};

struct FILESTATE {
  std::vector<INPUTFILE> inputs;
  OUTPUT aOut[FO_COUNT];
  OUTPUT stdoutTerm; /* standard output as the terminal stream */
  bool bOutputsSet;
  bool bClash; /* a clash was reported: nothing is removed */
};
FILESTATE g_file;

/* Names of the temporary files and of the scratch file, read by the signal
   handler. */
char g_aachTemp[FO_COUNT][PATH_MAX + 1];
char g_aachStream[FO_COUNT][OUTPUT_BUFFER]; /* the stream buffer of each output */
char g_achScratch[PATH_MAX + 1];

std::string strDirOf(const std::string &str)
{
  size_t ulSlash = str.rfind('/');
  if (ulSlash == std::string::npos) return ".";
  return ulSlash == 0 ? "/" : str.substr(0, ulSlash);
}

/* The path a name's symbolic links lead to (the name itself when none). */
std::string strFollow(const std::string &strName)
{
  std::string str = strName;
  for (int i = 0; i < LINKS_MAX; i++) {
    struct stat st {};
    if (lstat(str.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
    char ach[PATH_MAX];
    ssize_t n = readlink(str.c_str(), ach, sizeof ach - 1);
    if (n <= 0) break;
    std::string strLink(ach, static_cast<size_t>(n));
    if (strLink[0] != '/' && str.find('/') != std::string::npos) strLink = strDirOf(str) + "/" + strLink;
    str = strLink;
  }
  return str;
}

void vIdentify(OUTPUT &r)
{
  r.strTarget = strFollow(r.strName);
  struct stat st {};
  r.bExists = stat(r.strTarget.c_str(), &st) == 0;
  if (r.bExists) {
    r.bRegular = S_ISREG(st.st_mode);
    r.bCharDevice = S_ISCHR(st.st_mode);
    r.dev = st.st_dev;
    r.ino = st.st_ino;
    r.mode = st.st_mode & 07777;
    return;
  }
  mode_t mask = umask(0);
  umask(mask);
  r.mode = 0666 & ~mask;
  size_t ulSlash = r.strTarget.rfind('/');
  r.strBase = ulSlash == std::string::npos ? r.strTarget : r.strTarget.substr(ulSlash + 1);
  struct stat stDir {};
  r.bDirKnown = stat(strDirOf(r.strTarget).c_str(), &stDir) == 0;
  r.dirDev = stDir.st_dev;
  r.dirIno = stDir.st_ino;
}

bool bSameOutput(const OUTPUT &a, const OUTPUT &b)
{
  if (a.bExists && b.bExists) return a.dev == b.dev && a.ino == b.ino && !(a.bCharDevice && b.bCharDevice);
  if (a.bExists || b.bExists) return false;
  return a.bDirKnown && b.bDirKnown && a.dirDev == b.dirDev && a.dirIno == b.dirIno && a.strBase == b.strBase;
}

int iClash(const OUTPUT &r, const char *pszRole, const std::string &strName)
{
  g_file.bClash = true;
  vSvcMessage(MSG_CLASH, r.pszRole, r.strName.c_str(), pszRole, strName.c_str());
  return 20;
}

/* The output against the inputs and the outputs before it. */
int iCheckOutput(const OUTPUT &r, const OUTPUT *pBefore, unsigned uBefore)
{
  for (const INPUTFILE &in : g_file.inputs)
    if (r.bExists && r.dev == in.dev && r.ino == in.ino) return iClash(r, in.strRole.c_str(), in.strName);
  for (unsigned i = 0; i < uBefore; i++)
    if (pBefore[i].iState != OS_NONE && bSameOutput(r, pBefore[i]))
      return iClash(r, pBefore[i].pszRole, pBefore[i].strName);
  return 0;
}

/* Whether the output's name leads to that file now: an output that did not
   exist when the options were set may have come to exist since (a LIBEXIT
   command writing a member, say). */
bool bNowIs(const OUTPUT &r, dev_t dev, ino_t ino)
{
  if (r.bExists) return r.dev == dev && r.ino == ino;
  struct stat st {};
  return !r.strTarget.empty() && stat(r.strTarget.c_str(), &st) == 0 && st.st_dev == dev && st.st_ino == ino;
}

/* The input of the run that the output's name leads to now, if any. */
const INPUTFILE *pInputUnder(const OUTPUT &r)
{
  struct stat st {};
  if (r.strTarget.empty() || stat(r.strTarget.c_str(), &st) != 0) return nullptr;
  for (const INPUTFILE &in : g_file.inputs)
    if (in.dev == st.st_dev && in.ino == st.st_ino) return &in;
  return nullptr;
}

void vSetOutput(FILEOUT o, const char *pszRole, const char *pszName)
{
  OUTPUT &r = g_file.aOut[o];
  if (pszName == nullptr) return;
  r.iState = OS_SET;
  r.pszRole = pszRole;
  r.strName = pszName;
  vIdentify(r);
}

void vRemoveTemp(FILEOUT o)
{
  if (g_aachTemp[o][0] != '\0') unlink(g_aachTemp[o]);
  g_aachTemp[o][0] = '\0';
}

} // namespace

void vFileReset()
{
  for (unsigned o = 0; o < FO_COUNT; o++) {
    if (g_file.aOut[o].pFile != nullptr) std::fclose(g_file.aOut[o].pFile);
    vRemoveTemp(static_cast<FILEOUT>(o));
    g_file.aOut[o] = OUTPUT{};
  }
  g_file.inputs.clear();
  g_file.stdoutTerm = OUTPUT{};
  g_file.bOutputsSet = false;
  g_file.bClash = false;
}

bool bFileInput(int iFd, const char *pszRole, const char *pszName)
{
  struct stat st {};
  if (fstat(iFd, &st) != 0) return true;
  g_file.inputs.push_back({st.st_dev, st.st_ino, pszRole, pszName});
  if (!g_file.bOutputsSet) return true;
  for (const OUTPUT *p : {&g_file.aOut[FO_LISTING], &g_file.aOut[FO_OBJECT], &g_file.aOut[FO_TERM],
                          &g_file.aOut[FO_DEPEND], &g_file.stdoutTerm})
    if (p->iState != OS_NONE && bNowIs(*p, st.st_dev, st.st_ino)) {
      iClash(*p, pszRole, pszName);
      return false;
    }
  return true;
}

int iFileOutputsSet()
{
  vSetOutput(FO_LISTING, "SYSPRINT", g_opt.bList ? g_opt.pszSysprint : nullptr);
  vSetOutput(FO_OBJECT, g_opt.bObject == OBJ_DECK ? "SYSPUNCH" : "SYSLIN",
             g_opt.bObject == OBJ_DECK  ? g_opt.pszSyspunch
             : g_opt.bObject == OBJ_OMF ? g_opt.pszSyslin
                                        : nullptr);
  bool bTerm = (g_opt.bTerm & TERM_ON) != 0;
  vSetOutput(FO_TERM, "SYSTERM", bTerm ? g_opt.pszSysterm : nullptr);
  vSetOutput(FO_DEPEND, "DEPEND", g_opt.pszDepend);
  struct stat st {};
  if (bTerm && g_opt.pszSysterm == nullptr && !g_asm.bWindowed && fstat(STDOUT_FILENO, &st) == 0 &&
      S_ISREG(st.st_mode)) {
    OUTPUT &r = g_file.stdoutTerm;
    r.iState = OS_SET;
    r.pszRole = "SYSTERM";
    r.strName = "(STDOUT)";
    r.bExists = r.bRegular = true;
    r.dev = st.st_dev;
    r.ino = st.st_ino;
  }
  for (unsigned o = 0; o < FO_COUNT; o++)
    if (g_file.aOut[o].iState != OS_NONE && iCheckOutput(g_file.aOut[o], g_file.aOut, o) != 0) return 20;
  if (g_file.stdoutTerm.iState != OS_NONE && iCheckOutput(g_file.stdoutTerm, g_file.aOut, FO_COUNT) != 0) return 20;
  g_file.bOutputsSet = true;
  return 0;
}

FILE *pFileCreate(FILEOUT o, const char *pszRole, const char *pszName)
{
  OUTPUT &r = g_file.aOut[o];
  if (r.iState != OS_SET) {
    /* not set up by the option step (a module used on its own) */
    if (r.pFile != nullptr) std::fclose(r.pFile);
    vRemoveTemp(o);
    r = OUTPUT{};
    vSetOutput(o, pszRole, pszName);
    r.bAlone = true;
  }
  if (r.bExists && !r.bRegular) {
    r.pFile = std::fopen(r.strName.c_str(), "wb");
  } else {
    std::string strTemp = strDirOf(r.strTarget) + "/.vornXXXXXX";
    if (strTemp.size() >= sizeof g_aachTemp[o]) {
      errno = ENAMETOOLONG;
      return nullptr;
    }
    /* made in place, so that the signal handler finds the name */
    int iFd = -1, iErr = 0;
    {
      CleanupSignalsHeld held;
      std::memcpy(g_aachTemp[o], strTemp.c_str(), strTemp.size() + 1);
      iFd = mkstemp(g_aachTemp[o]);
      iErr = errno;
      if (iFd < 0) g_aachTemp[o][0] = '\0';
    }
    if (iFd < 0) {
      errno = iErr;
      return nullptr;
    }
    if (fchmod(iFd, r.mode) != 0) {
      /* a file we created: its mode can be set; nothing else to do */
    }
    r.pFile = fdopen(iFd, "wb");
    if (r.pFile == nullptr) {
      int iErr = errno;
      close(iFd);
      vRemoveTemp(o);
      errno = iErr;
    }
  }
  if (r.pFile != nullptr) {
    /* fewer, larger writes: an object module is a great many cards */
    std::setvbuf(r.pFile, g_aachStream[o], _IOFBF, sizeof g_aachStream[o]);
    r.iState = OS_OPEN;
  }
  return r.pFile;
}

int iFileFinish(FILEOUT o)
{
  OUTPUT &r = g_file.aOut[o];
  if (r.iState != OS_OPEN) return 0;
  errno = 0;
  int iErr = 0;
  if (std::fflush(r.pFile) != 0 || std::ferror(r.pFile) != 0) iErr = errno != 0 ? errno : EIO;
  if (std::fclose(r.pFile) != 0 && iErr == 0) iErr = errno != 0 ? errno : EIO;
  r.pFile = nullptr;
  r.iState = OS_FINISHED;
  if (iErr != 0) {
    vFileAbandon(o);
  } else if (r.bAlone && g_aachTemp[o][0] != '\0') {
    if (rename(g_aachTemp[o], r.strTarget.c_str()) != 0) iErr = errno;
    vRemoveTemp(o);
    r.iState = OS_COMMITTED;
  }
  return iErr;
}

void vFileAbandon(FILEOUT o)
{
  OUTPUT &r = g_file.aOut[o];
  if (r.iState == OS_NONE || r.iState == OS_COMMITTED || r.iState == OS_ABANDONED) return;
  if (r.pFile != nullptr) std::fclose(r.pFile);
  r.pFile = nullptr;
  vRemoveTemp(o);
  struct stat st {};
  if (g_file.bOutputsSet && !g_file.bClash && lstat(r.strTarget.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
      pInputUnder(r) == nullptr)
    unlink(r.strTarget.c_str());
  r.iState = OS_ABANDONED;
}

void vFileAbandonAll()
{
  for (unsigned o = 0; o < FO_COUNT; o++) vFileAbandon(static_cast<FILEOUT>(o));
}

namespace {

/* A path as make reads it: blanks, '#', ':' and '$' escaped. */
std::string strMakePath(const std::string &s)
{
  std::string o;
  for (char c : s) {
    if (c == '$')
      o += "$$";
    else if (c == ' ' || c == '\t' || c == '#' || c == ':')
      o += std::string("\\") + c;
    else
      o += c;
  }
  return o;
}

} // namespace

void vFileDepend()
{
  OUTPUT &r = g_file.aOut[FO_DEPEND];
  if (r.iState != OS_SET || g_file.aOut[FO_OBJECT].iState != OS_FINISHED) return;
  std::vector<std::string> vecSources, vecMembers;
  for (const INPUTFILE &in : g_file.inputs) {
    std::vector<std::string> &vec = in.strRole == "SYSIN" ? vecSources : vecMembers;
    if (in.strRole != "SYSIN" && in.strRole != "Copy" && in.strRole != "Macro") continue;
    if (std::find(vec.begin(), vec.end(), in.strName) == vec.end()) vec.push_back(in.strName);
  }
  std::string strText = strMakePath(g_file.aOut[FO_OBJECT].strName) + ":";
  for (const std::vector<std::string> *pVec : {&vecSources, &vecMembers})
    for (const std::string &s : *pVec) strText += " \\\n " + strMakePath(s);
  strText += "\n";
  for (const std::string &s : vecMembers) strText += "\n" + strMakePath(s) + ":\n";
  FILE *pFile = pFileCreate(FO_DEPEND, "DEPEND", r.strName.c_str());
  int iErr = pFile == nullptr ? errno : 0;
  if (pFile != nullptr && std::fwrite(strText.data(), 1, strText.size(), pFile) != strText.size()) iErr = errno;
  int iFinish = pFile != nullptr ? iFileFinish(FO_DEPEND) : 0;
  if (iErr == 0) iErr = iFinish;
  if (iErr != 0 || pFile == nullptr) {
    vFileAbandon(FO_DEPEND);
    vSvcMessage("KZM900S Error writing dependency file %s: %s", r.strName.c_str(),
                std::strerror(iErr != 0 ? iErr : EIO));
    vSvcTerminate();
  }
}

void vFileCommit()
{
  /* a file the run read may have come to exist under an output's name
     since the options were checked: it is never replaced, and then no
     output is put in place */
  for (unsigned o = 0; o < FO_COUNT; o++) {
    const OUTPUT &r = g_file.aOut[o];
    if (r.iState != OS_FINISHED || g_aachTemp[o][0] == '\0') continue;
    if (const INPUTFILE *pIn = pInputUnder(r)) {
      iClash(r, pIn->strRole.c_str(), pIn->strName);
      vSvcTerminate();
    }
  }
  /* a signal waits until every output is in place: it never finds some
     replaced and others not */
  CleanupSignalsHeld held;
  for (unsigned o = 0; o < FO_COUNT; o++) {
    OUTPUT &r = g_file.aOut[o];
    if (r.iState != OS_FINISHED) continue;
    if (g_aachTemp[o][0] != '\0' && rename(g_aachTemp[o], r.strTarget.c_str()) != 0) {
      int iErr = errno;
      vSvcMessage(MSG_RENAME, r.pszRole, r.strName.c_str(), std::strerror(iErr));
      vSvcTerminate();
    }
    g_aachTemp[o][0] = '\0';
    r.iState = OS_COMMITTED;
  }
}

void vFileScratch(const char *pszPath)
{
  g_achScratch[0] = '\0';
  if (pszPath != nullptr && std::strlen(pszPath) < sizeof g_achScratch)
    std::memcpy(g_achScratch, pszPath, std::strlen(pszPath) + 1);
}

CleanupSignalsHeld::CleanupSignalsHeld()
{
  sigset_t set;
  sigemptyset(&set);
  for (int iSignal : c_aiCleanupSignals) sigaddset(&set, iSignal);
  pthread_sigmask(SIG_BLOCK, &set, &m_old);
}

CleanupSignalsHeld::~CleanupSignalsHeld() { pthread_sigmask(SIG_SETMASK, &m_old, nullptr); }

void vFileSignalCleanup()
{
  for (unsigned o = 0; o < FO_COUNT; o++)
    if (g_aachTemp[o][0] != '\0') unlink(g_aachTemp[o]);
  if (g_achScratch[0] != '\0') unlink(g_achScratch);
}

void vTermText(const char *pszText, size_t ulLength)
{
  errno = 0;
  if (iSvcTermWrite(pszText, ulLength) != 0) {
    int iErr = errno != 0 ? errno : EIO;
    vSvcMessage("KZM900S Error writing to SYSTERM file %s: %s",
                g_asm.pszTermName != nullptr ? g_asm.pszTermName : "(STDOUT)", std::strerror(iErr));
    vSvcTerminate();
  }
}

void vTermOut(char *pLine, size_t n)
{
  if (g_opt.bTerm & TERM_UPPER)
    for (size_t i = 0; i < n; i++) pLine[i] = static_cast<char>(g_abUpperAscii[static_cast<uint8_t>(pLine[i])]);
  pLine[n++] = '\n';
  vTermText(pLine, n);
}

size_t ulTermPlace(char *p, size_t ulRoom, uint32_t ulSrcId, uint32_t ulLine, uint32_t ulColumn, const char *pszKind,
                   bool bAlways)
{
  const char *pszName = pSvcSourceName(ulSrcId);
  if (pszName == nullptr) pszName = "";
  int n = 0;
  if (g_opt.bTerm & TERM_GNU)
    n = std::snprintf(p, ulRoom, "%.*s:%lu:%lu: %s: ", PATH_MAX, pszName, static_cast<unsigned long>(ulLine),
                      static_cast<unsigned long>(ulColumn), pszKind);
  else if ((g_opt.bTerm & TERM_PREFIX) || bAlways)
    n = std::snprintf(p, ulRoom, "%.*s(%lu) : ", PATH_MAX, pszName, static_cast<unsigned long>(ulLine));
  return n < 0 ? 0 : std::min(static_cast<size_t>(n), ulRoom - 1);
}

void vTermLine(uint32_t ulSrcId, uint32_t ulLine, uint32_t ulColumn, const char *pszKind, const char *pszText,
               size_t ulText, bool bAlways)
{
  char achLine[TERM_LINE_MAX];
  size_t n = ulTermPlace(achLine, sizeof achLine, ulSrcId, ulLine, ulColumn, pszKind, bAlways);
  if (ulText > sizeof achLine - n - 1) ulText = sizeof achLine - n - 1;
  std::memcpy(achLine + n, pszText, ulText);
  vTermOut(achLine, n + ulText);
}
