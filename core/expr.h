/*
** expr.h - ordinary expressions: the parser (module "pars", pars.cpp) and the
** evaluator (module "eval", eval.cpp).
**
** An operand's EBCDIC text is parsed into a tree of EXPRNODEs carved from a
** storage stack that the caller owns and resets (per operand or per
** statement: nothing is freed one by one).  The tree is then evaluated
** against the symbol table, the location counter value given for * and the
** literal pool in force (g_lbl.ulLiteralPool) into an EXPRVALUE: a 32-bit
** value with the section indexes that enter it positively and negatively.
**
** Errors: only the first error of a parse and evaluation is kept, in the
** context, as a complete message (severity 12, host text) ending with the
** location suffix (" in label field." / " in operand 3." / ".").  The caller
** attaches it to the statement (iExprDiag).
**
** Limits that keep any input safe:
**  - parentheses and unary minus signs nest at most EXPR_NESTING_MAX deep; one
**    more draws message 201 for the character that would open the level;
**  - deferred EQU operands are followed at most EXPR_DEFER_MAX levels deep
**    (message 229), and the whole evaluation recursion, across deferred
**    levels, is cut at EXPR_EVAL_DEPTH_MAX (message 229);
**  - chains of binary operators are evaluated without recursion.
*/
#pragma once

#include <cstddef>
#include <cstdint>

struct SYMBOL;
struct STACKHDR;

constexpr unsigned EXPR_NESTING_MAX = 100;
constexpr unsigned EXPR_DEFER_MAX = 20;
constexpr unsigned EXPR_EVAL_DEPTH_MAX = 400;
constexpr unsigned EXPR_NAME_SHOWN = 256; /* longer names end in "..." */

/* Parse flags. */
enum : uint32_t {
  PF_QUALIFIED = 0x01,   /* qualifier.symbol accepted */
  PF_LITERAL = 0x02,     /* literals accepted */
  PF_HAS_LITERAL = 0x04, /* set by the parser: a literal was found */
  PF_IN_LITERAL = 0x08,  /* the text is a literal's constant */
  PF_VARIABLE = 0x10,    /* variable symbols (conditional assembly) */
  PF_CONDITIONAL = 0x20, /* conditional-assembly terms */
};

/* Evaluation flags. */
enum : uint32_t {
  EF_LOCATION = 0x07,     /* * valid; the value is also L'* (0 gives 1) */
  EF_UNDEFINED_OK = 0x08, /* undefined symbol: not yet resolvable */
  EF_ATTRIBUTE_OK = 0x10, /* attribute or value not yet known: not yet resolvable */
  EF_ABSOLUTE = 0x20,     /* absolute result valid */
  EF_RELOCATABLE = 0x40,  /* simply relocatable result valid */
  EF_COMPLEX = 0x80,      /* complexly relocatable result valid */
};

/* Top rules of pExprParse. */
enum EXPRTOP {
  ET_EXPRESSION,
  ET_ADDRESS,   /* D(X,B): always an 'M' node */
  ET_DCOPERAND, /* DC/DS operand: the DC operand hook */
  ET_LITERAL,   /* a literal's constant: the DC operand hook under PF_IN_LITERAL */
};

/* Node kinds (bKind, ASCII letters). */
enum : uint8_t {
  EN_VALUE = 'V',     /* bSub 'D', 'B', 'X', 'C'; lValue */
  EN_SYMBOL = 'L',    /* pSymbol, pQualifier; pText: the symbol's name;
                         bSub 'A' or L I S T K N */
  EN_UNKNOWN = 'S',   /* pText/ulTextLength: upper-cased name; bSub as for L */
  EN_LOCATION = '*',  /* bSub 'A', or 'L' for L'* */
  EN_LITERAL = '=',   /* pText: the literal from '=' on (its key text);
                         lValue: second key (the statement in hand,
                         g_asm.ulStmtNo, for A, S, Y constants using *);
                         pLeft: the constant's D node when the hook parsed it;
                         bSub 'A' or an attribute letter */
  EN_OPERATOR = 'X',  /* bSub '+', '-', '*', '/'; pLeft null for unary minus */
  EN_ADDRESS = 'M',   /* pLeft displacement, pRight first (null when empty),
                         pThird second; usParts = 0, 1 or 2 */
  EN_DCOPERAND = 'D', /* built by the DC operand hook */
};

