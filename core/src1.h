/*
** src1.h - the source reader: the stack of input sources, card images and
** statements.
**
** The reader turns host files into 80-column EBCDIC card images, groups them
** into statements and locates each statement's fields.  The primary source
** (SYSIN: every source file of the command line, read as one input) is at
** the bottom of the stack; COPY and library members are pushed on top.
**
** Source identities: every file or member that supplies statements gets a
** small number, valid for the whole run, that statement records carry in
** place of a pointer; pSourceName turns it back into the name.
*/
#pragma once

#include <cstdint>

#include "mem.h"

constexpr uint32_t SRC_RECORD = 80;
constexpr uint32_t SRC_NOTE_MAX = 96; /* one reader note with its NUL */

enum : char {
  SRC_PRIMARY = 'S',
  SRC_COPY = 'C',
  SRC_MACRO = 'M',
  SRC_MODEL = 'W',  /* a model statement replayed by a macro expansion */
  SRC_EXISTS = 'O', /* LIBEXIT kind letter of an existence test */
};

/* One statement as the reader hands it on. */
struct SRCSTMT {
  GROWBUF cards;                       /* card images, 80 bytes each (subpool 0) */
  uint32_t ulRecords;                  /* first record and its continuations */
  const char *pszSrcName;              /* source name as shown in messages */
  char cKind;                          /* SRC_PRIMARY, SRC_COPY, SRC_MACRO */
  uint32_t ulSrcId;                    /* source identity */
  uint32_t ulLine;                     /* record number of the first record */
  long lOffset;                        /* file offset of the first record */
  uint32_t ulBegin, ulEnd, ulContinue; /* ICTL columns in force (1-based) */
  uint32_t ulLabelOff, ulLabelLen;     /* label field in the first card */
  uint32_t ulOpOff, ulOpLen;           /* operation field in the first card */
  uint32_t ulOperandOff;               /* first operand character, offset into cards; 0 = none */
  bool bComment;                       /* comment statement ('*', '.*', JCL) */
  bool bMacroComment;                  /* '.*' */
  bool bVornOnly;                      /* "*VORN" statement: fields are 5 columns right */
  void *pOperation;                    /* looked-up operation record, or none */
  uint8_t abOpName[64];                /* the operation field upper-cased, EBCDIC, NUL-ended */
  int iError;                          /* message number of a reader error, 0 = none */
  char achError[96];                   /* its text */
  char achNote[SRC_NOTE_MAX];          /* note (message 099) of the first character of
                                          its records without a translation, or "" */
};

/* Makes SYSIN the first input source and reads ahead to its first record;
   false when there is none.  An open failure is fatal. */
bool bSourceOpenPrimary();
/* Opens a COPY ('C') or macro ('M') member from SYSLIB and makes it the
   current source; false when it was not found. */
bool bSourcePush(char cKind, const uint8_t *pszMember);
/* The member bSourcePush opened last: the SYSLIB concatenation that
   supplied it (the 1-based index of its path pattern) and its source
   identity. */
uint32_t ulSourceMemberConcat();
uint32_t ulSourceMemberId();
/* Closes the current source.  Waits for the macro language: a library
   macro member is closed once its definition has been read. */
void vSourcePop();
/* The frame of the source on top (a COPY member): left when it closes. */
void vSourceFrame(uint32_t ulFrame);
/* The next card image of the current source, or null at the end of the
   input (a finished member is popped, a finished SYSIN file is followed by
   the next one). */
const uint8_t *pRecordRead();
/* Reads one statement: 0 with a statement, 1 at the end of the input. */
int iStatementRead(SRCSTMT *pStmt);
/* The same, but 1 as soon as the source at depth ulDepth of the stack has
   ended (a library member being defined), instead of going on below it. */
int iStatementReadAbove(SRCSTMT *pStmt, uint32_t ulDepth);
/* Number of sources on the stack (the primary source counts one). */
uint32_t ulSourceDepth();
/* Open code branches to a sequence symbol (EBCDIC, upper case, without its
   period) of the source on top of the stack: true when found, and the
   statement that carries it is the next one read. */
bool bSourceSeqFind(const uint8_t *pName, uint32_t ulLength);
/* An open-code statement with a sequence symbol in its label field: the
   symbol is known at the statement's position from now on; false when the
   source already knows it at another position (message 107). */
bool bSourceSeqDefine(const SRCSTMT *pStmt, const uint8_t *pName, uint32_t ulLength);
/* The attributes a symbol not yet defined gets from the open-code
   statement that defines it further on in the current source file (the
   conditional-assembly look-ahead); false when none does. */
struct CONDATTR;
bool bSourceLookahead(const uint8_t *pName, uint32_t ulName, CONDATTR *pAttr);
/* Message 103 for a statement whose operation does not fit on its first
   record (rebuilt statements). */
void vStmtOperationLineError(SRCSTMT *pStmt);
/* The operation a blank line stands for (SPACE), in open code and in a
   macro body alike. */
struct OPENTRY;
const OPENTRY *pBlankLineOperation();
/* With BATCH: resets the ICTL columns and tells whether another program
   follows in SYSIN; closes everything when none does.  Input that holds only
   blank lines and comments after END is no program. */
bool bSourceMore();
/* Without BATCH, after END: whether the input goes on with statements other
   than blank lines and comments (which then are not assembled). */
bool bSourceRemains();
void vSourceCloseAll();
/* Closes the members above the primary source. */
void vSourceCloseNested();
/* Whether a library member exists (without opening it as a source). */
bool iMemberFind(const uint8_t *pszMember);
/* Whether a COPY member of this name is open in the chain of sources. */
bool bCopyOpen(const uint8_t *pszMember);
/* Begin, end and continue columns (1-based, continue 0: no continuation
   records) of the current source, from its next record on (ICTL). */
void vSourceSetColumns(uint32_t ulBegin, uint32_t ulEnd, uint32_t ulContinue);

uint32_t ulSourceIdentity(const char *pszName);
const char *pSourceName(uint32_t ulSrcId);

/* Whether a source of the run was read as UTF-8 text (a two-byte sequence
   for a Latin-1 character): host text shown to the user is then UTF-8. */
bool bSourceUtf8();

/* The format of a source file judged from its first bytes. */
enum SRCFORMAT { FMT_TEXT, FMT_ASCII_RECORDS, FMT_EBCDIC_RECORDS };
SRCFORMAT iSourceFormat(const uint8_t *pBytes, uint32_t ulLen);
