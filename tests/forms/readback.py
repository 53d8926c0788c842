#!/usr/bin/python3
"""Reads larkspur-search's output back with parsers that owe nothing to it (python-ldap's LDIF
reader, Python's json and csv; vCard content lines unfolded and split as RFC 6350 says) and
prints what they found the same way for every format, entries sorted by DN and rows by their
text, since servers answer in either order.

usage: readback.py ldif|json|csv|vcard FILE
"""
import base64
import csv
import json
import sys


def shown(value):
    try:
        return value.decode('utf-8')
    except UnicodeDecodeError:
        return 'base64:' + base64.b64encode(value).decode('ascii')


def print_entries(entries):
    """entries: (dn bytes, {name: [value bytes]}) pairs."""
    for dn, attributes in sorted(entries, key=lambda entry: entry[0]):
        print('dn: ' + shown(dn))
        for name in sorted(attributes, key=str.lower):
            for value in attributes[name]:
                print(name.lower() + ': ' + shown(value))
        print()


def read_ldif(path):
    import ldif
    with open(path, 'rb') as stream:
        parser = ldif.LDIFRecordList(stream)
        parser.parse()
    print_entries([(dn.encode('utf-8'), entry) for dn, entry in parser.all_records])


def read_json(path):
    entries = []
    with open(path, encoding='utf-8') as stream:
        for line in stream:
            record = json.loads(line)
            dn = record.pop('dn').encode('utf-8') if 'dn' in record else \
                base64.b64decode(record.pop('dn;base64'))
            attributes = {}
            for key, values in record.items():
                if key.endswith(';base64'):
                    attributes[key[:-7]] = [base64.b64decode(value) for value in values]
                else:
                    attributes[key] = [value.encode('utf-8') for value in values]
            entries.append((dn, attributes))
    print_entries(entries)


def read_csv(path):
    with open(path, newline='', encoding='utf-8') as stream:
        rows = [' | '.join(cell.replace('\n', ' / ') for cell in row) for row in csv.reader(stream)]
    for row in rows[:1] + sorted(rows[1:]):
        print(row)


def unescaped(text):
    out = []
    escaped = False
    for c in text:
        if escaped:
            out.append('\n' if c in 'nN' else c)
            escaped = False
        elif c == '\\':
            escaped = True
        else:
            out.append(c)
    return ''.join(out)


def read_vcard(path):
    with open(path, 'rb') as stream:
        text = stream.read().decode('utf-8')
    if '\n' in text.replace('\r\n', ''):
        sys.exit('a line ends without a carriage return')
    lines = text.replace('\r\n ', '').replace('\r\n\t', '').split('\r\n')
    if lines[-1] != '':
        sys.exit('the last line has no line break')
    cards = []
    card = None
    for line in lines[:-1]:
        if len(line.encode('utf-8')) == 0:
            sys.exit('an empty content line')
        name, _, value = line.partition(':')
        if name == 'BEGIN' and value == 'VCARD':
            card = []
        elif name == 'END' and value == 'VCARD':
            if card[0] != 'VERSION: 4.0' or not any(p.startswith('FN: ') for p in card):
                sys.exit('a card without VERSION 4.0 first or without FN')
            cards.append('\n'.join(card))
            card = None
        else:
            card.append(name + ': ' + unescaped(value))
    for each in sorted(cards):
        print(each)
        print()


def folded_lines_fit(path):
    with open(path, 'rb') as stream:
        return all(len(line) <= 76 for line in stream.read().split(b'\n'))


if __name__ == '__main__':
    readers = {'ldif': read_ldif, 'json': read_json, 'csv': read_csv, 'vcard': read_vcard}
    if len(sys.argv) != 3 or sys.argv[1] not in readers:
        sys.exit(__doc__)
    if sys.argv[1] == 'vcard' and not folded_lines_fit(sys.argv[2]):
        sys.exit('a vCard line is longer than 75 bytes')
    readers[sys.argv[1]](sys.argv[2])
