#!/usr/bin/env python3
"""A small telnet BBS host for trying the door: each caller gets the lowest
free node number, a DOOR32.SYS in <board>/node<N>/ naming their socket
(comm type 2, the descriptor inherited by the door), and the door started on
it. When the door ends the caller's socket is closed here, as a BBS does;
the log tells a caller who left through the door from one whose line
dropped. When the BBS stops, every caller still on is told before the line
drops.

usage: bbs.py --board DIR [--port 2323] [--listen 127.0.0.1] [--nodes 16]
The board directory holds the door (wordwhirl) and its door.cfg.
"""
import argparse
import os
import selectors
import signal
import socket
import subprocess
import sys
import time

MINUTES_LEFT = 60          # time the BBS grants every caller
BUSY_TEXT = b"\r\nAll nodes are busy right now - please call again soon.\r\n"
CLOSING_TEXT = b"\r\n\r\nThe board is closing now - thanks for calling, and goodbye!\r\n"


def door32(handle, node):
    """The eleven lines of DOOR32.SYS for telnet caller Guest<node>."""
    alias = "Guest%d" % node
    lines = ["2", str(handle), "38400", "Wordwhirl test BBS", str(node), alias, alias,
             "100", str(MINUTES_LEFT), "1", str(node)]
    return "".join(line + "\r\n" for line in lines)


def free_node(calls, nodes):
    """The lowest node number no caller holds, or 0 when all are taken."""
    for n in range(1, nodes + 1):
        if n not in calls:
            return n
    return 0


def start_door(board, conn, node):
    """Write the node's drop file and start the door on the caller's socket."""
    node_dir = os.path.join(board, "node%d" % node)
    os.makedirs(node_dir, exist_ok=True)
    fd = conn.fileno()
    os.set_inheritable(fd, True)
    drop = os.path.join(node_dir, "DOOR32.SYS")
    with open(drop, "w", newline="") as f:
        f.write(door32(fd, node))
    out = open(os.path.join(node_dir, "door.out"), "ab")
    try:
        return subprocess.Popen([os.path.join(board, "wordwhirl"), drop], cwd=board,
                                stdin=subprocess.DEVNULL, stdout=out, stderr=out,
                                pass_fds=(fd,))
    finally:
        out.close()


def say(text):
    print(time.strftime("%H:%M:%S ") + text, flush=True)


def answer(listener, board, nodes, calls):
    conn, addr = listener.accept()
    conn.setblocking(True)  # the door sets the mode it wants and puts this one back
    node = free_node(calls, nodes)
    if node == 0:
        try:
            conn.sendall(BUSY_TEXT)
        except OSError:
            pass
        conn.close()
        say("caller from %s:%d turned away: all %d nodes busy" % (addr[0], addr[1], nodes))
        return
    try:
        proc = start_door(board, conn, node)
    except OSError as err:
        say("node %d: could not start the door: %s" % (node, err))
        conn.close()
        return
    calls[node] = (conn, proc)
    say("node %d: Guest%d from %s:%d, door pid %d" % (node, node, addr[0], addr[1], proc.pid))


def line_dropped(conn):
    """True when the caller's end of the socket is gone (it reads as closed)."""
    try:
        conn.setblocking(False)
        return conn.recv(1, socket.MSG_PEEK) == b""
    except BlockingIOError:
        return False  # still there, nothing typed
    except OSError:
        return True


def reap(calls):
    """Close the socket of every caller whose door has ended."""
    for node in [n for n, (_, proc) in calls.items() if proc.poll() is not None]:
        conn, proc = calls.pop(node)
        how = "caller hung up" if line_dropped(conn) else "caller left"
        conn.close()
        say("node %d: door ended with code %d; %s" % (node, proc.returncode, how))


def hang_up_all(calls):
    """End every door, then tell its caller the board is closing and hang up."""
    for conn, proc in calls.values():
        if proc.poll() is None:
            proc.terminate()
    for node, (conn, proc) in calls.items():
        try:
            proc.wait(timeout=5)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
        try:
            conn.setblocking(True)
            conn.settimeout(2)  # a caller who stopped reading does not hold the others
            conn.sendall(CLOSING_TEXT)
        except OSError:
            pass
        conn.close()
        say("node %d: board closing; caller told and let go" % node)
    calls.clear()


def main():
    parser = argparse.ArgumentParser(description="telnet BBS host for the Wordwhirl door")
    parser.add_argument("--board", required=True, help="directory with wordwhirl and door.cfg")
    parser.add_argument("--port", type=int, default=2323)
    parser.add_argument("--listen", default="127.0.0.1")
    parser.add_argument("--nodes", type=int, default=16)
    args = parser.parse_args()
    board = os.path.abspath(args.board)
    if not os.access(os.path.join(board, "wordwhirl"), os.X_OK):
        sys.exit("bbs: no door in %s" % board)

    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    try:
        listener.bind((args.listen, args.port))
    except OSError as err:
        sys.exit("bbs: cannot listen on %s:%d: %s" % (args.listen, args.port, err))
    listener.listen(8)
    listener.setblocking(False)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))

    sel = selectors.DefaultSelector()
    sel.register(listener, selectors.EVENT_READ)
    calls = {}  # node -> (caller socket, door process)
    say("BBS listening on %s:%d - call it with: telnet localhost %d  (Ctrl-C stops)"
        % (args.listen, listener.getsockname()[1], listener.getsockname()[1]))
    try:
        while True:
            if sel.select(timeout=0.25):
                answer(listener, board, args.nodes, calls)
            reap(calls)
    except KeyboardInterrupt:
        pass
    finally:
        hang_up_all(calls)
        listener.close()
        say("BBS closed")


if __name__ == "__main__":
    main()
