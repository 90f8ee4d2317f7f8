/* Runs the real vorn program for end-to-end tests and collects what it
   wrote, and lists directories. */
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

/* The first two lines of every run: the product line and the notice. */
inline const std::string c_strBanner = "Velmora 390 Cross Assembler  -  version 1.2.00\n"
                                       "System/390 assembler language, cross assembled on this host.\n";

/* The line after "KZM010S Missing source file name." in the console program. */
inline const std::string c_strUsageHint = "        Usage: vorn [options] source...   (vorn --help lists the options)\n";

struct RUN {
  int iRc;
  std::string strOut, strErr;
};

/* Runs the program in strDir; pszStdin is written into a pipe (null: the
   standard input is /dev/null).  With bPath the program is found through
   PATH under its bare name; with bMerged standard output and standard error
   go to one file, returned in strOut.  With lFileLimit at 0 or above no
   file the program writes may grow beyond that many bytes (a write past it
   fails with EFBIG, the size-limit signal left at its default). */
RUN runPiped(const std::string &strDir, const std::vector<std::string> &astrArgs, const char *pszStdin,
             const std::vector<std::string> &astrEnv = {}, bool bPath = false, bool bMerged = false,
             long lFileLimit = -1);

/* The names in a directory, sorted, without the dot entries. */
std::vector<std::string> astrFiles(const std::string &strDir);

/* The lines of a text, without their line ends. */
std::vector<std::string> astrLines(const std::string &str);

/* A statement whose operand field runs over continuation records: columns
   16-71 of every record, continuation mark in column 72. */
std::string strContinued(const std::string &strOperation, const std::string &strOperands);

/* A fixture with a fresh directory for the run (strDir) holding an empty
   "tmp" directory, removed afterwards. */
class RunDirTest : public ::testing::Test {
protected:
  std::string strDir;
  void SetUp() override;
  void TearDown() override;
  /* Writes a file into the directory. */
  void vSource(const std::string &strName, const std::string &strText);
};
