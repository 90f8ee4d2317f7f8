/*
** def2.cpp - DC constants in the code generation phase (module "def2").
** Not built yet: the handlers generate nothing.
*/
#include "def2.h"

void vDcStatement() {}
void vLiteralStatement() {}
int32_t iDcGenerate(EXPRCTX *, EXPRNODE *, unsigned, int32_t lLocation, uint8_t *, unsigned *) { return lLocation; }
