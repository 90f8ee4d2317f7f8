/*
** asm0.h - the options of the run and the option step (module "asm0").
**
** g_opt holds every option value that later modules read, the file names of
** the DDNAMEs, the system values and what the options report of the listing
** shows (each option's value text and where it came from, and the
** "overridden by" notes of the cross-checks).  The option step fills it at
** the start of each run; vOptionCleanup releases its storage (subpool 0) and
** removes the temporary copy of redirected standard input.
**
** Readers take the converted fields (flag words, numbers, file names), never
** the report texts: the texts are only for the report.
*/
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>

constexpr size_t OPT_TEXT_MAX = 255;          /* one option */
constexpr size_t OPT_LINE_MAX = 1023;         /* one line of an options file */
constexpr size_t OPT_RAW_LINE_MAX = 65536;    /* longer lines are an error */
constexpr size_t OPT_FILE_LINES_MAX = 100000; /* lines of one options file */
constexpr size_t OPT_NAME_MAX = PATH_MAX - 1; /* one file name */

/* Option records, in the order of the options report. */
enum OPTID : unsigned {
  OPT_ALIGN,
  OPT_DEPEND,
  OPT_DXREF,
  OPT_ESD,
  OPT_FLAG,
  OPT_FOLD,
  OPT_IDR,
  OPT_LANGUAGE,
  OPT_LIBEXIT,
  OPT_LINECOUNT,
  OPT_LINEWIDTH,
  OPT_LIST,
  OPT_MXREF,
  OPT_OBJECT,
  OPT_OPTABLE,
  OPT_PCONTROL,
  OPT_PRINTCTL,
  OPT_PROCESS,
  OPT_RLD,
  OPT_SIZE,
  OPT_SOURCEEXT,
  OPT_SYMNAME,
  OPT_SYSLIB,
  OPT_SYSLIN,
  OPT_SYSPARM,
  OPT_SYSPRINT,
  OPT_SYSPUNCH,
  OPT_SYSTEMID,
  OPT_SYSTERM,
  OPT_TERM,
  OPT_TEST,
  OPT_TRACE,
  OPT_USINGLIMIT,
  OPT_USINGMAP,
  OPT_XOPTS,
  OPT_XREF,
  OPT_COUNT
};

/* DDNAME records of the report. */
enum DDID : unsigned { DD_SYSIN, DD_SYSLIB, DD_SYSPRINT, DD_SYSPUNCH, DD_SYSTERM, DD_SYSLIN, DD_COUNT };

/* System value records (the system variable symbols take them). */
enum SYSVALID : unsigned { SV_SYSASM, SV_SYSDATC, SV_SYSDATE, SV_SYSJOB, SV_SYSSTEP, SV_SYSTIME, SV_SYSVER, SV_COUNT };

/* One record of the report: pszValue null means "(default)". */
struct OPTRECORD {
  const char *pszName;    /* mixed case; its capitals spell the short form */
  const char *pszDefault; /* default as shown, or null */
  char *pszValue;         /* option text that set it (subpool 0), or null */
  const char *pszSource;  /* "Command Line" or the options file name */
};

struct DDRECORD {
  const char *pszName;   /* "SYSIN", "SYSLIB", ... */
  char *pszFile;         /* assigned name(s), ';'-separated for SYSLIB, or null */
  const char *pszSource; /* "(default)", "Command Line" or options file */
};

struct SYSVALUE {
  const char *pszName;
  char achValue[32];
};

/* FLAG word: threshold in the low byte, switches above it. */
enum : uint32_t {
  FLAG_THRESHOLD = 0x000000FF,
  FLAG_SUBSTR = 0x00000100,
  FLAG_CONT = 0x00000200,
  FLAG_RECORD = 0x00000400,
  FLAG_ALIGN = 0x00000800,
  FLAG_RENT = 0x00001000,
  FLAG_USINGDUP = 0x00002000,
  FLAG_USINGZERO = 0x00004000,
  FLAG_USINGMULT = 0x00008000,
  FLAG_WARN0 = 0x00010000,
  FLAG_RA = 0x00060000, /* 1 RA2, 2 RA3, 3 RA3ANY */
  FLAG_RA2 = 0x00020000,
  FLAG_RA3 = 0x00040000,
  FLAG_RA3ANY = 0x00060000,
  FLAG_TRUNC = 0x00080000,
  FLAG_INDEX = 0x00100000,
  FLAG_REFPSA = 0x00200000,
  FLAG_MODPSA = 0x00400000,
  FLAG_BRPSA = 0x00800000,
  FLAG_DECIMAL = 0x01000000,
  FLAG_LINT = 0x01FE0000, /* none of these: NOLINT */
  FLAG_DEFAULT = FLAG_CONT | FLAG_RECORD | FLAG_ALIGN | FLAG_USINGDUP | FLAG_USINGZERO | FLAG_USINGMULT,
};

