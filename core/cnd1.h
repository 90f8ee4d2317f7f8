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

struct MACLEVEL;
struct SRCSTMT;

struct CONDDIAG {
  int iNumber;        /* message number, 0 = no error */
  char achText[200];  /* its text (host characters) */
};

enum SUBSTFIELD { SUBST_LABEL, SUBST_OPERATION, SUBST_OPERAND };

/* Replaces the variable symbols of a field by their values (literal text
   stands for itself) and appends the result to *pOut.  Label and operation:
   blanks at both ends dropped.  A result above ulLimit characters gives 115
   ("Label field is too long.", "Operation field is too long.", "Operand %u
   is too long.").  *pbChanged tells whether the field held anything other
   than plain text.  False after an error (in *pDiag). */
bool bSubstitute(const MACLEVEL *pLevel, const uint8_t *pText, uint32_t ulLength, SUBSTFIELD eField,
                 unsigned uOperand, uint32_t ulLimit, std::string *pOut, bool *pbChanged, CONDDIAG *pDiag);

bool bCondArithmetic(const MACLEVEL *pLevel, const uint8_t *pText, uint32_t ulLength, int32_t *plValue,
                     CONDDIAG *pDiag);
bool bCondBoolean(const MACLEVEL *pLevel, const uint8_t *pText, uint32_t ulLength, bool *pbValue, CONDDIAG *pDiag);
bool bCondCharacter(const MACLEVEL *pLevel, const uint8_t *pText, uint32_t ulLength, std::string *pValue,
                    CONDDIAG *pDiag);

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
bool bCondAif(const MACLEVEL *pLevel, const uint8_t *pField, uint32_t ulLength, std::string *pTarget,
              CONDDIAG *pDiag);
bool bCondAgo(const MACLEVEL *pLevel, const uint8_t *pField, uint32_t ulLength, std::string *pTarget,
              CONDDIAG *pDiag);
