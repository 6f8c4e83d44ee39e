"""KvrLib's KVRPort from Python, through the library's plain C interface (libkvrlib.so).

    with KvrPort() as port:                 # creates "KvrLib.KVRPort" and calls Initialize
        port.SelectDriver(Drivers.driverQAM)
        port.OnLine = True                  # property put
        print(port.Identity)                # property get
        print(port.get("EchoPatternDelay", 1))

Members are reached by name: attribute reads are property gets, attribute writes property puts,
methods are called. A failure of the C interface (unknown member, wrong argument count or type,
class not registered) raises KvrLibError. KvrLib itself never reports a failure of the
instrument: its reads answer a fixed failure value instead. Where that value cannot be a real
reading (see FAILURE_VALUES) the read raises KvrFailureValue; `raw=True` returns it as it is.
"""
import ctypes
import enum
import functools
import numbers
import os
import threading
from pathlib import Path
from typing import Any, Dict, List, NamedTuple, Optional, Set, Union

PROGID = "KvrLib.KVRPort"
LIBRARY_NAME = "libkvrlib.so"
REGISTRY_NAME = "automation-registry.ini"

_EMPTY, _INT16, _INT32, _DOUBLE, _BOOL, _STRING = 0, 1, 2, 3, 4, 5
METHOD, GET, PUT = 1, 2, 4
_INT32_RANGE = range(-2 ** 31, 2 ** 31)


class RCMethods(enum.IntEnum):
    rcRS232 = 0
    rcGPIB = 1
    rcTCPIP = 2
    rcGUI = 3


class Drivers(enum.IntEnum):
    driverQAM = 2
    driverDVBT = 4
    driverATSC = 5
    driverJ83AC = 6
    driverJ83B = 7


def _failure_values() -> Dict[str, Any]:
    values: Dict[str, Any] = {}
    # BER and sync readings are never negative, attenuation codes neither. (The OFDM quadrature
    # error, IQ imbalance and carrier suppression share the -1, but they are measured values
    # that can read -1: they are not treated as failures.)
    for name in ("MeasureBERBeforeVit", "MeasureBERBeforeRS", "MeasureBERAfterRS", "MeasureFrameSync",
                 "MeasureAttenuation", "MeasureAttenuation_Demod", "MeasureAttenuationValue_Demod",
                 "MeasureAttenuationMode_Receiver"):
        values[name] = -1
    # A working instrument always names itself, its clock and its options; a picture is never empty.
    for name in ("Identity", "Manufacturer", "ModelNumber", "SerialNumber", "FirmwareVersion",
                 "InstalledHardware", "SystemTime", "SystemDate", "PcxWithHeader", "MerFPcx",
                 "ImpulseResponsePcx", "EchoPatternPcx", "CcdfEnvPcx", "CcdfRfPcx", "PhaseJitterPcx",
                 "AmplitudePhaseResponsePcx", "SpectrumPcx", "EyeMonitoringPcx", "ConstellationDiagramPcx"):
        values[name] = ""
    values["AvailableOptions"] = "Error"
    # These answer whether the step succeeded, so false is the failure itself. The other Boolean
    # and numeric reads fail with false or 0, which are ordinary readings: never raised.
    for name in ("SettingsRCMethod", "SettingsCommPort", "SettingsBaudRate", "SettingsDataBits",
                 "SettingsParity", "SettingsStopBits", "SettingsHandshaking", "SettingsBoard",
                 "SettingsPrimaryAddress", "SettingsRemoteHost", "SettingsRemotePort",
                 "SettingsShowCommands", "SettingsXPosition", "SettingsYPosition", "Hardcopy"):
        values[name] = False
    # The driver's texts; the failure is a 16-bit 0 in their place.
    values["Prefix"] = values["Postfix"] = 0
    return values


# Member name -> the failure value that makes a read raise KvrFailureValue.
FAILURE_VALUES: Dict[str, Any] = _failure_values()


