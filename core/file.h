/*
** file.h - the files of a run and their identities (module "file").
**
** Every input of the run (options files, vorn.opt, SYSIN files, the copy of
** standard input, COPY and macro members) and every output (listing, object
** file, SYSTERM file, standard output as the terminal stream) is known here
** by device and inode.  No output may be the same file as an input or as
** another output: such a clash ends the run with KZM901S before anything is
** written, or, for a member found later, as soon as the member is opened;
** an output name that comes to lead to an input during the run (a LIBEXIT
** command creating the member) clashes as well, and is never replaced.
**
** An output that is a regular file, or does not exist yet, is written to a
** temporary file in its directory (a symbolic link is followed to its
** target) and renamed into place only when the run has finished it, so no
** failure or kill ever leaves a partial file under the real name.  An
** output that exists and is not a regular file (device, FIFO, terminal) is
** written in place and never removed.
*/
#pragma once

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstdio>

enum FILEOUT : unsigned { FO_LISTING, FO_OBJECT, FO_TERM, FO_DEPEND, FO_COUNT };

/* Start of a run: no inputs, no outputs. */
void vFileReset();
/* An input opened on descriptor iFd, in the role "SYSIN", "Copy", "options",
   ... .  Once the outputs are known, false after KZM901S when it is one of
   them: the caller closes it and terminates. */
bool bFileInput(int iFd, const char *pszRole, const char *pszName);
/* Option step: the outputs of the run from the assigned file names; 0, or 20
   after KZM901S (or an error naming the file) was written. */
int iFileOutputsSet();
/* Opens an output for writing; null with errno set on failure.  The role
   and name serve when the option step did not set the output up. */
FILE *pFileCreate(FILEOUT o, const char *pszRole, const char *pszName);
/* Ends the writing of an output whose stream is open: every byte flushed and
   the stream closed; 0, or the errno of the failure (the output is then
   abandoned). */
int iFileFinish(FILEOUT o);
/* Gives up an output: its stream closed, its temporary file removed and the
   old regular file under its name removed, so that no stale one stays. */
void vFileAbandon(FILEOUT o);
/* Termination: every output not yet in place is abandoned. */
void vFileAbandonAll();
/* With DEPEND, once the object is finished: the dependency file, a make
   rule "object: source member ..." of the SYSIN files and every COPY and
   macro member read (as they were opened, each once), and an empty rule
   for each member, so that a member that is gone breaks no build.  A
   failure writes KZM900S and terminates. */
void vFileDepend();
/* End of the run: the finished outputs renamed into place; a failure writes
   KZM900S and terminates. */
void vFileCommit();
/* A scratch file of the run (the copy of standard input) that a signal
   removes too; null once the owner has removed it. */
void vFileScratch(const char *pszPath);
/* Text for the terminal stream (SYSTERM or the console), with its line
   end; a failing write ends the run with KZM900S. */
void vTermText(const char *pszText, size_t ulLength);
/* A line of the terminal stream (room for TERM_LINE_MAX bytes; its line
   end added), upper-cased with TERM(UPPER). */
constexpr size_t TERM_LINE_MAX = 4096 + 256;
void vTermOut(char *pLine, size_t n);
/* The place a terminal line names: "file(line) : ", or with TERM(GNU)
   "file:line:column: kind: "; nothing with TERM(NOPREFIX) unless bAlways.
   Returns its length. */
size_t ulTermPlace(char *p, size_t ulRoom, uint32_t ulSrcId, uint32_t ulLine, uint32_t ulColumn, const char *pszKind,
                   bool bAlways = false);
/* The place, then the text, as a line of the terminal stream. */
void vTermLine(uint32_t ulSrcId, uint32_t ulLine, uint32_t ulColumn, const char *pszKind, const char *pszText,
               size_t ulText, bool bAlways = false);
/* From a signal handler: removes the temporary and scratch files
   (async-signal-safe). */
void vFileSignalCleanup();
/* The signals on which the console program calls vFileSignalCleanup. */
inline constexpr int c_aiCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};
/* While one lives, those signals are held back in this thread.  A file of the run is created and registered
   (or removed) under it: a signal then never finds a name mkstemp tried but
   did not create, nor a created file whose name is not yet registered. */
class CleanupSignalsHeld {
public:
  CleanupSignalsHeld();
  ~CleanupSignalsHeld();
  CleanupSignalsHeld(const CleanupSignalsHeld &) = delete;
  CleanupSignalsHeld &operator=(const CleanupSignalsHeld &) = delete;

private:
  sigset_t m_old;
};
