"""An independent model of DIPVIEW's numbers, used as a test oracle.

It recomputes, for one set of fault settings, the phase voltages of the four
buses and the sequence voltages at Substation HV, and turns them into the
readout texts the window and dipview-calc show.  The arithmetic follows the
program's rules to the bit: Python floats are IEEE doubles, sin, cos, atan,
atan2 and hypot are MPFR's correctly rounded ones (through gmpy2, Debian's
python3-gmpy2; run with /usr/bin/python3), sqrt and floor are exact in every
library, and every value the program holds
in single precision is rounded here with f32() at the same point.  The order
of every sum is kept (left to right), divisions by 3 stay divisions, and
products written "a*b/c" are formed as (a*b)/c.

Phasors travel between the routines in polar form as (magnitude, angle in
radians); rectangular pairs (re, im) exist only inside the routines.
"""

import math
import struct

import gmpy2

# IEEE binary64: 53 bits, its exponent range and subnormals, to nearest.
_IEEE = gmpy2.ieee(64)


def _correctly_rounded(function):
    def rounded(*args):
        with gmpy2.local_context(_IEEE):
            return float(function(*(gmpy2.mpfr(x) for x in args)))
    return rounded


sin = _correctly_rounded(gmpy2.sin)
cos = _correctly_rounded(gmpy2.cos)
atan = _correctly_rounded(gmpy2.atan)
atan2 = _correctly_rounded(gmpy2.atan2)
hypot = _correctly_rounded(gmpy2.hypot)

__all__ = [
    "f32", "PI", "PI_S", "polar_to_rect", "rect_to_polar",
    "phase_to_sequence", "sequence_to_phase",
    "fault_single_phase", "fault_phase_to_phase", "fault_three_phase",
    "fault_two_phase_ground", "relabel", "PHASES",
    "FaultInputs", "compute_pass", "readout_magnitude", "readout_angle",
    "number_text", "readout_texts", "pass_texts", "BUSES", "READOUT_COLUMNS",
    "FAULT_TYPES", "CONNECTIONS",
]


def f32(x):
    """Round a double to the nearest single-precision value (as a double)."""
    return struct.unpack("f", struct.pack("f", x))[0]


# pi of the recalculation pass, the readouts, the transformer shifts and the
# phase-to-sequence transform: 4*atan(1) in double precision.
PI = 4.0 * atan(1.0)
# pi of RectToPolar, SequenceToPhase and the phase-to-phase and three-phase
# fault models: the same value stored in single precision.
PI_S = f32(PI)
assert PI_S == 3.1415927410125732

# Rotation by the operator a in PhaseToSequence: 2*pi/3 in double precision.
ROT_D = 2.0 * PI / 3.0
assert ROT_D == 2.0943951023931953
# Rotation by a in SequenceToPhase and in the three-phase fault model:
# 2*pi_s/3 held in single precision.
ROT_S = f32(2.0 * PI_S / 3.0)
assert ROT_S == 2.094395160675049

# The DY shift of 30 degrees: pi divided by 6, double precision.
SHIFT_30 = PI / 6.0
assert SHIFT_30 == 0.5235987755982988

# |re| at or below this bound makes RectToPolar put the phasor on the
# imaginary axis.
RE_BOUND = 0.000001


# --- phasor arithmetic ------------------------------------------------------

def polar_to_rect(mag, ang):
    """PolarToRect: (magnitude, angle) -> (re, im), the same formulas for every input."""
    return mag * cos(ang), mag * sin(ang)


def rect_to_polar(re, im):
    """RectToPolar: (re, im) -> (magnitude, angle).

    The angle uses pi_s: a real part within +-1e-6 (bound included) gives
    +pi_s/2 (im >= 0) or -pi_s/2; otherwise theta = atan(|im|/|re|) is placed
    in its quadrant by the signs, with pi_s for the left half-plane.
    """
    mag = math.sqrt(re * re + im * im)
    if abs(re) > RE_BOUND:
        theta = atan(abs(im) / abs(re))
        if re > 0:
            ang = theta if im >= 0 else -theta
        else:
            ang = PI_S - theta if im >= 0 else theta - PI_S
    else:
        ang = PI_S / 2 if im >= 0 else -(PI_S / 2)
    return mag, ang


