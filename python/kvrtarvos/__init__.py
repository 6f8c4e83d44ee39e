"""KVR Tarvos from Python: measurement files (.tvd) with their records, the exact confidence
interval of a BER, and the instrument library KvrLib through its C interface.

    from kvrtarvos import tvd, kvrlib
"""
from . import confidence, kvrlib, records, tvd

__all__ = ["confidence", "kvrlib", "records", "tvd"]