class KvrLibError(Exception):
    """A call through KvrLib's C interface failed; `status` is its negative status (None when
    the failure was found on this side)."""

    def __init__(self, message: str, status: Optional[int] = None, member: Optional[str] = None):
        super().__init__(message)
        self.status = status
        self.member = member


class KvrMemberNotFound(KvrLibError, AttributeError):
    """The object has no member of that name."""


class KvrFailureValue(KvrLibError):
    """A read answered its member's failure value: the instrument or its driver failed."""

    def __init__(self, member: str, value: Any):
        super().__init__("%s answered its failure value %r" % (member, value), None, member)
        self.value = value


class Member(NamedTuple):
    dispid: int
    name: str
    access: str  # "method", "get", "put" or "get/put"
    type: str


class _Value(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int32), ("i", ctypes.c_int32), ("d", ctypes.c_double), ("s", ctypes.c_void_p)]


def _library_in(place: Path) -> Optional[Path]:
    for candidate in (place, place / "lib" / LIBRARY_NAME, place / LIBRARY_NAME):
        if candidate.is_file():
            return candidate
    return None


def find_library(path: Union[str, "os.PathLike[str]", None] = None) -> str:
    """The libkvrlib.so to load: `path` (the file or a build or install folder), else the
    KVRLIB environment variable (likewise), else this source tree's build/, else the name for
    the system's loader."""
    for given, what in ((path, "path"), (os.environ.get("KVRLIB") or None, "KVRLIB")):
        if given is not None:
            found = _library_in(Path(given))
            if found is None:
                raise FileNotFoundError("%s: no %s in %s" % (what, LIBRARY_NAME, given))
            return str(found.resolve())
    found = _library_in(Path(__file__).resolve().parents[2] / "build")
    return str(found.resolve()) if found is not None else LIBRARY_NAME


def _loaded_path() -> Optional[str]:
    # Where the system's loader found the library (an installed one, say).
    try:
        with open("/proc/self/maps") as maps:
            for line in maps:
                if line.rstrip().endswith("/" + LIBRARY_NAME):
                    return line.split(None, 5)[-1].strip()
    except OSError:
        pass
    return None


def _registry_beside(library: str) -> Optional[str]:
    # A build tree and an installation keep the registry in bin/ beside lib/ (or lib/<arch>/).
    if not os.path.isabs(library):
        return None
    folder = Path(library).parent
    for base in (folder.parent, folder.parent.parent):
        candidate = base / "bin" / REGISTRY_NAME
        if candidate.is_file():
            return str(candidate)
    return None


_REGISTRIES_LOCK = threading.Lock()
_REGISTRIES_ADDED: Set[str] = set()


def _declare(lib: ctypes.CDLL) -> None:
    # The prototypes of kvrlib/c_api.h: ctypes then checks every argument's type and width.
    i32, ptr, text = ctypes.c_int32, ctypes.c_void_p, ctypes.c_char_p
    value, out_text = ctypes.POINTER(_Value), ctypes.POINTER(ctypes.c_char_p)
    for name, result, args in [
        ("kvr_initialize", i32, []),
        ("kvr_add_registry_file", i32, [text]),
        ("kvr_create", i32, [text, ctypes.POINTER(ptr)]),
        ("kvr_release", None, [ptr]),
        ("kvr_id_of_name", i32, [ptr, text, ctypes.POINTER(i32)]),
        ("kvr_invoke", i32, [ptr, i32, i32, value, i32, value]),
        ("kvr_member_count", i32, [ptr]),
        ("kvr_member_info", i32, [ptr, i32, ctypes.POINTER(i32), out_text, out_text, out_text]),
        ("kvr_value_clear", None, [value]),
        ("kvr_error_message", text, [i32]),
    ]:
        function = getattr(lib, name)
        function.restype, function.argtypes = result, args


