#!/usr/bin/env python3
"""Reads an exported file back with parsers independent of the program, for its tests.

usage: readback.py vcard|ldif|csv FILE

Prints what the file holds as JSON: for vcard a list of [name, parameters, value] in file
order, the lines unfolded (RFC 6350); for ldif a list of entries, each {"dn": ..., "attrs":
[[type, value], ...]}, base64 values decoded (RFC 2849), and binary values given as
"bytes:<length>:<first four bytes in hex>"; for csv the rows as lists of fields (RFC 4180,
read by Python's csv module).
"""
import base64
import csv
import io
import json
import sys


def unfolded(data, folding_space_only=False):
    text = data.decode("utf-8")
    lines = []
    for line in text.split("\r\n" if not folding_space_only and "\r\n" in text else "\n"):
        line = line.rstrip("\r")
        if line[:1] == " " or (not folding_space_only and line[:1] == "\t"):
            lines[-1] += line[1:]
        else:
            lines.append(line)
    return lines


def vcard(data):
    if b"\n" in data.replace(b"\r\n", b""):
        raise SystemExit("a line ends without CR")
    properties = []
    for line in unfolded(data):
        if not line:
            continue
        head, _, value = line.partition(":")
        name, *parameters = head.split(";")
        properties.append([name.upper(), parameters, value])
    for raw in data.split(b"\r\n"):
        if len(raw) > 75:
            raise SystemExit("a folded line is longer than 75 octets")
    return properties


def shown(value):
    try:
        text = value.decode("utf-8")
        if all(ch.isprintable() or ch in "\n" for ch in text):
            return text
    except UnicodeDecodeError:
        pass
    return "bytes:%d:%s" % (len(value), value[:4].hex())


def ldif(data):
    entries = []
    entry = None
    for line in unfolded(data, folding_space_only=True):
        if line.startswith("#"):
            continue
        if not line:
            entry = None
            continue
        if line.startswith("version:"):
            continue
        name, _, rest = line.partition(":")
        if rest.startswith(":"):
            value = base64.b64decode(rest[1:].strip(), validate=True)
        elif rest.startswith("<"):
            raise SystemExit("URL values are not expected")
        else:
            value = rest[1:] if rest.startswith(" ") else rest
            if value.startswith((" ", ":", "<")) or any(ord(c) > 126 or c in "\r\n\0" for c in value):
                raise SystemExit("unsafe value without base64: %r" % value)
            value = value.encode("utf-8")
        if name.lower() == "dn":
            entry = {"dn": shown(value), "attrs": []}
            entries.append(entry)
        else:
            entry["attrs"].append([name, shown(value)])
    return entries


def rows(data):
    text = data.decode("utf-8")
    return list(csv.reader(io.StringIO(text, newline=""), strict=True))


def main():
    kind, path = sys.argv[1], sys.argv[2]
    with open(path, "rb") as f:
        data = f.read()
    reader = {"vcard": vcard, "ldif": ldif, "csv": rows}[kind]
    json.dump(reader(data), sys.stdout, ensure_ascii=False)


if __name__ == "__main__":
    main()
