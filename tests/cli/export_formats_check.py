"""A simulator sweep exported as CSV and as JSON, read with Python's own csv and json modules:
both must hold exactly the numbers `tarvos info --json` gives for the same document.

Usage: export_formats_check.py TARVOS_BINARY
"""
import csv
import io
import json
import os
import subprocess
import sys
import tempfile

# CSV column -> key of the point objects in the JSON, and how the field is read.
NUMBER_COLUMNS = {
    "S/N (dB)": "snr",
    "C/N (dB)": "cnr",
    "Theoretical BER": "theoreticalBer",
    "Measured BER": "measuredBer",
    "Errors": "errors",
    "Bits": "bits",
    "BER lower 95 %": "berLower",
    "BER upper 95 %": "berUpper",
}
TEXT_COLUMNS = {"Time (UTC)": "time", "Ending": "ending"}


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    sys.exit(1)


def run(tarvos, env, *args):
    done = subprocess.run([tarvos, *args], env=env, capture_output=True, timeout=120)
    if done.returncode != 0:
        fail(f"tarvos {' '.join(args)} exited with {done.returncode}: {done.stderr.decode(errors='replace')}")
    return done.stdout


def number_or_none(text):
    return float(text) if text != "" else None


def check_csv(rows, points):
    if len(rows) != len(points):
        fail(f"{len(rows)} CSV rows for {len(points)} samples")
    for row, point in zip(rows, points):
        if int(row["Nr."]) != point["number"]:
            fail(f"row number {row['Nr.']} for sample {point['number']}")
        for column, key in NUMBER_COLUMNS.items():
            # Exact comparison: the texts must read back to the very same doubles.
            if number_or_none(row[column]) != point[key]:
                fail(f"sample {point['number']}: CSV {column} {row[column]!r} but info has {point[key]!r}")
        for column, key in TEXT_COLUMNS.items():
            if (row[column] or None) != point[key]:
                fail(f"sample {point['number']}: CSV {column} {row[column]!r} but info has {point[key]!r}")
        one_sided = {"1": True, "0": False, "": None}[row["One-sided"]]
        if one_sided != point["oneSided"]:
            fail(f"sample {point['number']}: CSV one-sided {row['One-sided']!r} but info has {point['oneSided']!r}")


def main():
    if len(sys.argv) != 2:
        fail("usage: export_formats_check.py TARVOS_BINARY")
    tarvos = sys.argv[1]
    with tempfile.TemporaryDirectory() as folder:
        env = dict(os.environ)
        env["XDG_CONFIG_HOME"] = os.path.join(folder, "config")
        env["XDG_STATE_HOME"] = os.path.join(folder, "state")
        sim = os.path.join(folder, "sim.ini")
        with open(sim, "w") as f:
            f.write(f"[Simulator]\nSeed=5\nState File={os.path.join(folder, 'state.ini')}\n")
        env["KVR_SIM_CONFIG"] = sim
        settings = os.path.join(folder, "kvr-tarvos.ini")
        document = os.path.join(folder, "sweep.tvd")
        run(tarvos, env, "sweep", "--time-scale", "0", "--settings", settings, "--out", document)

        info = json.loads(run(tarvos, env, "info", "--json", document, "--settings", settings))
        points = info["points"]
        if not any(p["bits"] for p in points) or info["run"] is None:
            fail("the sweep's document holds no records: nothing to compare")
        if [[p["snr"], p["measuredBer"]] for p in points] != info["samples"]:
            fail("info's points and samples differ")

        text = run(tarvos, env, "export", document, "--format", "csv", "--settings", settings).decode("utf-8")
        check_csv(list(csv.DictReader(io.StringIO(text, newline=""))), points)

        exported = json.loads(run(tarvos, env, "export", document, "--format", "json", "--settings", settings))
        for key in ("run", "receiver", "end", "points", "recordsNote"):
            if exported[key] != info[key]:
                fail(f"JSON export's {key} differs from info: {exported[key]!r} / {info[key]!r}")
        if exported["end"]["interval"] is None:
            fail("the sweep's END has no interval")
    print(f"CSV and JSON hold the {len(points)} samples exactly as info does")


if __name__ == "__main__":
    main()
