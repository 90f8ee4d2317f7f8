/*
** vorntab.cpp - the tab utility: command line, file list, report table and
** the replacement of each converted file.
**
** vorntab [options] files rewrites each file through the line conversion of
** tabconv.h and prints a table of lines, bytes in and bytes out per file to
** standard output; usage and error messages go to standard error, the usage
** asked for with -h, -?, --help (and the version line of --version) to
** standard output.  "--" ends the options.  Exit code 0 when every file was
** processed, 1 on a usage error or the first file error; files processed
** before the failing one stay rewritten.
**
** Notes on the design:
**  - Every named file is checked (readable, writable, a regular file) before
**    the first one is touched, so a bad name stops the run with no file
**    changed.
**  - A file is never changed in place.  Its converted form goes to a new
**    temporary file "VORNTAB.xxxxxx" made by mkstemp in the file's own
**    directory, so no existing file is ever overwritten by it.  The temporary
**    file gets the original's owner (where allowed) and permission bits, is
**    flushed to disk and closed, and is then renamed over the original in one
**    atomic step.  On any failure the original keeps its content and the
**    temporary file is removed.
**  - A case rename (-rl, -ru) refuses a new name that already exists as a
**    different file, puts the converted file under the new name, and only
**    then removes the old name.  On a case-insensitive file system both names
**    are the same entry after the rename, and nothing is removed.
**  - A symbolic link is followed: its target is converted (the temporary
**    file lies in the target's directory) and the link stays a link; a case
**    rename renames the link.  A file with more than one hard link is
**    refused before anything is touched, since a rename would part its names
**    and a rewrite in place could leave it half converted.
**  - A file named twice (under any spelling or through links) is converted
**    once.  SIGINT, SIGTERM and SIGHUP remove the temporary file before the
**    program ends.  A report that cannot be written to standard output ends
**    the program with exit code 1.
*/
#include "tabconv.h"

#include <fcntl.h>
#include <glob.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

/* ---- messages and report formats ---- */

const char *const g_apszUsage[] = {
    "Usage: vorntab [options] files",
    "",
    "options: [-c  | -x ] compresses or expands the files using tab characters.",
    "         [-d  | -u ] sets the end-of-line to DOS or UNIX standards.",
    "         [-i4 | -i8] sets the input tab stops to every 4 or 8 characters.",
    "         [-o4 | -o8] sets the output tab stops to every 4 or 8 characters.",
    "         [-rl | -ru] renames the files to lower or upper case names.",
    "         [-lnnn]     sets the maximum line length to nnn (0-999).",
    "         [-t]        sets test-only mode.",
    "         default: -c -u -i8 -o8 -l999",
    "files:   the files to be compressed or expanded (wild cards allowed).",
};

constexpr char MSG_VERSION[] = "Velmora 390 tab utility  -  version 1.2.00\n";
constexpr char MSG_BAD_OPTION[] = "\"%s\" is not a valid command line option!\n";
constexpr char MSG_NO_FILES[] = "No files were specified!\n";
constexpr char MSG_CANT_REMOVE[] = "Can't remove %s: %s\n";
constexpr char MSG_CANT_RENAME[] = "Can't rename %s to %s: %s\n";
constexpr char MSG_SYSTEM[] = "%s: %s\n";
constexpr char MSG_NOT_REGULAR[] = "%s: Not a regular file\n";
constexpr char MSG_HARD_LINKS[] = "%s: Has %lu hard links, not converted\n";
constexpr char STDOUT_NAME[] = "(standard output)";

constexpr char FMT_HEADING[] = "%-*s      Lines   Bytes in  Bytes out\n";
constexpr char FMT_ROW[] = "%-*s%11lu%11lu%11lu\n";
constexpr char FMT_TOTAL[] = "Total: %-6u";

constexpr size_t NAME_MIN_WIDTH = 4;   /* "File" */
constexpr size_t NAME_MIN_TOTAL = 13;  /* "Total: " and six digits */
constexpr size_t FLUSH_AT = 64 * 1024; /* converted bytes held before writing */

/* ---- run state ---- */

struct TABRUN {
  TABOPTS opts;
  char cRename = 0; /* 'l' or 'u': rename to lower- or upper-case names */
  bool bTestOnly = false;
  std::vector<std::string> files;
};

/* Name of the temporary file in existence, for the signal handler. */
char g_achTempPath[PATH_MAX + 1];
/* The signals whose handler removes it. */
constexpr int c_aiCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP};

void vOnSignal(int iSignal)
{
  if (g_achTempPath[0] != '\0') unlink(g_achTempPath);
  signal(iSignal, SIG_DFL);
  raise(iSignal);
}

