#!/usr/bin/env python3
"""Writes the settings files the command-line cases read. Run it from this folder after changing
a case; the files it writes are committed."""

import struct
from pathlib import Path


def string(text: bytes) -> bytes:
    n = len(text)
    if n < 255:
        return bytes([n]) + text
    if n < 65534:
        return b"\xff" + struct.pack("<H", n) + text
    return b"\xff\xff\xff" + struct.pack("<I", n) + text


def mode(label, operating, frequency, duration, total, charge, system, flags=()):
    flag_bytes = bytearray(40)
    for k in flags:
        flag_bytes[k] = 1
    return (string(label) + string(operating) + string(frequency) +
            struct.pack("<ffff", duration, total, charge, system) + bytes(flag_bytes))


def settings(device, voltage, temperature, battery, modes):
    return (string(device) + string(voltage) + string(temperature) +
            struct.pack("<ii", battery, len(modes)) + b"".join(modes))


def wide(text: str) -> bytes:
    """A text of 16-bit characters, which a load reads but Save Settings never writes."""
    units = text.encode("utf-16-le")
    return b"\xff\xfe\xff" + bytes([len(units) // 2]) + units


# Forms only other writers produce: 16-bit characters, a 32-bit length for a short text, a flag
# byte of 0x80, a NaN with a payload, and bytes after the last record.
ODD_FORMS = (wide("TSL2104") + b"\xff\x04\x00" + b"3.3V" + string(b"25C") +
             struct.pack("<ii", 0, 1) + wide("Mesure \u00e9t\u00e9 \u20ac") +
             b"\xff\xff\xff\x03\x00\x00\x00RUN" + string(b"4MHZ") +
             struct.pack("<fIff", 2000.0, 0x7FC00123, 0.1, -0.0) +
             bytes([0, 0, 0, 1, 0x80] + [0] * 35) + b"trailing")


# TSL2104 at 3.3V and 25C, battery 0 (CR2032). Figures as the editor stored them; the refresh
# case stores stale ones (the totals of a different device revision) on purpose.
PROFILE = [
    mode(b"Measure", b"RUN", b"4MHZ", 2000.0, 713280.0, 1426560000.0, 0.0, flags=(3,)),
    mode(b"Radio", b"IDLE", b"1MHZ", 5000.0, 5061000.0, 25305000000.0, 5000000.0),
    mode(b"Sleep", b"SLEEP", b"0", 993000.0, 740.0, 734820000.0, 0.0, flags=(7, 8)),
]
STALE = [
    mode(b"Measure", b"RUN", b"4MHZ", 2000.0, 1.0, 2.0, 0.0, flags=(3,)),
    mode(b"Radio", b"IDLE", b"1MHZ", 5000.0, 1.0, 2.0, 5000000.0),
    mode(b"Sleep", b"SLEEP", b"0", 993000.0, 1.0, 2.0, 0.0, flags=(7, 8)),
    mode(b"Gone", b"TURBO", b"99MHZ", 10.0, 7.0, 70.0, 0.0),
]
# The small device of the matrix and comparison cases (Tiny at 3V and 25C): RUN has no row at
# 5V 85C.
TINY = [
    mode(b"Run", b"RUN", b"1MHZ", 10.0, 100000.0, 1000000.0, 0.0),
    mode(b"Nap", b"SLEEP", b"0", 990.0, 1000.0, 990000.0, 0.0),
]


def main():
    here = Path(__file__).resolve().parent / "cases"
    profile = settings(b"TSL2104", b"3.3V", b"25C", 0, PROFILE)
    files = {
        "report-shipped/profile.set": profile,
        "report-to-file/profile.set": profile,
        "report-truncated/profile.set": profile[:-30],
        "report-unknown-device/profile.set": settings(b"XYZ", b"3.3V", b"25C", 0, PROFILE),
        "report-unknown-battery/profile.set": settings(b"tsl2104", b"3.3V", b"25C", 999, []),
        "report-malformed-device/profile.set": settings(b"Broken", b"3.3V", b"25C", 0, []),
        "refresh-shipped/profile.set": settings(b"TSL2104", b"3.3V", b"25C", 0, STALE),
        "export-high-bytes/profile.set": settings(b"TSL2104", b"3.3V", b"25C", 0, [
            mode(bytes(range(0x80, 0x100)), b"RUN", b"4MHZ", 2000.0, 713280.0, 1426560000.0,
                 0.0, flags=(3,))]),
        "export-long-label/profile.set": settings(b"TSL2104", b"3.3V", b"25C", 0, [
            mode(b"0123456789" * 7000, b"SLEEP", b"0", 993000.0, 740.0, 734820000.0, 0.0,
                 flags=(7, 8))]),
        "export-odd-forms/profile.set": ODD_FORMS,
        # 20 mA for 10% of the time: above the CR2032's 15 mA pulse and 3 mA continuous limits.
        "check-limit-warnings/profile.set": settings(b"TSL2104", b"3.3V", b"25C", 0, [
            mode(b"Burst", b"RUN", b"4MHZ", 1000.0, 20000000.0, 20000000000.0, 19000000.0),
            mode(b"Rest", b"SLEEP", b"0", 9000.0, 740.0, 6660000.0, 0.0)]),
        "compare-shipped/profile.set": profile,
        "matrix-shipped/profile.set": profile,
        "compare-limits/profile.set": settings(b"Tiny", b"3V", b"25C", 0, TINY),
        "matrix-not-available/profile.set": settings(b"Tiny", b"3V", b"25C", 0, TINY),
    }
    for name, content in files.items():
        path = here / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(content)


if __name__ == "__main__":
    main()
