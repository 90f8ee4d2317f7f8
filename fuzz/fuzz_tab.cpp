// The tab utility's line conversion: any bytes under any settings convert
// without crash or overrun, fed in chunks of any size they give the same
// output as fed whole, lines never exceed the maximum length, and the
// counts add up.  Input: settings byte, maximum-line bytes, chunk-size
// byte, then the file's bytes.
#include <cstdlib>
#include <string>
#include <string_view>

#include "tabconv.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t ulSize)
{
  if (ulSize < 4) return 0;
  TABOPTS opts;
  opts.bCompress = (pData[0] & 1) != 0;
  opts.bDosEnds = (pData[0] & 2) != 0;
  opts.uInTab = (pData[0] & 4) != 0 ? 4 : 8;
  opts.uOutTab = (pData[0] & 8) != 0 ? 4 : 8;
  opts.uMaxLine = (pData[1] << 8 | pData[2]) % 1000;
  size_t ulChunk = pData[3] % 16 + 1;
  std::string_view in(reinterpret_cast<const char *>(pData + 4), ulSize - 4);

  TABCOUNT whole;
  std::string strWhole = sTabConvert(in, opts, &whole);

  TABCONV conv;
  vTabConvInit(conv, opts);
  std::string strChunked;
  for (size_t i = 0; i < in.size(); i += ulChunk) vTabConvFeed(conv, in.substr(i, ulChunk), strChunked);
  vTabConvFinish(conv, strChunked);
  if (strChunked != strWhole) std::abort();
  if (conv.count.ulBytesIn != in.size() || whole.ulBytesOut != strWhole.size()) std::abort();

  /* every line within the maximum; tabs only when compressing */
  size_t ulLine = 0;
  unsigned long ulLines = 0;
  for (char c : strWhole) {
    if (c == '\n') {
      ulLines++;
      ulLine = 0;
      continue;
    }
    if (c == '\t' && !opts.bCompress) std::abort();
    if (c != '\r' && ++ulLine > opts.uMaxLine) std::abort();
  }
  if (ulLine != 0 || ulLines != whole.ulLines) std::abort();
  return 0;
}