# --- symmetrical components -------------------------------------------------

def phase_to_sequence(va_m, va_a, vb_m, vb_a, vc_m, vc_a):
    """PhaseToSequence: phase voltages -> (|V0|, <V0, |V1|, <V1, |V2|, <V2).

    Rotation 2*pi/3 in double precision.  Held in single precision: the
    imaginary part of Vc, the angle of Vc minus the rotation, the imaginary
    parts of a^2*Vb and a^2*Vc, and the imaginary part of the resulting V2.
    """
    r = ROT_D
    a_re, a_im = polar_to_rect(va_m, va_a)
    b_re, b_im = polar_to_rect(vb_m, vb_a)
    c_re, c_im = polar_to_rect(vc_m, vc_a)
    c_im = f32(c_im)
    ab_re, ab_im = polar_to_rect(vb_m, vb_a + r)      # a * Vb
    ac_re, ac_im = polar_to_rect(vc_m, vc_a + r)      # a * Vc
    a2b_re, a2b_im = polar_to_rect(vb_m, vb_a - r)    # a^2 * Vb
    a2b_im = f32(a2b_im)
    c_minus = f32(vc_a - r)
    a2c_re, a2c_im = polar_to_rect(vc_m, c_minus)     # a^2 * Vc
    a2c_im = f32(a2c_im)

    v0_re = (a_re + b_re + c_re) / 3
    v0_im = (a_im + b_im + c_im) / 3
    v1_re = (a_re + ab_re + a2c_re) / 3
    v1_im = (a_im + ab_im + a2c_im) / 3
    v2_re = (a_re + a2b_re + ac_re) / 3
    v2_im = f32((a_im + a2b_im + ac_im) / 3)

    v0 = rect_to_polar(v0_re, v0_im)
    v1 = rect_to_polar(v1_re, v1_im)
    v2 = rect_to_polar(v2_re, v2_im)
    return v0 + v1 + v2


def sequence_to_phase(v0_m, v0_a, v1_m, v1_a, v2_m, v2_a):
    """SequenceToPhase: sequence voltages -> (|Va|, <Va, |Vb|, <Vb, |Vc|, <Vc).

    Rotation 2*pi_s/3 held in single precision.  Held in single precision:
    the imaginary part of V2, the angle of V2 minus the rotation, both parts
    of a^2*V2, and the imaginary part of the resulting Vc.
    """
    r = ROT_S
    z_re, z_im = polar_to_rect(v0_m, v0_a)
    p_re, p_im = polar_to_rect(v1_m, v1_a)
    n_re, n_im = polar_to_rect(v2_m, v2_a)
    n_im = f32(n_im)
    ap_re, ap_im = polar_to_rect(v1_m, v1_a + r)      # a * V1
    an_re, an_im = polar_to_rect(v2_m, v2_a + r)      # a * V2
    a2p_re, a2p_im = polar_to_rect(v1_m, v1_a - r)    # a^2 * V1
    n_minus = f32(v2_a - r)
    a2n_re, a2n_im = polar_to_rect(v2_m, n_minus)     # a^2 * V2
    a2n_re = f32(a2n_re)
    a2n_im = f32(a2n_im)

    va_re = z_re + p_re + n_re
    va_im = z_im + p_im + n_im
    vb_re = z_re + a2p_re + an_re
    vb_im = z_im + a2p_im + an_im
    vc_re = z_re + ap_re + a2n_re
    vc_im = f32(z_im + ap_im + a2n_im)

    va = rect_to_polar(va_re, va_im)
    vb = rect_to_polar(vb_re, vb_im)
    vc = rect_to_polar(vc_re, vc_im)
    return va + vb + vc


# --- fault models -----------------------------------------------------------
#
# Per unit, impedances relative to Z12 = 1<0; a = 1 - proximity/100 is the
# share of each sequence impedance between the source and Substation HV.

