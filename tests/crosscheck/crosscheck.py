#!/usr/bin/env python3
"""Cross-check dipview-calc against the independent Python model (model.py).

Generates a deterministic set of fault settings, runs `dipview-calc --batch`
once on all of them, and compares every readout text of every output row with
the text the model gives.  A second, smaller set runs the calculator's own
two-phase-to-ground fault, faulted phases and DD connection the same way.  Exits 0 when all texts agree, 1 on any difference
(the first ones are listed), 2 when the program cannot be run or its output
has the wrong shape.

    crosscheck.py --calc build/apps/dipview-calc              # 3000 states
    crosscheck.py --calc build/apps/dipview-calc --states 200000
"""

import argparse
import csv
import io
import itertools
import os
import random
import subprocess
import sys
import time

sys.dont_write_bytecode = True   # leave no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import model  # noqa: E402

SETTING_COLUMNS = ("fault", "z12_angle", "z0_angle", "zf_angle", "z0_ratio",
                   "zf_ratio", "proximity", "hv_mv", "mv_c1", "c1_c2")
OUTPUT_COLUMNS = SETTING_COLUMNS + model.READOUT_COLUMNS

Z0_OPTIONS = ("3.0", "2.5", "2.0", "1.5", "1.0", "0.5")
ZF_OPTIONS = ("3.0", "2.5", "2.0", "1.5", "1.0", "0.5", "0.0")
CONNECTION_SETS = tuple(itertools.product(model.CONNECTIONS, repeat=3))

# The start-up settings, and what Substation HV shows for them.
STARTUP = ("single", "90", "90", "90", "2.5", "0.0", "50", "DY", "DY", "DY")
STARTUP_HV = ("0.499", "0", "1.092", "-127.6", "1.092", "127.5")


def decimal_text(rng, lo, hi):
    """A decimal number in [lo, hi] with 1 to 4 decimals, as text."""
    places = rng.randint(1, 4)
    scale = 10 ** places
    return "%.*f" % (places, rng.randint(int(lo * scale), int(hi * scale)) / scale)


def angle_text(rng):
    u = rng.random()
    if u < 0.10:
        return rng.choice(("0", "90", "0.0", "90.0"))
    if u < 0.55:
        return str(rng.randint(0, 90))
    return decimal_text(rng, 0, 90)


def z0_text(rng):
    return rng.choice(Z0_OPTIONS) if rng.random() < 0.6 else decimal_text(rng, 0.5, 3.0)


def zf_text(rng):
    return rng.choice(ZF_OPTIONS) if rng.random() < 0.6 else decimal_text(rng, 0.0, 3.0)


def proximity_text(rng):
    u = rng.random()
    if u < 0.05:
        return "0"
    if u < 0.10:
        return "100"
    return str(rng.randint(0, 100))


def random_state(rng, fault=None, z0=None, zf=None, proximity=None, angles=None,
                 connections=None):
    fault = fault or rng.choice(model.FAULT_TYPES)
    angles = angles or (angle_text(rng), angle_text(rng), angle_text(rng))
    z0 = z0 or z0_text(rng)
    zf = zf or zf_text(rng)
    proximity = proximity or proximity_text(rng)
    connections = connections or rng.choice(CONNECTION_SETS)
    return (fault,) + tuple(angles) + (z0, zf, proximity) + tuple(connections)


def generate_states(count, seed):
    """The start-up state first, then the edge settings, then random states."""
    rng = random.Random(seed)
    states = [STARTUP]
    for fault, conns in itertools.product(model.FAULT_TYPES, CONNECTION_SETS):
        # bolted fault at Substation HV, defaults otherwise and a random mix
        states.append((fault, "90", "90", "90", "2.5", "0.0", "0") + conns)
        states.append((fault, "90", "90", "90", "1.0", "0.0", "0") + conns)
        states.append(random_state(rng, fault, zf="0.0", proximity="0", connections=conns))
        # far end: the prefault voltages
        states.append((fault, "90", "90", "90", "2.5", "0.0", "100") + conns)
        states.append(random_state(rng, fault, proximity="100", connections=conns))
        states.append(random_state(rng, fault, connections=conns))
    # every pair of ratio options for every fault type
    for fault, z0, zf in itertools.product(model.FAULT_TYPES, Z0_OPTIONS, ZF_OPTIONS):
        states.append(random_state(rng, fault, z0=z0, zf=zf))
    # the angle corners
    for fault, angles in itertools.product(model.FAULT_TYPES,
                                           itertools.product(("0", "90"), repeat=3)):
        states.append(random_state(rng, fault, angles=angles))
        states.append(random_state(rng, fault, angles=angles, zf="0.0", proximity="0"))
    # every proximity for every fault type
    for fault, p in itertools.product(model.FAULT_TYPES, range(101)):
        states.append(random_state(rng, fault, proximity=str(p)))
    del states[count:]
    while len(states) < count:
        states.append(random_state(rng))
    return states


