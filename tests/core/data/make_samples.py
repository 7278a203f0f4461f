#!/usr/bin/env python3
"""Writes the sample record files of every version from the file layouts.

The files are committed; this script only documents how they were made and can make
them again (run it from this folder). All numbers are little-endian; dates are days since
1899-12-30 as an IEEE-754 double.
"""
import datetime
import struct

SAVED_AT = datetime.datetime(2024, 3, 15, 10, 30, 0)   # in the sample files
UPGRADED_AT = datetime.datetime(2025, 1, 2, 6, 0, 0)   # the tests' clock when they save


def i16(v): return struct.pack('<h', v)
def i32(v): return struct.pack('<i', v)
def date(d):
    delta = d - datetime.datetime(1899, 12, 30)
    return struct.pack('<d', delta.days + delta.seconds / 86400.0)
def text(b): return i16(len(b)) + b
def setting_text(b): return i16(8) + text(b)
def setting_empty(): return i16(0)
def zero(k): return bytes(k)


# ---- receivers ---------------------------------------------------------------------------
R_NAME = b'North\\Door 1'
R_SETTINGS = [setting_text(b'192.168.0.10'), setting_text(b'2'), setting_empty(), setting_text(b'\xe9t\xe9')]
R_BACKUP = b'North\\Pager'


def receiver_v5(identity, enabled, type_id, saved_at):
    return (i16(5) + i16(identity) + i16(enabled) + i16(type_id) + text(R_NAME) + b''.join(R_SETTINGS)
            + zero(10) + text(R_BACKUP) + date(saved_at) + zero(2048))


def receiver_v4(identity):
    return (i16(4) + i16(identity) + i16(0) + i16(3) + text(R_NAME) + b''.join(R_SETTINGS)
            + zero(10) + text(R_BACKUP) + text(b'old 1') + text(b'') + text(b'old 3') + text(b'x'))


def receiver_v3():
    return i16(3) + i16(99) + i16(3) + text(R_NAME) + b''.join(R_SETTINGS)


# ---- profiles ----------------------------------------------------------------------------
def schedule_block():
    out = b''
    for d in range(23):
        active = -1 if d < 7 or d == 9 else 0
        grouped = -1 if d < 5 else 0
        periods = [(420, 960)] if d < 5 else ([(0, 60), (1380, 1440)] if d == 9 else [])
        out += i16(active) + i16(grouped) + i16(len(periods))
        for start, stop in periods:
            out += i16(start) + i16(stop)
        out += i16(d if active else 0)
    return out + i16(-1)


def profile_common_11_to_91():
    out = text(b'North\\Door 1;North\\Pager') + text(b'North\\Siren')
    for c in [b'AREA=North', b'', b'TAG=*Fire*', b'', b'', b'5']:
        out += text(c)
    out += i16(3) + i16(1)                      # view day type, calendar view time axis
    out += i16(-1) + text(b'ExtTag') + i16(0)   # external tag
    out += i16(-1) + text(b'C:\\ext.txt') + text(b'on duty')
    out += i16(-1)                              # scan specific systems
    for s in range(64):
        out += i16(-1 if s in (0, 5, 63) else 0)
    return out


P_NAME = b'North\\Main@Night'


def profile_v5(saved_at, enabled=-1, auto_block=(600, -1, 5, 120, 1)):
    block_time, use_block, events, window, behaviour = auto_block
    return (i16(5) + i16(0) + i16(enabled) + text(P_NAME) + i16(-1) + i16(0) + i16(-1) + i16(-1)
            + i16(0) + i16(0) + profile_common_11_to_91()
            + i16(2) + date(saved_at) + i32(block_time) + i16(use_block) + i32(events) + i32(window)
            + i16(behaviour) + zero(2032) + schedule_block())


def profile_v4():
    return (i16(4) + i16(0) + i16(0) + text(P_NAME) + i16(-1) + i16(0) + i16(-1) + i16(-1)
            + i16(77) + i16(2) + profile_common_11_to_91() + schedule_block())


FILES = {
    'receiver_v5.dat': receiver_v5(7, -1, 3, SAVED_AT),
    'receiver_v4.dat': receiver_v4(12),
    'receiver_v4_upgraded.dat': receiver_v5(12, 0, 3, UPGRADED_AT),
    'receiver_v3.dat': receiver_v3(),
    'receiver_v3_upgraded.dat': receiver_v5(12, -1, 3, UPGRADED_AT).replace(
        i16(5) + i16(12) + i16(-1) + i16(3) + text(R_NAME) + b''.join(R_SETTINGS) + zero(10) + text(R_BACKUP),
        i16(5) + i16(12) + i16(-1) + i16(3) + text(R_NAME) + b''.join(R_SETTINGS) + zero(10) + text(b'')),
    'profile_v5.dat': profile_v5(SAVED_AT),
    'profile_v4.dat': profile_v4(),
    # A fresh profile loading the version 4 file keeps its (zero) auto-block settings.
    'profile_v4_upgraded.dat': profile_v5(UPGRADED_AT, enabled=0, auto_block=(0, 0, 0, 0, 0)),
}

if __name__ == '__main__':
    for name, data in FILES.items():
        with open(name, 'wb') as f:
            f.write(data)
        print(name, len(data))
