/*
** xrf2.h - the listing reports (module "xrf2"): the diagnostic lines of each
** flagged statement, the list of flagged statements, the options report,
** the external symbol dictionary, the cross references, the relocation
** dictionary and the closing diagnostic summary of an assembly.
**
** The flagged-statement list lives in subpool 1: vReportSummary must run
** before the code generation phase releases it, and after SYSUT1 was closed
** (lStmtFinishFile), whose size it reports.
*/
#pragma once

#include <cstdint>
#include <vector>

/* Start of every code generation phase: no flagged statements, no primary
   input seen. */
void vReportReset();

/* The severity letter of a diagnostic: I for notes (message 0 and MNOTE
   300) and severity 0, W for severity up to 4, E above. */
char cDiagnosticLetter(int iNumber, int iSeverity);

/* One diagnostic of the statement in hand (number, source and line from the
   statement trace fields), printed after its statement lines.  bForm is
   DIAG_HOST_TEXT or DIAG_NAME_TEXT (EBCDIC). */
void vListDiagnostic(int iSeverity, int iNumber, uint8_t bForm, uint32_t ulLength, const void *pText);
/* Whether ulStmt is the statement flagged last. */
bool bReportLastFlagged(uint32_t ulStmt);
/* The FLAG(RECORD) line: "  KZM301I Record %lu in " and the source name. */
void vListRecordLine(uint32_t ulLine, const char *pszSource);

/* A record of a source: the summary names the lines of each primary input
   file that the assembly read. */
void vReportNoteSource(uint32_t ulSrcId, uint32_t ulFirst, uint32_t ulLast);

/* The options report at the head of the listing: the command line, the
   options in effect with where each came from, the "overridden by" notes,
   the ASCII to EBCDIC translation table, the DDNAMEs and system values.
   Printed once per run, before anything else of the listing. */
void vReportOptions();
/* The external symbol dictionary (ESD option), before the statements: one
   row per item in item order, dummy sections left out; nothing when no
   other item exists. */
void vReportEsd();
/* The ordinary symbol and literal cross reference (XREF option): the
   symbols referenced besides their definition, all of them under
   XREF(FULL); then, under XREF(UNREFS), the unreferenced symbols of the
   control sections. */
void vReportXref();
/* The DSECT cross reference (DXREF option); nothing without DSECTs. */
void vReportDsectXref();

/* The relocation dictionary (RLD option): the object writer's items in the
   order of its RLD cards; none after an error above severity 8. */
void vReportRld();

/* The closing summary, up to the KZM000I line (which the driver prints). */
void vReportSummary();

/* The USING map (USINGMAP option): one line per USING, DROP, PUSH and POP
   USING of the code generation phase and one more per further register of
   a USING. */
void vUsingMapReport();

/* The MACRO and COPY code source summary (MXREF(SOURCE)) and cross
   reference (MXREF(XREF)); both under MXREF(FULL).  Rows sort by name in
   EBCDIC order; the members of the primary input are its in-source
   macro definitions. */
void vReportMacroCopy();

/* ---- the table of the macro and copy reports ----------------------------------------------
   Every member read (macro definition or COPY member) and every call or
   COPY of the assembly, kept from the first phase for the reports of the
   code generation phase. */
constexpr uint32_t MX_NAME_MAX = 63;
constexpr uint32_t MX_PRIMARY = 0xFFFFFFFFu; /* caller: the primary input */
constexpr char MX_MACRO = 'M', MX_COPY = 'C';

struct MXMEMBER {
  uint8_t abName[MX_NAME_MAX]; /* EBCDIC, upper case */
  uint32_t ulNameLength;
  char cKind;        /* MX_MACRO, MX_COPY */
  uint32_t ulConcat; /* SYSLIB concatenation (1-based); 0 an in-source definition */
  uint32_t ulDefn;   /* statement number of the listed MACRO statement; 0 none */
  bool bDefined;     /* a macro definition that was registered; every COPY member */
};

struct MXCALL {
  uint32_t ulMember; /* the macro called or the member copied */
  uint32_t ulCaller; /* member record of the calling macro or COPY member; MX_PRIMARY */
  uint32_t ulStmt;   /* the statement that called or copied (the outermost listed one) */
};

/* Filled by the macro processor, read by the reports. */
struct MXREPORT {
  std::vector<MXMEMBER> vecMembers;
  std::vector<MXCALL> vecCalls;
  uint64_t ullWorkSize; /* bytes the MACRO work file held at the end of the last phase ("MACRO work file size") */
};
extern MXREPORT g_mxReport;
