import os
import tempfile
import threading
import unittest
from pathlib import Path

import support
from kvrtarvos import kvrlib
from kvrtarvos.kvrlib import Drivers, KvrFailureValue, KvrLibError, KvrMemberNotFound, KvrPort, RCMethods

_folder = None
_library = None


def setUpModule():
    global _folder, _library
    path = support.kvrlib_path()
    _folder = tempfile.TemporaryDirectory()
    folder = Path(_folder.name)
    # The simulated receiver reads its configuration once per process; its driver fails every
    # FirmwareVersion call, the failure of a connected instrument.
    os.environ["KVR_SIM_CONFIG"] = str(support.simulator_config(folder, "Failing Members=FirmwareVersion\n"))
    os.environ["XDG_CONFIG_HOME"] = str(folder / "config")
    os.environ["XDG_STATE_HOME"] = str(folder / "state")
    _library = kvrlib.Library(path)


def tearDownModule():
    _folder.cleanup()


class SimulatorTest(unittest.TestCase):
    def test_connects_and_reads_the_simulated_instrument(self):
        with _library.create() as port:
            self.assertEqual(len(port.members()), 158)
            port.SelectDriver(Drivers.driverQAM)
            self.assertIs(port.SettingsRCMethod(RCMethods.rcRS232), True)
            self.assertIs(port.SettingsCommPort(1), True)
            port.OnLine = True
            self.assertIs(port.OnLine, True)
            self.assertIn(port.SerialNumber, port.Identity)
            self.assertTrue(port.Identity.startswith(port.Manufacturer))
            port.MeasureResetBer()
            ber = port.MeasureBERBeforeRS
            self.assertIsInstance(ber, float)
            self.assertGreaterEqual(ber, 0.0)
            with self.assertRaises(KvrFailureValue) as raised:
                port.FirmwareVersion
            self.assertEqual((raised.exception.member, raised.exception.value), ("FirmwareVersion", ""))
            port.OnLine = False
            self.assertIs(port.OnLine, False)  # an ordinary reading, never a failure
        self.assertTrue(port.closed)

    def test_failure_values_raise_unless_raw(self):
        # Without a driver every read answers its failure value.
        with KvrPort(_library) as port:
            for name, args, value in [("Identity", (), ""), ("AvailableOptions", (), "Error"),
                                      ("MeasureBERBeforeRS", (), -1), ("MeasureFrameSync", (), -1),
                                      ("SettingsParity", ("E",), False), ("Postfix", (), 0)]:
                kind = kvrlib.METHOD if args else kvrlib.GET
                with self.subTest(name):
                    with self.assertRaises(KvrFailureValue) as raised:
                        port.invoke(name, kind, *args)
                    self.assertEqual(raised.exception.member, name)
                    self.assertEqual(port.invoke(name, kind, *args, raw=True), value)
            for name, value in [("OnLine", False), ("MeasureBERCounter", 0), ("MeasureCNR", 0.0)]:
                with self.subTest(name):
                    self.assertEqual(port.get(name), value)

    def test_errors_of_the_interface_raise(self):
        with KvrPort(_library) as port:
            for name, call, error in [
                ("unknown member", lambda: port.NoSuchMember, KvrMemberNotFound),
                ("unknown put", lambda: setattr(port, "NoSuchMember", 1), AttributeError),
                ("method as get", lambda: port.get("SelectDriver", 2), KvrLibError),
                ("missing argument", lambda: port.SelectDriver(), KvrLibError),
                ("wrong type", lambda: port.SelectDriver("QAM"), KvrLibError),
                ("too large", lambda: port.SelectDriver(2 ** 31), OverflowError),
                ("NUL in text", lambda: port.SettingsParity("E\0"), ValueError),
                ("unknown class", lambda: KvrPort(_library, "KvrLib.NoSuchClass"), KvrLibError),
            ]:
                with self.subTest(name), self.assertRaises(error):
                    call()

    def test_an_object_serves_only_its_thread_and_only_until_released(self):
        port = KvrPort(_library)
        errors = []
        worker = threading.Thread(target=lambda: errors.append(_raises(lambda: port.OnLine)))
        worker.start()
        worker.join()
        self.assertEqual(errors, [KvrLibError])
        port.close()
        self.assertIs(_raises(lambda: port.OnLine), KvrLibError)
        port.close()  # a second release does nothing


def _raises(call):
    try:
        call()
    except Exception as e:
        return type(e)
    return None


if __name__ == "__main__":
    unittest.main()