class Library:
    """libkvrlib.so loaded into this process, with the registry that names its classes."""

    def __init__(self, path: Union[str, "os.PathLike[str]", None] = None,
                 registry: Union[str, "os.PathLike[str]", None] = None):
        self.path = find_library(path)
        lib = ctypes.CDLL(self.path)
        _declare(lib)
        if not os.path.isabs(self.path):
            self.path = _loaded_path() or self.path
        self._lib = lib
        self.registry = os.path.abspath(registry) if registry is not None else _registry_beside(self.path)
        # The library's registry search list is one per process and each addition lengthens it:
        # a file is added once however many objects are made.
        with _REGISTRIES_LOCK:
            if self.registry is not None and self.registry not in _REGISTRIES_ADDED:
                self.check(lib.kvr_add_registry_file(self.registry.encode()), "add registry " + self.registry)
                _REGISTRIES_ADDED.add(self.registry)
        self.check(lib.kvr_initialize(), "initialize")

    @property
    def c(self) -> ctypes.CDLL:
        """The C functions themselves."""
        return self._lib

    def message(self, status: int) -> str:
        return self._lib.kvr_error_message(status).decode()

    def check(self, status: int, what: str, member: Optional[str] = None, error: type = KvrLibError) -> None:
        if status < 0:
            raise error("%s: %s (0x%08X)" % (what, self.message(status), status & 0xFFFFFFFF), status, member)

    def create(self, progid: str = PROGID, initialize: bool = True) -> "KvrPort":
        return KvrPort(self, progid, initialize)


def _to_value(slot: _Value, arg: Any, keep: List[Any]) -> None:
    if arg is None:
        slot.type = _EMPTY
    elif isinstance(arg, bool):
        slot.type, slot.i = _BOOL, int(arg)
    elif isinstance(arg, numbers.Integral):
        if int(arg) not in _INT32_RANGE:
            raise OverflowError("%d does not fit a 32-bit integer" % arg)
        slot.type, slot.i = _INT32, int(arg)
    elif isinstance(arg, numbers.Real):
        slot.type, slot.d = _DOUBLE, float(arg)
    elif isinstance(arg, str):
        if "\0" in arg:
            raise ValueError("a string argument must not hold a NUL character")
        text = ctypes.create_string_buffer(arg.encode("utf-8"))
        keep.append(text)  # alive until the call has returned
        slot.type, slot.s = _STRING, ctypes.addressof(text)
    else:
        raise TypeError("KvrLib takes None, bool, int, float or str, not %s" % type(arg).__name__)


