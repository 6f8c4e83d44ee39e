"""Reading and writing KVR Tarvos measurement files (.tvd).

The file is a flat little-endian record without header: the receiver settings (64 bytes, the
last field the sample count n), n samples of 16 bytes (S/N, BER as doubles), and optionally the
trailer with the measurement's records (see kvrtarvos.records). Files written here are byte for
byte what the tarvos programs write for the same content.
"""
import errno
import os
import secrets
import stat
import struct
from dataclasses import dataclass, field
from typing import Iterator, List, NamedTuple, Optional, Tuple, Union

from .records import (POINT_RECORD_BYTES, TRAILER_HEADER_BYTES, PointRecord, Records, decode_trailer,
                      encode_trailer)

UNEXPECTED_FILE_FORMAT = "Unexpected file format."
HEADER_BYTES = 64
SAMPLE_BYTES = 16

# As the programs: a file beyond 64 million samples with their records is no measurement.
MAX_FILE_BYTES = HEADER_BYTES + TRAILER_HEADER_BYTES + (1 << 20) + (SAMPLE_BYTES + POINT_RECORD_BYTES) * (1 << 26)

_MAX_LINK_DEPTH = 40

_HEADER = struct.Struct("<iidiiiiidddi")
_SAMPLE = struct.Struct("<dd")

PathLike = Union[str, "os.PathLike[str]"]


@dataclass
class ReceiverSettings:
    """The receiver settings of a measurement, with the instrument's codes."""
    sawBandwidth: int = 0
    channelBandwidth: int = 0
    frequency: float = 0.0   # MHz
    input: int = 0
    berPoint: int = 0        # 0 before Viterbi, 1 before Reed-Solomon, 2 after Reed-Solomon
    mode: int = 0
    qamOrder: int = 0
    rollOff: int = 0         # the roll-off factor times 100 (115 for 0.115)
    snrBegin: float = 0.0    # dB
    snrEnd: float = 0.0      # dB
    symbolRate: float = 0.0  # MSymb/s


_SETTINGS_ORDER = ("sawBandwidth", "channelBandwidth", "frequency", "input", "berPoint", "mode", "qamOrder",
                   "rollOff", "snrBegin", "snrEnd", "symbolRate")


class Sample(NamedTuple):
    snr: float  # dB
    ber: float


@dataclass
class Document:
    """One measurement: settings, samples in ascending S/N, and the records when the file has
    an intact trailer (else None, with `records_note` saying why when there was one)."""
    receiver: ReceiverSettings = field(default_factory=ReceiverSettings)
    samples: List[Sample] = field(default_factory=list)
    records: Optional[Records] = None
    records_note: str = ""

    def points(self) -> Iterator[Tuple[Sample, Optional[PointRecord]]]:
        """Each sample with its point record (None where the file holds none)."""
        points = self.records.points if self.records is not None else []
        if len(points) != len(self.samples):
            points = [None] * len(self.samples)
        yield from zip(self.samples, points)


def parse(data: bytes) -> Document:
    """The document in the bytes of a .tvd file.

    Raises ValueError("Unexpected file format.") when the bytes are shorter than their fields or
    the sample count does not fit the length; a trailer that cannot be used never fails.
    """
    data = bytes(data)
    if len(data) < HEADER_BYTES:
        raise ValueError(UNEXPECTED_FILE_FORMAT)
    fields = _HEADER.unpack_from(data)
    n = fields[-1]
    # The count is checked against the bytes really there before anything is built.
    if n < 0 or n > (len(data) - HEADER_BYTES) // SAMPLE_BYTES:
        raise ValueError(UNEXPECTED_FILE_FORMAT)
    receiver = ReceiverSettings(*fields[:-1])
    samples = [Sample(*s) for s in _SAMPLE.iter_unpack(data[HEADER_BYTES:HEADER_BYTES + n * SAMPLE_BYTES])]
    records, note = decode_trailer(data[HEADER_BYTES + n * SAMPLE_BYTES:], n)
    return Document(receiver, samples, records, note)


def serialize(document: Document) -> bytes:
    """The bytes of the .tvd file; a trailer follows only when there are records.

    Raises ValueError for point records that are not one per sample (they would be written
    against the wrong points) and for values the file's fields cannot hold.
    """
    records = document.records
    if records is not None and records.points and len(records.points) != len(document.samples):
        raise ValueError("%d point records for %d samples" % (len(records.points), len(document.samples)))
    rs = document.receiver
    try:
        parts = [_HEADER.pack(*(getattr(rs, name) for name in _SETTINGS_ORDER), len(document.samples))]
        parts += [_SAMPLE.pack(snr, ber) for snr, ber in document.samples]
    except struct.error as e:
        raise ValueError("field out of range: %s" % e) from None
    parts.append(encode_trailer(records))
    return b"".join(parts)


