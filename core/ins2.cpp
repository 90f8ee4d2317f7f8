/*
** ins2.cpp - machine instruction encoding (module "ins2").
**
** Calls: esd1, eval, lbl, msc2, pars, pun2, stmt, usg2.
** Called by: asm2, def2, msc2.
**
** Owns the listing addresses of the statement handled last and the
** expression storage of its operands (a heap storage stack that lives for
** the run, reset for every operand).
**
** Every machine instruction is built from its operation code table entry:
** an image of the entry's length starts with the skeleton bytes, and each
** operand's descriptor (OPDESC) says what the operand is (register,
** immediate, relative target, storage address) and in which byte and half
** byte its main and secondary fields go.  Nothing here knows an instruction
** format by name; the few instruction-specific checks and the place of the
** second opcode byte of six-byte instructions look at opcodes only.
**
** Notes on the design:
**  - The operand sub-records are parsed in the record in hand, which stays
**    in place while diagnostics are attached (gen1 collects them beside
**    it); the expression trees point into it.
**  - Fields are ORed into the image and a value of 0 writes nothing, so an
**    operand that fails leaves the fields of the others intact and the
**    statement keeps its bytes as far as they were built.
**  - Every field write is checked against the instruction length, so a
**    table file with descriptors that point past the instruction cannot
**    overrun the image.
**  - A diagnostic of the structure, base, secondary-field or base and
**    displacement steps ends the operand; the warnings that follow them
**    (reentrancy, alignment, page zero, access register) accumulate.
*/
#define MEM_MODULE "ins2"

#include "ins2.h"

#include <cstdio>
#include <cstring>

#include "asm0.h"
#include "chars.h"
#include "def1.h"
#include "esd1.h"
#include "expr.h"
#include "gen1.h"
#include "instr.h"
#include "lbl.h"
#include "mem.h"
#include "msc2.h"
#include "opt.h"
#include "pun2.h"
#include "usg2.h"
#include "vorn.h"
#include "work.h"

