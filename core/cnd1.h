/*
** cnd1.h - conditional-assembly expressions (module "cnd1"): arithmetic,
** boolean and character expressions over the variable symbols of a macro
** level, substitution of variable symbols into the fields of model
** statements, and the operands of AIF and AGO.
**
** An evaluation reports its first error in a CONDDIAG; the caller attaches
** it to the statement (iStmtDiag with DIAG_HOST_TEXT, severity 12).
** Texts and values are EBCDIC.
*/
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "chars.h"
#include "var1.h"

struct MACLEVEL;
struct SRCSTMT;

struct CONDDIAG {
  int iNumber = 0;                  /* message number, 0 = no error */
  char achText[200];                /* its text (host characters) */
  CONDDIAG() { achText[0] = '\0'; } /* the rest of the text is not cleared */
};

enum SUBSTFIELD { SUBST_LABEL, SUBST_OPERATION, SUBST_OPERAND };

/* The parsed form of a field of a model statement for substitution, kept
   with the model and built at its first substitution: its literal runs and
   its variable references (a name, with subscripts that are decimal numbers
   or variables named without subscripts).  A variable is looked up once for
   each macro level.  A field the form does not cover, and every
   substitution the form cannot finish (an undefined variable, a subscript
   out of range, a result near the limit), go through the reading of the
   text, which gives the result and the diagnostics. */
struct SUBSTPART {
  uint8_t bKind;  /* SP_... of cnd1.cpp */
  uint8_t bHash;  /* a variable: bPearsonHash of its name */
  uint8_t bSubs;  /* a reference: its subscripts, the parts after it */
  uint32_t ulAt;  /* the text or the name (upper case) in strText */
  uint32_t ulLen; /* its length */
  int32_t lValue; /* a subscript's number */
  VARKEPT kept;
};
struct SUBSTFORM {
  uint8_t bState = 0; /* 0 not built yet, 1 built, 2 not covered */
  bool bVars = false; /* it holds a reference: the field changes */
  std::vector<SUBSTPART> vecParts;
  std::string strText;
};

/* Replaces the variable symbols of a field by their values (literal text
   stands for itself) and appends the result to *pOut.  Label and operation:
   blanks at both ends dropped.  A result above ulLimit characters gives 115
   ("Label field is too long.", "Operation field is too long.", "Operand %u
   is too long.").  *pbChanged tells whether the field held anything other
   than plain text.  False after an error (in *pDiag).  pForm (may be null):
   the parsed form kept for this very text. */
bool bSubstitute(const MACLEVEL *pLevel, const uint8_t *pText, uint32_t ulLength, SUBSTFIELD eField, unsigned uOperand,
                 uint32_t ulLimit, std::string *pOut, bool *pbChanged, CONDDIAG *pDiag, SUBSTFORM *pForm = nullptr);

/* The parsed form of the operand of an AIF, SETA, SETB or SETC model
   statement, kept with the model and built at its first evaluation: postfix
   steps over numbers and strings: variables (subscripted too), N', K' and
   T' of variables, self-defining terms, quoted strings with the variables
   in them, substrings and concatenation, groups, + - * /, relations of
   numbers and of characters, NOT, AND, OR, XOR and the branches of an AIF.
   Variables are looked up at each evaluation, since a model is shared by
   all calls of its macro.  An operand the form does not cover, and every
   evaluation the form cannot finish (an undefined or dimensioned variable,
   a nonnumeric value, an overflow, a bad substring, a T' the source ahead
   would have to answer), go through the parser, which gives the result and
   the diagnostics. */
struct CONDSTEP {
  uint8_t bOp;          /* CS_... of cnd1.cpp */
  uint8_t bHash;        /* variables: bPearsonHash of the name */
  uint8_t bName;        /* its length */
  uint32_t ulAt;        /* its offset in strNames */
  int32_t l;            /* a term's value, a relation's code, a string's length, a count of subscripts */
  mutable VARKEPT kept; /* variables: the lookup, for the level it was made in */
};
struct CONDFORM {
  uint8_t bState = 0; /* 0 not built yet, 1 built, 2 not covered */
  char cKind = 0;     /* built for: 'A' SETA, 'B' SETB, 'C' SETC, 'I' AIF */
  std::vector<CONDSTEP> vecSteps;
  std::string strNames;                /* the variable names, upper case, and the literal text of strings */
  std::vector<std::string> vecTargets; /* AIF: the sequence symbols */
  /* the strings of an evaluation, a place of the stack each; one evaluation
     ends before the next begins, and they keep their room between them */
  mutable std::vector<std::string> vecStrings;
};

