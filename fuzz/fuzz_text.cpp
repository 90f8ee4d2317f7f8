// Source-image compression: expanding any stored bytes stays within the
// image, and compressing any image expands back to it.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "work.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t ulSize)
{
  if (ulSize < 1) return 0;
  uint32_t ulLen = pData[0] * 4u;
  std::vector<uint8_t> abStored(pData + 1, pData + ulSize);
  if (abStored.size() != ulLen) pTextExpand(ulLen, static_cast<uint32_t>(abStored.size()), abStored.data());

  std::vector<uint8_t> abImage(pData + 1, pData + ulSize);
  for (auto &b : abImage) b = (b & 1) != 0 ? 0x40 : b;
  uint32_t ulStored = 0;
  const uint8_t *pStored = pTextCompress(abImage.data(), static_cast<uint32_t>(abImage.size()), &ulStored);
  if (ulStored > abImage.size()) std::abort();
  std::vector<uint8_t> abCopy(pStored, pStored + ulStored);
  const uint8_t *pBack = pTextExpand(static_cast<uint32_t>(abImage.size()), ulStored, abCopy.data());
  if (!abImage.empty() && std::memcmp(pBack, abImage.data(), abImage.size()) != 0) std::abort();
  return 0;
}