/* PROCESS sub-options. */
enum : uint32_t {
  PROC_BATCH = 0x0001,
  PROC_JCL = 0x0002,      /* records with '/' in column 1 are comments */
  PROC_VORN = 0x0004,     /* *VORN lines and EXEC statements */
  PROC_CICS = 0x0008,     /* the fourth switch: generated CICS members */
  PROC_DFHEIENT = 0x0100, /* internal compatibility bits, on by default: */
  PROC_DFHEISTG = 0x0200, /* which generated members the CICS switch */
  PROC_DFHEIGBL = 0x0400, /* includes */
  PROC_DFHEIEND = 0x0800,
  PROC_DFHEIRET = 0x1000,
  PROC_INTERNAL = 0x1F00,
  PROC_DEFAULT = PROC_VORN | PROC_INTERNAL,
};

/* PRINT status bits (PCONTROL masks). */
enum : uint8_t {
  PRT_ON = 0x80,
  PRT_GEN = 0x01,
  PRT_DATA = 0x02,
  PRT_MSOURCE = 0x04,
  PRT_MCALL = 0x08,
  PRT_UHEAD = 0x10,
  PRT_LIBMAC = 0x20,
};

enum : uint8_t { OBJ_NONE = 0, OBJ_OMF = 1, OBJ_DECK = 2 };
/* Listing record forms (LINEWIDTH); values above LW_V are fixed lengths. */
enum : uint32_t { LW_LF = 1, LW_CR = 2, LW_NL = 3, LW_V = 4 };
enum : uint8_t { PC_NL = 0, PC_FF = 1, PC_HP = 2, PC_ASA = 3 };
/* TERM bits; 0 is NOTERM. */
/* TERM_GNU: diagnostics only, as file:line:column: error|warning|note: text */
enum : uint8_t { TERM_ON = 0x01, TERM_PREFIX = 0x02, TERM_UPPER = 0x04, TERM_GNU = 0x08 };
/* XREF and MXREF bits; 0 is NOXREF / NOMXREF. */
enum : uint8_t { XREF_FULL = 0x01, XREF_SHORT = 0x02, XREF_UNREFS = 0x04 };
enum : uint8_t { MXREF_SOURCE = 0x01, MXREF_XREF = 0x02 };
/* TEST values: 1 plain (SYMDEL DSECTs honoured), 2 TEST(ALL). */
enum : uint8_t { TEST_OFF = 0, TEST_ON = 1, TEST_ALL = 2 };

constexpr unsigned OPT_NOTES_MAX = 4;
constexpr size_t OPT_NOTE_LEN = 96;

struct ASMOPTIONS {
  /* ---- values read by the driver and the source reader -------------- */
  uint64_t ullSize;      /* SIZE: work-file memory in bytes */
  bool bBatch;           /* PROCESS(BATCH) */
  unsigned long ulTrace; /* TRACE value as given */
  char **apszSysin;      /* SYSIN files to open, in order (subpool 0) */
  char **apszSysinShow;  /* their names in messages ("(STDIN)") */
  uint32_t ulSysinCount;
  bool bStdin; /* the source is a copy of standard input */

