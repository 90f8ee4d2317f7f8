// genprog - writes a large assembler program for benchmarks.
//
// Usage: genprog [--gnu] STATEMENTS [SEED] > prog.asm
// The program is a sequence of sections of 800 statements, each under one
// USING: RR, RX, RS and SS instructions, word constants, EQUs and comments.
// Instructions and EQUs refer to the constant of the next group of ten
// statements (a forward reference) or, at the end of a section, of their own
// group, so every symbol is defined and addressable and the assembly is
// clean.
// With --gnu the same program is written line for line in the syntax of GNU
// as for s390 (labels with colons, %r registers, explicit base register 12
// with displacements from the section's label, .long after .balign 4 for a
// word constant, = for EQU, # for comments and for USING and END), so that
// both assemblers can be timed on the same statements.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

unsigned g_uState = 1;
bool g_bGnu = false;
long g_lSection = 0; /* number of the section being written */

unsigned uRandom(unsigned uLimit)
{
  g_uState = g_uState * 1103515245u + 12345u;
  return (g_uState >> 16) % uLimit;
}

void vLine(const char *pszLabel, const char *pszOp, const char *pszOperands)
{
  std::printf("%-8s %-5s %s\n", pszLabel, pszOp, pszOperands);
}

/* GNU as: mnemonic in lower case, operands as given. */
void vGnuLine(const char *pszOp, const char *pszOperands)
{
  std::string strOp(pszOp);
  for (char &c : strOp) c = static_cast<char>(c - 'A' + 'a');
  std::printf("\t%-5s %s\n", strOp.c_str(), pszOperands);
}

std::string strFormat(const char *pszFormat, ...) __attribute__((format(printf, 1, 2)));
std::string strFormat(const char *pszFormat, ...)
{
  char sz[128];
  va_list args;
  va_start(args, pszFormat);
  std::vsnprintf(sz, sizeof sz, pszFormat, args);
  va_end(args);
  return sz;
}

/* A storage operand: the constant addressed through base register 12. */
std::string strStorage(long lTargetStmt)
{
  return g_bGnu ? strFormat("F%07ld-SECT%04ld(%%r12)", lTargetStmt, g_lSection) : strFormat("F%07ld", lTargetStmt);
}

std::string strRegister(unsigned uReg) { return strFormat(g_bGnu ? "%%r%u" : "%u", uReg); }

/* A labelled statement: its fields, or its GNU line. */
void vLabelled(const std::string &strLabel, const char *pszOp, const std::string &strOperands,
               const std::string &strGnu)
{
  if (g_bGnu)
    std::printf("%s\n", strGnu.c_str());
  else
    vLine(strLabel.c_str(), pszOp, strOperands.c_str());
}

void vInstruction(const char *pszOp, const std::string &strOperands)
{
  if (g_bGnu)
    vGnuLine(pszOp, strOperands.c_str());
  else
    vLine("", pszOp, strOperands.c_str());
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
  int iArg = 1;
  if (argc > 1 && std::string(argv[1]) == "--gnu") {
    g_bGnu = true;
    iArg++;
  }
  if (argc <= iArg) {
    std::fprintf(stderr, "Usage: genprog [--gnu] STATEMENTS [SEED]\n");
    return 1;
  }
  long lStatements = std::strtol(argv[iArg], nullptr, 10);
  g_uState = argc > iArg + 1 ? static_cast<unsigned>(std::strtoul(argv[iArg + 1], nullptr, 10)) : 1;
  static const char *const apszRx[] = {"L", "ST", "LA", "A", "S", "IC", "STC", "N", "O", "X"};
  static const char *const apszRr[] = {"LR", "AR", "SR", "NR", "OR", "XR", "CR", "LTR"};
  static const char *const apszSs[] = {"MVC", "CLC", "NC", "OC", "XC"};
  char szLabel[32];
  for (long i = 0; i < lStatements - 1; i++) {
    long lTargetStmt = lTarget(i, lStatements);
    if (i % SECTION == 0) {
      g_lSection = i / SECTION;
      std::snprintf(szLabel, sizeof szLabel, "SECT%04ld", g_lSection);
      if (g_bGnu) {
        std::printf("%s:\n# USING *,12\n", szLabel);
      } else {
        vLine(szLabel, "CSECT", "");
        vLine("", "USING", "*,12");
      }
      i++; /* the USING is statement i + 1 */
      continue;
    }
    if (i % GROUP == 2) {
      unsigned uValue = uRandom(100000);
      vLabelled(strFormat("F%07ld", i), "DC", strFormat("F'%u'", uValue),
                strFormat("\t.balign 4; F%07ld: .long %u", i, uValue));
      continue;
    }
    if (i % GROUP == 6) {
      vLabelled(strFormat("E%07ld", i), "EQU", strFormat("F%07ld+4", lTargetStmt),
                strFormat("E%07ld = F%07ld+4", i, lTargetStmt));
      continue;
    }
    unsigned uKind = uRandom(10);
    if (uKind == 0) {
      std::printf(g_bGnu ? "# comment line %ld of the benchmark program\n"
                         : "* comment line %ld of the benchmark program\n",
                  i);
    } else if (uKind <= 3) {
      unsigned uR2 = uRandom(16); /* drawn in the order the program has always used */
      unsigned uR1 = uRandom(16);
      vInstruction(apszRr[uRandom(sizeof apszRr / sizeof *apszRr)], strRegister(uR1) + "," + strRegister(uR2));
    } else if (uKind <= 4) {
      unsigned uBase = uRandom(15) + 1;
      vInstruction(apszSs[uRandom(sizeof apszSs / sizeof *apszSs)],
                   "0(4," + strRegister(uBase) + ")," + strStorage(lTargetStmt));
    } else if (uKind <= 5) {
      unsigned uR3 = uRandom(16);
      unsigned uR1 = uRandom(16);
      vInstruction(uRandom(2) ? "STM" : "LM",
                   strRegister(uR1) + "," + strRegister(uR3) + "," + strStorage(lTargetStmt));
    } else {
      unsigned uR1 = uRandom(16);
      vInstruction(apszRx[uRandom(sizeof apszRx / sizeof *apszRx)], strRegister(uR1) + "," + strStorage(lTargetStmt));
    }
  }
  if (g_bGnu)
    std::printf("# END\n");
  else
    vLine("", "END", "");
  return 0;
}
