/* Front end for in-process tests: captures what the core writes and turns
   termination into an AsmTerminated exception. */
#pragma once

#include <string>

#include "vorn.h"

struct TESTFRONT {
  std::string strOut;   /* everything written through vFrontWrite */
  std::string strFatal; /* the text given to vFrontFatal */
  int iPolls;
  int iEndAtPoll; /* the poll that ends the run as a user's cancel would; 0 none */
};
extern TESTFRONT g_front;

void vFrontReset();

/* Runs f, expecting termination; returns the messages written before it. */
template <typename F> std::string strExpectTerminate(F f)
{
  vFrontReset();
  try {
    f();
  } catch (const AsmTerminated &) {
    return g_front.strOut;
  }
  return "(not terminated) " + g_front.strOut;
}
