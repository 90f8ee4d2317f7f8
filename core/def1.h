/*
** def1.h - DC and DS operands, first phase (module "def1"): the operand
** parser and the evaluation of lengths, alignment and attributes.
**
** An operand [duplication] type [Ln | L(e) | L.n | L.(e)] [Sn | S(e)]
** [En | E(e)] [nominal values] is parsed into a DCOPERAND hung on a 'D'
** expression node (pExtra).  The parser is the DC operand hook of the
** expression parser (g_exprHooks.pfnDcOperand), so DC/DS operands
** (pExprParse with ET_DCOPERAND) and the constants of literals (ET_LITERAL,
** or '=' inside an expression under PF_LITERAL) go through the same code.
** vDcInit registers it; it must run once before the first statement is
** processed (for example in the driver's start of an assembly).
**
** pDcEvaluate then works out, for one operand at a given location, the
** duplication factor, the length of each constant, the alignment, the total
** length and the attributes (L', T', S') of the first constant.  It produces
** no bytes: the values of the constants are the second phase's work.
**
** Invariants callers rely on:
**  - All storage (nodes, DCOPERAND, values, evaluation records) comes from
**    the context's storage stack; nothing is freed one by one.
**  - Positions in a DCOPERAND and its values are offsets into the text the
**    context was parsed from; the caller keeps that text for as long as it
**    keeps the tree.  Quoted contents are kept as written (no upper-casing);
**    the type and modifier letters go through the upper-case table.
**  - Errors are recorded in the context (first error only) with the text
**    form of the expression modules: message, " in operand n" or
**    " in ... field", ".".  The caller attaches them with iExprDiag.
**  - Counts are kept in 64 bits and capped, so that no operand, however
**    long its numbers, can overflow them: huge duplication factors and
**    lengths draw their message instead.
*/
#pragma once

#include <cstdint>

#include "vorn.h"

struct EXPRCTX;
struct EXPRNODE;

/* The messages of DC/DS operands.  Only those before DM_PHASE2 can arise in
   the first phase; the rest belong to the generation of the values. */
enum DCMSG {
  DM_TYPE,          /* 205 */
  DM_SCALE_INVALID, /* 206 */
  DM_EXP_INVALID,   /* 206 */
  DM_BITS_INVALID,  /* 206 */
  DM_MISSING,       /* 207 */
  DM_EXP_VALUE,     /* 208 */
  DM_TOO_LONG,      /* 219 */
  DM_LENGTH_RANGE,  /* 230 */
  DM_SCALE_RANGE,   /* 230 */
  DM_EXP_RANGE,     /* 230 */
  DM_DUPLICATION,   /* 231 */
  DM_PHASE2,
  DM_NOT_DUMMY = DM_PHASE2, /* 320, name */
  DM_NOT_EXTERNAL,          /* 321, name */
  DM_VALUE_LARGE,           /* 322 */
  DM_FLOAT_RANGE,           /* 323 */
  DM_RELOCATABLE,           /* 324 */
  DM_DSECT_REF,             /* 325 */
  DM_RA2,                   /* 510 */
  DM_RA3,                   /* 510 */
  DM_PRECISION,             /* 511 */
  DM_TRUNCATED,             /* 512 */
  DM_COUNT
};
/* Texts without a final full stop are stems (iStmtDiagStem); those marked
   "name" follow the name they are about.  Message 171 and 302 are esd1's. */
extern const MSGDEF g_aDcMsg[];

/* A modifier or the duplication factor as written. */
enum : uint8_t {
  DCM_NONE = 0,   /* not given */
  DCM_NUMBER = 1, /* decimal digits (optionally signed for S and E) */
  DCM_EXPR = 2,   /* parenthesised expression */
};
constexpr int64_t DC_NUMBER_CAP = 999999999999LL; /* longer numbers stop here */
struct DCMOD {
  uint8_t bForm;
  int64_t llValue; /* DCM_NUMBER */
  EXPRNODE *pTree; /* DCM_EXPR */
};

/* One nominal value.  For quoted types the text is what lies between the
   delimiters (apostrophes and commas); for address types one expression. */
