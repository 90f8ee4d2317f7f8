/*
** msglog.cpp - the message log, the display lines, the word wrap and the
** command line of the options dialog.  No Qt widgets: the window paints
** what is here.
*/
#include "msglog.h"

#include <cerrno>
#include <climits>
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
    p += ulPart;
    ulLen -= ulPart;
  }
}

} // namespace

void vLogAddLine(MSGLOG &log, const std::string &strLine)
{
  vLogAppend(log, strLine.data(), strLine.size());
  vLogAppend(log, "\n", 1);
  std::string strShown = strLine.substr(0, DISPLAY_LINE_MAX);
  log.ulDisplayBytes += strShown.size() + 1;
  log.astrDisplay.push_front(std::move(strShown));
  while (log.ulDisplayBytes > DISPLAY_BYTES && log.astrDisplay.size() > 1) {
    log.ulDisplayBytes -= log.astrDisplay.back().size() + 1;
    log.astrDisplay.pop_back();
  }
}

size_t ulLogBytes(const MSGLOG &log)
{
  size_t ulBytes = 0;
  for (const auto &str : log.astrBlocks) ulBytes += str.size();
  return ulBytes;
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
