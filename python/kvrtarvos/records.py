"""What each measured point and the whole run of a measurement rest on, and the trailer that
carries them after the samples of a .tvd file:

    "TVDR", uint32 version, uint32 payload length, uint32 CRC-32 of the payload, payload

The payload holds the run record, a uint32 count of point records (0 or the sample count) and
the point records in sample order; all little-endian, strings as uint32 length + UTF-8.
"""
import datetime
import enum
import struct
import zlib
from dataclasses import dataclass, field
from typing import List, Optional, Tuple, Union

from .confidence import BerInterval, clopper_pearson

TRAILER_MAGIC = b"TVDR"
TRAILER_VERSION = 1
TRAILER_HEADER_BYTES = 16
POINT_RECORD_BYTES = 48

_HEADER = struct.Struct("<4sIII")
_RUN_FIXED = struct.Struct("<qqd")
_U32 = struct.Struct("<I")
_POINT = struct.Struct("<dddiiiqi")
_RUN_STRINGS = ("programVersion", "identity", "manufacturer", "modelNumber", "serialNumber",
                "firmwareVersion", "comment")

# Years 1 to 9999: the span a calendar date can be written for; other times come only from
# damaged files and are shown as their raw number.
_MIN_UTC_MS = -62135596800000
_MAX_UTC_MS = 253402300799999
_EPOCH = datetime.datetime(1970, 1, 1, tzinfo=datetime.timezone.utc)


class PointEnding(enum.IntEnum):
    """How a stored point came to its BER."""
    COMPLETE = 0    # two complete counts
    ACCEPTED = 1    # Accept or Skip ended the count early
    ZERO_RULE = 2   # the resolution was reached without a BER above the tolerance
    REFINEMENT = 3  # a bracketing point of the END refinement

    @property
    def label(self) -> str:
        return self.name.lower().replace("_", " ")