def echo_matches(state, row):
    """The ten setting columns of an output row name the input state."""
    if row[0] != state[0] or tuple(row[7:10]) != tuple(state[7:10]):
        return False
    try:
        nums = [float(x) for x in row[1:7]]
    except ValueError:
        return False
    want = [float(x) for x in state[1:7]]
    return (nums[0:3] == want[0:3] and model.f32(nums[3]) == model.f32(want[3])
            and nums[4] == want[4] and nums[5] == want[5])


# The calculator's own fault, phases and connection: states of eleven values,
# the ten settings and then the phases.
PHASE_NAMES = {"single": ("a", "b", "c"), "phase-phase": ("bc", "ca", "ab"),
               "two-phase-ground": ("bc", "ca", "ab"), "three": ("abc",)}
ALL_CONNECTION_SETS = tuple(itertools.product(model.ALL_CONNECTIONS, repeat=3))


def generate_new_states(count, seed):
    """Bolted faults with Z0 = Z12 (the textbook's exact cases) and far ends
    for every fault, phase and connection set, then random states."""
    rng = random.Random(seed)
    states = []
    for fault in model.ALL_FAULT_TYPES:
        for phases in PHASE_NAMES[fault]:
            for conns in ALL_CONNECTION_SETS:
                state = (fault, "90", "90", "90", "1.0", "0.0", rng.choice(("0", "50", "100")))
                states.append(state + conns + (phases,))
    while len(states) < count:
        fault = rng.choice(model.ALL_FAULT_TYPES)
        state = random_state(rng, fault, connections=rng.choice(ALL_CONNECTION_SETS))
        states.append(state + (rng.choice(PHASE_NAMES[fault]),))
    return states[:count]


def model_texts(state):
    # The phase the fault treats apart: A for the ten-value states.
    apart = PHASE_NAMES[state[0]].index(state[10]) if len(state) > 10 else 0
    fi = model.FaultInputs(
        fault=state[0], z12_deg=float(state[1]), z0_deg=float(state[2]),
        zf_deg=float(state[3]), z0_ratio=float(state[4]), zf_ratio=float(state[5]),
        proximity=int(state[6]), connections=state[7:10],
        phase="abc"[apart])
    t = model.pass_texts(fi)
    return [t[c] for c in model.READOUT_COLUMNS]


