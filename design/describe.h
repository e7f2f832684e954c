#pragma once

#include <string>

#include "compute/sag.h"
#include "compute/transformer.h"
#include "design/controls.h"

// The texts that say what the window shows and what its controls set:
// tooltips and the readout table that Copy readouts puts on the clipboard.

namespace dipview::design {

/// Tooltip of readout `element` (as in kReadoutArrays) of `bus` (0 = Substation
/// HV) showing `text`: "Customer Level 1, phase B: magnitude 0.777 pu (cut down
/// to 0.001)" for even elements, "..., phase B: angle -127.6 degrees (cut down
/// to 0.1)" for odd ones.
std::string ReadoutTip(int bus, int element, const std::string& text);

/// A bus's sag type as its tooltip and its label name it: "sag type D_b".
std::string SagTypeText(const SagClass& sag);

/// Tooltip of a bus's diagram area: its sag type, |V|, |F| and the jump of V
/// as ClassifySag gives them for the bus's pre-fault angle (radians; |V| and
/// |F| rounded to 0.001 pu, the jump to 0.1 degree) and its textbook type,
/// e.g. "Customer Level 1: sag type D_b, |V| 0.77 pu, |F| 1.111 pu, jump -60.3
/// degrees; textbook type D_b".
std::string BusTip(int bus, const PhaseTriple& v, double prefaultAngle);

/// Tooltip of sequence diagram k (0 = V0, 1 = V1, 2 = V2), with the value as
/// the readouts cut it: "V1, the positive-sequence voltage at Substation HV:
/// 0.698 pu at 0 degrees".
std::string SequenceTip(int k, const SequenceTriple& v);

/// Tooltip of an input control or value text: what it sets or shows and its
/// range. Empty for the controls that set nothing (labels, frames, lines,
/// readouts).
std::string ControlTip(const Control& c);

/// The readouts as tab-separated lines with a header, "bus\tphase\t|V| pu\tangle
/// deg", then the four buses' phases A, B, C and V0, V1, V2 at Substation HV,
/// each line ending in "\n". The numbers are the readouts' texts.
std::string ReadoutTable(const PassVoltages& pass);

}  // namespace dipview::design
