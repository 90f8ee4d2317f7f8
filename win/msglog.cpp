/*
** msglog.cpp - the message log, the display lines, the word wrap, what a
** message line refers to, the progress text and the command lines of the
** options dialog and of a new source.  No Qt widgets: the window paints
** what is here.
*/
#include "msglog.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

size_t ulLogWrite(MSGLOG &log, const char *pszText)
{
  size_t ulLines = 0;
  for (const char *p = pszText; *p != '\0'; p++) {
    if (*p == '\n') {
      vLogAddLine(log, log.strPending);
      log.strPending.clear();
      ulLines++;
    } else if (log.strPending.size() < PENDING_MAX) {
      log.strPending += *p;
    }
  }
  return ulLines;
}

namespace {

void vLogAppend(MSGLOG &log, const char *p, size_t ulLen)
{
  while (ulLen > 0 && !log.bFull) {
    try {
      if (log.astrBlocks.empty() || log.astrBlocks.back().size() == LOG_BLOCK_TEXT) {
        log.astrBlocks.emplace_back();
        log.astrBlocks.back().reserve(LOG_BLOCK_TEXT);
      }
    } catch (const std::bad_alloc &) {
      log.bFull = true;
      return;
    }
    std::string &strBlock = log.astrBlocks.back();
    size_t ulPart = std::min(ulLen, LOG_BLOCK_TEXT - strBlock.size());
    strBlock.append(p, ulPart);
    log.ulBytes += ulPart;
    p += ulPart;
    ulLen -= ulPart;
  }
}

} // namespace

void vLogAddLine(MSGLOG &log, const std::string &strLine)
{
  vLogAppend(log, strLine.data(), strLine.size());
  vLogAppend(log, "\n", 1);
  /* a line cut off by a full log is not indexed */
  if (!log.bFull) log.aulLineEnd.push_back(log.ulBytes - 1);
  std::string strShown = strLine.substr(0, DISPLAY_LINE_MAX);
  log.ulDisplayBytes += strShown.size() + 1;
  log.astrDisplay.push_front(std::move(strShown));
  while (log.ulDisplayBytes > DISPLAY_BYTES && log.astrDisplay.size() > 1) {
    log.ulDisplayBytes -= log.astrDisplay.back().size() + 1;
    log.astrDisplay.pop_back();
  }
}

size_t ulLogBytes(const MSGLOG &log) { return log.ulBytes; }

std::string strLogLine(const MSGLOG &log, size_t ulLine)
{
  std::string strLine;
  if (ulLine >= log.aulLineEnd.size()) return strLine;
  size_t ulFrom = ulLine == 0 ? 0 : log.aulLineEnd[ulLine - 1] + 1, ulTo = log.aulLineEnd[ulLine];
  while (ulFrom < ulTo) {
    const std::string &strBlock = log.astrBlocks[ulFrom / LOG_BLOCK_TEXT];
    size_t ulAt = ulFrom % LOG_BLOCK_TEXT, ulPart = std::min(ulTo - ulFrom, strBlock.size() - ulAt);
    strLine.append(strBlock, ulAt, ulPart);
    ulFrom += ulPart;
  }
  return strLine;
}

namespace {

bool bDigit(char c) { return c >= '0' && c <= '9'; }

/* A "KZMnnnX" number at i, followed by a blank or the end: its letter. */
char cMessageSeverity(const std::string &str, size_t i)
{
  if (str.compare(i, 3, "KZM") != 0 || i + 7 > str.size()) return 0;
  if (!bDigit(str[i + 3]) || !bDigit(str[i + 4]) || !bDigit(str[i + 5])) return 0;
  char c = str[i + 6];
  if (c != 'I' && c != 'W' && c != 'E' && c != 'S') return 0;
  return i + 7 == str.size() || str[i + 7] == ' ' ? c : 0;
}

} // namespace

