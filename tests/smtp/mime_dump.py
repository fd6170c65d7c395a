#!/usr/bin/python3
"""Reads an Internet message with Python's own MIME parser and prints what a mail program
would show, one fact per line, for the C++ tests to compare:

    header <name> x<hex>                 decoded value (RFC 2047 undone), as Windows-1252
    address <header> x<name> x<addr>     each mailbox of From and To
    part <type> <charset> <cte> <disposition> x<filename> x<payload>
    defect <name>                        anything the parser found wrong

Text fields are hex-encoded Windows-1252 bytes, prefixed by "x", so that spaces, line
breaks and 8-bit bytes survive; "-" stands for a missing value.
"""
import email
import email.policy
import sys


def _hex(text):
    if isinstance(text, str):
        text = text.encode("cp1252", errors="replace")
    return "x" + text.hex()


def dump(raw: bytes) -> str:
    msg = email.message_from_bytes(raw, policy=email.policy.default)
    out = []
    for name, value in msg.items():
        out.append(f"header {name.lower()} {_hex(str(value))}")
        for d in getattr(value, "defects", ()):
            out.append(f"defect {type(d).__name__}")
    for name in ("from", "to"):
        header = msg[name]
        if header is not None:
            for a in header.addresses:
                out.append(f"address {name} {_hex(a.display_name)} {_hex(a.addr_spec)}")
    for part in msg.walk():
        for d in part.defects:
            out.append(f"defect {type(d).__name__}")
        if part.is_multipart():
            continue
        charset = part.get_content_charset() or "-"
        cte = part.get("Content-Transfer-Encoding", "-").strip().lower()
        disposition = part.get_content_disposition() or "-"
        filename = part.get_filename()
        payload = part.get_payload(decode=True) or b""
        out.append(
            f"part {part.get_content_type()} {charset} {cte} {disposition} "
            f"{_hex(filename) if filename is not None else '-'} {_hex(payload)}"
        )
    return "\n".join(out) + "\n"


if __name__ == "__main__":
    with open(sys.argv[1], "rb") as f:
        sys.stdout.write(dump(f.read()))