namespace {

/* ---- messages -------------------------------------------------------------- */

enum INSMSG {
  IM_BRANCH_TARGET,   /* 309 */
  IM_SCON_INDEX,      /* 310 */
  IM_BASE,            /* 311 */
  IM_STRIDE,          /* 312 */
  IM_INDEX,           /* 313 */
  IM_LENGTH,          /* 314 */
  IM_DISPLACEMENT,    /* 316 */
  IM_ADDRESSABILITY,  /* 317 */
  IM_IMPLICIT_LENGTH, /* 318 */
  IM_SPECIFICATION,   /* 319 */
  IM_ALIGN_REQUIRED,  /* 400 */
  IM_RENT_RSECT,      /* 401 */
  IM_LENGTH_SPEC,     /* 402 */
  IM_ALIGN,           /* 500 */
  IM_RENT,            /* 501 */
  IM_BRANCH_PSA,      /* 502 */
  IM_MODIFY_PSA,      /* 503 */
  IM_ACCESS_PSA,      /* 504 */
  IM_AR_UNUSED,       /* 505 */
  IM_RELOCATABLE,     /* 509 */
  IM_FLOAT_PAIR,      /* 315, operand */
  IM_FLOAT16,         /* 315, operand */
  IM_FLOAT16_PAIR,    /* 315, operand */
  IM_EVEN,            /* 315, operand, kind */
  IM_MUST_BE,         /* 315, operand, kind */
  IM_COUNT
};

/* A text without a final full stop is a stem (iStmtDiagStem); the 315 rows
   are formats for the operand number and the suffix of the operand kind.
   Message 111 is gen1's (iStmtDiagOperand), 322 and 510 are def1's. */
const MSGDEF c_aMsg[] = {
    {309, 12, "Invalid target of branch relative instruction."},
    {310, 12, "Index register is not allowed in S-constant"},
    {311, 12, "Invalid base register"},
    {312, 12, "Invalid stride register"},
    {313, 12, "Invalid index register"},
    {314, 12, "Invalid length field"},
    {316, 12, "Invalid displacement"},
    {317, 12, "Addressability error"},
    {318, 12, "Implicit length is too invalid."},
    {319, 12, "Specification error"},
    {400, 8, "Improper alignment"},
    {401, 8, "Reentrancy check failed"},
    {402, 8, "Length specification error"},
    {500, 4, "Improper alignment"},
    {501, 4, "Reentrancy check failed"},
    {502, 4, "Branch reference to page zero"},
    {503, 4, "Storage modification to page zero"},
    {504, 4, "Storage access from page zero"},
    {505, 4, "Access register will not be used"},
    {509, 4, "Relocatable value expected"},
    {315, 12, "Operand %u must be floating point register 0 or 4."},
    {315, 12, "Operand %u must be a floating point register (0-15)."},
    {315, 12, "Operand %u must be a floating point register pair (0,1,4,5,8,9,12 or 13)."},
    {315, 12, "Operand %u must be an even%s"},
    {315, 12, "Operand %u must be a%s"},
};
static_assert(sizeof c_aMsg / sizeof c_aMsg[0] == IM_COUNT);

/* Message 315: "Operand %u must be a" and the suffix of the operand kind. */
const char *const c_apszMustBe[] = {
    " general register (0-15).",              /* 0 */
    " access register (0-15).",               /* 1 */
    " control register (0-15).",              /* 2 */
    " vector register (0-15).",               /* 3 */
    " floating point register (0,2,4 or 6).", /* 4 */
    "n immediate value (0-9).",               /* 5 */
    "n immediate value (0-15).",              /* 6 */
    "n immediate value (0-255).",             /* 7 */
    "n immediate value (-32768 - 65535).",    /* 8 */
    "",                                       /* 9: message 309 instead */
    " general register (0-15).",              /* 10 */
};

void vDiag(const MSGDEF &m, unsigned uOperand)
{
  size_t ulText = std::strlen(m.pszText);
  if (m.pszText[ulText - 1] == '.')
    iStmtMsg(m);
  else
    iStmtDiagStem(m, uOperand);
}

void vDiag(INSMSG eMsg, unsigned uOperand) { vDiag(c_aMsg[eMsg], uOperand); }

/* Operand kinds of the descriptor word. */
enum : uint8_t {
  K_GENERAL = 0,
  K_FLOAT = 4,
  K_IMM4 = 5,
  K_MASK = 6,
  K_BYTE = 7,
  K_HALFWORD = 8,
  K_RELATIVE = 9,
  K_STRIDE = 10,
  K_DB = 11,
  K_DXB = 12,
  K_DLB8 = 13,
  K_DLB16 = 14,
  K_DLB256 = 15,
  K_RELATIVE_LONG = 16, /* relative target: 32-bit halfword count */
  K_FLOAT16 = 17,       /* floating point register of a machine with 16 of them */
};

void vMustBe(unsigned uOperand, uint8_t bKind, unsigned uAlign)
{
  const char *pszSuffix = bKind < sizeof c_apszMustBe / sizeof c_apszMustBe[0] ? c_apszMustBe[bKind] : "";
  if (bKind == K_FLOAT16)
    iStmtMsg(c_aMsg[uAlign == 4 ? IM_FLOAT16_PAIR : IM_FLOAT16], uOperand);
  else if (bKind == 4 && uAlign == 4)
    iStmtMsg(c_aMsg[IM_FLOAT_PAIR], uOperand);
  else if (bKind != 4 && uAlign == 2)
    iStmtMsg(c_aMsg[IM_EVEN], uOperand, pszSuffix[0] == 'n' ? pszSuffix + 1 : pszSuffix);
  else
    iStmtMsg(c_aMsg[IM_MUST_BE], uOperand, pszSuffix);
}

/* ---- descriptors ------------------------------------------------------------- */

bool bRelativeKind(uint8_t bKind) { return bKind == K_RELATIVE || bKind == K_RELATIVE_LONG; }
/* Registers, immediates and relative targets: no parenthesized part. */
bool bValueKind(uint8_t bKind) { return bKind <= K_RELATIVE || bKind == K_RELATIVE_LONG || bKind == K_FLOAT16; }
bool bAddressKind(uint8_t bKind) { return bKind >= K_DB && bKind <= K_DLB256; }

/* Flags word. */
enum : uint32_t {
  DF_ACCESS = 0x0003, /* 1 fetch, 2 branch, 3 store */
  DF_AR_CHECK = 0x0030,
  DF_NO_PSA = 0x0100,
  DF_ALIGN_REQUIRED = 0x0400,
  DF_SECOND_COLUMN = 0x0800,
};
enum : uint32_t { ACC_FETCH = 1, ACC_BRANCH = 2, ACC_STORE = 3 };

struct DESC {
  uint8_t bKind;
  bool bMainLow;
  uint32_t ulMainByte;
  bool bSecLow;
  uint32_t ulSecByte;
  unsigned uAlign;
  bool bOffset; /* bits 8-15 not all 0: a field in an instruction */
  uint32_t ulFlags;
};

DESC descDecode(uint32_t ulDesc, uint32_t ulFlags)
{
  DESC d;
  d.bKind = static_cast<uint8_t>(ulDesc);
  d.bMainLow = (ulDesc & 0x100) != 0;
  d.ulMainByte = (ulDesc >> 9) & 0x7F;
  d.bSecLow = (ulDesc & 0x10000) != 0;
  d.ulSecByte = (ulDesc >> 17) & 0x7F;
  d.uAlign = ulDesc >> 24;
  d.bOffset = ((ulDesc >> 8) & 0xFF) != 0;
  d.ulFlags = ulFlags;
  return d;
}

/* ---- state ------------------------------------------------------------------ */

constexpr uint32_t IMAGE_MAX = 256;
constexpr uint8_t OPCODE_EX = 0x44;
constexpr int OPERANDS_MAX = 4;
constexpr int32_t DISPLACEMENT_MAX = 4095;
constexpr int32_t CCW_ADDRESS_MAX = 0xFFFFFF;

struct INSSTATE {
  STACKHDR *pStack; /* expression storage, reset per operand; lives for the run */
  EXPRCTX ctx;      /* the context of the operand in hand, also per operand */
};
INSSTATE g_ins = {nullptr, {}};

STACKHDR *pOperandStack()
{
  if (g_ins.pStack == nullptr) g_ins.pStack = pStackCreate(SP_HEAP);
  vStackReset(g_ins.pStack);
  return g_ins.pStack;
}

/* The operand sub-records of the record in hand: the first, and the number
   of them. */
int iOperandsOf(const uint8_t **ppFirst)
{
  uint32_t ulLabel = 0;
  const uint8_t *pLabel = nullptr, *pFirst = nullptr;
  int iOperands = iStmtLocate(&ulLabel, &pLabel, &pFirst);
  *ppFirst = iOperands > 0 ? pFirst : nullptr;
  return iOperands > 0 ? iOperands : 0;
}

void vAddressesReset()
{
  rStmtListAddresses() = LISTADDRS{};
  rStmtListAddresses().ulStmt = g_asm.ulStmtNo;
}

/* Section and location of the statement in hand (-1, 0 without one). */
void vHere(int32_t *plSection, int32_t *plLocation)
{
  bool bKnown = !(usStmtFlags() & SF_UNASSIGNED);
  *plSection = bKnown ? lStmtSection() : -1;
  *plLocation = bKnown ? static_cast<int32_t>(ulStmtLocation()) : 0;
}

/* ---- one operand ----------------------------------------------------------- */

/* What one operand is encoded with. */
struct OPERAND {
  EXPRCTX *c;
  unsigned uNumber;
  uint8_t *pImage;
  uint32_t ulLength; /* instruction length */
  uint8_t bOpcode;   /* first opcode byte; 0 for an S-type constant */
  int32_t lSection;  /* * */
  int32_t lLocation;
  DESC d;
  unsigned uAlign; /* alignment in force */
};

void vOrByte(OPERAND &o, uint32_t ulByte, uint32_t ulValue)
{
  if (ulByte < o.ulLength) o.pImage[ulByte] = static_cast<uint8_t>(o.pImage[ulByte] | ulValue);
}

void vOrHalf(OPERAND &o, uint32_t ulByte, bool bLow, uint32_t ulValue)
{
  vOrByte(o, ulByte, bLow ? ulValue & 0x0F : (ulValue & 0x0F) << 4);
}

/* Evaluates a part of the operand; false after the error was attached. */
bool bEvaluate(OPERAND &o, const EXPRNODE *n, uint8_t bLetter, uint32_t ulFlags, EXPRVALUE *pValue)
{
  uint32_t ulLocation = (o.ulLength & EF_LOCATION) != 0 ? o.ulLength & EF_LOCATION : 1;
  EXPRVALUE *v = n == nullptr ? nullptr
                              : pExprEvaluate(o.c, const_cast<EXPRNODE *>(n), ulRefWord(g_asm.ulStmtNo, bLetter),
                                              o.lSection, o.lLocation, ulLocation | ulFlags);
  if (v == nullptr) {
    if (bExprFailed(o.c))
      iExprDiag(o.c);
    else
      iStmtDiagOperand(o.uNumber);
    return false;
  }
  *pValue = *v;
  return true;
}

bool bAbsoluteValue(OPERAND &o, const EXPRNODE *n, int32_t *plValue)
{
  EXPRVALUE v;
  if (!bEvaluate(o, n, 0, EF_ABSOLUTE, &v)) return false;
  *plValue = v.lValue;
  return true;
}

bool bIsAbsolute(const EXPRVALUE &v) { return v.ulPositive == 0 && v.ulNegative == 0; }

/* Relative target: the halfword count, or false after message 309.  A
   relative-long count has 32 bits, which every count of a 32-bit value
   fits. */
bool bRelativeCount(OPERAND &o, const EXPRVALUE &v, int32_t *plCount)
{
  int64_t llCount = v.lValue;
  int64_t llLimit = o.d.bKind == K_RELATIVE_LONG ? INT32_MAX : 32767;
  if (bIsAbsolute(v)) {
    if (llCount < -llLimit - 1 || llCount > llLimit) {
      vDiag(IM_BRANCH_TARGET, o.uNumber);
      return false;
    }
    vDiag(IM_RELOCATABLE, o.uNumber);
  } else {
    if (v.lSection != o.lSection) {
      vDiag(IM_BRANCH_TARGET, o.uNumber);
      return false;
    }
    rStmtListAddresses().bSecond = true;
    rStmtListAddresses().ulSecond = static_cast<uint32_t>(v.lValue);
    int64_t llDistance = static_cast<int64_t>(v.lValue) - o.lLocation;
    llCount = llDistance / 2;
    if (llDistance % 2 != 0 || llCount < -llLimit - 1 || llCount > llLimit) {
      vDiag(IM_BRANCH_TARGET, o.uNumber);
      return false;
    }
  }
  *plCount = static_cast<int32_t>(llCount);
  return true;
}

bool bInRange(uint8_t bKind, int32_t l)
{
  switch (bKind) {
  case K_FLOAT:
    return l >= 0 && l <= 6;
  case K_FLOAT16:
    return l >= 0 && l <= 15;
  case K_IMM4:
    return l >= 0 && l <= 9;
  case K_BYTE:
    return l >= 0 && l <= 255;
  case K_HALFWORD:
    return l >= -32768 && l <= 65535;
  case K_RELATIVE:
  case K_RELATIVE_LONG:
    return true; /* checked by bRelativeCount */
  default:
    return l >= 0 && l <= 15;
  }
}

/* Register, immediate and relative kinds (0-10, 16), value already
   evaluated. */
void vValueField(OPERAND &o, const EXPRVALUE &v)
{
  const DESC &d = o.d;
  int32_t lValue = v.lValue;
  if (bRelativeKind(d.bKind) && !bRelativeCount(o, v, &lValue)) return;
  /* a register pair of 16 floating point registers: n and n+2, n one of
     0, 1, 4, 5, 8, 9, 12, 13 */
  bool bAligned = o.uAlign == 2                           ? lValue % 2 == 0
                  : o.uAlign == 4 && d.bKind == K_FLOAT16 ? (lValue & 2) == 0
                  : o.uAlign == 4                         ? lValue == 0 || lValue == 4
                                                          : true;
  if (!bInRange(d.bKind, lValue) || !bAligned) {
    vMustBe(o.uNumber, d.bKind, o.uAlign);
    return;
  }
  if (lValue == 0) return;
  uint32_t ulValue = static_cast<uint32_t>(lValue);
  switch (d.bKind) {
  case K_BYTE:
  case K_STRIDE:
    vOrByte(o, d.ulMainByte, ulValue);
    break;
  case K_HALFWORD:
  case K_RELATIVE:
    vOrByte(o, d.ulMainByte, (ulValue >> 8) & 0xFF);
    vOrByte(o, d.ulMainByte + 1, ulValue & 0xFF);
    break;
  case K_RELATIVE_LONG:
    for (uint32_t i = 0; i < 4; i++) vOrByte(o, d.ulMainByte + i, (ulValue >> (24 - 8 * i)) & 0xFF);
    break;
  default:
    vOrHalf(o, d.ulMainByte, d.bMainLow, ulValue);
    break;
  }
  if (d.bKind == K_STRIDE && d.ulSecByte < o.ulLength && (o.pImage[d.ulSecByte] & 0x0F) == ulValue)
    vDiag(IM_SPECIFICATION, o.uNumber);
}

/* Length attribute of the leftmost term of an address: 0 when the term
   gives none. */
int32_t lImplicitLength(const OPERAND &o, const EXPRNODE *n)
{
  while (n != nullptr && n->bKind == EN_OPERATOR && n->pLeft != nullptr) n = n->pLeft;
  if (n == nullptr || n->bSub != 'A') return 0;
  switch (n->bKind) {
  case EN_LOCATION:
    return static_cast<int32_t>(o.ulLength);
  case EN_SYMBOL:
    return n->pSymbol != nullptr ? n->pSymbol->lLength : 0;
  case EN_LITERAL: {
    const SYMBOL *p = pLiteralFind(n->pText, n->ulTextLength, static_cast<int32_t>(ulLiteralPool()), n->lValue);
    return p != nullptr ? p->lLength : 0;
  }
  default:
    return 0;
  }
}

int32_t lLengthLimit(uint8_t bKind) { return bKind == K_DLB8 ? 8 : bKind == K_DLB16 ? 16 : 256; }

/* Index, length or stride value into the secondary field. */
void vSecondaryField(OPERAND &o, int32_t lValue, bool bLength)
{
  if (lValue <= 0) return;
  uint32_t ulField = static_cast<uint32_t>(bLength ? lValue - 1 : lValue);
  if (o.d.bKind == K_DLB256)
    vOrByte(o, o.d.ulSecByte, ulField);
  else
    vOrHalf(o, o.d.ulSecByte, o.d.bSecLow, ulField);
}

/* The warnings of an encoded storage address. */
void vAddressChecks(OPERAND &o, const EXPRVALUE &v, int32_t lBase, int32_t lIndex, bool bImplicit)
{
  const DESC &d = o.d;
  uint32_t ulFlag = g_asm.ulFlagInForce;
  uint32_t ulAccess = d.ulFlags & DF_ACCESS;
  bool bAbs = bIsAbsolute(v);
  if (ulAccess == ACC_STORE && !bAbs) {
    const ESDITEM *s = pEsdItem(v.lSection);
    if (s != nullptr && (s->bKind == ESD_SD || s->bKind == ESD_PC)) {
      if (s->bAttr & ESDA_RSECT)
        vDiag(IM_RENT_RSECT, o.uNumber);
      else if (ulFlag & FLAG_RENT)
        vDiag(IM_RENT, o.uNumber);
    }
  }
  if (o.uAlign > 1 && (lBase == 0 || bImplicit) && static_cast<uint32_t>(v.lValue) % o.uAlign != 0)
    vDiag((d.ulFlags & DF_ALIGN_REQUIRED) ? IM_ALIGN_REQUIRED : IM_ALIGN, o.uNumber);
  if (!(d.ulFlags & DF_NO_PSA) && lBase == 0 && (d.bKind != K_DXB || lIndex == 0)) {
    if ((ulFlag & FLAG_BRPSA) && ulAccess == ACC_BRANCH)
      vDiag(IM_BRANCH_PSA, o.uNumber);
    else if ((ulFlag & (FLAG_MODPSA | FLAG_REFPSA)) && ulAccess == ACC_STORE)
      vDiag(IM_MODIFY_PSA, o.uNumber);
    else if ((ulFlag & FLAG_REFPSA) && ulAccess == ACC_FETCH && bAbs)
      vDiag(IM_ACCESS_PSA, o.uNumber);
  }
  if ((ulFlag & FLAG_INDEX) && d.bKind == K_DXB && d.bSecLow && d.ulSecByte == 1 && (d.ulFlags & DF_AR_CHECK) &&
      lIndex != 0 && lBase == 0)
    vDiag(IM_AR_UNUSED, o.uNumber);
}

/* Storage address kinds (11-15), main value evaluated; lBase is the
   explicit base or -1, lLength the explicit length or -1. */
void vAddressField(OPERAND &o, const EXPRNODE *pDisp, const EXPRVALUE &v, int32_t lBase, int32_t lIndex,
                   int32_t lLength)
{
  const DESC &d = o.d;
  if (d.bOffset) {
    bool bSecond = (d.ulFlags & DF_SECOND_COLUMN) != 0;
    (bSecond ? rStmtListAddresses().bSecond : rStmtListAddresses().bFirst) = true;
    (bSecond ? rStmtListAddresses().ulSecond : rStmtListAddresses().ulFirst) = static_cast<uint32_t>(v.lValue);
  }
  if (d.bKind >= K_DLB8 && lLength < 0) {
    int32_t lImplicit = lImplicitLength(o, pDisp);
    if (lImplicit != 0 && (lImplicit < 0 || lImplicit > lLengthLimit(d.bKind)))
      vDiag(IM_IMPLICIT_LENGTH, o.uNumber);
    else
      vSecondaryField(o, lImplicit, true);
  }
  bool bAbs = bIsAbsolute(v);
  bool bImplicit = false;
  int32_t lDisplacement = v.lValue;
  if (lBase < 0) {
    uint8_t ab[2] = {0, 0};
    if (pUsingResolve(ab, v.pQualifier, bAbs ? -1 : v.lSection, v.lValue, o.uNumber) != nullptr) {
      vOrByte(o, d.ulMainByte, ab[0]);
      vOrByte(o, d.ulMainByte + 1, ab[1]);
      lBase = ab[0] >> 4;
      bImplicit = true;
    } else if (!bAbs || lDisplacement < 0 || lDisplacement > DISPLACEMENT_MAX) {
      vDiag(IM_ADDRESSABILITY, o.uNumber);
      return;
    } else {
      lBase = 0;
    }
  } else if (!bAbs || lDisplacement < 0 || lDisplacement > DISPLACEMENT_MAX) {
    vDiag(IM_DISPLACEMENT, o.uNumber);
    return;
  }
  if (!bImplicit) {
    vOrByte(o, d.ulMainByte, (static_cast<uint32_t>(lDisplacement) >> 8) & 0x0F);
    vOrByte(o, d.ulMainByte + 1, static_cast<uint32_t>(lDisplacement) & 0xFF);
  }
  vAddressChecks(o, v, lBase, lIndex, bImplicit);
}

/* The usage letter of the main expression. */
uint8_t bUsageLetter(const OPERAND &o)
{
  switch (o.d.ulFlags & DF_ACCESS) {
  case ACC_STORE:
    return REF_MODIFY;
  case ACC_BRANCH:
    return o.bOpcode == OPCODE_EX ? REF_EXECUTE : REF_BRANCH;
  default:
    return 0;
  }
}

void vOperand(OPERAND &o, const EXPRNODE *pNode)
{
  const DESC &d = o.d;
  uint8_t k = d.bKind;
  if (k > K_FLOAT16 || pNode == nullptr) return;
  o.uAlign = (g_asm.ulFlagInForce & FLAG_ALIGN) || (d.ulFlags & DF_ALIGN_REQUIRED) ? d.uAlign : 0;
  const EXPRNODE *pDisp = pNode, *pFirst = nullptr, *pSecond = nullptr;
  unsigned uParts = 0;
  if (pNode->bKind == EN_ADDRESS) {
    pDisp = pNode->pLeft;
    pFirst = pNode->pRight;
    pSecond = pNode->pThird;
    uParts = pNode->usParts;
  }
  /* structure: registers, immediates and relative targets take no
     parenthesized part, D(B) and R(S) one, and "()" names nothing */
  if ((uParts >= 1 && bValueKind(k)) || (uParts == 1 && pFirst == nullptr)) {
    iStmtDiagOperand(o.uNumber);
    return;
  }
  if (uParts == 2 && k <= K_DB) {
    if (k == K_DB && !d.bOffset)
      vDiag(IM_SCON_INDEX, o.uNumber);
    else
      iStmtDiagOperand(o.uNumber);
    return;
  }
  int32_t lBase = -1;
  const EXPRNODE *pBase = k == K_DB ? pFirst : bAddressKind(k) ? pSecond : nullptr;
  if (pBase != nullptr) {
    if (!bAbsoluteValue(o, pBase, &lBase)) return;
    if (lBase < 0 || lBase > 15) {
      vDiag(IM_BASE, o.uNumber);
      return;
    }
    if (lBase != 0) vOrHalf(o, d.ulMainByte, d.bMainLow, static_cast<uint32_t>(lBase));
  }
  int32_t lSecondary = -1;
  const EXPRNODE *pSec = k == K_STRIDE || (bAddressKind(k) && k != K_DB) ? pFirst : nullptr;
  if (pSec != nullptr) {
    if (!bAbsoluteValue(o, pSec, &lSecondary)) return;
    int32_t lLimit = k >= K_DLB8 ? lLengthLimit(k) : 15;
    if (lSecondary < 0 || lSecondary > lLimit) {
      vDiag(k == K_STRIDE ? IM_STRIDE : k == K_DXB ? IM_INDEX : IM_LENGTH, o.uNumber);
      return;
    }
    vSecondaryField(o, lSecondary, k >= K_DLB8);
  }
  bool bAddress = bAddressKind(k);
  uint32_t ulFlags = EF_ABSOLUTE | (bAddress || bRelativeKind(k) ? static_cast<uint32_t>(EF_RELOCATABLE) : 0u);
  EXPRVALUE v;
  if (!bEvaluate(o, pDisp, bUsageLetter(o), ulFlags, &v)) return;
  if (bAddress)
    vAddressField(o, pDisp, v, lBase, k == K_DXB && lSecondary > 0 ? lSecondary : 0, k >= K_DLB8 ? lSecondary : -1);
  else
    vValueField(o, v);
}

/* ---- instruction-specific checks ------------------------------------------- */

uint8_t bDescKind(uint8_t bDescIndex)
{
  return bDescIndex < g_optab.ulDescCount ? static_cast<uint8_t>(g_optab.pDescs[bDescIndex].ulDesc) : 0xFF;
}

void vInstructionChecks(const OPENTRY &e, const uint8_t *ab, uint32_t ulLength)
{
  if (ulLength < 4) return;
  uint8_t bOp = e.abName[6], bOp2 = e.abName[7];
  bool bZeroAddress = ab[2] == 0 && ab[3] == 0;
  if (bOp == 0xA4 && e.abOps[0] == 3 && bDescKind(e.abOps[2]) == K_GENERAL && bDescKind(e.abOps[3]) == K_STRIDE &&
      (ab[2] >> 4) == (ab[3] & 0x0F))
    vDiag(IM_SPECIFICATION, 2);
  else if (bOp == 0xB0 && bOp2 == 0x00 && bZeroAddress)
    vDiag(IM_SPECIFICATION, 2);
  else if (bOp == 0xB2 && (bOp2 == 0x19 || bOp2 == 0x79) && (ab[2] & 0x0C) != 0)
    vDiag(IM_SPECIFICATION, 1);
  else if (bOp == 0xB2 && (bOp2 == 0x1B || bOp2 == 0x1C || bOp2 == 0x1E) && bZeroAddress)
    vDiag(IM_SPECIFICATION, 1);
  else if ((bOp == 0xFC || bOp == 0xFD) && (g_asm.ulFlagInForce & FLAG_DECIMAL) && (ab[1] & 0x0F) >= (ab[1] >> 4))
    vDiag(IM_LENGTH_SPEC, 0);
}

/* The six-byte instructions of opcodes E3, EB and ED (RXE, RXF, RSE) carry
   their second opcode byte in the last byte, not in byte 1. */
bool bSecondOpcodeLast(const OPENTRY &e)
{
  uint8_t bOp = e.abName[6];
  return e.bLength == 6 && (bOp == 0xE3 || bOp == 0xEB || bOp == 0xED);
}

/* Parses operand uNumber of the copied sub-record; null after an error. */
EXPRCTX *pParseOperand(const uint8_t *pOperand, unsigned uNumber, EXPRTOP eTop)
{
  uint32_t ulLength = 0;
  const uint8_t *pText = pOperandText(pOperand, &ulLength);
  if (ulLength == 0) {
    iStmtDiagOperand(uNumber);
    return nullptr;
  }
  EXPRCTX *c =
      pExprParseInto(&g_ins.ctx, pText, ulLength, uNumber, nullptr, pOperandStack(), PF_QUALIFIED | PF_LITERAL, eTop);
  if (bExprFailed(c) || c->pTree == nullptr) {
    if (bExprFailed(c))
      iExprDiag(c);
    else
      iStmtDiagOperand(uNumber);
    return nullptr;
  }
  return c;
}

} // namespace