def read(path: PathLike) -> Document:
    """Reads a .tvd file. Only regular files are read; a file larger than any measurement or
    shorter than its fields raises ValueError("Unexpected file format.")."""
    # Without O_NONBLOCK opening a FIFO would wait for a writer before it could be refused.
    fd = os.open(path, os.O_RDONLY | os.O_NONBLOCK | os.O_CLOEXEC)
    with os.fdopen(fd, "rb") as f:
        info = os.fstat(fd)
        if not stat.S_ISREG(info.st_mode):
            raise ValueError("%s is not a regular file" % os.fspath(path))
        if info.st_size > MAX_FILE_BYTES:
            raise ValueError(UNEXPECTED_FILE_FORMAT)
        # One byte beyond the limit tells a file that grew while it was read.
        data = f.read(MAX_FILE_BYTES + 1)
    if len(data) > MAX_FILE_BYTES:
        raise ValueError(UNEXPECTED_FILE_FORMAT)
    return parse(data)


def _start_time() -> int:
    # The process's start in clock ticks (field 22 of /proc/self/stat): with the pid it names
    # this writer for good, so the programs can tell a temporary left by a killed writer.
    try:
        with open("/proc/self/stat", "rb") as f:
            return int(f.read().rsplit(b")", 1)[1].split()[19])
    except (OSError, ValueError, IndexError):
        return 0


def _umask() -> int:
    # Read without changing it: os.umask() would race with other threads.
    try:
        with open("/proc/self/status") as f:
            for line in f:
                if line.startswith("Umask:"):
                    return int(line.split()[1], 8) & 0o777
    except (OSError, ValueError, IndexError):
        pass
    return 0o022


def _write_target(path: str) -> str:
    # A symbolic link is followed (even a dangling one) so that the link itself survives and its
    # target gets the new contents.
    target = path
    for _ in range(_MAX_LINK_DEPTH):
        if not os.path.islink(target):
            return target
        target = os.path.join(os.path.dirname(target), os.readlink(target))
    raise OSError(errno.ELOOP, os.strerror(errno.ELOOP), path)


def _existing(target: str) -> Optional[os.stat_result]:
    """What is there now; None for a new file. Only a writable regular file is replaced."""
    try:
        old = os.stat(target)
    except FileNotFoundError:
        return None
    if stat.S_ISDIR(old.st_mode):
        raise IsADirectoryError(errno.EISDIR, os.strerror(errno.EISDIR), target)
    if not stat.S_ISREG(old.st_mode):
        raise ValueError("%s is not a regular file" % target)
    # Root passes every access check, so a file without write bits counts as read-only too.
    if not old.st_mode & 0o222 or not os.access(target, os.W_OK):
        raise PermissionError(errno.EACCES, os.strerror(errno.EACCES), target)
    return old


def _write_in_place(target: str, data: bytes) -> None:
    # The last resort when the folder takes no temporary file: a crash in between can leave the
    # file half written, which is why this is never the first try.
    fd = os.open(target, os.O_WRONLY | os.O_NONBLOCK | os.O_CLOEXEC)
    with os.fdopen(fd, "wb") as f:
        f.write(data)
        f.truncate(len(data))
        f.flush()
        os.fsync(fd)


def _write_temporary(temporary: str, data: bytes, mode: int) -> None:
    fd = os.open(temporary, os.O_WRONLY | os.O_CREAT | os.O_EXCL | os.O_CLOEXEC, 0o600)
    try:
        with os.fdopen(fd, "wb") as f:
            os.fchmod(fd, mode)
            f.write(data)
            f.flush()
            os.fsync(fd)
    except BaseException:
        os.unlink(temporary)
        raise


def write(path: PathLike, document: Document) -> None:
    """Writes the document as the programs save it: into a temporary file beside the target,
    then renamed over it, so a crash never leaves half a file. A symbolic link stays and its
    target is written; an existing file keeps its permission bits; a read-only file or one that
    is not a regular file is never replaced. A writable file in a folder that takes no new files
    is written in place."""
    data = serialize(document)
    target = _write_target(os.fspath(path))
    old = _existing(target)
    mode = stat.S_IMODE(old.st_mode) if old is not None else 0o666 & ~_umask()
    temporary = "%s.~%d.%d.%s" % (target, os.getpid(), _start_time(), secrets.token_hex(3))
    try:
        _write_temporary(temporary, data, mode)
    except PermissionError:
        if old is None:
            raise
        _write_in_place(target, data)
        return
    try:
        os.replace(temporary, target)
    except BaseException as e:
        os.unlink(temporary)
        # A sticky folder refuses to rename over another owner's file that we may still write.
        if old is None or not isinstance(e, PermissionError):
            raise
        _write_in_place(target, data)
