"""Where the tests find the built programs: the paths CTest passes (TARVOS_BIN, KVRLIB), else
this source tree's build/."""
import os
import unittest
from pathlib import Path

BUILD = Path(__file__).resolve().parents[2] / "build"


def tarvos_binary() -> str:
    path = os.environ.get("TARVOS_BIN") or str(BUILD / "bin" / "tarvos")
    if not os.access(path, os.X_OK):
        raise unittest.SkipTest("no tarvos program at %s (set TARVOS_BIN)" % path)
    return path


def kvrlib_path() -> str:
    path = os.environ.get("KVRLIB") or str(BUILD)
    if not (Path(path).is_file() or (Path(path) / "lib" / "libkvrlib.so").is_file()):
        raise unittest.SkipTest("no libkvrlib.so at %s (set KVRLIB)" % path)
    return path


def simulator_config(folder: Path, faults: str = "") -> Path:
    """A simulator configuration with a fixed seed whose state stays in `folder`."""
    config = folder / "simulator.ini"
    config.write_text("[Simulator]\nSeed=11\nState File=%s\n[Faults]\n%s" % (folder / "state.ini", faults))
    return config
