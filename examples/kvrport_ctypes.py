#!/usr/bin/env python3
"""Calls KvrLib's KVRPort from Python through the library's plain C interface (ctypes).

Usage: kvrport_ctypes.py [BUILD_DIR]   (default: build)

Creates a KVRPort object by its ProgID, lists a few members from its type information,
initialises it and reads members by name, then releases it. Without a selected driver the
reads answer their failure values ("" for Identity, "Error" for AvailableOptions, -1 for
MeasureBERBeforeRS).
"""
import ctypes
import os
import sys

KVR_STRING, KVR_DOUBLE, KVR_BOOL, KVR_INT16, KVR_INT32 = 5, 3, 4, 1, 2
KVR_METHOD, KVR_GET, KVR_PUT = 1, 2, 4


class Value(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int32), ("i", ctypes.c_int32), ("d", ctypes.c_double), ("s", ctypes.c_void_p)]


def load(build_dir):
    lib = ctypes.CDLL(os.path.join(build_dir, "lib", "libkvrlib.so"))
    lib.kvr_error_message.restype = ctypes.c_char_p
    lib.kvr_add_registry_file(os.path.join(build_dir, "bin", "automation-registry.ini").encode())
    lib.kvr_initialize()
    return lib


def check(lib, status, what):
    if status < 0:
        raise RuntimeError("%s: %s" % (what, lib.kvr_error_message(status).decode()))


def to_python(lib, value):
    if value.type == KVR_STRING:
        text = ctypes.string_at(value.s).decode()
        lib.kvr_value_clear(ctypes.byref(value))
        return text
    if value.type == KVR_DOUBLE:
        return value.d
    if value.type == KVR_BOOL:
        return bool(value.i)
    if value.type in (KVR_INT16, KVR_INT32):
        return value.i
    return None


def call(lib, port, name, kind, *args):
    dispid = ctypes.c_int32()
    check(lib, lib.kvr_id_of_name(port, name.encode(), ctypes.byref(dispid)), name)
    values = (Value * max(1, len(args)))()
    for slot, arg in zip(values, args):
        if isinstance(arg, bool):
            slot.type, slot.i = KVR_BOOL, int(arg)
        elif isinstance(arg, int):
            slot.type, slot.i = KVR_INT32, arg
        elif isinstance(arg, float):
            slot.type, slot.d = KVR_DOUBLE, arg
        else:
            slot.type, slot.s = KVR_STRING, ctypes.cast(ctypes.c_char_p(str(arg).encode()), ctypes.c_void_p)
    result = Value()
    check(lib, lib.kvr_invoke(port, dispid.value, kind, values, len(args), ctypes.byref(result)), name)
    return to_python(lib, result)


def main():
    lib = load(sys.argv[1] if len(sys.argv) > 1 else "build")
    port = ctypes.c_void_p()
    check(lib, lib.kvr_create(b"KvrLib.KVRPort", ctypes.byref(port)), "create KvrLib.KVRPort")
    try:
        print("KVRPort has %d members" % lib.kvr_member_count(port))
        name, access, type_ = ctypes.c_char_p(), ctypes.c_char_p(), ctypes.c_char_p()
        dispid = ctypes.c_int32()
        for index in (0, 2, 157):
            lib.kvr_member_info(port, index, ctypes.byref(dispid), ctypes.byref(name), ctypes.byref(access),
                                ctypes.byref(type_))
            print("0x%08X %s %s %s" % (dispid.value & 0xFFFFFFFF, name.value.decode(), access.value.decode(),
                                       type_.value.decode()))
        call(lib, port, "Initialize", KVR_METHOD)
        for member in ("Identity", "AvailableOptions", "MeasureBERBeforeRS", "OnLine"):
            print("%s = %r" % (member, call(lib, port, member, KVR_GET)))
        print("SettingsParity('E') = %r" % call(lib, port, "SettingsParity", KVR_METHOD, "E"))
    finally:
        lib.kvr_release(port)


if __name__ == "__main__":
    main()