def run_calc(calc, columns, states):
    """Runs dipview-calc --batch on the states; returns (rows, seconds) or
    prints why it could not and returns None."""
    text = ",".join(columns) + "\n" + "".join(",".join(s) + "\n" for s in states)
    t0 = time.perf_counter()
    try:
        proc = subprocess.run([calc, "--batch"], input=text.encode(),
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    except OSError as e:
        print("crosscheck: cannot run %s: %s" % (calc, e), file=sys.stderr)
        return None
    if proc.returncode != 0:
        print("crosscheck: %s --batch exited with %d: %s"
              % (calc, proc.returncode, proc.stderr.decode(errors="replace").strip()),
              file=sys.stderr)
        return None
    return list(csv.reader(io.StringIO(proc.stdout.decode()))), time.perf_counter() - t0


def check_new_models(calc, count, seed, show):
    """The second set; returns the exit status."""
    states = generate_new_states(count, seed)
    result = run_calc(calc, SETTING_COLUMNS + ("phases",), states)
    if result is None:
        return 2
    rows, seconds = result
    header = ("fault", "phases") + SETTING_COLUMNS[1:] + model.READOUT_COLUMNS
    if not rows or tuple(rows[0]) != header or len(rows) != len(states) + 1:
        print("crosscheck: unexpected output for the new models", file=sys.stderr)
        return 2
    failures = []
    for i, (state, row) in enumerate(zip(states, rows[1:])):
        if (row[0], row[1]) != (state[0], state[10]) or tuple(row[8:11]) != state[7:10]:
            failures.append((i, "settings", ",".join(row[:11]), ",".join(state)))
            continue
        for col, got, want in zip(model.READOUT_COLUMNS, row[11:], model_texts(state)):
            if got != want:
                failures.append((i, col, got, want))
    print("crosscheck: %d states of the new fault, phases and DD, %d texts compared, %.2f s"
          % (len(states), len(states) * len(model.READOUT_COLUMNS), seconds))
    if not failures:
        print("crosscheck: all texts of the new fault, phases and DD agree")
        return 0
    print("crosscheck: %d mismatching texts; first %d:" % (len(failures), min(show, len(failures))))
    for i, col, got, want in failures[:show]:
        print("  state %d [%s]: %s: program %r, model %r" % (i, ",".join(states[i]), col, got, want))
    return 1


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--calc", default=os.path.join(here, "..", "..", "build", "calc",
                                                   "dipview-calc"),
                    help="the dipview-calc program (default: build/apps/dipview-calc)")
    ap.add_argument("--states", type=int, default=3000, help="number of states (default 3000)")
    ap.add_argument("--new-states", type=int, default=1500,
                    help="number of states of the new fault, phases and DD (default 1500)")
    ap.add_argument("--seed", type=int, default=20240601, help="random seed")
    ap.add_argument("--show", type=int, default=20, help="mismatches to list (default 20)")
    ap.add_argument("--save-input", metavar="FILE", help="also write the batch input here")
    args = ap.parse_args()
    if args.states < 1:
        ap.error("--states must be at least 1")

    states = generate_states(args.states, args.seed)
    text = ",".join(SETTING_COLUMNS) + "\n" + "".join(",".join(s) + "\n" for s in states)
    if args.save_input:
        with open(args.save_input, "w") as f:
            f.write(text)

    t0 = time.perf_counter()
    try:
        proc = subprocess.run([args.calc, "--batch"], input=text.encode(),
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    except OSError as e:
        print("crosscheck: cannot run %s: %s" % (args.calc, e), file=sys.stderr)
        return 2
    t_calc = time.perf_counter() - t0
    if proc.returncode != 0:
        print("crosscheck: %s --batch exited with %d: %s"
              % (args.calc, proc.returncode, proc.stderr.decode(errors="replace").strip()),
              file=sys.stderr)
        return 2
    rows = list(csv.reader(io.StringIO(proc.stdout.decode())))
    if not rows or tuple(rows[0]) != OUTPUT_COLUMNS:
        print("crosscheck: unexpected header: %s" % (rows[0] if rows else "(no output)"),
              file=sys.stderr)
        return 2
    rows = rows[1:]
    if len(rows) != len(states):
        print("crosscheck: %d states in, %d rows out" % (len(states), len(rows)),
              file=sys.stderr)
        return 2

    t0 = time.perf_counter()
    failures = []          # (state index, column, program text, model text)
    failing_states = set()
    for i, (state, row) in enumerate(zip(states, rows)):
        if len(row) != len(OUTPUT_COLUMNS) or not echo_matches(state, row):
            failures.append((i, "settings", ",".join(row[:10]), ",".join(state)))
            failing_states.add(i)
            continue
        for col, got, want in zip(model.READOUT_COLUMNS, row[10:], model_texts(state)):
            if got != want:
                failures.append((i, col, got, want))
                failing_states.add(i)
    t_model = time.perf_counter() - t0

    hv = tuple(rows[0][10:16])
    startup_ok = states[0] == STARTUP and hv == STARTUP_HV
    if not startup_ok:
        failures.append((0, "hv (start-up)", ",".join(hv), ",".join(STARTUP_HV)))
        failing_states.add(0)

    n_faults = {f: sum(1 for s in states if s[0] == f) for f in model.FAULT_TYPES}
    print("crosscheck: %d states (%s), %d texts compared, seed %d"
          % (len(states), ", ".join("%s %d" % kv for kv in n_faults.items()),
             len(states) * len(model.READOUT_COLUMNS), args.seed))
    print("crosscheck: dipview-calc %.2f s, model %.2f s" % (t_calc, t_model))
    print("crosscheck: start-up Substation HV %s" % ("as expected" if startup_ok else "WRONG"))
    new_status = check_new_models(args.calc, args.new_states, args.seed, args.show)
    if not failures:
        print("crosscheck: all texts agree")
        return new_status
    print("crosscheck: %d mismatching texts in %d states; first %d:"
          % (len(failures), len(failing_states), min(args.show, len(failures))))
    header = ",".join(SETTING_COLUMNS)
    for i, col, got, want in failures[:args.show]:
        print("  state %d [%s = %s]: %s: program %r, model %r"
              % (i, header, ",".join(states[i]), col, got, want))
    return 1


if __name__ == "__main__":
    sys.exit(main())
