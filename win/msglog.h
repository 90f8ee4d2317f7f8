/*
** msglog.h - the message log of the windowed assembler and the word wrap of
** its display.
**
** The log keeps every complete message line of the window's life, each ended
** by a line feed, in blocks of LOG_BLOCK_TEXT bytes (a 65520-byte block less
** its header); Copy takes the log only while it fits in the first block,
** Save As writes all of it.  Every block but the last is full, so a line is
** found by its offset in the whole log: the line index holds where each line
** stored whole ends.  The display keeps the newest lines, newest first, each
** cut to DISPLAY_LINE_MAX characters, within DISPLAY_BYTES bytes counting one
** terminator per line.  Text without a line feed waits in the pending line;
** beyond PENDING_MAX bytes it is dropped.
**
** Also here, without widgets: what a message line refers to, the progress
** text of the status bar and the command lines the window builds.
*/
#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
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
  std::vector<size_t> aulLineEnd; /* offset of the line feed of each line in the log */
  size_t ulBytes = 0;             /* text in the blocks */
};

/* Appends text; every line feed completes a line.  Returns the number of
   lines completed. */
size_t ulLogWrite(MSGLOG &log, const char *pszText);
/* Completes one line: into the log and at the front of the display. */
void vLogAddLine(MSGLOG &log, const std::string &strLine);
size_t ulLogBytes(const MSGLOG &log);
/* The lines stored whole, and one of them without its line feed. */
inline size_t ulLogLines(const MSGLOG &log) { return log.aulLineEnd.size(); }
std::string strLogLine(const MSGLOG &log, size_t ulLine);
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

/* What a message line shows: the severity letter after a "KZMnnn" number
   at the start of the line or after a "file(line) :" prefix, whether it is
   a summary line (KZM000I, KZM999I), and the source and line of that
   prefix. */
struct LINEINFO {
  char cSeverity = 0; /* I, W, E or S; 0 without a message number */
  bool bSummary = false;
  std::string strFile;      /* empty without a "file(line) :" prefix */
  unsigned long ulLine = 0; /* from 1 */
};
LINEINFO infoOfLine(const std::string &strLine);

/* The status bar during a run: phase, statement (of the count in the code
   generation phase) and the time since the run started. */
std::string strProgressText(char cPhase, uint32_t ulStmtNo, uint32_t ulStmtCount, long lMillis, bool bPaused);

/* The primary source of an argument list as the option step takes it: the
   first argument after "--", or before it the first that does not begin
   with '-'; empty when there is none. */
std::string strPrimarySource(const std::vector<std::string> &astrArgs);
/* The options of an argument list (those before "--" that begin with '-')
   followed by another source. */
std::vector<std::string> astrWithSource(const std::vector<std::string> &astrArgs, const std::string &strSource);
/* The SYSLIB option of the options dialog's library field: paths separated
   by ';', blanks around them dropped, a path holding a blank in double
   quotes; empty for an empty field. */
std::string strSyslibOption(const std::string &strPaths);

/* Save As: writes the whole log to a file through a temporary file in its
   directory renamed over it, so a failed write leaves a former file as it
   was.  SAVE_OK, or the step that failed with its errno in iErr. */
enum SAVERESULT { SAVE_OK, SAVE_OPEN, SAVE_WRITE };
SAVERESULT eLogSave(const MSGLOG &log, const std::string &strPath, int &iErr);
