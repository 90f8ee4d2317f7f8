/*
** fix1.h - the address resolution passes (module "fix1").
**
** Between the conditional assembly phase and the layout of the external
** symbols, statements still marked for revisiting (STMT flag 0x4000) are
** re-read from SYSUT1 and handed to their first-phase handlers again, pass
** after pass, until nothing is left unresolved.  Records are rewritten in
** place and never change length.
*/
#pragma once

#include <cstdint>

#include "expr.h"
#include "stmt.h"

/* Evaluation flags that let a handler defer instead of reporting: both
   "undefined" and "not yet known" in the conditional assembly phase, only
   "not yet known" in ordinary passes, none in final passes (the pass is
   lResolvePass of stmt.h, which these passes set). */
inline uint32_t ulPassPendingFlags()
{
  int32_t lPass = lResolvePass();
  if (lPass == 0) return EF_UNDEFINED_OK | EF_ATTRIBUTE_OK;
  return lPass > 0 ? static_cast<uint32_t>(EF_ATTRIBUTE_OK) : 0u;
}

/* Runs every cycle and pass (nothing when no statement is unresolved). */
void vResolveAddresses();
/* One pass over the window; the number of records rewritten. */
uint32_t iResolvePass();
/* Rewrites the record in hand at the position it was read from. */
void vStmtRewrite();