/* pForm (may be null): the parsed form kept for this very text. */
bool bCondArithmetic(const MACLEVEL *pLevel, const uint8_t *pText, uint32_t ulLength, int32_t *plValue, CONDDIAG *pDiag,
                     CONDFORM *pForm = nullptr);
bool bCondBoolean(const MACLEVEL *pLevel, const uint8_t *pText, uint32_t ulLength, bool *pbValue, CONDDIAG *pDiag,
                  CONDFORM *pForm = nullptr);
bool bCondCharacter(const MACLEVEL *pLevel, const uint8_t *pText, uint32_t ulLength, std::string *pValue,
                    CONDDIAG *pDiag, CONDFORM *pForm = nullptr);

/* The operand field of a conditional-assembly statement: the first card
   from the operand start to the end column and every continuation card
   from the continue column to the end column, joined; it ends at the first
   blank outside quotes at parenthesis depth 0.  113/116 when it is empty or
   unbalanced. */
bool bCondOperandField(const SRCSTMT *pStmt, std::string *pField, CONDDIAG *pDiag);

/* AIF (cond).SEQ[,(cond).SEQ...] and AGO .SEQ / AGO (arith).S1,...,.Sk:
   evaluates the operand field and gives the sequence symbol to branch to
   (upper case, without its period) or an empty *pTarget to fall through.
   False after an error (syntax, evaluation, 244). */
bool bCondAif(const MACLEVEL *pLevel, const uint8_t *pField, uint32_t ulLength, std::string *pTarget, CONDDIAG *pDiag,
              CONDFORM *pForm = nullptr);
bool bCondAgo(const MACLEVEL *pLevel, const uint8_t *pField, uint32_t ulLength, std::string *pTarget, CONDDIAG *pDiag);

/* ---- pieces the variable symbols share ----------------------------------- */

constexpr uint32_t VARREF_SUBS_MAX = 16;
/* A variable reference: the name (upper case EBCDIC, created names
   resolved) and its evaluated subscripts. */
struct VARREF {
  uint8_t abName[64];
  uint32_t ulName;
  uint8_t bHash;   /* bPearsonHash of the name */
  uint32_t ulSubs; /* subscripts given; 0 without parentheses */
  int32_t alSub[VARREF_SUBS_MAX];
};
/* Parses the reference that starts at the ampersand pText[0]: a name or
   &(created name), then subscripts in parentheses.  *pulUsed is the length
   taken (a period after it included when bDot).  False after an error. */
bool bCondVarRef(const MACLEVEL *pLevel, const uint8_t *pText, uint32_t ulLength, bool bDot, uint32_t *pulUsed,
                 VARREF *pRef, CONDDIAG *pDiag);

/* Element n (from 1) of a sublist value "(a,b,...)"; a value that is no
   sublist is its own element 1.  The split is kept with the level (none:
   not kept). */
void vCondSublistElement(const MACLEVEL *pLevel, const std::string &strValue, uint32_t ulIndex, std::string *pOut);
/* Number of sublist elements of a value (0 for an empty one). */
uint32_t ulCondSublistCount(const MACLEVEL *pLevel, const std::string &strValue);

/* Attributes of an ordinary symbol that is not defined yet, taken from the
   statement that defines it further on in the source.  The look-ahead is
   the source reader's bSourceLookahead, which the macro processor installs
   in g_pfnCondLookahead when a conditional assembly phase starts
   (vMacroPhaseStart); null (the default, and in the unit tests that set
   none) means no look-ahead.  It is given the upper-case EBCDIC name and
   returns false when nothing defines it.  The symbol is not defined by
   this: D' stays 0. */
struct CONDATTR {
  uint8_t bType;   /* T', EBCDIC letter */
  int32_t lLength; /* L'; negative: unknown */
  int16_t sScale;  /* S'; SYM_SCALE_UNKNOWN or below: unknown */
};
extern bool (*g_pfnCondLookahead)(const uint8_t *pName, uint32_t ulName, CONDATTR *pAttr);
