/* Failure injection: every writer meeting a full disk, and the storage
   layer meeting an exhausted heap at any request, end the run with their
   KZM message and return code 20, and leave no output behind that could be
   taken for a complete one. */
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "mem.h"
#include "runvorn.h"
#include "testfront.h"
#include "vorn.h"

namespace {

/* A macro that generates 60 statements a call, 600 by default: listing,
   object, terminal and both work files all grow well past a few pages. */
std::string strProgram(bool bErrors, int iCalls = 10)
{
  std::string str = "P        CSECT\n"
                    "         USING *,12\n"
                    "         MACRO\n"
                    "         GEN   &N\n"
                    "         LCLA  &I\n"
                    ".L       ANOP\n"
                    "&I       SETA  &I+1\n"
                    "         DC    F'&I',CL8'X&I',A(P)\n"
                    "         LA    1,P+&I\n"
                    "         AIF   (&I LT &N).L\n"
                    "         MEND\n";
  for (int i = 0; i < iCalls; i++) str += "         GEN   30\n";
  for (int i = 0; bErrors && i < 60; i++) str += "         LA    1,UNDEF" + std::to_string(i) + "\n";
  return str + "         END\n";
}

off_t lFileSize(const std::string &strPath)
{
  struct stat st {};
  return stat(strPath.c_str(), &st) == 0 ? st.st_size : -1;
}

class FaultRun : public RunDirTest {};

TEST_F(FaultRun, EveryWriterMeetingAFullDiskEndsTheRunAndLeavesNothing)
{
  struct WRITER {
    std::vector<std::string> astrArgs;
    bool bErrors;
    const char *pszOutput; /* null: the work files */
    const char *pszMessage;
  } aWriters[] = {
      {{"-LIST", "-NOOBJECT", "-NOTERM"}, false, "prog.lst", "KZM900S Error writing listing file "},
      {{"-NOLIST", "-OBJECT", "-NOTERM"}, false, "prog.obj", "KZM900S Error writing SYSPUNCH file "},
      {{"-NOLIST", "-NOOBJECT", "-TERM", "-SYSTERM(prog.trm)"},
       true,
       "prog.trm",
       "KZM900S Error writing to SYSTERM file "},
      {{"-NOLIST", "-NOOBJECT", "-NOTERM", "-SIZE(0)"}, false, nullptr, "KZM900S Error writing work file "},
  };
  for (const WRITER &w : aWriters) {
    SCOPED_TRACE(w.pszMessage);
    /* long enough that the times of the summary line keep their length
       from run to run (an elapsed time below 0.005 s shows as "0"), so
       that every run writes as many bytes as the first */
    vSource("prog.asm", strProgram(w.bErrors, 100));
    std::vector<std::string> astrArgs = w.astrArgs;
    astrArgs.push_back("prog.asm");
    RUN full = runPiped(strDir, astrArgs, nullptr);
    int iRc = full.iRc;
    ASSERT_TRUE(iRc == 0 || iRc == 12) << full.strErr;
    long lSize = w.pszOutput != nullptr ? static_cast<long>(lFileSize(strDir + "/" + w.pszOutput)) : 16384L;
    ASSERT_GT(lSize, 4096) << full.strErr;
    if (w.pszOutput != nullptr) std::remove((strDir + "/" + w.pszOutput).c_str());
    /* failures early, in the middle and at the very last byte; then the
       exact size, which must be enough */
    for (long lLimit : {2048L, lSize / 2, lSize - 1, lSize}) {
      if (w.pszOutput == nullptr && lLimit == lSize) continue;
      RUN r = runPiped(strDir, astrArgs, nullptr, {}, false, false, lLimit);
      if (lLimit == lSize) {
        EXPECT_EQ(r.iRc, iRc) << r.strErr;
        EXPECT_EQ(lFileSize(strDir + "/" + w.pszOutput), lSize);
        std::remove((strDir + "/" + w.pszOutput).c_str());
        continue;
      }
      EXPECT_EQ(r.iRc, 20) << lLimit << "\n" << r.strErr;
      EXPECT_NE(r.strErr.find(w.pszMessage), std::string::npos) << lLimit << "\n" << r.strErr;
      EXPECT_NE(r.strErr.find("File too large\nKZM999I Assembly terminated with return code 20.\n"), std::string::npos)
          << r.strErr;
      EXPECT_EQ(astrFiles(strDir), (std::vector<std::string>{"prog.asm", "tmp"})) << lLimit;
      EXPECT_EQ(astrFiles(strDir + "/tmp"), std::vector<std::string>{}) << lLimit;
    }
  }
}

/* A heap that fails its nth request from now on; the C library's otherwise. */
long g_lHeapLeft;
void *pCountedAlloc(size_t n) { return --g_lHeapLeft == 0 ? nullptr : std::malloc(n); }
void *pCountedRealloc(void *p, size_t n) { return --g_lHeapLeft == 0 ? nullptr : std::realloc(p, n); }
void vCountedFree(void *p) { std::free(p); }
const MEMHEAP c_heapCounted = {pCountedAlloc, pCountedRealloc, vCountedFree};

TEST_F(FaultRun, HeapExhaustionAtAnyRequestEndsTheRunAndLeavesNothing)
{
  vSource("prog.asm", strProgram(true));
  std::string strExe = VORN_EXE;
  setenv("VORNDIR", strExe.substr(0, strExe.rfind('/')).c_str(), 1);
  std::string strList = strDir + "/prog.lst", strObj = strDir + "/prog.obj", strTerm = strDir + "/prog.trm";
  std::string strSource = strDir + "/prog.asm", strSysterm = "-SYSTERM(" + strTerm + ")";
  auto iRun = [&] {
    std::vector<char *> apsz;
    for (const char *psz : {"vorn", "-LIST", "-OBJECT", "-TERM", "-TRACE(0)"}) apsz.push_back(const_cast<char *>(psz));
    apsz.push_back(strSysterm.data());
    apsz.push_back(strSource.data());
    vFrontReset();
    vMemSetHeap(&c_heapCounted);
    int iRc = 20;
    try {
      iRc = iAssemble(0, static_cast<int>(apsz.size()), apsz.data());
    } catch (const AsmTerminated &) {
    }
    vMemSetHeap(nullptr);
    return iRc;
  };
  /* count the requests of a complete run (the second: the first also
     makes the process's one-time requests) */
  for (int i = 0; i < 2; i++) {
    g_lHeapLeft = -1;
    ASSERT_EQ(iRun(), 12) << g_front.strOut;
    for (const std::string &str : {strList, strObj, strTerm}) std::remove(str.c_str());
  }
  long lRequests = -1 - g_lHeapLeft;
  ASSERT_GT(lRequests, 10);
  /* every one of the first requests, then a spread over the rest (storage
     kept from an earlier run can spare a run its last requests: the
     failure must then not have happened) */
  for (long lFail = 1; lFail <= lRequests; lFail += lFail < 64 ? 1 : lRequests / 40 + 1) {
    g_lHeapLeft = lFail;
    int iRc = iRun();
    if (g_lHeapLeft > 0) {
      EXPECT_EQ(iRc, 12) << lFail;
      for (const std::string &str : {strList, strObj, strTerm}) std::remove(str.c_str());
      continue;
    }
    EXPECT_EQ(iRc, 20) << lFail;
    EXPECT_NE(g_front.strOut.find("KZM998S Heap memory exhausted in phase "), std::string::npos) << lFail << "\n"
                                                                                                 << g_front.strOut;
    EXPECT_EQ(g_front.strFatal, "KZM999I Assembly terminated with return code 20.") << lFail;
    EXPECT_EQ(astrFiles(strDir), (std::vector<std::string>{"prog.asm", "tmp"})) << lFail;
  }
  unsetenv("VORNDIR");
}

size_t ulOpenFiles()
{
  size_t n = 0;
  if (DIR *pDir = opendir("/proc/self/fd")) {
    while (readdir(pDir) != nullptr) n++;
    closedir(pDir);
  }
  return n;
}

/* Assembles a source in this process, the run ended at poll iEndAt as the
   windowed program ends it (0: not ended); the return code, -1 when ended. */
int iRunEndedAt(std::string strSource, int iEndAt)
{
  std::string strExe = VORN_EXE;
  setenv("VORNDIR", strExe.substr(0, strExe.rfind('/')).c_str(), 1);
  std::vector<char *> apsz;
  for (const char *psz : {"vorn", "-LIST", "-OBJECT", "-TERM"}) apsz.push_back(const_cast<char *>(psz));
  apsz.push_back(strSource.data());
  vFrontReset();
  g_front.iEndAtPoll = iEndAt;
  int iRc = -1;
  try {
    iRc = static_cast<int>(iAssemble(0, static_cast<int>(apsz.size()), apsz.data()));
  } catch (const AsmTerminated &) {
  }
  unsetenv("VORNDIR");
  return iRc;
}

/* The windowed program ends a run from its poll.  Ended at any poll (in a
   macro expansion, in the look-ahead for a sequence symbol or an attribute,
   past END), the run keeps no file open; LeakSanitizer sees its storage. */
TEST_F(FaultRun, EndingTheRunAtAnyPollReleasesItsFiles)
{
  std::string strBody = strProgram(false);
  strBody.insert(strBody.rfind("         END"), "LATER    DC    F'1'\n");
  vSource("prog.asm", "         AIF   (T'LATER EQ 'F').ON\n"
                      "         AGO   .ON\n"
                      ".ON      ANOP\n" +
                          strBody + "* past the end\n");
  std::string strSource = strDir + "/prog.asm";
  auto iRun = [&](int iEndAt) { return iRunEndedAt(strSource, iEndAt); };
  ASSERT_EQ(iRun(0), 0) << g_front.strOut;
  int iPolls = g_front.iPolls;
  ASSERT_GT(iPolls, 20);
  size_t ulFiles = ulOpenFiles();
  for (int i = 1; i <= iPolls; i++) {
    EXPECT_EQ(iRun(i), -1) << i;
    EXPECT_EQ(ulOpenFiles(), ulFiles) << "ended at poll " << i;
  }
  EXPECT_EQ(iRun(0), 0);
}

/* A run ended in open code after nested expansions, the last run of the
   process: the expansions' states go with the run, none is left for the
   exit (LeakSanitizer would report them there). */
TEST_F(FaultRun, EndingTheRunAfterNestedExpansionsKeepsNoneOfThem)
{
  std::string str = "         MACRO\n"
                    "         OUTER\n"
                    "         INNER\n"
                    "         MEND\n"
                    "         MACRO\n"
                    "         INNER\n"
                    "         DC    F'1'\n"
                    "         MEND\n"
                    "P        CSECT\n"
                    "         OUTER\n";
  for (int i = 0; i < 2000; i++) str += "         DC    F'2'\n";
  vSource("prog.asm", str + "         END\n");
  ASSERT_EQ(iRunEndedAt(strDir + "/prog.asm", 0), 0) << g_front.strOut;
  /* the open code after the call fills the first phase's polls but a few */
  EXPECT_EQ(iRunEndedAt(strDir + "/prog.asm", g_front.iPolls / 3), -1);
}

} // namespace