def fault_single_phase(zf_ratio, z0_ratio, z12_deg, z0_deg, zf_deg, proximity):
    """FaultSinglePhase: phase A to ground, sequence networks in series with 3*ZF.

    Double-precision pi; 0.001 degree added to the Z0 angle.  Held in single
    precision: Im ZF', 3*Im ZF', the copy of theta0 for the angle of V0, the
    angle of I, the angle of -V0, Im a*I, Im V1, Im V2 and <V2.
    """
    a = 1.0 - proximity / 100.0
    th_f = (zf_deg - z12_deg) * PI / 180
    rf, xf = polar_to_rect(zf_ratio, th_f)
    xf = f32(xf)
    th_0 = ((z0_deg + 0.001) - z12_deg) * PI / 180
    r0, x0 = polar_to_rect(z0_ratio, th_0)

    three_xf = f32(3 * xf)
    z_re = (2 + r0) + 3 * rf
    z_im = x0 + three_xf
    z_m, z_a = rect_to_polar(z_re, z_im)

    i_m = 1 / z_m
    i_a = f32(-z_a)

    th_0_copy = f32(th_0)
    nv0_a = f32(th_0_copy + i_a)
    nv0_re, nv0_im = polar_to_rect((a * z0_ratio) * i_m, nv0_a)
    v0_re, v0_im = -nv0_re, -nv0_im

    p, q = polar_to_rect(a * i_m, i_a)
    q = f32(q)
    v1_re, v1_im = 1 - p, f32(-q)
    v2_re, v2_im = -p, f32(-q)

    v0_m, v0_a = rect_to_polar(v0_re, v0_im)
    v1_m, v1_a = rect_to_polar(v1_re, v1_im)
    v2_m, v2_a = rect_to_polar(v2_re, v2_im)
    v2_a = f32(v2_a)
    return sequence_to_phase(v0_m, v0_a, v1_m, v1_a, v2_m, v2_a)


def fault_phase_to_phase(zf_ratio, z12_deg, zf_deg, proximity):
    """FaultPhaseToPhase: phase B to C; positive and negative networks in
    parallel through ZF, no zero sequence.

    pi_s; 0.001 degree added to the ZF angle.  Held in single precision:
    Im ZF', the angle of I, Im a*I (= Im V2), Im V1 and <V2.
    """
    a = 1.0 - proximity / 100.0
    th_f = ((zf_deg + 0.001) - z12_deg) * PI_S / 180
    rf, xf = polar_to_rect(zf_ratio, th_f)
    xf = f32(xf)
    z_m, z_a = rect_to_polar(2 + rf, xf)
    i_a = f32(-z_a)
    p, q = polar_to_rect(a / z_m, i_a)                # a * I1
    q = f32(q)
    v0_re, v0_im = 0.0, 0.0
    v1_re, v1_im = 1 - p, f32(-q)
    v2_re, v2_im = p, q

    v0_m, v0_a = rect_to_polar(v0_re, v0_im)
    v1_m, v1_a = rect_to_polar(v1_re, v1_im)
    v2_m, v2_a = rect_to_polar(v2_re, v2_im)
    v2_a = f32(v2_a)
    return sequence_to_phase(v0_m, v0_a, v1_m, v1_a, v2_m, v2_a)


def fault_three_phase(zf_ratio, z12_deg, zf_deg, proximity):
    """FaultThreePhase: balanced fault, positive-sequence network through ZF.

    pi_s; 0.001 degree added to the ZF angle.  Held in single precision:
    Im ZF', the angle of I, Im I, Im V1 and the rotation 2*pi_s/3.  Vb and Vc
    are Va turned by -/+ the rotation, with no wrapping.
    """
    a = 1.0 - proximity / 100.0
    th_f = ((zf_deg + 0.001) - z12_deg) * PI_S / 180
    rf, xf = polar_to_rect(zf_ratio, th_f)
    xf = f32(xf)
    z_m, z_a = rect_to_polar(1 + rf, xf)
    i_a = f32(-z_a)
    p, q = polar_to_rect(1.0 / z_m, i_a)              # I1
    q = f32(q)
    v1_re, v1_im = 1 - a * p, f32(-(a * q))
    va_m, va_a = rect_to_polar(v1_re, v1_im)
    r = ROT_S
    return va_m, va_a, va_m, va_a - r, va_m, va_a + r