/* ---- machine instructions ---------------------------------------------------- */

void vMachineOperand(EXPRCTX *pCtx, uint32_t ulLength, int32_t lSection, int32_t lLocation, uint8_t *pImage,
                     uint32_t ulDesc, uint32_t ulFlags)
{
  OPERAND o = {pCtx, pCtx->uOperand, pImage, ulLength, pImage[0], lSection, lLocation, descDecode(ulDesc, ulFlags), 0};
  vOperand(o, pCtx->pTree);
}

void vMachineInstruction()
{
  vAddressesReset();
  if (g_rec.ulLength < STMT_HEAD) return;
  const OPENTRY *pEntry = pStmtEntry();
  if (pEntry == nullptr || pEntry->bKind != OPK_MACHINE) return;
  const OPENTRY e = *pEntry;
  int32_t lSection = -1, lLocation = 0;
  vHere(&lSection, &lLocation);
  uint8_t abImage[IMAGE_MAX] = {};
  uint32_t ulLength = e.bLength;
  abImage[0] = e.abName[6];
  abImage[bSecondOpcodeLast(e) ? ulLength - 1 : 1] = e.abName[7];
  const uint8_t *pOperand = nullptr;
  int iOperands = iOperandsOf(&pOperand);
  int iCount = e.abOps[0] < OPERANDS_MAX ? e.abOps[0] : OPERANDS_MAX;
  if (iOperands < iCount) iCount = iOperands;
  for (int i = 0; i < iCount; i++, pOperand = pOperandNext(pOperand)) {
    unsigned uNumber = static_cast<unsigned>(i + 1);
    /* three descriptor slots: operand 4 takes the one after operand 3's */
    unsigned uDesc = i < 3 ? e.abOps[1 + i] : e.abOps[3] + 1u;
    EXPRCTX *c = pParseOperand(pOperand, uNumber, ET_ADDRESS);
    if (c == nullptr || uDesc >= g_optab.ulDescCount) continue;
    const OPDESC &d = g_optab.pDescs[uDesc];
    vMachineOperand(c, ulLength, lSection, lLocation, abImage, d.ulDesc, d.ulFlags);
  }
  if (!(usStmtFlags() & SF_ERROR)) vInstructionChecks(e, abImage, ulLength);
  vStmtBytesPut(ulLength, abImage);
}

