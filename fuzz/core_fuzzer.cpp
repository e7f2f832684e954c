// The computing core with arbitrary settings, far outside the window's ranges
// included, every fault, faulted phase and connection: no undefined behaviour, every text fits its
// buffer, and settings that the window can produce give finite voltages.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "compute/readout.h"
#include "compute/sag.h"
#include "compute/transformer.h"

namespace {

class Bytes {
 public:
  Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  // Zeros once the input runs out, so that every input makes a whole state.
  template <typename T>
  T Take() {
    unsigned char raw[sizeof(T)] = {};
    const std::size_t n = std::min(sizeof(T), size_);
    std::memcpy(raw, data_, n);
    data_ += n;
    size_ -= n;
    T value;
    std::memcpy(&value, raw, sizeof(T));
    return value;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

bool Within(double value, double low, double high) {
  return value >= low && value <= high;
}

bool Finite(const dipview::Phasor& p) {
  return std::isfinite(p.magnitude) && std::isfinite(p.angle);
}

void CheckText(const std::string& text) {
  if (text.empty() || text.size() > static_cast<std::size_t>(dipview::kNumberTextMax)) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace dipview;
  Bytes bytes(data, size);
  const auto flags = bytes.Take<std::uint8_t>();
  FaultInputs in;
  in.faultType = static_cast<FaultType>(flags % 3);
  in.hvMvConnection = (flags & 0x08) ? TransformerConnection::YY : TransformerConnection::DY;
  in.mvC1Connection = (flags & 0x10) ? TransformerConnection::YY : TransformerConnection::DY;
  in.c1C2Connection = (flags & 0x20) ? TransformerConnection::YY : TransformerConnection::DY;
  in.zfRatio = bytes.Take<double>();
  in.z0Ratio = bytes.Take<float>();
  in.z12AngleDeg = bytes.Take<double>();
  in.zfAngleDeg = bytes.Take<double>();
  in.z0AngleDeg = bytes.Take<double>();
  in.proximity = bytes.Take<std::int16_t>();
  const auto value = bytes.Take<double>();
  // Last, so that the older seeds keep their meaning: ground, phase and DDs.
  const auto more = bytes.Take<std::uint8_t>();
  in.toGround = (more & 0x01) != 0;
  in.faultedPhase = static_cast<Phase>((more >> 1) % 4 % 3);
  for (int k = 0; k < 3; ++k) {
    if (more & (0x08 << k)) {
      (k == 0   ? in.hvMvConnection
       : k == 1 ? in.mvC1Connection
                : in.c1C2Connection) = TransformerConnection::DD;
    }
  }

  const PassVoltages pass = ComputeVoltages(in);
  const bool windowRange = Within(in.zfRatio, 0.0, 3.0) && Within(in.z0Ratio, 0.5, 3.0) &&
                           Within(in.z12AngleDeg, 0.0, 90.0) && Within(in.zfAngleDeg, 0.0, 90.0) &&
                           Within(in.z0AngleDeg, 0.0, 90.0) && Within(in.proximity, 0, 100);
  for (const PhaseTriple& bus : pass.busVoltages) {
    const bool finite = Finite(bus.a) && Finite(bus.b) && Finite(bus.c);
    if (windowRange && !finite) {
      std::abort();
    }
    for (const std::string& text : ReadoutTexts(bus)) {
      CheckText(text);
    }
    const SagClass sag = ClassifySag(bus);
    if ((sag.type == SagType::Invalid) == finite || SagName(sag).empty()) {
      std::abort();
    }
    const TextbookClass textbook = ClassifyTextbook(bus);
    if ((textbook.type == TextbookType::Invalid) == finite || TextbookName(textbook).empty() ||
        (finite && !(textbook.maxDeviation <= kTextbookTolerance))) {
      std::abort();
    }
    LineToLineVoltages(bus);
  }
  for (const std::string& text : ReadoutTexts(pass.sequenceAtHV)) {
    CheckText(text);
  }

  // The text of any double reads back to the value to 15 significant digits;
  // only the largest doubles round up past the largest double.
  char buffer[kNumberTextMax];
  char* end = WriteNumberText(value, buffer);
  const std::string text(buffer, static_cast<std::size_t>(end - buffer));
  CheckText(text);
  if (std::isfinite(value)) {
    const double back = std::strtod(text.c_str(), nullptr);
    if (std::isinf(back) ? std::fabs(value) < 1.797693134862315e308
                         : !(std::fabs(back - value) <= std::fabs(value) * 1e-14)) {
      std::abort();
    }
  }
  return 0;
}
