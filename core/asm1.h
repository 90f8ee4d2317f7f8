/*
** asm1.h - the conditional assembly phase (module "asm1").
*/
#pragma once

/* One conditional assembly phase: reads and stores every statement of a
   program, runs the resolution passes and completes the external symbol
   dictionary. */
void vPhase1();