LINEINFO infoOfLine(const std::string &strLine)
{
  LINEINFO info;
  size_t ulText = 0; /* where a message number may stand */
  /* the first "(digits) :" after a name, followed by a blank or the end */
  for (size_t ulOpen = strLine.find('(', 1); ulOpen != std::string::npos; ulOpen = strLine.find('(', ulOpen + 1)) {
    size_t i = ulOpen + 1;
    unsigned long ulLine = 0;
    while (i < strLine.size() && bDigit(strLine[i]) && i - ulOpen <= 9) ulLine = ulLine * 10 + (strLine[i++] - '0');
    if (i == ulOpen + 1 || ulLine == 0 || strLine.compare(i, 3, ") :") != 0) continue;
    if (i + 3 < strLine.size() && strLine[i + 3] != ' ') continue;
    info.strFile = strLine.substr(0, ulOpen);
    info.ulLine = ulLine;
    ulText = std::min(i + 4, strLine.size());
    break;
  }
  info.cSeverity = cMessageSeverity(strLine, ulText);
  info.bSummary = info.cSeverity == 'I' &&
                  (strLine.compare(ulText, 7, "KZM000I") == 0 || strLine.compare(ulText, 7, "KZM999I") == 0);
  return info;
}

std::string strProgressText(char cPhase, uint32_t ulStmtNo, uint32_t ulStmtCount, long lMillis, bool bPaused)
{
  std::string str = bPaused ? "Paused - " : "";
  str += cPhase == '0' ? "Options" : cPhase == '1' ? "Conditional assembly" : "Code generation";
  if (ulStmtNo > 0) {
    str += ": statement " + std::to_string(ulStmtNo);
    if (cPhase == '2' && ulStmtCount >= ulStmtNo) str += " of " + std::to_string(ulStmtCount);
  }
  char achTime[48];
  long lTenths = std::max(lMillis, 0L) / 100;
  std::snprintf(achTime, sizeof achTime, ", %ld:%02ld.%ld elapsed", lTenths / 600, lTenths / 10 % 60, lTenths % 10);
  return str + achTime;
}

std::vector<WRAPROW> aWrapRows(const QString &strLine, int iWidth, const std::function<int(QChar)> &fnAdvance)
{
  std::vector<WRAPROW> aRows;
  const int iEnd = static_cast<int>(strLine.size());
  int i = 0;
  for (;;) {
    if (!aRows.empty())
      while (i < iEnd && strLine[i] == u' ') i++;
    if (i >= iEnd) {
      if (aRows.empty()) aRows.push_back({0, 0});
      return aRows;
    }
    int j = i, iUsed = 0, iAfterBlank = -1;
    while (j < iEnd && iUsed + fnAdvance(strLine[j]) <= iWidth) {
      iUsed += fnAdvance(strLine[j]);
      if (strLine[j] == u' ') iAfterBlank = j + 1;
      j++;
    }
    if (j == i)
      j = i + 1; /* not one character fits: one per row, so the wrap ends */
    else if (j < iEnd && strLine[j] != u' ' && iAfterBlank > i)
      j = iAfterBlank;
    aRows.push_back({i, j - i});
    i = j;
  }
}

std::vector<std::string> astrSplitCommandLine(const std::string &strLine)
{
  std::vector<std::string> astrArgs;
  std::string strArg;
  bool bInArg = false;
  char cQuote = 0;
  for (char c : strLine) {
    if (cQuote != 0) {
      if (c != cQuote || c == '\'') strArg += c;
      if (c == cQuote) cQuote = 0;
    } else if (c == ' ' || c == '\t') {
      if (bInArg) astrArgs.push_back(strArg);
      strArg.clear();
      bInArg = false;
    } else {
      bInArg = true;
      if (c == '"' || c == '\'') cQuote = c;
      if (c != '"') strArg += c;
    }
  }
  if (bInArg) astrArgs.push_back(strArg);
  return astrArgs;
}

