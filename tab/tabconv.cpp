/*
** tabconv.cpp - the line conversion of the tab utility (see tabconv.h).
*/
#include "tabconv.h"

#include <algorithm>

namespace {

constexpr unsigned char CH_TAB = 0x09;
constexpr unsigned char CH_LF = 0x0A;
constexpr unsigned char CH_CR = 0x0D;
constexpr unsigned char CH_CTRLZ = 0x1A;

/* Writes the first uLen bytes of the line, replacing a run of blanks by one
   tab where the run reaches the next output tab stop and is at least two
   blanks long.  A single blank before a tab stop stays a blank, so the line
   never grows. */
void vCompressLine(const std::string &line, size_t uLen, unsigned uWidth, std::string &out)
{
  size_t p = 0;
  while (p < uLen) {
    if (line[p] != ' ') {
      out += line[p++];
      continue;
    }
    size_t uStop = std::min((p + uWidth) / uWidth * uWidth, uLen);
    size_t q = p;
    while (q < uStop && line[q] == ' ') ++q;
    if (q == uStop && uStop - p >= 2) {
      out += '\t';
      p = uStop;
    } else {
      out += ' ';
      ++p;
    }
  }
}

void vEndLine(TABCONV &conv, std::string &out)
{
  size_t uStart = out.size();
  size_t uLen = conv.uLen;
  while (uLen > 0 && conv.line[uLen - 1] == ' ') --uLen;
  if (conv.opts.bCompress && uLen > conv.opts.uOutTab)
    vCompressLine(conv.line, uLen, conv.opts.uOutTab, out);
  else
    out.append(conv.line, 0, uLen);
  out += conv.opts.bDosEnds ? "\r\n" : "\n";
  conv.count.ulLines++;
  conv.count.ulBytesOut += out.size() - uStart;
  std::fill(conv.line.begin(), conv.line.begin() + conv.uLen, ' ');
  conv.uLen = 0;
  conv.bLineOpen = false;
}

/* One byte of a line; CR LF pairs and Ctrl-Z are already sorted out. */
void vTakeByte(TABCONV &conv, unsigned char c, std::string &out)
{
  switch (c) {
  case CH_LF:
    vEndLine(conv, out);
    break;
  case CH_CR:
    vEndLine(conv, out);
    conv.bAfterCr = true;
    break;
  case CH_TAB: {
    unsigned uWidth = conv.opts.uInTab;
    conv.uLen = std::min((conv.uLen + uWidth) / uWidth * uWidth, conv.opts.uMaxLine);
    conv.bLineOpen = true;
    break;
  }
  default:
    /* characters beyond the maximum line length are dropped */
    if (conv.uLen < conv.opts.uMaxLine) conv.line[conv.uLen++] = static_cast<char>(c);
    conv.bLineOpen = true;
    break;
  }
}

} // namespace

void vTabConvInit(TABCONV &conv, const TABOPTS &opts)
{
  conv = TABCONV{};
  conv.opts = opts;
  conv.line.assign(opts.uMaxLine, ' ');
}

void vTabConvFeed(TABCONV &conv, std::string_view in, std::string &out)
{
  for (char ch : in) {
    unsigned char c = static_cast<unsigned char>(ch);
    conv.count.ulBytesIn++;
    if (conv.bAfterCr) {
      conv.bAfterCr = false;
      if (c == CH_LF) continue;
    }
    if (conv.bHeldCtrlZ) {
      /* something follows, so the Ctrl-Z is an ordinary character */
      conv.bHeldCtrlZ = false;
      vTakeByte(conv, CH_CTRLZ, out);
    }
    if (c == CH_CTRLZ)
      conv.bHeldCtrlZ = true;
    else
      vTakeByte(conv, c, out);
  }
}

void vTabConvFinish(TABCONV &conv, std::string &out)
{
  conv.bHeldCtrlZ = false;
  conv.bAfterCr = false;
  if (conv.bLineOpen) vEndLine(conv, out);
}

std::string sTabConvert(std::string_view in, const TABOPTS &opts, TABCOUNT *pCount)
{
  TABCONV conv;
  std::string out;
  vTabConvInit(conv, opts);
  vTabConvFeed(conv, in, out);
  vTabConvFinish(conv, out);
  if (pCount) *pCount = conv.count;
  return out;
}
