#!/usr/bin/env python3
"""Fails on an #include "..." that points up a layer.

Each product folder has a layer; a file may include headers of its own layer and of lower
layers only. The server sits beside the client and may use the lower layers and the codecs,
never the client's handlers. Folders beside the product (tests, bench, fuzz, tools) are not
checked. Prints file:line for every include that breaks the rule; exit status 1 if any.
"""
import os
import re
import sys

# Folder prefix -> layer; the longest matching prefix wins.
LAYERS = {
    'platform/': 1,
    'wire/': 2,
    'linkcommon/': 3, 'udplink/': 3, 'tcplink/': 3,
    'handset/': 2,
    'client/log/': 4, 'client/net/': 4,
    'client/data/': 5, 'client/text/': 5,
    'client/friends/': 6, 'client/userserver/': 6, 'client/call/': 6, 'client/conference/': 6,
    'client/account/': 6, 'client/update/': 6,
    'client/media/': 7, 'client/audio/': 7, 'client/video/': 7, 'client/handset/': 7,
    'client/core/': 8,
    'client/app/': 9, 'client/ui/': 9, 'client/skin/': 9, 'cli/': 9,
}
# Folders outside the ladder and what each may include besides itself.
BESIDE = {
    'handsetsys/': ('platform/', 'handset/handsetsys_abi.h'),
    'updater/': ('platform/', 'wire/', 'client/update/file_replace.h', 'client/update/handover_file.h',
                 'client/update/update_target.h'),
    'server/': ('platform/', 'wire/', 'linkcommon/', 'udplink/', 'tcplink/', 'client/audio/codecs/',
                'client/video/codec/'),
}
# Folders of one layer that must not see each other: what they share lives below them.
APART = [('udplink/', 'tcplink/')]
SOURCE = re.compile(r'\.(h|hpp|cpp|cc|c)$')
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def match(path, table):
    best = None
    for prefix in table:
        if path.startswith(prefix) and (best is None or len(prefix) > len(best)):
            best = prefix
    return best


def allowed(source, target):
    """None when the include is fine, else the reason it is not."""
    home = match(source, BESIDE)
    if home is not None:
        if target.startswith(home) or match(target, {p: 0 for p in BESIDE[home]}) is not None:
            return None
        return f'{home} may use only {", ".join(BESIDE[home])}'
    for a, b in APART:
        if (source.startswith(a) and target.startswith(b)) or (source.startswith(b) and target.startswith(a)):
            return f'{a} and {b} share code only through a folder below them'
    src, dst = match(source, LAYERS), match(target, LAYERS)
    if src is None:
        return None
    if dst is None:
        return f'{target} belongs to no layer {src} may use'
    if LAYERS[dst] > LAYERS[src]:
        return f'layer {LAYERS[src]} ({src}) includes layer {LAYERS[dst]} ({dst})'
    return None


def check(root):
    faults = []
    for top in sorted(set(p.split('/')[0] for p in list(LAYERS) + list(BESIDE))):
        for folder, _, files in os.walk(os.path.join(root, top)):
            for name in sorted(files):
                if not SOURCE.search(name):
                    continue
                path = os.path.relpath(os.path.join(folder, name), root)
                with open(os.path.join(root, path), encoding='utf-8', errors='replace') as f:
                    for number, line in enumerate(f, 1):
                        m = INCLUDE.match(line)
                        if m and '/' in m.group(1):
                            reason = allowed(path, m.group(1))
                            if reason:
                                faults.append(f'{path}:{number}: #include "{m.group(1)}": {reason}')
    return faults


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), '..')
    faults = check(root)
    for fault in faults:
        print(fault)
    print(f'layer check: {len(faults)} include(s) point up a layer' if faults else 'layer check: every include points down')
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
