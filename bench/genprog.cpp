// genprog - writes a large assembler program for benchmarks.
//
// Usage: genprog STATEMENTS [SEED] > prog.asm
// The program is a sequence of sections with machine instructions, constants,
// comments and forward references, ended by END, in 80-column records.
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

unsigned g_uState = 1;

unsigned uRandom(unsigned uLimit)
{
  g_uState = g_uState * 1103515245u + 12345u;
  return (g_uState >> 16) % uLimit;
}

void vLine(const char *pszLabel, const char *pszOp, const char *pszOperands)
{
  std::printf("%-8s %-5s %s\n", pszLabel, pszOp, pszOperands);
}

} // namespace

int main(int argc, char **argv)
{
  if (argc < 2) {
    std::fprintf(stderr, "Usage: genprog STATEMENTS [SEED]\n");
    return 1;
  }
  long lStatements = std::strtol(argv[1], nullptr, 10);
  g_uState = argc > 2 ? static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10)) : 1;
  static const char *const apszOps[] = {"L", "ST", "LA", "A", "S", "MVC", "CLC", "LR", "AR", "BALR", "IC", "STC"};
  long lSection = 0;
  char szLabel[32], szOperands[96];
  for (long i = 0; i < lStatements - 1; i++) {
    if (i % 2000 == 0) {
      std::snprintf(szLabel, sizeof szLabel, "SECT%04ld", lSection++);
      vLine(szLabel, "CSECT", "");
      vLine("", "USING", "*,12");
      continue;
    }
    unsigned uKind = uRandom(10);
    if (uKind == 0) {
      std::printf("* comment line %ld of the benchmark program\n", i);
    } else if (uKind == 1) {
      std::snprintf(szLabel, sizeof szLabel, "F%07ld", i);
      std::snprintf(szOperands, sizeof szOperands, "F'%u'", uRandom(100000));
      vLine(szLabel, "DC", szOperands);
    } else {
      const char *pszOp = apszOps[uRandom(sizeof apszOps / sizeof *apszOps)];
      unsigned uTarget = static_cast<unsigned>(i + uRandom(50));
      if (pszOp[0] == 'M' || pszOp[0] == 'C')
        std::snprintf(szOperands, sizeof szOperands, "0(8,%u),F%07u", uRandom(15) + 1, uTarget);
      else if (pszOp[std::char_traits<char>::length(pszOp) - 1] == 'R')
        std::snprintf(szOperands, sizeof szOperands, "%u,%u", uRandom(16), uRandom(16));
      else
        std::snprintf(szOperands, sizeof szOperands, "%u,F%07u", uRandom(16), uTarget);
      vLine("", pszOp, szOperands);
    }
  }
  vLine("", "END", "");
  return 0;
}