  /* ---- option values ------------------------------------------------- */
  bool bAlign, bDxref, bEsd, bFold, bRld, bUsingMap;
  uint32_t ulFlag;       /* FLAG word (FLAG_*) */
  uint8_t bPrintForced;  /* PCONTROL: PRINT bits forced on */
  uint8_t bPrintAllowed; /* PCONTROL: PRINT bits allowed */
  uint32_t ulProcess;    /* PROC_* */
  bool bExecAllowed;     /* EXEC statements admitted: PROCESS(VORN) */
  uint8_t bObject;       /* OBJ_* */
  uint8_t bTest;         /* TEST_* after the cross-checks */
  uint8_t bTerm;         /* TERM_* */
  uint8_t bXref;         /* XREF_* */
  uint8_t bMxref;        /* MXREF_* */
  bool bList;            /* a listing is produced */
  uint32_t ulListWidth;  /* 121 or 133 */
  uint32_t ulLineForm;   /* LW_* or a fixed record length */
  uint8_t bPrintCtl;     /* PC_* */
  uint32_t ulLineCount;  /* 0 or 10-32767 */
  bool bUsingLimit;      /* USINGLIMIT given */
  uint32_t ulUsingLimit; /* 0-4095; 4095 without USINGLIMIT */
  uint8_t bOptable;      /* OPTABLE_* mask */
  char achOptable[4];    /* its name: "UNI", "370", ... */
  char achLanguage[4];   /* "EN" */
  uint32_t ulLocLimit;   /* location limit, X'1000000' */
  char *pszIdr;          /* IDR text or null */
  char *pszLibExit;      /* LIBEXIT command or null */
  char *pszSourceExt;    /* SOURCEEXT without the dot, or null */
  char *pszSymname;      /* SYMNAME list or null */
  char *pszSysparm;      /* SYSPARM text or null */
  char *pszSystemId;     /* SYSTEMID text or null */
  char *pszXopts;        /* XOPTS list or null */

  /* ---- files --------------------------------------------------------- */
  char *pszSysprint; /* listing file, null without a listing */
  char *pszSyslin;   /* object file for OBJECT(OMF), else null */
  char *pszSyspunch; /* object file for OBJECT(DECK), else null */
  bool bDepend;      /* DEPEND: a make rule of the object and every file read */
  char *pszDepend;   /* its file (DEPEND with an object), else null */
  char *pszSysterm;  /* SYSTERM file, null for standard output */
  char **apszSyslib; /* library path patterns, each with one '*' */
  uint32_t ulSyslibCount;
  char achProgDir[PATH_MAX + 1]; /* program directory, ends with '/' */
  char achSrcDir[PATH_MAX + 1];  /* &D: directory of the primary source */
  char achSrcName[PATH_MAX + 1]; /* &F */
  char achSrcExt[PATH_MAX + 1];  /* &E, with the dot */
  bool bSrcName;                 /* the primary source has a name */

  /* ---- system values --------------------------------------------------- */
  struct tm tmAssembly; /* local time of the option step */
  char achComputer[65]; /* host name */
  char achUser[65];
  char achOsName[80];         /* "Linux 6.1": system name and release */
  char achPlatform[8];        /* "POSIX" */
  char achSysIdent[160];      /* system identification of the summary */
  char achStamp[64];          /* report time stamp */
  uint8_t abTranslatorId[19]; /* "%-14s%s" SYSTEMID + yyddd, EBCDIC */
  uint8_t abIdrId[19];        /* the same for IDR when bIdr */
  bool bIdr;

  /* ---- options report ------------------------------------------------ */
  int iArgc; /* the command line as given */
  char **ppszArgv;
  OPTRECORD aOpt[OPT_COUNT];
  DDRECORD aDd[DD_COUNT];
  SYSVALUE aSys[SV_COUNT];
  char aachNote[OPT_NOTES_MAX][OPT_NOTE_LEN]; /* "%s overridden by %s" */
  unsigned uNotes;
};

extern ASMOPTIONS g_opt;

/* The option step: 0, or 20 after an error was reported. */
int iOptionsProcess(int argc, char **argv, FILE *pStdin);
/* Releases the storage of the option step and removes the temporary copy of
   standard input; safe to call more than once. */
void vOptionCleanup();

/* One option from a file (pszFile) or the command line (pszFile null,
   iPos = argument number); 0, or 20 after a reported error. */
int iOptionParse(const char *pszText, const char *pszFile, int iPos);
/* Applies a FLAG sub-option list ("4,NOALIGN") to *pulFlag; null, or the
   reason text of the error.  Used for FLAG(...) and EXEC SET FLAG(...). */
const char *pszFlagParse(const char *pszList, size_t ulLen, uint32_t *pulFlag);
