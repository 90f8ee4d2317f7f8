/*
** tabconv.h - the line conversion of the tab utility.
**
** A TABCONV turns the bytes of one text file into their converted form: input
** tabs are expanded to blanks, lines are cut to the maximum line length,
** trailing blanks are removed, runs of blanks are optionally compressed into
** tabs at the output tab stops, and every line gets a CR LF or LF line end.
** CR, LF and CR LF all end a line; a Ctrl-Z that is the last byte of the input
** is dropped.
**
** Bytes may be fed in chunks of any size, so the converter carries the state
** that spans chunk borders: a CR still waiting to swallow its LF, and a held
** Ctrl-Z that only turns out to be the last byte when the input ends.  The
** line buffer is blank outside the current line, so a tab only has to move
** the line length.
*/
#pragma once

#include <string>
#include <string_view>

struct TABOPTS {
  bool bCompress = true;   /* blank runs become tabs at the output tab stops */
  bool bDosEnds = false;   /* CR LF line ends, else LF (the default here) */
  unsigned uInTab = 8;     /* input tab stops every uInTab columns (4 or 8) */
  unsigned uOutTab = 8;    /* output tab stops every uOutTab columns (4 or 8) */
  unsigned uMaxLine = 999; /* maximum line length (0-999) */
};

struct TABCOUNT {
  unsigned long ulLines = 0;    /* lines written */
  unsigned long ulBytesIn = 0;  /* every byte read, line ends included */
  unsigned long ulBytesOut = 0; /* every byte written, line ends included */
};

struct TABCONV {
  TABOPTS opts;
  TABCOUNT count;
  std::string line;        /* uMaxLine bytes, blank beyond the stored text */
  unsigned uLen = 0;       /* current line length */
  bool bLineOpen = false;  /* bytes of an unfinished line were read */
  bool bAfterCr = false;   /* the previous byte was a CR: an LF is swallowed */
  bool bHeldCtrlZ = false; /* a Ctrl-Z waits: dropped if nothing follows */
};

/* Prepares conv for a new file with the given settings. */
void vTabConvInit(TABCONV &conv, const TABOPTS &opts);

/* Converts the next bytes of the file, appending the finished lines to out. */
void vTabConvFeed(TABCONV &conv, std::string_view in, std::string &out);

/* Ends the file: drops a final Ctrl-Z and finishes an unterminated line. */
void vTabConvFinish(TABCONV &conv, std::string &out);

/* Converts a whole file held in memory; the counts go to *pCount if given. */
std::string sTabConvert(std::string_view in, const TABOPTS &opts, TABCOUNT *pCount = nullptr);
