// genprog - writes a large assembler program for benchmarks.
//
// Usage: genprog STATEMENTS [SEED] > prog.asm
// The program is a sequence of sections of 800 statements, each under one
// USING: RR, RX, RS and SS instructions, word constants, EQUs and comments.
// Instructions and EQUs refer to the constant of the next group of ten
// statements (a forward reference) or, at the end of a section, of their own
// group, so every symbol is defined and addressable and the assembly is
// clean.
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

constexpr long SECTION = 800; /* statements per section */
constexpr long GROUP = 10;    /* one constant per group, at offset 2 */

/* The constant a statement refers to: the next group's, if it is in the
   same section and exists, else its own group's. */
long lTarget(long i, long lStatements)
{
  long lNext = i / GROUP * GROUP + GROUP + 2;
  if (lNext / SECTION == i / SECTION && lNext < lStatements - 1) return lNext;
  return i / GROUP * GROUP + 2;
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
  static const char *const apszRx[] = {"L", "ST", "LA", "A", "S", "IC", "STC", "N", "O", "X"};
  static const char *const apszRr[] = {"LR", "AR", "SR", "NR", "OR", "XR", "CR", "LTR"};
  static const char *const apszSs[] = {"MVC", "CLC", "NC", "OC", "XC"};
  char szLabel[32], szOperands[96];
  for (long i = 0; i < lStatements - 1; i++) {
    long lTargetStmt = lTarget(i, lStatements);
    if (i % SECTION == 0) {
      std::snprintf(szLabel, sizeof szLabel, "SECT%04ld", i / SECTION);
      vLine(szLabel, "CSECT", "");
      vLine("", "USING", "*,12");
      i++; /* the USING is statement i + 1 */
      continue;
    }
    if (i % GROUP == 2) {
      std::snprintf(szLabel, sizeof szLabel, "F%07ld", i);
      std::snprintf(szOperands, sizeof szOperands, "F'%u'", uRandom(100000));
      vLine(szLabel, "DC", szOperands);
      continue;
    }
    if (i % GROUP == 6) {
      std::snprintf(szLabel, sizeof szLabel, "E%07ld", i);
      std::snprintf(szOperands, sizeof szOperands, "F%07ld+4", lTargetStmt);
      vLine(szLabel, "EQU", szOperands);
      continue;
    }
    unsigned uKind = uRandom(10);
    if (uKind == 0) {
      std::printf("* comment line %ld of the benchmark program\n", i);
    } else if (uKind <= 3) {
      std::snprintf(szOperands, sizeof szOperands, "%u,%u", uRandom(16), uRandom(16));
      vLine("", apszRr[uRandom(sizeof apszRr / sizeof *apszRr)], szOperands);
    } else if (uKind <= 4) {
      std::snprintf(szOperands, sizeof szOperands, "0(4,%u),F%07ld", uRandom(15) + 1, lTargetStmt);
      vLine("", apszSs[uRandom(sizeof apszSs / sizeof *apszSs)], szOperands);
    } else if (uKind <= 5) {
      std::snprintf(szOperands, sizeof szOperands, "%u,%u,F%07ld", uRandom(16), uRandom(16), lTargetStmt);
      vLine("", uRandom(2) ? "STM" : "LM", szOperands);
    } else {
      std::snprintf(szOperands, sizeof szOperands, "%u,F%07ld", uRandom(16), lTargetStmt);
      vLine("", apszRx[uRandom(sizeof apszRx / sizeof *apszRx)], szOperands);
    }
  }
  vLine("", "END", "");
  return 0;
}
