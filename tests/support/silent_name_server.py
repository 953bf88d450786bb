#!/usr/bin/env python3
"""Runs a command against a name server that never answers.

Run inside new user, mount and network namespaces (unshare -rmn): brings the
loopback interface up, takes DNS queries on 127.0.0.1:53 without answering
them, puts a resolv.conf naming that server over /etc/resolv.conf (in this
mount namespace only) and runs the command. Host names that /etc/hosts does not
know then wait for the resolver's own time limit (30 s here).

Usage: unshare -rmn silent_name_server.py DIR COMMAND [ARG...]
Exit status: the command's; 77 when the namespaces do not allow the setup.
"""
import ctypes
import fcntl
import os
import socket
import struct
import subprocess
import sys

SIOCGIFFLAGS, SIOCSIFFLAGS, IFF_UP = 0x8913, 0x8914, 0x1
MS_BIND = 4096


def loopback_up():
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    request = struct.pack("16sH14x", b"lo", 0)
    flags = struct.unpack("16sH14x", fcntl.ioctl(s.fileno(), SIOCGIFFLAGS, request))[1]
    fcntl.ioctl(s.fileno(), SIOCSIFFLAGS, struct.pack("16sH14x", b"lo", flags | IFF_UP))
    s.close()


def main():
    folder, command = sys.argv[1], sys.argv[2:]
    try:
        loopback_up()
        server = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        server.bind(("127.0.0.1", 53))  # kept open, never read: queries go unanswered
        conf = os.path.join(folder, "resolv.conf")
        with open(conf, "w") as f:
            f.write("nameserver 127.0.0.1\noptions timeout:30 attempts:1\n")
        libc = ctypes.CDLL(None, use_errno=True)
        if libc.mount(conf.encode(), b"/etc/resolv.conf", None, MS_BIND, None) != 0:
            raise OSError(ctypes.get_errno(), "mount")
    except OSError as e:
        print("silent_name_server: can't set up: %s" % e, file=sys.stderr)
        return 77
    return subprocess.call(command)


if __name__ == "__main__":
    sys.exit(main())