std::string strJoinArguments(const std::vector<std::string> &astrArgs)
{
  std::string strLine;
  for (const auto &str : astrArgs) {
    if (!strLine.empty()) strLine += ' ';
    bool bQuote = str.empty() || (str.find_first_of(" \t") != std::string::npos && str.find('"') == std::string::npos);
    strLine += bQuote ? '"' + str + '"' : str;
  }
  return strLine;
}

std::string strPrimarySource(const std::vector<std::string> &astrArgs)
{
  for (size_t i = 0; i < astrArgs.size(); i++) {
    if (astrArgs[i] == "--") return i + 1 < astrArgs.size() ? astrArgs[i + 1] : "";
    if (astrArgs[i].empty() || astrArgs[i][0] != '-') return astrArgs[i];
  }
  return "";
}

std::vector<std::string> astrWithSource(const std::vector<std::string> &astrArgs, const std::string &strSource)
{
  std::vector<std::string> astrOut;
  for (const auto &str : astrArgs) {
    if (str == "--") break;
    if (!str.empty() && str[0] == '-') astrOut.push_back(str);
  }
  if (!strSource.empty() && strSource[0] == '-') astrOut.push_back("--");
  astrOut.push_back(strSource);
  return astrOut;
}

std::string strSyslibOption(const std::string &strPaths)
{
  std::string strList;
  size_t ulFrom = 0;
  while (ulFrom <= strPaths.size()) {
    size_t ulTo = std::min(strPaths.find(';', ulFrom), strPaths.size());
    std::string str = strPaths.substr(ulFrom, ulTo - ulFrom);
    ulFrom = ulTo + 1;
    size_t ulFirst = str.find_first_not_of(" \t"), ulLast = str.find_last_not_of(" \t");
    if (ulFirst == std::string::npos) continue;
    str = str.substr(ulFirst, ulLast - ulFirst + 1);
    if (str.size() >= 2 && str.front() == '"' && str.back() == '"') str = str.substr(1, str.size() - 2);
    if (!strList.empty()) strList += ';';
    strList += str.find_first_of(" \t") != std::string::npos ? '"' + str + '"' : str;
  }
  return strList.empty() ? "" : "-SYSLIB(" + strList + ")";
}

SAVERESULT eLogSave(const MSGLOG &log, const std::string &strPath, int &iErr)
{
  char achReal[PATH_MAX];
  std::string strTarget = realpath(strPath.c_str(), achReal) != nullptr ? achReal : strPath;
  size_t ulSlash = strTarget.rfind('/');
  std::string strTemp = (ulSlash == std::string::npos ? "." : strTarget.substr(0, ulSlash)) + "/.vornwinXXXXXX";
  int iFd = mkstemp(strTemp.data());
  if (iFd < 0) {
    iErr = errno;
    return SAVE_OPEN;
  }
  struct stat st {};
  mode_t mode = 0;
  if (stat(strTarget.c_str(), &st) == 0) {
    mode = st.st_mode & 07777;
  } else {
    mode = umask(0);
    umask(mode);
    mode = 0666 & ~mode;
  }
  bool bOk = fchmod(iFd, mode) == 0;
  for (size_t b = 0; bOk && b < log.astrBlocks.size(); b++) {
    const char *p = log.astrBlocks[b].data();
    size_t ulLeft = log.astrBlocks[b].size();
    while (bOk && ulLeft > 0) {
      ssize_t lDone = write(iFd, p, ulLeft);
      bOk = lDone > 0;
      if (bOk) {
        p += lDone;
        ulLeft -= static_cast<size_t>(lDone);
      }
    }
  }
  iErr = bOk ? 0 : errno != 0 ? errno : EIO;
  if (close(iFd) != 0 && bOk) iErr = errno;
  if (iErr == 0 && rename(strTemp.c_str(), strTarget.c_str()) != 0) iErr = errno;
  if (iErr == 0) return SAVE_OK;
  unlink(strTemp.c_str());
  return SAVE_WRITE;
}
