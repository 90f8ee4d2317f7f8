/*
** prn2.h - the listing writer (module "prn2"): the SYSPRINT file, its page
** and line counters, the two heading lines of every page, page control (line
** ends, form feeds, printer control language, ASA characters), bold and
** underline, case folding and EBCDIC records; and the statement lines of the
** code generation phase with their diagnostics and TERM echo.
**
** Every other module that prints into the listing goes through iListLine.
** Nothing is written when no listing is produced.  Texts handed in carry a
** form: LIST_HOST (host characters, blank X'20') or LIST_EBCDIC (blank
** X'40'); the writer translates them to the listing's character set.
*/
#pragma once

#include <cstddef>
#include <cstdint>

/* Text forms: the blank of the text's character set. */
constexpr uint8_t LIST_HOST = 0x20;
constexpr uint8_t LIST_EBCDIC = 0x40;

/* iListLine flags above the filler byte. */
constexpr uint32_t LL_BOLD = 0x100;
constexpr uint32_t LL_UNDERLINE = 0x200; /* printer control language only */
constexpr uint32_t LL_FOLD = 0x400;      /* upper case under FOLD */

constexpr uint32_t LIST_ID_MAX = 8;
constexpr uint32_t LIST_TITLE_MAX = 100;
constexpr uint32_t LIST_COLUMNS_MAX = 90;
constexpr uint32_t LIST_LINE_MAX = 256;   /* longest line the writer takes */
constexpr uint32_t LIST_BLANKS_MAX = 100; /* pending blank lines without paging */

/* Prints extra heading lines (through iListLine) between the title line and
   the column heading. */
using PFNLISTHEADING = void (*)();

/* ---- the writer ------------------------------------------------------------ */

/* Opens SYSPRINT once per run (no-op without a listing or when open); takes
   the record form, width, page control and LINECOUNT; sends the printer
   set-up under PRINTCTL(HP). */
void vListOpen();
/* Title (at most 100 characters) and heading id (at most 8). */
void vListTitle(uint8_t bForm, const void *pText, uint32_t ulLength);
void vListHeadingId(uint8_t bForm, const void *pText, uint32_t ulLength);
/* Starts a report: title, column heading (at most 90 characters), heading
   callback or null, blank lines after the heading (at most 2); the next line
   starts a new page.  Both texts are NUL-terminated in bForm. */
void vListReport(uint8_t bForm, const char *pszTitle, const char *pszColumns, PFNLISTHEADING pfnHeading,
                 unsigned uSpacing);
/* Prints one line; the low byte of ulFlags is the filler (LIST_HOST or
   LIST_EBCDIC), which also names the text's character set. */
int iListLine(uint32_t ulFlags, const void *pText, uint32_t ulLength);
/* Advances n lines (at least 1). */
void vListSkip(int n);
/* n < 0: heading now if the page is empty; n > 0: new page unless n lines
   still fit; n = 0: new page at the next line. */
void vListNewPage(int n);
/* Closes the listing; without bNoReset a printer reset is sent first under
   PRINTCTL(HP).  Safe when nothing is open. */
void vListClose(bool bNoReset);
/* Termination: the listing is given up, nothing of it stays (see file.h). */
void vListAbandon();

bool bListOpen();
/* Printable width of a listing line. */
uint32_t ulListLineWidth();
/* Page number of the last heading. */
uint16_t usListPage();
/* Statement layout: LIST(133).  Waits for the macro language: MNOTE notes
   are laid out like statement lines (listing reports). */
bool bListWide();
uint32_t ulListStatementColumn();
uint32_t ulListSourceColumn();

/* ---- the code generation phase ------------------------------------------------- */

/* Start of every code generation phase: opens the listing when one is
   produced, resets the assembly's listing state, heading id from the first
   TITLE label (given), empty title.  Called whether or not a listing is
   produced. */
void vListPhaseStart(const uint8_t *pTitleLabel, uint32_t ulTitleLabel);
/* End of the statements of a code generation phase on the terminal stream:
   how many diagnostics were not shown, and where the first one of the
   highest severity is. */
void vTermPhaseEnd();
/* Starts the statement listing: its column heading and the active-USINGs
   heading lines. */
void vListStatementHeading();
/* Before the second-phase handler of each record: the active-USINGs heading
   lines are shown while the statements have PRINT UHEAD, and rebuilt when
   the USINGs changed. */
void vListUsingHeading();
/* After the second-phase handler of each record: the statement lines when
   the statement is listed, its diagnostics, the record line of FLAG(RECORD),
   and the TERM echo of a statement with diagnostics. */
void vListStatement();
/* The object module's line of the assembly, when it has one. */
void vListObjectResult();
/* The object file's line of the run ("%s file total records written: %lu"),
   before it is closed. */
void vListObjectTotal();
/* A note of the run (host text) as a listing line, when a listing is open. */
void vListNoteLine(const char *pszLine);
/* End of the run: the summary line as the last listing line, then close. */
void vListSummaryLine(const char *pszLine);