def fault_two_phase_ground(zf_ratio, z0_ratio, z12_deg, z0_deg, zf_deg, proximity):
    """Phases B and C joined and to ground through ZF, in double precision:
    the positive network in series with the negative network in parallel with
    the zero network plus 3 ZF.  Python's complex arithmetic is the same
    Smith division and four-product multiplication that dipview-calc writes
    out, and modulus and phase are the correctly rounded hypot and atan2.  A phase below
    1e-12 is written 0 at angle 0."""
    a = 1.0 - proximity / 100.0

    def impedance(ratio, deg):
        th = (deg - z12_deg) * PI / 180
        return complex(ratio * cos(th), ratio * sin(th))

    z0 = impedance(z0_ratio, z0_deg)
    zg = z0 + 3.0 * impedance(zf_ratio, zf_deg)
    i1 = 1.0 / (1.0 + zg / (1.0 + zg))
    i2 = -i1 * zg / (1.0 + zg)
    i0 = -i1 / (1.0 + zg)
    v1 = 1.0 - a * i1
    v2 = -a * i2
    v0 = -a * z0 * i0
    op = complex(-0.5, math.sqrt(3.0) / 2.0)
    op2 = op.conjugate()
    out = ()
    for v in (v0 + v1 + v2, v0 + op2 * v1 + op * v2, v0 + op * v1 + op2 * v2):
        m = hypot(v.real, v.imag)
        out += (0.0, 0.0) if m <= 1e-12 else (m, atan2(v.imag, v.real))
    return out


PHASES = ("a", "b", "c")


def relabel(v, phase):
    """The fault on A relabelled for phase b ((a^2 Vc, a^2 Va, a^2 Vb)) or c
    ((a Vb, a Vc, a Va)); angles turned by 2*pi/3 in double precision and
    brought into [-pi, pi]; an exact zero keeps its angle."""
    if phase == "a":
        return v
    turn = -ROT_D if phase == "b" else ROT_D
    order = (2, 0, 1) if phase == "b" else (1, 2, 0)
    out = ()
    for k in order:
        m, ang = v[2 * k], v[2 * k + 1]
        out += (m, ang) if m == 0.0 else (m, math.remainder(ang + turn, 2.0 * PI))
    return out


# --- the recalculation pass -------------------------------------------------

FAULT_TYPES = ("single", "phase-phase", "three")
CONNECTIONS = ("DY", "YY")
# The calculator's own fault and connection, beyond the window's.
ALL_FAULT_TYPES = FAULT_TYPES + ("two-phase-ground",)
ALL_CONNECTIONS = CONNECTIONS + ("DD",)


class FaultInputs:
    """The settings of one pass.  The Z0/Z12 ratio is held in single
    precision; the angles are degrees as read from their texts."""

    __slots__ = ("fault", "z12_deg", "z0_deg", "zf_deg", "z0_ratio",
                 "zf_ratio", "proximity", "connections", "phase")

    def __init__(self, fault="single", z12_deg=90.0, z0_deg=90.0, zf_deg=90.0,
                 z0_ratio=2.5, zf_ratio=0.0, proximity=50,
                 connections=("DY", "DY", "DY"), phase="a"):
        assert fault in ALL_FAULT_TYPES and phase in PHASES
        assert all(c in ALL_CONNECTIONS for c in connections) and len(connections) == 3
        self.fault = fault
        self.phase = phase
        self.z12_deg = float(z12_deg)
        self.z0_deg = float(z0_deg)
        self.zf_deg = float(zf_deg)
        self.z0_ratio = f32(float(z0_ratio))
        self.zf_ratio = float(zf_ratio)
        self.proximity = int(proximity)
        self.connections = tuple(connections)


