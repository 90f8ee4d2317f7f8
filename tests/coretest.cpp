#include "coretest.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <unistd.h>

#include "asm0.h"
#include "asm1.h"
#include "asm2.h"
#include "chars.h"
#include "gen1.h"
#include "lbl.h"
#include "mem.h"
#include "msc2.h"
#include "opt.h"
#include "optimage.h"
#include "testfront.h"
#include "work.h"

std::string strAscii(const uint8_t *p, size_t n)
{
  std::string str(n, ' ');
  vEbcdicToAscii(reinterpret_cast<uint8_t *>(str.data()), p, n);
  return str;
}

std::vector<uint8_t> abEbcdic(const std::string &str)
{
  std::vector<uint8_t> ab(str.size() + 1, 0);
  vAsciiToEbcdic(ab.data(), reinterpret_cast<const uint8_t *>(str.data()), str.size());
  return ab;
}

bool bStatementInHand(bool bXref, uint32_t ulStmt)
{
  vFrontReset();
  vCharsReset();
  if (iOptableLoadImage(g_abOptImage, g_ulOptImageSize, "x") != 0) return false;
  vSymbolsReset(bXref);
  g_asm.ulFlagInForce = 0;
  vStmtStart();
  g_asm.ulStmtNo = ulStmt;
  return true;
}

void vStatementRelease()
{
  vSubpoolRelease(SP_RUN);
  vOptableRelease();
}

void CoreTest::SetUp()
{
  vFrontReset();
  vCharsReset();
  iCharsPair(0xAC, 0x5F); /* the not sign */
  vCharsBuildClasses();
  ASSERT_EQ(iOptableLoadImage(g_abOptImage, g_ulOptImageSize, "x"), 0);
  vOptableSelect(OPTABLE_UNI);
  vOpindexBuild(false);
  char szDir[] = "/tmp/vorncoreXXXXXX";
  strDir = mkdtemp(szDir);
  g_opt.ulProcess = PROC_DEFAULT;
  g_opt.ulFlag = FLAG_DEFAULT;
  g_opt.bPrintForced = 0;
  g_opt.bPrintAllowed = 0xFF;
  g_opt.bTerm = 0;
  g_opt.pszLibExit = nullptr;
  g_opt.bExecAllowed = false;
  g_opt.bAlign = false;
  g_asm.pTerm = nullptr;
  g_asm.ulTrace = 0;
  g_asm.ulFlagInForce = FLAG_DEFAULT;
  vPhaseSet('1', 'C');
}

void CoreTest::TearDown()
{
  vSourceCloseAll();
  vWorkDeleteAll();
  g_opt.apszSysin = g_opt.apszSysinShow = nullptr;
  g_opt.ulSysinCount = 0;
  g_opt.apszSyslib = nullptr;
  g_opt.ulSyslibCount = 0;
  g_opt.pszLibExit = nullptr;
  vOpindexDrop();
  vSubpoolRelease(SP_PHASE1);
  vOptableRelease();
  vPhaseSet('0', 'N');
  std::system(("rm -rf '" + strDir + "'").c_str());
}

std::string CoreTest::strWrite(const std::string &strName, const std::string &strText)
{
  std::string strPath = strDir + "/" + strName;
  std::ofstream(strPath, std::ios::binary) << strText;
  return strPath;
}

bool CoreTest::bOpen(const std::vector<std::string> &astrNames)
{
  astrFiles.clear();
  for (const auto &str : astrNames) astrFiles.push_back(strDir + "/" + str);
  apszFiles.clear();
  for (auto &str : astrFiles) apszFiles.push_back(str.data());
  g_opt.apszSysin = g_opt.apszSysinShow = apszFiles.data();
  g_opt.ulSysinCount = static_cast<uint32_t>(apszFiles.size());
  return bSourceOpenPrimary();
}

void CoreTest::vLibrary(const std::string &strSuffix)
{
  strPattern = strDir + "/*" + strSuffix;
  apszSyslib[0] = strPattern.data();
  g_opt.apszSyslib = apszSyslib;
  g_opt.ulSyslibCount = 1;
}

std::vector<std::string> CoreTest::astrPhase1(const std::string &strSource)
{
  strWrite("source.asm", strSource);
  std::vector<std::string> astr;
  if (!bOpen({"source.asm"})) return astr;
  vPhase1();
  vOpindexBuild(false); /* the phase dropped its index */
  if (lStmtFirst(0) == 0) return astr;
  while (lStmtNext(0) != 0) astr.push_back(strRecordDump());
  return astr;
}

