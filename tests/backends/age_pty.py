#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Runs the age command with a passphrase typed at a pseudo-terminal.

age reads passphrases only from a terminal, so a test cannot pipe one in.

    age_pty.py PASSPHRASE_HEX AGE_PROGRAM [ARG...]

Every passphrase prompt (age -p asks twice, age -d once) is answered with the passphrase,
given in hex so that any bytes can be typed. Everything age writes to the terminal is copied
to stderr; the exit status is age's own (124 on a timeout, 127 when age cannot be started).
"""
import os
import pty
import select
import sys
import termios
import time

TIMEOUT_SECONDS = 120


def wait_for_echo_off(fd):
    """age prints its prompt before it turns echo off; typing earlier would echo the
    passphrase into the log."""
    give_up = time.monotonic() + 2
    while termios.tcgetattr(fd)[3] & termios.ECHO and time.monotonic() < give_up:
        time.sleep(0.01)


def main():
    if len(sys.argv) < 3:
        sys.stderr.write(__doc__)
        return 2
    passphrase = bytes.fromhex(sys.argv[1])
    argv = sys.argv[2:]

    pid, fd = pty.fork()
    if pid == 0:
        try:
            os.execv(argv[0], argv)
        finally:
            os._exit(127)

    seen = b""
    answered = 0  # bytes of output already answered
    deadline = time.monotonic() + TIMEOUT_SECONDS
    while True:
        remaining = deadline - time.monotonic()
        if remaining <= 0:
            os.kill(pid, 9)
            os.waitpid(pid, 0)
            sys.stderr.write("age_pty: timed out\n")
            return 124
        ready, _, _ = select.select([fd], [], [], remaining)
        if not ready:
            continue
        try:
            data = os.read(fd, 4096)
        except OSError:  # EIO: age has closed the terminal
            break
        if not data:
            break
        seen += data
        sys.stderr.buffer.write(data)
        sys.stderr.flush()
        pending = seen[answered:]
        if b"passphrase" in pending.lower() and pending.rstrip().endswith(b":"):
            wait_for_echo_off(fd)
            os.write(fd, passphrase + b"\n")
            answered = len(seen)

    _, status = os.waitpid(pid, 0)
    return os.waitstatus_to_exitcode(status)


if __name__ == "__main__":
    sys.exit(main())