struct EXPRNODE {
  uint8_t bKind;
  uint8_t bSub;
  uint16_t usParts;
  uint32_t ulStart; /* text of the node within the operand */
  uint32_t ulLength;
  int32_t lValue;
  SYMBOL *pSymbol;
  SYMBOL *pQualifier;
  const uint8_t *pText;
  uint32_t ulTextLength;
  EXPRNODE *pLeft;
  EXPRNODE *pRight;
  EXPRNODE *pThird;
  EXPRNODE *pUp; /* parent; null at the root */
  void *pExtra;  /* for the hooks */
};

/* The first error: the layout of a statement diagnostic (number, text form,
   severity, text). */
constexpr unsigned EXPR_ERROR_TEXT = 480;
struct EXPRERROR {
  int16_t sNumber; /* 0: no error */
  uint8_t bForm;
  uint8_t bSeverity;
  uint32_t ulLength;
  char achText[EXPR_ERROR_TEXT];
};

struct EXPRCTX {
  const uint8_t *pText;
  uint32_t ulLength;
  uint32_t ulPos;
  const char *pszField; /* "label", "operation", ... or null */
  unsigned uOperand;    /* operand number for messages; 0 none */
  uint32_t ulParseFlags;
  uint32_t ulEvalFlags;
  uint32_t ulRef;      /* reference word recorded for symbols */
  int32_t lLocSection; /* * */
  int32_t lLocValue;
  EXPRERROR err;
  STACKHDR *pStack;
  EXPRNODE *pTree;
  unsigned uNest;  /* parser: open parentheses and minus signs */
  unsigned uDefer; /* deferred EQU levels above this context */
  unsigned uDepth; /* evaluation recursion, across deferred levels */
};

/* Result of an evaluation.  Absolute: no terms; simply relocatable: one
   positive term; anything else complexly relocatable. */
struct EXPRVALUE {
  int32_t *plPositive;
  uint32_t ulPositive;
  int32_t *plNegative;
  uint32_t ulNegative;
  int32_t lValue;
  int32_t lSection;   /* first positive section index, or -1 */
  SYMBOL *pQualifier; /* USING label of a qualified term */
};

/* Hooks for parsers built elsewhere.  Each is called with the context
   positioned at its text, must advance ulPos past what it took and returns
   its node, or null after recording an error with vExprError.
   - pfnDcOperand: DC/DS operand parser (top rules ET_DCOPERAND, ET_LITERAL
     and the constant of a literal, then under PF_IN_LITERAL and with the
     text ending at the literal's end).  Without it the constant is kept as
     an unparsed 'D' node.
   - pfnCondTerm: conditional-assembly terms: '&' under PF_VARIABLE, D' and
     O' under PF_CONDITIONAL.  Without it those characters are unexpected. */
using PFNEXPRHOOK = EXPRNODE *(*)(EXPRCTX *pCtx);
/* Whether the USING of a qualifier covers a section. */
using PFNQUALIFIERHOOK = bool (*)(const SYMBOL *pQualifier, int32_t lSection);
/* What other modules lend the expression modules: the DC operand parser
   (def1), conditional-assembly terms (not built yet) and the USING check of
   qualified terms (usg2, installed by vUsingReset; while none is installed
   every qualifier covers every section).  The evaluator reaches USING
   resolution only through this hook. */
struct EXPRHOOKS {
  PFNEXPRHOOK pfnDcOperand;
  PFNEXPRHOOK pfnCondTerm;
  PFNQUALIFIERHOOK pfnQualifierCovers;
};
extern EXPRHOOKS g_exprHooks;

/* Starts an assembly (called by vSymbolsReset): new private storage. */
void vExprReset();
/* A storage stack for callers without one of their own; never reset here. */
STACKHDR *pExprStack();

/* Parses text; the context comes from pStack too.  The tree is in pTree
   unless the context holds an error. */