def fault_result(fi):
    """The phase voltages at Substation HV from the selected fault model,
    with the angle of phase C stored in single precision (but for the
    double-precision two-phase-to-ground fault), relabelled for the phase the
    fault treats apart."""
    if fi.fault == "two-phase-ground":
        v = fault_two_phase_ground(fi.zf_ratio, fi.z0_ratio, fi.z12_deg,
                                   fi.z0_deg, fi.zf_deg, fi.proximity)
        return relabel(v, fi.phase)
    if fi.fault == "single":
        v = fault_single_phase(fi.zf_ratio, fi.z0_ratio, fi.z12_deg,
                               fi.z0_deg, fi.zf_deg, fi.proximity)
    elif fi.fault == "phase-phase":
        v = fault_phase_to_phase(fi.zf_ratio, fi.z12_deg, fi.zf_deg, fi.proximity)
    else:
        v = fault_three_phase(fi.zf_ratio, fi.z12_deg, fi.zf_deg, fi.proximity)
        return v[0], v[1], v[2], v[3], v[4], f32(v[5])
    return relabel((v[0], v[1], v[2], v[3], v[4], f32(v[5])), fi.phase)


def sequence_at_hv(bus):
    """Sequence voltages of a phase set, <V2 stored in single precision."""
    s = phase_to_sequence(*bus)
    return s[0], s[1], s[2], s[3], s[4], f32(s[5])


def apply_dy(bus, turn=True):
    """The DY rule: drop V0, turn V1 by -30 and V2 by +30 degrees; the DD
    rule (turn False) drops V0 alone.

    <V2 is held in single precision both after the transform and after the
    shift (computed in double, then stored); <Vc of the result likewise.
    """
    s = phase_to_sequence(*bus)
    v1_m, v1_a, v2_m = s[2], s[3], s[4]
    v2_a = f32(s[5])
    v0_m, v0_a = 0.0, 0.0
    if turn:
        v1_a = v1_a - SHIFT_30
        v2_a = f32(v2_a + SHIFT_30)
    p = sequence_to_phase(v0_m, v0_a, v1_m, v1_a, v2_m, v2_a)
    return p[0], p[1], p[2], p[3], p[4], f32(p[5])


def compute_pass(fi):
    """One recalculation pass.

    Returns (buses, sequence): buses is a list of four phase sets (Substation
    HV, Substation MV and Along Feeder, Customer Level 1, Customer Level 2),
    each six values; sequence is V0, V1, V2 at Substation HV.
    """
    bus = fault_result(fi)
    seq = sequence_at_hv(bus)
    buses = [bus]
    for n in (2, 3, 4):
        if fi.connections[n - 2] != "YY":
            bus = apply_dy(bus, fi.connections[n - 2] == "DY")
        buses.append(bus)
    return buses, seq


# --- readouts ---------------------------------------------------------------

def readout_magnitude(mag):
    """Magnitude cut down to 0.001 per unit."""
    return math.floor(mag * 1000) / 1000


def readout_angle(ang):
    """Angle in degrees, cut down (toward minus infinity) to 0.1 degree,
    using the pass's double-precision pi."""
    return math.floor(((ang * 180) / PI) * 10) / 10


def number_text(x):
    """Default number-to-text conversion: 15 significant digits, plain
    decimal, trailing zeros and a bare point dropped, leading 0 below 1 in
    size, '-' for negatives; a negative zero is written as '0'."""
    if x == 0:
        return "0"
    s = "%.15g" % x
    if "e" in s or "E" in s:
        from decimal import Decimal
        s = format(Decimal(s), "f")
        if "." in s:
            s = s.rstrip("0").rstrip(".")
    return s


def readout_texts(values):
    """The six texts of a phase (or sequence) set: |A|, <A, |B|, <B, |C|, <C."""
    out = []
    for k in range(3):
        out.append(number_text(readout_magnitude(values[2 * k])))
        out.append(number_text(readout_angle(values[2 * k + 1])))
    return out


BUSES = ("hv", "mv", "c1", "c2")
READOUT_COLUMNS = tuple(
    ["%s_%s_%s" % (b, ph, q) for b in BUSES for ph in "abc" for q in ("mag", "ang")]
    + ["%s_%s" % (v, q) for v in ("v0", "v1", "v2") for q in ("mag", "ang")]
)


def pass_texts(fi):
    """All 30 readout texts of a pass, keyed by dipview-calc's column names."""
    buses, seq = compute_pass(fi)
    texts = []
    for bus in buses:
        texts.extend(readout_texts(bus))
    texts.extend(readout_texts(seq))
    return dict(zip(READOUT_COLUMNS, texts))
