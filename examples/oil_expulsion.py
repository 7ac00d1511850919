#!/usr/bin/env python3
"""A host in Python (standard library only): writes a project's oil
expulsion maps, with the deep-layer pass, through the C API and ctypes, and
prints each message the library gives.

    python3 oil_expulsion.py DIRECTORY [PROJECT] [--library PATH]

PATH is libstrataplot-host.so.1 where the loader does not find it by itself
(an installation outside the system's library folders). The exit status is
the run's, as `strataplot --batch` gives it."""
import argparse
import ctypes
import sys

parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
parser.add_argument("directory")
parser.add_argument("project", nargs="?", default="demo")
parser.add_argument("--library", default="libstrataplot-host.so.1")
args = parser.parse_args()

api = ctypes.CDLL(args.library)
api.strataplot_open.restype = ctypes.c_void_p
api.strataplot_open.argtypes = [ctypes.c_char_p]
api.strataplot_last_error.restype = ctypes.c_char_p
api.strataplot_set_project.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_char_p]
api.strataplot_set_answer.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_char_p]
CALLBACK = ctypes.CFUNCTYPE(None, ctypes.c_char_p, ctypes.c_void_p)
api.strataplot_on_message.argtypes = [ctypes.c_void_p, CALLBACK, ctypes.c_void_p]
api.strataplot_run.argtypes = [ctypes.c_void_p, ctypes.c_char_p]
api.strataplot_close.argtypes = [ctypes.c_void_p]


def fail(what):
    print(f"oil_expulsion.py: {what}: {api.strataplot_last_error().decode()}", file=sys.stderr)
    sys.exit(2)


# Every string crossing the API is UTF-8.
session = api.strataplot_open(b"shared")
if not session:
    fail("cannot load the library")
if api.strataplot_set_project(session, args.directory.encode(), args.project.encode()) != 0:
    fail("no project")
# Yes to the deep-layer question; every contour interval as suggested.
api.strataplot_set_answer(session, b"deep", b"yes")


# Keep the callback object alive for as long as the library may call it.
@CALLBACK
def on_message(text, user):
    print(text.decode())


api.strataplot_on_message(session, on_message, None)
status = api.strataplot_run(session, b"oil-expulsion")
if status == 2:
    fail("cannot run")
api.strataplot_close(session)
sys.exit(status)
