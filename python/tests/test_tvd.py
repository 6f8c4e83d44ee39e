import json
import os
import stat
import struct
import subprocess
import tempfile
import unittest
import zlib
from pathlib import Path

import support
from kvrtarvos import tvd
from kvrtarvos.records import PointEnding, PointRecord, Records, RunRecord, encode_trailer, format_utc


class SweepFileTest(unittest.TestCase):
    """A file written by `tarvos sweep` on the simulator, read back here and by the program."""

    @classmethod
    def setUpClass(cls):
        cls.tarvos = support.tarvos_binary()
        cls.folder = tempfile.TemporaryDirectory()
        folder = Path(cls.folder.name)
        cls.env = dict(os.environ, XDG_STATE_HOME=str(folder / "state"), XDG_CONFIG_HOME=str(folder / "config"),
                       KVR_SIM_CONFIG=str(support.simulator_config(folder)))
        cls.path = folder / "sweep.tvd"
        cls.run_tarvos("sweep", "--time-scale", "0", "--out", str(cls.path))
        cls.bytes = cls.path.read_bytes()

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()

    @classmethod
    def run_tarvos(cls, *args):
        settings = str(Path(cls.folder.name) / "tarvos.ini")
        done = subprocess.run([cls.tarvos, "--settings", settings, *args], env=cls.env, capture_output=True,
                              timeout=120)
        if done.returncode != 0:
            raise AssertionError("tarvos %s: %s" % (" ".join(args), done.stderr.decode()))
        return done.stdout.decode()

    def test_reads_what_tarvos_info_reads_and_the_records(self):
        doc = tvd.read(self.path)
        info = json.loads(self.run_tarvos("info", str(self.path), "--json"))
        self.assertEqual(vars(doc.receiver), {name: info["receiver"][name] for name in vars(doc.receiver)})
        self.assertEqual([list(s) for s in doc.samples], info["samples"])
        self.assertEqual(doc.records_note, "")
        run = doc.records.run
        self.assertTrue(run.programVersion.startswith("KVR Tarvos "))
        self.assertIn(run.serialNumber, run.identity)
        self.assertEqual(run.thresholdBer, 2e-4)
        self.assertEqual(len(doc.records.points), len(doc.samples))
        for sample, point in doc.points():
            # The simulator's counts: the BER is errors in bits of whole counter steps.
            self.assertGreater(point.bits, 0)
            self.assertEqual(point.errors, round(sample.ber * point.bits))
            self.assertLessEqual(run.startUtcMs, point.timeUtcMs)
            self.assertLessEqual(point.timeUtcMs, run.endUtcMs)
            interval = point.interval()
            self.assertLessEqual(interval.lower, sample.ber)
            self.assertLessEqual(sample.ber, interval.upper)
        self.assertIn(PointEnding.REFINEMENT, [p.ending for p in doc.records.points])

    def test_writes_the_same_bytes_as_the_program(self):
        copy = Path(self.folder.name) / "copy.tvd"
        tvd.write(copy, tvd.read(self.path))
        self.assertEqual(copy.read_bytes(), self.bytes)

    def test_damaged_trailers_keep_the_samples_with_a_note(self):
        n = struct.unpack_from("<i", self.bytes, 60)[0]
        trailer_at = tvd.HEADER_BYTES + tvd.SAMPLE_BYTES * n
        payload = self.bytes[trailer_at + 16:]

        def flipped(at):
            data = bytearray(self.bytes)
            data[at] ^= 0x10
            return bytes(data)

        def with_payload(new):
            head = struct.pack("<4sIII", b"TVDR", 1, len(new), zlib.crc32(new))
            return self.bytes[:trailer_at] + head + new

        cases = [
            ("truncated", self.bytes[:-1], "the file is cut short"),
            ("header cut", self.bytes[:trailer_at + 10], "unknown bytes after the samples"),
            ("bit flipped", flipped(len(self.bytes) - 30), "checksum mismatch (damaged file)"),
            ("later version", self.bytes[:trailer_at + 4] + struct.pack("<I", 2) + self.bytes[trailer_at + 8:],
             "written in record version 2, this program reads version 1"),
            ("bytes after", self.bytes + b"\0", "unknown bytes after the records"),
            ("other magic", flipped(trailer_at), "unknown bytes after the samples"),
            ("point count", with_payload(payload[:-48]), "the point records do not fit"),
            ("run cut", with_payload(payload[:30]), "the run record is cut short"),
            ("other count", self.bytes[:trailer_at] + encode_trailer(Records(RunRecord(1), [PointRecord()] * 3)),
             "3 point records for %d samples" % n),
        ]
        expected = tvd.parse(self.bytes).samples
        for name, data, note in cases:
            with self.subTest(name):
                doc = tvd.parse(data)
                self.assertEqual(doc.samples, expected)
                self.assertIsNone(doc.records)
                self.assertEqual(doc.records_note, "records ignored: " + note)


class FileFormatTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)
        self.dir = Path(self.folder.name)

    def test_short_files_and_impossible_counts_fail(self):
        header = struct.pack("<iidiiiiiddd", 8, 8, 100.0, 128, 1, 4, 64, 15, 20.0, 35.0, 6.9)
        for name, data in [("63 bytes", b"\0" * 63),
                           ("70 bytes claiming a sample", header + struct.pack("<i", 1) + b"\0" * 6),
                           ("negative count", header + struct.pack("<i", -1)),
                           ("huge count", header + struct.pack("<i", 2 ** 31 - 1) + b"\0" * 32)]:
            with self.subTest(name), self.assertRaisesRegex(ValueError, "^Unexpected file format\\.$"):
                tvd.parse(data)

    def test_records_round_trip_and_no_records_write_no_trailer(self):
        points = [PointRecord(20.5, 12.0, 9999264.0 * 3, -6, 3, 10, 1796743823593, PointEnding.ACCEPTED),
                  PointRecord(21.0, 0.0, 0.0, 0, 0, 0, 0, 7)]
        run = RunRecord(1, 2, 2e-4, "KVR Tarvos 1.1", "id", "KVR", "T1", "100734", "1.30", "Grüße\n")
        doc = tvd.Document(tvd.ReceiverSettings(mode=4, qamOrder=64), [tvd.Sample(20.0, 1e-3), tvd.Sample(21.0, 0.0)],
                           Records(run, points))
        self.assertEqual(tvd.parse(tvd.serialize(doc)), doc)
        doc.records = None
        self.assertEqual(len(tvd.serialize(doc)), 64 + 2 * 16)
        doc.records = Records()
        self.assertEqual(len(tvd.serialize(doc)), 64 + 2 * 16)

    def test_point_records_must_match_the_samples(self):
        doc = tvd.Document(samples=[tvd.Sample(20.0, 1e-3)], records=Records(points=[PointRecord()] * 2))
        with self.assertRaisesRegex(ValueError, "2 point records for 1 samples"):
            tvd.serialize(doc)

    def test_only_regular_files_are_read_or_replaced(self):
        fifo = self.dir / "fifo.tvd"
        os.mkfifo(fifo)
        with self.assertRaisesRegex(ValueError, "not a regular file"):
            tvd.read(fifo)
        with self.assertRaisesRegex(ValueError, "not a regular file"):
            tvd.write(fifo, tvd.Document())
        self.assertTrue(stat.S_ISFIFO(os.stat(fifo).st_mode))
        self.assertEqual(sorted(p.name for p in self.dir.iterdir()), ["fifo.tvd"])

    def test_saving_keeps_permissions_and_links_and_never_replaces_a_read_only_file(self):
        kept, read_only, target = self.dir / "kept.tvd", self.dir / "read-only.tvd", self.dir / "target.tvd"
        for path, mode in [(kept, 0o640), (read_only, 0o444), (target, 0o644)]:
            path.write_bytes(b"old")
            os.chmod(path, mode)
        link = self.dir / "link.tvd"
        link.symlink_to(target.name)
        tvd.write(kept, tvd.Document())
        self.assertEqual((stat.S_IMODE(os.stat(kept).st_mode), len(kept.read_bytes())), (0o640, 64))
        with self.assertRaises(PermissionError):
            tvd.write(read_only, tvd.Document())
        self.assertEqual(read_only.read_bytes(), b"old")
        tvd.write(link, tvd.Document())
        self.assertTrue(link.is_symlink())
        self.assertEqual(len(target.read_bytes()), 64)
        self.assertEqual(len(list(self.dir.iterdir())), 4)  # no temporary left behind

    def test_times_are_written_as_the_programs_write_them(self):
        for ms, text in [(0, ""), (1796743222125, "2026-12-08T15:20:22.125Z"), (-1, "1969-12-31T23:59:59.999Z"),
                         (253402300800000, "@253402300800000")]:
            with self.subTest(ms):
                self.assertEqual(format_utc(ms), text)


if __name__ == "__main__":
    unittest.main()
