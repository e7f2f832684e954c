#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace dipview::calc {

/// Writes readout texts through a memory of the texts WriteNumberText gave
/// for earlier values. The readouts take only a few thousand different values
/// (steps of 0.001 per unit and of 0.1 degree), and looking a text up is many
/// times quicker than converting the number again. Every text is
/// WriteNumberText's own, so the output is the same with or without it.
/// Not for sharing between threads: each writer has its own.
class ReadoutTextCache {
 public:
  ReadoutTextCache() : entries_(kEntries) {}

  /// Writes the text of `value` as WriteNumberText(value, out) would, into
  /// room for kNumberTextMax chars; may change the chars after the text.
  char* Write(double value, char* out);

 private:
  static constexpr int kEntryBits = 13;
  static constexpr std::size_t kEntries = std::size_t{1} << kEntryBits;
  struct Entry {
    std::uint64_t bits = 0;
    std::uint8_t size = 0;  ///< 0 while empty: no text is empty
    char text[23];          ///< fits kNumberTextMax
  };
  std::vector<Entry> entries_;
};

}  // namespace dipview::calc
