/*
** msglog.h - the message log of the windowed assembler and the word wrap of
** its display.
**
** The log keeps every complete message line of the window's life, each ended
** by a line feed, in blocks of LOG_BLOCK_TEXT bytes (a 65520-byte block less
** its header); Copy takes the log only while it fits in the first block,
** Save As writes all of it.  The display keeps the newest lines, newest
** first, each cut to DISPLAY_LINE_MAX characters, within DISPLAY_BYTES bytes
** counting one terminator per line.  Text without a line feed waits in the
** pending line; beyond PENDING_MAX bytes it is dropped.
*/
#pragma once

#include <QString>

#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <vector>

constexpr size_t LOG_BLOCK_TEXT = 65512;
constexpr size_t DISPLAY_BYTES = 4000;
constexpr size_t DISPLAY_LINE_MAX = 3999;
constexpr size_t PENDING_MAX = 65512;

struct MSGLOG {
  std::vector<std::string> astrBlocks; /* each at most LOG_BLOCK_TEXT bytes */
  bool bFull = false;                  /* a block could not be allocated: appending ended */
  std::deque<std::string> astrDisplay; /* newest first */
  size_t ulDisplayBytes = 0;           /* lengths of astrDisplay plus one per line */
  std::string strPending;
};

/* Appends text; every line feed completes a line.  Returns the number of
   lines completed. */
size_t ulLogWrite(MSGLOG &log, const char *pszText);
/* Completes one line: into the log and at the front of the display. */
void vLogAddLine(MSGLOG &log, const std::string &strLine);
size_t ulLogBytes(const MSGLOG &log);
/* The log fits in its first block: Copy may take it. */
inline bool bLogFitsBlock(const MSGLOG &log) { return log.astrBlocks.size() <= 1; }

/* One display row of a line: its first character and length. */
struct WRAPROW {
  int iStart, iLen;
};

/* Word wrap of a line to iWidth pixels, fnAdvance giving the width of a
   character: a row breaks after the last blank that fits, a word longer than
   a row is broken where the row is full, and blanks at the start of a
   continuation row are skipped.  An empty line is one empty row. */
std::vector<WRAPROW> aWrapRows(const QString &strLine, int iWidth, const std::function<int(QChar)> &fnAdvance);

/* The assembler arguments in a command line typed into the options dialog:
   blanks separate, double quotes group and are removed, single quotes group
   and are kept. */
std::vector<std::string> astrSplitCommandLine(const std::string &strLine);
/* The reverse for the dialog's initial text: arguments joined by blanks, one
   holding a blank (or empty) put in double quotes. */
std::string strJoinArguments(const std::vector<std::string> &astrArgs);

/* Save As: writes the whole log to a file through a temporary file in its
   directory renamed over it, so a failed write leaves a former file as it
   was.  SAVE_OK, or the step that failed with its errno in iErr. */
enum SAVERESULT { SAVE_OK, SAVE_OPEN, SAVE_WRITE };
SAVERESULT eLogSave(const MSGLOG &log, const std::string &strPath, int &iErr);
