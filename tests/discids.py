#!/usr/bin/env python3
"""Prints the MusicBrainz disc IDs of lookup_test's tables of contents as Debian's libdiscid
works them out, for the test to compare with its own: one table a case, cases joined by ';',
each 'LEAD-OUT START START dSTART ... ID TOC' (d: a data track)."""
import ctypes

# (lead-out, track starts; a string start is a data track), in frames with the lead-in.
TABLES = [
    (95462, [150, 15363, 32314, 46592, 63414, 80489]),  # MusicBrainz's own example
    (30000, [150]),
    (150 + 99 * 2000, [150 + 2000 * i for i in range(99)]),
    (150000, [150, 20000, 40000, "90000"]),  # an enhanced CD
]
SESSION_GAP = 11400  # libdiscid's documentation: a last data track's start less this ends the audio

lib = ctypes.CDLL("libdiscid.so.0")
lib.discid_new.restype = ctypes.c_void_p
lib.discid_put.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int, ctypes.POINTER(ctypes.c_int)]
lib.discid_get_id.argtypes = lib.discid_get_toc_string.argtypes = lib.discid_free.argtypes = [ctypes.c_void_p]
lib.discid_get_id.restype = lib.discid_get_toc_string.restype = ctypes.c_char_p

cases = []
for lead_out, starts in TABLES:
    audio = [s for s in starts if isinstance(s, int)]
    data = [int(s) for s in starts if isinstance(s, str)]
    offsets = (ctypes.c_int * 100)(data[0] - SESSION_GAP if data else lead_out, *audio)
    disc = lib.discid_new()
    assert lib.discid_put(disc, 1, len(audio), offsets), "libdiscid refused a table"
    words = [str(lead_out)] + [str(s) if isinstance(s, int) else "d" + s for s in starts]
    toc = lib.discid_get_toc_string(disc).decode().replace(" ", "+")
    cases.append(" ".join(words + [lib.discid_get_id(disc).decode(), toc]))
    lib.discid_free(disc)
print(";".join(cases))
