#include "TableCodec.h"

namespace lw {

void TTableCodec::StorePlaced(int64_t recNo, const std::vector<TValue>& values,
                              const uint8_t* image, const std::vector<uint8_t>& placed) {
  const std::vector<TNulTextSlot>* slots = NulTextSlots();
  std::vector<TValue> all = values;
  for (size_t i = 0; i < all.size() && i < placed.size(); ++i)
    if (placed[i] && slots && i < slots->size())
      all[i] = TValue::String(NulText(image, (*slots)[i]));
  if (recNo < 0)
    Append(all);
  else
    Insert(recNo, all);
}

}  // namespace lw