EXPRCTX *pExprParse(const uint8_t *pText, uint32_t ulLength, unsigned uOperand, const char *pszField, STACKHDR *pStack,
                    uint32_t ulParseFlags, EXPRTOP eTop);
/* As pExprParse, into a context of the caller's that is used again for
   each parse (nodes still come from pStack). */
EXPRCTX *pExprParseInto(EXPRCTX *pCtx, const uint8_t *pText, uint32_t ulLength, unsigned uOperand, const char *pszField,
                        STACKHDR *pStack, uint32_t ulParseFlags, EXPRTOP eTop);
/* Evaluates a tree of the context: the value, or null (with an error in the
   context, or without one when the result is not yet resolvable). */
EXPRVALUE *pExprEvaluate(EXPRCTX *pCtx, EXPRNODE *pTree, uint32_t ulRef, int32_t lLocSection, int32_t lLocValue,
                         uint32_t ulFlags);
/* Evaluates with flags 0x21 and the statement in hand as reference; 0 after
   an error. */
int32_t iExprValue(EXPRCTX *pCtx, EXPRNODE *pTree, int32_t lLocSection, int32_t lLocValue);

/* Outcome of iAbsOperand. */
enum : int {
  ABS_OK = 0,
  ABS_ERROR = 1,   /* diagnostic attached to the statement */
  ABS_PENDING = 2, /* not yet resolvable (flags 0x08/0x10 only) */
};
/* Absolute operand: the operand sub-record's text (1 to 9 decimal digits
   directly, else parsed and evaluated with ulFlags) into *plResult when it
   lies in lMin..lMax.  Empty or out of range: message 111 (iStmtDiagOperand);
   other errors go to the statement as they are.  *plResult is left alone
   unless the outcome is ABS_OK.  Returns the next operand sub-record. */
const uint8_t *iAbsOperand(const uint8_t *pOperand, unsigned uNumber, int32_t lLocSection, int32_t lLocValue,
                           uint32_t ulFlags, int32_t *plResult, int32_t lMin, int32_t lMax, int *piStatus = nullptr);

/* The context's error, if any, attached to the statement; 0 when none. */
int iExprDiag(const EXPRCTX *pCtx);
inline bool bExprFailed(const EXPRCTX *pCtx) { return pCtx->err.sNumber != 0; }

/* ---- shared by pars, eval and the hooks ---------------------------------- */

/* The messages of the expression modules. */
enum EXPRMSG {
  EM_UNMATCHED_PAREN,  /* 116 */
  EM_UNMATCHED_QUOTES, /* 116 */
  EM_UNEXPECTED,       /* 201, character */
  EM_UNEXPECTED_CODE,  /* 201, code of a character without host form */
  EM_TOO_LARGE,        /* 202 */
  EM_INCOMPLETE,       /* 203 */
  EM_AMPERSAND,        /* 204 */
  EM_NOT_USING_LABEL,  /* 209, name */
  EM_QUALIFIER,        /* 220, name */
  EM_COMPLEX,          /* 221 */
  EM_NOT_RELOCATABLE,  /* 222 */
  EM_RELOCATABLE,      /* 223 */
  EM_LOCATION,         /* 224 */
  EM_OVERFLOW,         /* 225 */
  EM_LITERAL_MODIFIED, /* 226 */
  EM_UNDEFINED,        /* 227, name */
  EM_ATTRIBUTE,        /* 228, attribute letter (host), name */
  EM_NO_VALUE,         /* 228, name */
  EM_UNRESOLVABLE,     /* 229 */
  EM_COUNT
};

/* Records the first error of the context (later ones are ignored). */
void vExprError(EXPRCTX *pCtx, int iMsg, ...); /* iMsg: an EXPRMSG */
/* "Unexpected ... character" for EBCDIC character b. */
void vExprUnexpected(EXPRCTX *pCtx, uint8_t b);
/* An EBCDIC name in host characters, at most EXPR_NAME_SHOWN then "...". */
void vExprHostName(char *pszOut, size_t ulSize, const uint8_t *pName, size_t ulLength);
/* A node carved from the context's stack. */
EXPRNODE *pExprNode(EXPRCTX *pCtx, uint8_t bKind, uint32_t ulStart);