/* The temporary file of one conversion; removed unless renamed into place. */
struct TEMPFILE {
  std::string path; /* empty once renamed */
  int fd = -1;
  ~TEMPFILE()
  {
    if (fd >= 0) close(fd);
    if (!path.empty()) unlink(path.c_str());
    g_achTempPath[0] = '\0';
  }
};

struct INFILE {
  int fd = -1;
  ~INFILE()
  {
    if (fd >= 0) close(fd);
  }
};

void vUsage(FILE *pOut)
{
  for (const char *psz : g_apszUsage) fprintf(pOut, "%s\n", psz);
}

bool bSysError(const std::string &name, int iErr = errno)
{
  fprintf(stderr, MSG_SYSTEM, name.c_str(), strerror(iErr));
  return false;
}

/* ---- command line ---- */

enum ARGRESULT { ARG_OK, ARG_HELP, ARG_VERSION, ARG_BAD };

/* "lnnn" with one to three decimal digits. */
bool bParseLength(const std::string &opt, unsigned &uMaxLine)
{
  if (opt.size() < 2 || opt.size() > 4 || opt[0] != 'l') return false;
  unsigned uValue = 0;
  for (size_t i = 1; i < opt.size(); ++i) {
    if (!isdigit(static_cast<unsigned char>(opt[i]))) return false;
    uValue = uValue * 10 + (opt[i] - '0');
  }
  uMaxLine = uValue;
  return true;
}

/* One option argument; its letters are case-insensitive. */
ARGRESULT iParseOption(const char *pszArg, TABRUN &run)
{
  std::string opt(pszArg + 1);
  for (char &c : opt) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  if (opt == "c" || opt == "x")
    run.opts.bCompress = opt == "c";
  else if (opt == "d" || opt == "u")
    run.opts.bDosEnds = opt == "d";
  else if (opt == "i4" || opt == "i8")
    run.opts.uInTab = opt[1] - '0';
  else if (opt == "o4" || opt == "o8")
    run.opts.uOutTab = opt[1] - '0';
  else if (opt == "rl" || opt == "ru")
    run.cRename = opt[1];
  else if (opt == "t")
    run.bTestOnly = true;
  else if (opt == "h" || opt == "?" || opt == "-help")
    return ARG_HELP;
  else if (opt == "-version")
    return ARG_VERSION;
  else if (!bParseLength(opt, run.opts.uMaxLine))
    return ARG_BAD;
  return ARG_OK;
}

/* Wild cards the shell left unexpanded (quoted, or no shell at all) are
   expanded here.  An argument naming an existing file is taken as it is even
   if it holds wild card characters, since the shell may already have produced
   it.  A pattern yields only regular files, like a directory search for files
   would; one that yields none stays as it is and fails as a file name. */
void vAddFileArg(const std::string &arg, std::vector<std::string> &files)
{
  struct stat st;
  if (arg.find_first_of("*?[") == std::string::npos || lstat(arg.c_str(), &st) == 0) {
    files.push_back(arg);
    return;
  }
  size_t uBefore = files.size();
  glob_t g{};
  if (glob(arg.c_str(), 0, nullptr, &g) == 0) {
    for (size_t i = 0; i < g.gl_pathc; ++i)
      if (stat(g.gl_pathv[i], &st) == 0 && S_ISREG(st.st_mode)) files.push_back(g.gl_pathv[i]);
  }
  globfree(&g);
  if (files.size() == uBefore) files.push_back(arg);
}

/* Each file must be readable and writable, and a regular file: a rename
   would replace a device or pipe by a plain file. */
bool bCheckFile(const std::string &name)
{
  struct stat st;
  if (access(name.c_str(), R_OK | W_OK) != 0 || stat(name.c_str(), &st) != 0) return bSysError(name);
  if (S_ISDIR(st.st_mode)) return bSysError(name, EISDIR);
  if (!S_ISREG(st.st_mode)) {
    fprintf(stderr, MSG_NOT_REGULAR, name.c_str());
    return false;
  }
  if (st.st_nlink > 1) {
    fprintf(stderr, MSG_HARD_LINKS, name.c_str(), static_cast<unsigned long>(st.st_nlink));
    return false;
  }
  return true;
}

/* The path a name's symbolic links lead to; the name when it is none. */
std::string sTarget(const std::string &name)
{
  struct stat st;
  char achReal[PATH_MAX];
  if (lstat(name.c_str(), &st) != 0 || !S_ISLNK(st.st_mode) || realpath(name.c_str(), achReal) == nullptr) return name;
  return achReal;
}

