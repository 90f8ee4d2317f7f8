// genmacro - writes a macro-heavy assembler program for benchmarks.
//
// Usage: genmacro CALLS > prog.asm
// Two in-source macros: FILL takes positional and keyword parameters and
// loops with AIF over a count, calling the inner macro ITEM for each
// element of a sublist; every call generates about a dozen statements
// (constants, a labelled instruction and a branch around them).
#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
  long lCalls = argc > 1 ? std::atol(argv[1]) : 5000;
  if (lCalls < 1) lCalls = 1;
  std::printf("BENCH    CSECT\n"
              "         USING BENCH,15\n"
              "         MACRO\n"
              "&NAME    ITEM  &V,&TYPE=F\n"
              "&NAME    DC    &TYPE'&V'\n"
              "         MEND\n"
              "         MACRO\n"
              "&NAME    FILL  &LIST,&REG,&COUNT=2,&TYPE=F\n"
              "         LCLA  &I\n"
              "         DROP  15\n"
              "&NAME    DS    0H\n"
              "         USING *,15\n"
              "         B     FL&SYSNDX\n"
              ".LOOP    ANOP\n"
              "&I       SETA  &I+1\n"
              "         ITEM  &LIST(&I),TYPE=&TYPE\n"
              "         AIF   (&I LT N'&LIST).LOOP\n"
              "&I       SETA  0\n"
              ".REP     ANOP\n"
              "&I       SETA  &I+1\n"
              "         DC    H'&I'\n"
              "         AIF   (&I LT &COUNT).REP\n"
              "FL&SYSNDX LA   &REG,&NAME\n"
              "         LTR   &REG,&REG\n"
              "         MEND\n");
  for (long i = 0; i < lCalls; i++) {
    char achName[32];
    std::snprintf(achName, sizeof achName, "C%07ld", i);
    if (i % 2 == 0)
      std::printf("%-8s FILL  (1,2,3,4),%ld,COUNT=3\n", achName, i % 15 + 1);
    else
      std::printf("%-8s FILL  (%ld,7),%ld,TYPE=H,COUNT=4\n", achName, i % 1000, i % 15 + 1);
  }
  std::printf("         END\n");
  return 0;
}
