#include "calc/text_cache.h"

#include <cstring>

#include "compute/readout.h"

namespace dipview::calc {

char* ReadoutTextCache::Write(double value, char* out) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  Entry& entry = entries_[(bits * 0x9E3779B97F4A7C15u) >> (64 - kEntryBits)];
  if (entry.size != 0 && entry.bits == bits) {
    // The whole text field, whatever the text's size: a copy of fixed size
    // takes a few moves where one of varying size calls memcpy.
    std::memcpy(out, entry.text, sizeof entry.text);
    return out + entry.size;
  }
  char* end = WriteNumberText(value, out);
  const std::size_t size = static_cast<std::size_t>(end - out);
  if (size <= sizeof entry.text) {
    entry.bits = bits;
    entry.size = static_cast<std::uint8_t>(size);
    std::memcpy(entry.text, out, size);
  }
  return end;
}

}  // namespace dipview::calc