std::vector<std::string> CoreTest::astrCode(const std::string &strSource)
{
  std::vector<std::string> astr;
  astrPhase1(strSource);
  vPhaseSet('2', 'G');
  vCodePhaseStart();
  if (lStmtFirst(0) == 0) return astr;
  while (lStmtNext(0) != 0) {
    vCodeStatement();
    char ach[32];
    std::snprintf(ach, sizeof ach, " at=%06X", ulGet32(pRecord() + STMT_LOCATION));
    std::string str = strRecordDump() + ach;
    uint8_t ab[64];
    bool bFirst = true;
    for (uint32_t n; (n = iStmtBytesGet(sizeof ab, ab)) != 0;) {
      if (bFirst) str += " bytes=";
      bFirst = false;
      for (uint32_t i = 0; i < n; i++) {
        std::snprintf(ach, sizeof ach, "%02X", ab[i]);
        str += ach;
      }
    }
    astr.push_back(str);
  }
  vPhaseSet('0', 'N');
  return astr;
}

std::string strProgram(const std::vector<std::string> &astrLines)
{
  std::string str;
  for (const auto &s : astrLines) {
    std::string strLabel = s.substr(0, s.find(' '));
    if (strLabel == "-") strLabel.clear();
    std::string strRest = s.substr(s.find(' ') + 1);
    std::string strOp = strRest.substr(0, strRest.find(' '));
    std::string strOperands = strRest.find(' ') == std::string::npos ? "" : strRest.substr(strRest.find(' ') + 1);
    strLabel.resize(std::max<size_t>(9, strLabel.size() + 1), ' ');
    strOp.resize(6, ' ');
    str += strLabel + strOp + strOperands + "\n";
  }
  return str;
}

std::string strRecordDump()
{
  vStmtFlushTail(); /* the record as the finished statement has it */
  const uint8_t *p = pRecord();
  char achHead[64];
  std::snprintf(achHead, sizeof achHead, "%u flags=%04X", ulGet32(p + STMT_NUMBER), usGet16(p + STMT_FLAGS));
  std::string str = achHead;
  int16_t sIndex = static_cast<int16_t>(usGet16(p + STMT_OPINDEX));
  if (sIndex >= 0 && static_cast<uint32_t>(sIndex) < g_optab.ulCount) {
    const uint8_t *pName = g_optab.pEntries[sIndex].abName;
    size_t n = 0;
    while (n < 8 && pName[n] != 0) n++;
    str += " op=" + strAscii(pName, n);
  }
  bool bOperands = false;
  for (uint32_t ulOff = STMT_HEAD; ulOff + 4 <= g_rec.ulLength;) {
    uint32_t ulWord = ulGet32(p + ulOff);
    uint32_t ulLen = ulWord >> 8;
    if (ulLen < 4) break;
    const uint8_t *pBody = p + ulOff + 4;
    switch (ulWord & 0xFF) {
    case SUB_LABEL:
      str += " label=" + strAscii(pBody, ulLen - 4);
      break;
    case SUB_OPERAND:
      str += (bOperands ? "[" : " operands=[") + strAscii(pBody, ulLen - 4) + "]";
      bOperands = true;
      break;
    case SUB_DIAG:
      str += " diag=" + std::to_string(static_cast<int16_t>(usGet16(pBody))) + "/" + std::to_string(pBody[3]) + ":" +
             (pBody[2] == DIAG_NAME_TEXT ? strAscii(pBody + 4, ulLen - 8)
                                         : std::string(reinterpret_cast<const char *>(pBody + 4), ulLen - 8));
      break;
    case SUB_DIAG_SLOT:
      str += " slot=" + std::to_string(static_cast<int16_t>(usGet16(pBody)));
      if (usGet16(pBody) != 0) {
        std::string strText = pTextOfHandle(ulGet32(pBody + 4));
        if (pBody[2] == DIAG_NAME_TEXT)
          strText = strAscii(reinterpret_cast<const uint8_t *>(strText.data()), strText.size());
        str += "/" + std::to_string(pBody[3]) + ":" + strText;
      }
      break;
    case SUB_SOURCE:
      str += " src";
      break;
    default:
      str += " sub" + std::to_string(ulWord & 0xFF);
    }
    ulOff += ulLen;
  }
  return str;
}
