#!/usr/bin/python3
"""A real SMTP server for the tests (aiosmtpd), on a free loopback port.

Prints "PORT <n>" on its first stdout line once it accepts connections, and stops when its
standard input closes (so it never outlives the test that started it) or on SIGTERM.

Every accepted message is stored in --dir as three files, written before the server answers
the final 250, so a client whose send has returned finds them complete:
    NNNNNN.eml   the message as received (dot-stuffing undone)
    NNNNNN.env   "connection <k>", "from <addr>", one "rcpt <addr>" per recipient
    NNNNNN.mime  the message as Python's MIME parser reads it (see mime_dump.py)
and "connections" holds the number of connections accepted so far.

Options: --reject ADDR (repeatable) answers 550 to RCPT TO for that address; --drop-after N
closes each connection after its N-th message; --never-greet accepts TCP and says nothing.
"""
import argparse
import asyncio
import os
import sys
import threading

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from aiosmtpd.smtp import SMTP  # noqa: E402
from mime_dump import dump  # noqa: E402


class State:
    def __init__(self, args):
        self.dir = args.dir
        self.reject = {a.lower() for a in args.reject}
        self.drop_after = args.drop_after
        self.messages = 0
        self.connections = 0

    def write(self, name, data):
        tmp = os.path.join(self.dir, name + ".tmp")
        with open(tmp, "wb") as f:
            f.write(data)
        os.replace(tmp, os.path.join(self.dir, name))


class Handler:
    def __init__(self, state):
        self.state = state

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.lower() in self.state.reject:
            return f"550 5.1.1 <{address}>: Recipient address rejected"
        envelope.rcpt_tos.append(address)
        return "250 2.1.5 OK"

    async def handle_DATA(self, server, session, envelope):
        st = self.state
        st.messages += 1
        stem = f"{st.messages:06d}"
        raw = envelope.original_content or envelope.content
        env = [f"connection {server.connection_number}", f"from {envelope.mail_from}"]
        env += [f"rcpt {r}" for r in envelope.rcpt_tos]
        st.write(stem + ".eml", raw)
        st.write(stem + ".mime", dump(raw).encode("ascii"))
        st.write(stem + ".env", ("\n".join(env) + "\n").encode("utf-8", errors="surrogateescape"))
        server.messages_on_connection += 1
        return "250 2.0.0 OK queued"


class CountingSMTP(SMTP):
    def __init__(self, state, *args, **kwargs):
        super().__init__(*args, **kwargs)
        self.state = state
        self.messages_on_connection = 0

    def connection_made(self, transport):
        self.state.connections += 1
        self.connection_number = self.state.connections
        self.state.write("connections", str(self.state.connections).encode())
        super().connection_made(transport)

    async def smtp_DATA(self, arg):
        await super().smtp_DATA(arg)
        # Closed right after the 250 has gone out, as a server restarting between messages would.
        if self.state.drop_after and self.messages_on_connection >= self.state.drop_after:
            self.transport.close()


class Silent(asyncio.Protocol):
    """Accepts the connection and never says a word."""

    def __init__(self, state):
        self.state = state

    def connection_made(self, transport):
        self.state.connections += 1
        self.state.write("connections", str(self.state.connections).encode())
        self.transport = transport


async def main(args):
    state = State(args)
    loop = asyncio.get_running_loop()
    if args.never_greet:
        factory = lambda: Silent(state)  # noqa: E731
    else:
        handler = Handler(state)
        factory = lambda: CountingSMTP(state, handler, decode_data=False, hostname="test.invalid")  # noqa: E731
    server = await loop.create_server(factory, "127.0.0.1", 0)
    port = server.sockets[0].getsockname()[1]
    stop = asyncio.Event()

    def watch_stdin():
        sys.stdin.buffer.read()
        loop.call_soon_threadsafe(stop.set)

    threading.Thread(target=watch_stdin, daemon=True).start()
    print(f"PORT {port}", flush=True)
    await stop.wait()
    server.close()


if __name__ == "__main__":
    p = argparse.ArgumentParser()
    p.add_argument("--dir", required=True)
    p.add_argument("--reject", action="append", default=[])
    p.add_argument("--drop-after", type=int, default=0)
    p.add_argument("--never-greet", action="store_true")
    asyncio.run(main(p.parse_args()))