void vSConstant(EXPRCTX *c, const EXPRNODE *pAddress, unsigned uOperand, uint8_t abOut[2])
{
  abOut[0] = abOut[1] = 0;
  if (c == nullptr || pAddress == nullptr || bExprFailed(c)) return;
  int32_t lSection = c->lLocSection, lLocation = c->lLocValue;
  if (lSection == -1) vHere(&lSection, &lLocation);
  const OPDESC d = g_optab.ulDescCount > 0 ? g_optab.pDescs[0] : OPDESC{0x0000000Bu, 0x0101u};
  unsigned uSaved = c->uOperand;
  c->uOperand = uOperand;
  OPERAND o = {c, uOperand, abOut, 2, 0, lSection, lLocation, descDecode(d.ulDesc, d.ulFlags), 0};
  vOperand(o, pAddress);
  c->uOperand = uSaved;
}

/* ---- CCW, CNOP, CXD -------------------------------------------------------- */

void vCcwStatement()
{
  vAddressesReset();
  if (g_rec.ulLength < STMT_HEAD) return;
  const OPENTRY *pEntry = pStmtEntry();
  if (pEntry == nullptr) return;
  bool bFormat1 = bIsInstruction(pEntry, INSTR_CCW1);
  int32_t lSection = -1, lLocation = 0;
  vHere(&lSection, &lLocation);
  const uint8_t *pOperand = nullptr;
  if (iOperandsOf(&pOperand) < 4) return;
  uint32_t ulFlags = 0x01 | EF_ABSOLUTE;
  int32_t lCommand = 0, lFlags = 0, lCount = 0;
  const uint8_t *pAddress = iAbsOperand(pOperand, 1, lSection, lLocation, ulFlags, &lCommand, 0, 255);
  EXPRVALUE v = {};
  if (EXPRCTX *c = pParseOperand(pAddress, 2, ET_EXPRESSION)) {
    OPERAND o = {c, 2, nullptr, 0, 0, lSection, lLocation, {}, 0};
    if (bEvaluate(o, c->pTree, 0, EF_ABSOLUTE | EF_RELOCATABLE | EF_COMPLEX, &v) &&
        (v.lValue < 0 || (!bFormat1 && v.lValue > CCW_ADDRESS_MAX)))
      vDiag(g_aDcMsg[DM_VALUE_LARGE], 2);
  }
  const uint8_t *pFlags = pOperandNext(pAddress);
  const uint8_t *pCount = iAbsOperand(pFlags, 3, lSection, lLocation, ulFlags, &lFlags, 0, 255);
  if (!bFormat1 && (lFlags & 0x03) != 0) iStmtDiagOperand(3);
  iAbsOperand(pCount, 4, lSection, lLocation, ulFlags, &lCount, 0, 65535);
  if (usStmtFlags() & SF_ERROR) return;
  uint32_t ulAddress = static_cast<uint32_t>(v.lValue);
  uint8_t ab[8] = {static_cast<uint8_t>(lCommand)};
  if (bFormat1) {
    ab[1] = static_cast<uint8_t>(lFlags);
    ab[2] = static_cast<uint8_t>(lCount >> 8);
    ab[3] = static_cast<uint8_t>(lCount);
    for (int i = 0; i < 4; i++) ab[4 + i] = static_cast<uint8_t>(ulAddress >> (24 - 8 * i));
  } else {
    for (int i = 0; i < 3; i++) ab[1 + i] = static_cast<uint8_t>(ulAddress >> (16 - 8 * i));
    ab[4] = static_cast<uint8_t>(lFlags);
    ab[6] = static_cast<uint8_t>(lCount >> 8);
    ab[7] = static_cast<uint8_t>(lCount);
  }
  uint32_t ulField = static_cast<uint32_t>(lLocation) + (bFormat1 ? 4 : 1);
  uint32_t ulWidth = bFormat1 ? 4 : 3;
  bool bRa3 = false;
  for (int iSign = 0; iSign < 2; iSign++) {
    const int32_t *pl = iSign == 0 ? v.plPositive : v.plNegative;
    uint32_t ulTerms = iSign == 0 ? v.ulPositive : v.ulNegative;
    for (uint32_t i = 0; i < ulTerms && pl != nullptr; i++)
      bRa3 |= iRldAdd(pEsdItem(pl[i]), ulField, bRldFlag(RLD_A, ulWidth, iSign != 0)) == RLD_RA3;
  }
  if (bRa3) vDiag(g_aDcMsg[DM_RA3], 2);
  vStmtBytesPut(sizeof ab, ab);
}

