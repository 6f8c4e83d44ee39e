#!/usr/bin/env python3
"""Calls KvrLib's KVRPort from Python through the library's plain C interface, with the
kvrtarvos module of this source tree (python/kvrtarvos/kvrlib.py, ctypes underneath).

Usage: kvrport_ctypes.py [BUILD_DIR]   (default: build)

Creates a KVRPort object by its ProgID, lists a few members from its type information,
initialises it and reads members by name, then releases it. Without a selected driver the
reads answer their failure values ("" for Identity, "Error" for AvailableOptions, -1 for
MeasureBERBeforeRS): read with raw=True they come back as they are, otherwise they raise
KvrFailureValue.
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "python"))

from kvrtarvos import kvrlib  # noqa: E402  (after the path to the module)


def main():
    library = kvrlib.Library(sys.argv[1] if len(sys.argv) > 1 else "build")
    with library.create(initialize=False) as port:
        members = list(port.members().values())
        print("KVRPort has %d members" % len(members))
        for member in (members[0], members[2], members[-1]):
            print("0x%08X %s %s %s" % (member.dispid & 0xFFFFFFFF, member.name, member.access, member.type))
        port.Initialize()
        for name in ("Identity", "AvailableOptions", "MeasureBERBeforeRS", "OnLine"):
            print("%s = %r" % (name, port.get(name, raw=True)))
        print("SettingsParity('E') = %r" % port.SettingsParity("E", raw=True))
        try:
            print("Identity = %r" % port.Identity)
        except kvrlib.KvrFailureValue as failure:
            print("Identity without raw=True raises: %s" % failure)


if __name__ == "__main__":
    main()
