/* Helpers for in-process tests of the core: a fixture with the character
   tables, the operation code table and a source directory, a run of the
   conditional assembly phase over a source text, and a readable dump of the
   statement records it leaves on SYSUT1. */
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "src1.h"

class CoreTest : public ::testing::Test {
protected:
  std::string strDir;
  std::vector<std::string> astrFiles;
  std::vector<char *> apszFiles;
  std::string strPattern;
  char *apszSyslib[1] = {nullptr};

  void SetUp() override;
  void TearDown() override;
  /* Writes a file into the test directory; returns its path. */
  std::string strWrite(const std::string &strName, const std::string &strText);
  /* Makes the named files of the test directory the SYSIN list and opens it. */
  bool bOpen(const std::vector<std::string> &astrNames);
  /* SYSLIB: the test directory with the given suffix after the '*'. */
  void vLibrary(const std::string &strSuffix);
  /* Runs the conditional assembly phase over the text (as one SYSIN file)
     and returns the statement records, one line each. */
  std::vector<std::string> astrPhase1(const std::string &strSource);
};

/* A statement in hand for tests of the statement modules: fresh character
   tables, the built-in operation code table, an empty symbol table and a
   started statement numbered ulStmt; false when the table did not load.
   vStatementRelease drops what it made. */
bool bStatementInHand(bool bXref, uint32_t ulStmt);
void vStatementRelease();

/* Host text of EBCDIC bytes, and EBCDIC bytes (NUL-ended) of host text. */
std::string strAscii(const uint8_t *p, size_t n);
std::vector<uint8_t> abEbcdic(const std::string &str);

/* The record in the record buffer, as
   "number flags=XXXX op=NAME label=L operands=[a][b] diag=N/S:text ...". */
std::string strRecordDump();