def format_utc(utc_ms: int) -> str:
    """"2026-12-08T15:20:22.125Z" for milliseconds since 1970 UTC; "" for 0 (not known)."""
    if utc_ms == 0:
        return ""
    if not _MIN_UTC_MS <= utc_ms <= _MAX_UTC_MS:
        return "@%d" % utc_ms
    t = _EPOCH + datetime.timedelta(milliseconds=utc_ms)
    return "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ" % (t.year, t.month, t.day, t.hour, t.minute, t.second,
                                                    t.microsecond // 1000)


def utc_datetime(utc_ms: int) -> Optional[datetime.datetime]:
    """The time as an aware datetime; None for 0 or a time no calendar date can hold."""
    if utc_ms == 0 or not _MIN_UTC_MS <= utc_ms <= _MAX_UTC_MS:
        return None
    return _EPOCH + datetime.timedelta(milliseconds=utc_ms)


@dataclass
class PointRecord:
    """One measured point: the C/N set, the counts behind its BER, the last poll's counter."""
    cnr: float = 0.0
    errors: float = 0.0   # bit errors counted; with bits 0 the counts are not known
    bits: float = 0.0
    exponent: int = 0
    counter: int = 0
    counterMax: int = 0
    timeUtcMs: int = 0    # when the point ended, ms since 1970-01-01 UTC
    ending: Union[PointEnding, int] = PointEnding.COMPLETE  # an int when a later program wrote it

    @property
    def has_counts(self) -> bool:
        return self.bits > 0

    @property
    def ending_name(self) -> str:
        return self.ending.label if isinstance(self.ending, PointEnding) else "unknown"

    @property
    def time(self) -> Optional[datetime.datetime]:
        return utc_datetime(self.timeUtcMs)

    def interval(self) -> Optional[BerInterval]:
        """The exact 95 % interval of the BER; None when the counts are not known."""
        return clopper_pearson(self.errors, self.bits) if self.has_counts else None


@dataclass
class RunRecord:
    """The run: its times (UTC, 0 = not known), the instrument, program, threshold and comment."""
    startUtcMs: int = 0
    endUtcMs: int = 0
    thresholdBer: float = 0.0
    programVersion: str = ""
    identity: str = ""
    manufacturer: str = ""
    modelNumber: str = ""
    serialNumber: str = ""
    firmwareVersion: str = ""
    comment: str = ""

    def is_empty(self) -> bool:
        return self == RunRecord()


@dataclass
class Records:
    """The records of one measurement: `points` is empty or holds one record per sample."""
    run: RunRecord = field(default_factory=RunRecord)
    points: List[PointRecord] = field(default_factory=list)

    def is_empty(self) -> bool:
        return self.run.is_empty() and not self.points


def _text(value: str) -> bytes:
    # surrogateescape gives back the exact bytes of a string that was read as invalid UTF-8.
    raw = value.encode("utf-8", "surrogateescape")
    return _U32.pack(len(raw)) + raw


def encode_trailer(records: Optional[Records]) -> bytes:
    """The trailer for `records`; empty when there is nothing to record."""
    if records is None or records.is_empty():
        return b""
    run = records.run
    try:
        parts = [_RUN_FIXED.pack(run.startUtcMs, run.endUtcMs, run.thresholdBer)]
        parts += [_text(getattr(run, name)) for name in _RUN_STRINGS]
        parts.append(_U32.pack(len(records.points)))
        parts += [_POINT.pack(p.cnr, p.errors, p.bits, p.exponent, p.counter, p.counterMax, p.timeUtcMs,
                              int(p.ending)) for p in records.points]
    except struct.error as e:
        raise ValueError("record field out of range: %s" % e) from None
    payload = b"".join(parts)
    return _HEADER.pack(TRAILER_MAGIC, TRAILER_VERSION, len(payload), zlib.crc32(payload)) + payload


class _Cut(Exception):
    """A field of the payload runs past its end."""


class _Payload:
    def __init__(self, data: bytes):
        self._data = data
        self._pos = 0

    def remaining(self) -> int:
        return len(self._data) - self._pos

    def take(self, s: struct.Struct) -> tuple:
        if self.remaining() < s.size:
            raise _Cut()
        values = s.unpack_from(self._data, self._pos)
        self._pos += s.size
        return values

    def text(self) -> str:
        (n,) = self.take(_U32)
        if n > self.remaining():
            raise _Cut()
        raw = self._data[self._pos:self._pos + n]
        self._pos += n
        return raw.decode("utf-8", "surrogateescape")


def _ignored(note: str) -> Tuple[None, str]:
    return None, "records ignored: " + note


def _ending(value: int) -> Union[PointEnding, int]:
    try:
        return PointEnding(value)
    except ValueError:
        return value


def _decode_payload(payload: bytes, sample_count: int) -> Tuple[Optional[Records], str]:
    data = _Payload(payload)
    try:
        start, end, threshold = data.take(_RUN_FIXED)
        strings = {name: data.text() for name in _RUN_STRINGS}
        (count,) = data.take(_U32)
    except _Cut:
        return _ignored("the run record is cut short")
    if count not in (0, sample_count):
        return _ignored("%d point records for %d samples" % (count, sample_count))
    if data.remaining() != count * POINT_RECORD_BYTES:
        return _ignored("the point records do not fit")
    run = RunRecord(startUtcMs=start, endUtcMs=end, thresholdBer=threshold, **strings)
    points = []
    for _ in range(count):
        cnr, errors, bits, exponent, counter, counter_max, time_ms, ending = data.take(_POINT)
        points.append(PointRecord(cnr, errors, bits, exponent, counter, counter_max, time_ms, _ending(ending)))
    return Records(run, points), ""


def decode_trailer(data: bytes, sample_count: int) -> Tuple[Optional[Records], str]:
    """The records in the bytes after the samples, and a note why they were not used.

    No bytes: (None, ""). Anything that is not a whole, intact trailer of this version, or whose
    point count is neither 0 nor `sample_count`, gives (None, note); it never fails the read.
    """
    if not data:
        return None, ""
    if len(data) < TRAILER_HEADER_BYTES or not data.startswith(TRAILER_MAGIC):
        return _ignored("unknown bytes after the samples")
    _, version, length, crc = _HEADER.unpack_from(data)
    if version != TRAILER_VERSION:
        return _ignored("written in record version %d, this program reads version %d" % (version, TRAILER_VERSION))
    payload = data[TRAILER_HEADER_BYTES:]
    if len(payload) < length:
        return _ignored("the file is cut short")
    if len(payload) > length:
        return _ignored("unknown bytes after the records")
    if zlib.crc32(payload) != crc:
        return _ignored("checksum mismatch (damaged file)")
    return _decode_payload(payload, sample_count)
