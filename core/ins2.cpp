/*
** ins2.cpp - machine instruction encoding (module "ins2").  Not built yet:
** the handlers generate nothing.
*/
#include "ins2.h"

namespace {
LISTADDRS g_addrs = {};
}

void vMachineInstruction() {}
void vCcwStatement() {}
void vCnopStatement() {}
void vCxdStatement() {}
void vSConstant(EXPRCTX *, const EXPRNODE *, unsigned, uint8_t abOut[2]) { abOut[0] = abOut[1] = 0; }
int32_t lSignedDecimal(const uint8_t *, uint32_t, unsigned) { return 0; }
int iQuotedString(const uint8_t *, uint32_t, uint8_t *, uint32_t) { return -1; }
const LISTADDRS *pListAddresses() { return &g_addrs; }
