#include "testfront.h"

TESTFRONT g_front;

void vFrontReset()
{
  g_front.strOut.clear();
  g_front.strFatal.clear();
  g_front.iPolls = 0;
  g_front.iEndAtPoll = 0;
}

void vFrontWrite(const char *pszText) { g_front.strOut += pszText; }

void vFrontFatal(const char *pszText)
{
  g_front.strFatal = pszText;
  g_front.strOut += pszText;
  g_front.strOut += '\n';
  vAsmCloseAll();
  throw AsmTerminated{};
}

const char *pFrontAskSource(const char *, const char *) { return nullptr; }

void vFrontPoll()
{
  if (++g_front.iPolls != g_front.iEndAtPoll) return;
  vAsmCloseAll();
  throw AsmTerminated{};
}
