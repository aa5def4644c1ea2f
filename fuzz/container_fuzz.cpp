// The transfer container: any bytes either load or raise its error, and what loads packs back
// into a form that loads to the same items.
#include <cstddef>
#include <cstdlib>

#include "online/data_interleave_stream.h"

using namespace vaultora;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TDataInterleaveStream container;
  try {
    container.UnpackBytes(data, static_cast<int64_t>(size));
  } catch (const ETransferStreamError&) {
    return 0;
  }
  TDataInterleaveStream again;
  again.UnpackBytes(container.PackBytes().data(),
                    static_cast<int64_t>(container.PackBytes().size()));
  if (again.Count() != container.Count()) std::abort();
  for (int i = 0; i < container.Count(); ++i)
    if (again.Item(i) != container.Item(i)) std::abort();
  return 0;
}