class KvrPort:
    """One KVRPort object; released by close(), at the end of a with block, or when collected.

    Like every KVRPort it belongs to the thread that created it: calls from another thread
    raise KvrLibError (to pause or abort from another thread, create an object there)."""

    def __init__(self, library: Union[Library, str, "os.PathLike[str]", None] = None, progid: str = PROGID,
                 initialize: bool = True):
        lib = library if isinstance(library, Library) else Library(library)
        handle = ctypes.c_void_p()
        lib.check(lib.c.kvr_create(progid.encode(), ctypes.byref(handle)), "create " + progid)
        vars(self).update(_lib=lib, _handle=handle, _thread=threading.get_ident(), _members=None, progid=progid)
        if initialize:
            self.call("Initialize")

    # -- lifetime ------------------------------------------------------------------------------
    def close(self) -> None:
        handle = vars(self).get("_handle")
        if handle:
            self._lib.c.kvr_release(handle)
            vars(self)["_handle"] = None

    @property
    def closed(self) -> bool:
        return not self._handle

    def __enter__(self) -> "KvrPort":
        return self

    def __exit__(self, *exc: Any) -> None:
        self.close()

    def __del__(self) -> None:
        self.close()

    # -- type information ----------------------------------------------------------------------
    def members(self) -> Dict[str, Member]:
        """The members of the object's type information by name, in dispatch id order."""
        if self._members is None:
            c = self._lib.c
            handle = self._ready(None)
            found: Dict[str, Member] = {}
            dispid = ctypes.c_int32()
            name, access, type_ = ctypes.c_char_p(), ctypes.c_char_p(), ctypes.c_char_p()
            for index in range(c.kvr_member_count(handle)):
                self._lib.check(c.kvr_member_info(handle, index, ctypes.byref(dispid), ctypes.byref(name),
                                                  ctypes.byref(access), ctypes.byref(type_)), "member info")
                member = Member(dispid.value, name.value.decode(), access.value.decode(), type_.value.decode())
                found[member.name] = member
            vars(self)["_members"] = found
        return self._members

    # -- calls ---------------------------------------------------------------------------------
    def get(self, name: str, *args: Any, raw: bool = False) -> Any:
        """Property get (with the arguments of a parameterised property)."""
        return self.invoke(name, GET, *args, raw=raw)

    def put(self, name: str, value: Any) -> None:
        self.invoke(name, PUT, value)

    def call(self, name: str, *args: Any, raw: bool = False) -> Any:
        """Method call; None for methods without result."""
        return self.invoke(name, METHOD, *args, raw=raw)

    def invoke(self, name: str, kind: int, *args: Any, raw: bool = False) -> Any:
        handle = self._ready(name)
        c = self._lib.c
        dispid = ctypes.c_int32()
        self._lib.check(c.kvr_id_of_name(handle, name.encode(), ctypes.byref(dispid)), name, name, KvrMemberNotFound)
        values = (_Value * max(1, len(args)))()
        keep: List[Any] = []
        for slot, arg in zip(values, args):
            _to_value(slot, arg, keep)
        result = _Value()
        self._lib.check(c.kvr_invoke(handle, dispid.value, kind, values, len(args), ctypes.byref(result)), name, name)
        value = self._take(result)
        if not raw and kind != PUT and name in FAILURE_VALUES and self._is_failure(name, value, result.type):
            raise KvrFailureValue(name, value)
        return value

    # -- attribute access ----------------------------------------------------------------------
    def __getattr__(self, name: str) -> Any:
        if name.startswith("_"):
            raise AttributeError(name)
        member = self.members().get(name)
        if member is None:
            raise KvrMemberNotFound("%s has no member %s" % (self.progid, name), None, name)
        if member.access == "method":
            return functools.partial(self.call, name)
        return self.get(name)

    def __setattr__(self, name: str, value: Any) -> None:
        if name not in self.members():
            raise KvrMemberNotFound("%s has no member %s" % (self.progid, name), None, name)
        self.put(name, value)

    def __dir__(self) -> List[str]:
        return sorted(set(super().__dir__()) | set(self.members()))

    # -- inner steps ---------------------------------------------------------------------------
    def _ready(self, name: Optional[str]) -> ctypes.c_void_p:
        if not self._handle:
            raise KvrLibError("%s: the object has been released" % self.progid, None, name)
        if threading.get_ident() != self._thread:
            raise KvrLibError("%s: the object belongs to the thread that created it" % self.progid, None, name)
        return self._handle

    def _take(self, result: _Value) -> Any:
        if result.type == _STRING:
            try:
                return ctypes.string_at(result.s).decode("utf-8", "surrogateescape") if result.s else ""
            finally:
                self._lib.c.kvr_value_clear(ctypes.byref(result))
        if result.type == _DOUBLE:
            return result.d
        if result.type == _BOOL:
            return bool(result.i)
        if result.type in (_INT16, _INT32):
            return result.i
        return None

    @staticmethod
    def _is_failure(name: str, value: Any, value_type: int) -> bool:
        expected = FAILURE_VALUES[name]
        if name in ("Prefix", "Postfix"):
            return value_type == _INT16 and value == 0
        if isinstance(expected, bool):
            return value is False
        return type(value) is not bool and value == expected