/* Standard output took every byte so far; false after reporting. */
bool bReportWritten()
{
  errno = 0;
  if (fflush(stdout) == 0 && !ferror(stdout)) return true;
  fprintf(stderr, MSG_SYSTEM, STDOUT_NAME, strerror(errno != 0 ? errno : EIO));
  return false;
}

/* ---- replacing a file ---- */

/* The directory part of a path, up to and including the last '/'. */
std::string sDirPart(const std::string &name)
{
  size_t uSlash = name.rfind('/');
  return uSlash == std::string::npos ? std::string() : name.substr(0, uSlash + 1);
}

std::string sRenamed(const std::string &name, char cRename)
{
  std::string newName = name;
  size_t uBase = sDirPart(name).size();
  for (size_t i = uBase; i < newName.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(newName[i]);
    if (cRename == 'l')
      newName[i] = static_cast<char>(tolower(c));
    else if (cRename == 'u')
      newName[i] = static_cast<char>(toupper(c));
  }
  return newName;
}

bool bSameFile(const struct stat &a, const struct stat &b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

bool bTempCreate(const std::string &name, TEMPFILE &tmp)
{
  std::string pattern = sDirPart(name) + "VORNTAB.XXXXXX";
  if (pattern.size() >= sizeof g_achTempPath) return bSysError(pattern, ENAMETOOLONG);
  /* made in place, with the handler's signals held: it never finds a name
     mkstemp tried but did not create */
  sigset_t held, old;
  sigemptyset(&held);
  for (int iSignal : c_aiCleanupSignals) sigaddset(&held, iSignal);
  sigprocmask(SIG_BLOCK, &held, &old);
  memcpy(g_achTempPath, pattern.c_str(), pattern.size() + 1);
  tmp.fd = mkstemp(g_achTempPath);
  int iErr = errno;
  if (tmp.fd < 0) g_achTempPath[0] = '\0';
  sigprocmask(SIG_SETMASK, &old, nullptr);
  if (tmp.fd < 0) return bSysError(pattern, iErr);
  tmp.path = g_achTempPath;
  return true;
}

/* Writes and empties out; in test-only mode (no temporary file) it only
   empties it. */
bool bTempWrite(TEMPFILE &tmp, std::string &out)
{
  size_t uDone = 0;
  while (tmp.fd >= 0 && uDone < out.size()) {
    ssize_t n = write(tmp.fd, out.data() + uDone, out.size() - uDone);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return bSysError(tmp.path, n < 0 ? errno : ENOSPC);
    uDone += static_cast<size_t>(n);
  }
  out.clear();
  return true;
}

/* Puts the finished temporary file in the place of name, under newName. */
bool bTempReplace(TEMPFILE &tmp, const std::string &name, const std::string &newName, const struct stat &stOld)
{
  if (fchown(tmp.fd, stOld.st_uid, stOld.st_gid) != 0) {
    /* only root may give a file away; otherwise the new file stays ours */
  }
  if (fchmod(tmp.fd, stOld.st_mode & 07777) != 0 || fsync(tmp.fd) != 0) return bSysError(tmp.path);
  int fd = tmp.fd;
  tmp.fd = -1;
  if (close(fd) != 0) return bSysError(tmp.path);

  struct stat stNew;
  if (newName != name && stat(newName.c_str(), &stNew) == 0 && !bSameFile(stNew, stOld)) {
    fprintf(stderr, MSG_CANT_RENAME, name.c_str(), newName.c_str(), strerror(EEXIST));
    return false;
  }
  if (rename(tmp.path.c_str(), newName.c_str()) != 0) {
    int iErr = errno;
    fprintf(stderr, MSG_CANT_RENAME, tmp.path.c_str(), newName.c_str(), strerror(iErr));
    return false;
  }
  tmp.path.clear();
  g_achTempPath[0] = '\0';
  if (newName == name) return true;

  /* on a case-insensitive file system the old name is now the new file */
  struct stat stLeft;
  if (lstat(name.c_str(), &stLeft) != 0 || (stat(newName.c_str(), &stNew) == 0 && bSameFile(stLeft, stNew)))
    return true;
  if (unlink(name.c_str()) != 0) {
    int iErr = errno;
    fprintf(stderr, MSG_CANT_REMOVE, name.c_str(), strerror(iErr));
    return false;
  }
  return true;
}

/* ---- one file ---- */

bool bProcessFile(const std::string &name, const TABRUN &run, int iWidth, TABCOUNT &total)
{
  INFILE in;
  struct stat st;
  std::string target = sTarget(name);
  in.fd = open(target.c_str(), O_RDONLY);
  if (in.fd < 0 || fstat(in.fd, &st) != 0) return bSysError(name);
  TEMPFILE tmp;
  if (!run.bTestOnly && !bTempCreate(target, tmp)) return false;

  TABCONV conv;
  vTabConvInit(conv, run.opts);
  std::string out;
  std::vector<char> buf(FLUSH_AT);
  for (;;) {
    ssize_t n = read(in.fd, buf.data(), buf.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return bSysError(name);
    if (n == 0) break;
    vTabConvFeed(conv, std::string_view(buf.data(), static_cast<size_t>(n)), out);
    if (out.size() >= FLUSH_AT && !bTempWrite(tmp, out)) return false;
  }
  vTabConvFinish(conv, out);
  if (!bTempWrite(tmp, out)) return false;

  const TABCOUNT &c = conv.count;
  printf(FMT_ROW, iWidth, name.c_str(), c.ulLines, c.ulBytesIn, c.ulBytesOut);
  if (!bReportWritten()) return false;
  total.ulLines += c.ulLines;
  total.ulBytesIn += c.ulBytesIn;
  total.ulBytesOut += c.ulBytesOut;
  close(in.fd);
  in.fd = -1;

  if (run.bTestOnly) return true;
  std::string newName = sRenamed(name, run.cRename);
  if (target == name) return bTempReplace(tmp, name, newName, st);
  /* a link: its target gets the converted file, the link the new name */
  if (!bTempReplace(tmp, target, target, st)) return false;
  if (newName == name || rename(name.c_str(), newName.c_str()) == 0) return true;
  fprintf(stderr, MSG_CANT_RENAME, name.c_str(), newName.c_str(), strerror(errno));
  return false;
}

/* The files with each file once, whatever the spelling. */
std::vector<std::string> aUnique(const std::vector<std::string> &files)
{
  std::vector<std::string> unique;
  std::vector<std::pair<dev_t, ino_t>> seen;
  for (const std::string &name : files) {
    struct stat st;
    if (stat(name.c_str(), &st) == 0) {
      std::pair<dev_t, ino_t> id(st.st_dev, st.st_ino);
      if (std::find(seen.begin(), seen.end(), id) != seen.end()) continue;
      seen.push_back(id);
    }
    unique.push_back(name);
  }
  return unique;
}

int iNameWidth(const std::vector<std::string> &files)
{
  size_t uWidth = NAME_MIN_WIDTH;
  for (const std::string &name : files) uWidth = std::max(uWidth, name.size());
  if (files.size() > 1) uWidth = std::max(uWidth, NAME_MIN_TOTAL);
  return static_cast<int>(uWidth);
}

} // namespace

/* The usage or version asked for, on standard output. */
int iAnswer(ARGRESULT iResult)
{
  if (iResult == ARG_HELP)
    vUsage(stdout);
  else
    fputs(MSG_VERSION, stdout);
  return fflush(stdout) == 0 && !ferror(stdout) ? 0 : 1;
}

int main(int argc, char **argv)
{
  TABRUN run;
  std::vector<std::string> args;
  bool bOptions = true;
  for (int i = 1; i < argc; ++i) {
    if (bOptions && strcmp(argv[i], "--") == 0) {
      bOptions = false;
      continue;
    }
    if (!bOptions || argv[i][0] != '-') {
      args.push_back(argv[i]);
      continue;
    }
    switch (ARGRESULT iResult = iParseOption(argv[i], run)) {
    case ARG_OK:
      break;
    case ARG_HELP:
    case ARG_VERSION:
      return iAnswer(iResult);
    case ARG_BAD:
      fprintf(stderr, MSG_BAD_OPTION, argv[i]);
      vUsage(stderr);
      return 1;
    }
  }
  if (args.empty()) {
    fputs(MSG_NO_FILES, stderr);
    vUsage(stderr);
    return 1;
  }
  for (const std::string &arg : args) vAddFileArg(arg, run.files);
  for (const std::string &name : run.files)
    if (!bCheckFile(name)) return 1;
  run.files = aUnique(run.files);
  for (int iSignal : c_aiCleanupSignals) signal(iSignal, vOnSignal);

  int iWidth = iNameWidth(run.files);
  printf(FMT_HEADING, iWidth, "File");
  TABCOUNT total;
  for (const std::string &name : run.files)
    if (!bProcessFile(name, run, iWidth, total)) return 1;
  if (run.files.size() > 1) {
    char szTotal[32];
    snprintf(szTotal, sizeof szTotal, FMT_TOTAL, static_cast<unsigned>(run.files.size()));
    putchar('\n');
    printf(FMT_ROW, iWidth, szTotal, total.ulLines, total.ulBytesIn, total.ulBytesOut);
  }
  return bReportWritten() ? 0 : 1;
}