void vCnopStatement()
{
  vAddressesReset();
  int32_t lSection = -1, lLocation = 0;
  vHere(&lSection, &lLocation);
  const uint8_t *pOperand = nullptr;
  if (iOperandsOf(&pOperand) < 2 || lSection == -1) return;
  int32_t lByte = 0, lWord = 4;
  int iByte = ABS_ERROR, iWord = ABS_ERROR;
  const uint8_t *pNext = iAbsOperand(pOperand, 1, lSection, lLocation, 0x01 | EF_ABSOLUTE, &lByte, 0, 6, &iByte);
  if (iByte == ABS_OK) iAbsOperand(pNext, 2, lSection, lLocation, 0x01 | EF_ABSOLUTE, &lWord, 4, 8, &iWord);
  if (iByte != ABS_OK || iWord != ABS_OK) return;
  /* the boundary is counted from the section's start, as the conditional
     assembly phase counted it when it reserved the bytes */
  const ESDITEM *s = pEsdItem(lSection);
  uint32_t ulOffset = static_cast<uint32_t>(lLocation) - (s != nullptr ? s->ulStart : 0);
  int32_t lPad = lByte - static_cast<int32_t>(ulOffset % static_cast<uint32_t>(lWord));
  if (lPad < 0) lPad += lWord;
  uint8_t ab[16];
  for (int32_t i = 0; i < lPad; i++) ab[i] = i % 2 == 0 ? 0x07 : 0x00;
  if (lPad > 0) vStmtBytesPut(static_cast<uint32_t>(lPad), ab);
  vStmtSetFlags(SF_MACHINE);
}