struct DCVALUE {
  DCVALUE *pNext;
  uint32_t ulStart; /* offset in the context's text */
  uint32_t ulLength;
  uint32_t ulUnits;    /* C: characters (a doubled ' or & counts once);
                          X, B: digits; P, Z: digits; F H E D L: mantissa digits */
  uint32_t ulFraction; /* P, Z, F, H, E, D, L: digits after the decimal point */
  EXPRNODE *pTree;     /* A, Y: expression; S: address form ('M'); V, Q: null */
};

struct DCOPERAND {
  const uint8_t *pText; /* the context's text */
  uint32_t ulStart;     /* the operand within it */
  uint32_t ulLength;
  uint8_t bType;   /* EBCDIC upper-case type letter */
  char cType;      /* the same as a host letter */
  bool bLiteral;   /* parsed as a literal's constant */
  bool bBitLength; /* L. form: the length modifier counts bits */
  bool bNominal;   /* nominal values were given */
  DCMOD dup, length, scale, exponent;
  uint32_t ulValues;
  DCVALUE *pFirst;
  DCVALUE *pLast;
  /* Resolved by pDcEvaluate, for the generation of the values. */
  int64_t llDup;
  int32_t lLength;   /* of each constant: the modifier (bytes, or bits with
                        bBitLength), or 0 when the lengths are implicit */
  int32_t lScale;    /* modifier or implicit scale; 0 for types without */
  int32_t lExponent; /* modifier, else 0 */
};

/* The evaluated operand. */
struct DCEVAL {
  uint32_t ulBitOffset; /* bits used in the byte at lEnd (bit lengths only) */
  int32_t lEnd;         /* location after the operand */
  int32_t lStart;       /* location of the first constant, after alignment */
  uint32_t ulTotal;     /* total length in bytes (bits rounded up) */
  int32_t lLength;      /* L' of the first constant */
  int16_t sScale;       /* S'; SYM_SCALE_UNKNOWN (0x8003) when the type has none */
  uint8_t bType;        /* T' as an EBCDIC letter (R, K, G with a length modifier) */
  uint8_t bAlign;       /* boundary applied: 1, 2, 4 or 8 */
};
static_assert(sizeof(DCEVAL) == 24);

/* Flags of pDcEvaluate. */
enum : uint32_t {
  DCE_DS = 0x01,    /* DS: no nominal value needed, C/X/B up to 65535 bytes */
  DCE_DEFER = 0x02, /* symbols or attributes not yet known leave the result
                       pending (null without an error) instead of an error */
};

/* Registers the parser as g_exprHooks.pfnDcOperand. */
void vDcInit();

/* The hook itself: parses the operand at pCtx->ulPos into a new 'D' node,
   or returns null after recording the error. */
EXPRNODE *pDcOperandHook(EXPRCTX *pCtx);

/* Parses one operand at pCtx->ulPos up to the end of its nominal values (or
   of its modifiers) into pNode (its pExtra gets the DCOPERAND) and advances
   ulPos.  Returns 0, or the message number after recording the error. */
int iDcParseOperand(EXPRCTX *pCtx, EXPRNODE *pNode);

/* The DCOPERAND of a 'D' node, or of the constant of a literal ('=') node;
   null for anything else or an unparsed node. */
DCOPERAND *pDcOperand(const EXPRNODE *pNode);

/* Evaluates an operand (a 'D' node or a literal node) at location lLocation
   of section lLocSection (the value of * in its expressions), with
   ulBitOffset bits already used in the byte at lLocation by a preceding
   bit-length operand; a location below 0 (not yet known) is taken as 0.
   Returns the evaluated operand, or null: with the error in the context,
   or without one when it is pending (DCE_DEFER).  Also fills the resolved fields of the DCOPERAND. */
DCEVAL *pDcEvaluate(EXPRCTX *pCtx, EXPRNODE *pOperand, int32_t lLocSection, int32_t lLocation, uint32_t ulBitOffset,
                    uint32_t ulFlags);

/* Length in bytes of one constant with an implicit length (C X B P Z from
   their value, the others from the type); 1 for C X B P Z without value. */
uint32_t ulDcImplicitLength(const DCOPERAND *pOp, const DCVALUE *pValue);