void vCxdStatement()
{
  vAddressesReset();
  int32_t lSection = -1, lLocation = 0;
  vHere(&lSection, &lLocation);
  if (lSection == -1) return;
  iRldAdd(nullptr, static_cast<uint32_t>(lLocation), bRldFlag(RLD_CXD, 4, false));
  vStmtBytesPut(4, nullptr);
}

/* ---- operand helpers --------------------------------------------------------- */

int32_t lSignedDecimal(const uint8_t *pText, uint32_t ulLength, unsigned uOperand)
{
  uint32_t i = 0;
  bool bMinus = false;
  if (pText != nullptr && ulLength > 0 && (pText[0] == E_PLUS || pText[0] == E_MINUS)) {
    bMinus = pText[0] == E_MINUS;
    i = 1;
  }
  int64_t llValue = 0;
  bool bValid = pText != nullptr && i < ulLength;
  for (; bValid && i < ulLength; i++) {
    bValid = pText[i] >= 0xF0 && pText[i] <= 0xF9;
    llValue = llValue * 10 + (pText[i] & 0x0F);
    if (llValue > 2147483648LL) bValid = false;
  }
  if (bValid && !bMinus && llValue > 2147483647LL) bValid = false;
  if (!bValid) {
    iStmtDiagOperand(uOperand);
    return 0;
  }
  return static_cast<int32_t>(bMinus ? -llValue : llValue);
}

int iQuotedString(const uint8_t *pText, uint32_t ulLength, uint8_t *pDest, uint32_t ulRoom)
{
  if (pText == nullptr || ulLength < 2 || pText[0] != E_QUOTE || pText[ulLength - 1] != E_QUOTE) return -1;
  uint32_t ulOut = 0;
  for (uint32_t i = 1; i < ulLength - 1; i++) {
    uint8_t b = pText[i];
    if (b == 0) continue;
    if (b == E_QUOTE || b == E_AMP) {
      if (i + 1 >= ulLength - 1 || pText[i + 1] != b) return -1;
      i++;
    }
    if (ulOut >= ulRoom || pDest == nullptr) return -1;
    pDest[ulOut++] = b;
  }
  return static_cast<int>(ulOut);
}
