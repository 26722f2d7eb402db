#!/usr/bin/env python3
"""Checks that every include goes down the house, never up.

The ranks are read from the README's folder table (its first column is the
rank, its second the folder), so the table people read is the one checked.
A file may include a file of its own rank or a lower one. An include that goes
up must say why on its own line, as `// upward: REASON`. Two folders that
include each other (a loop) fail whatever the comments say.
"""
import os
import re
import sys
from collections import defaultdict

SOURCE_ENDINGS = ('.h', '.hpp', '.c', '.cpp', '.S', '.S.in', '.h.in', '.cpp.in')
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"(.*)$')
UPWARD_REASON = re.compile(r'//\s*upward:\s*\S')
TABLE_ROW = re.compile(r'^\|\s*(\d+)\s*\|\s*(.+?)\s*\|')


def read_ranks(readme):
    """Folder -> rank from the README rows `| N | `folder/`, `folder/` | ... |`."""
    ranks = {}
    with open(readme, encoding='utf-8') as f:
        for line in f:
            row = TABLE_ROW.match(line)
            if not row:
                continue
            for folder in re.findall(r'`([^`]+)/`', row.group(2)):
                ranks[folder] = int(row.group(1))
    return ranks


def folder_of(path, ranks):
    """The longest ranked folder holding path, or None."""
    best = None
    for folder in ranks:
        if path == folder or path.startswith(folder + '/'):
            if best is None or len(folder) > len(best):
                best = folder
    return best


def source_files(root):
    for dirpath, dirnames, filenames in os.walk(root):
        rel = os.path.relpath(dirpath, root)
        dirnames[:] = [d for d in dirnames
                       if not d.startswith('.') and not (rel == '.' and d.startswith('build'))]
        for name in filenames:
            if name.endswith(SOURCE_ENDINGS):
                yield os.path.normpath(os.path.join(rel, name))


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else '.')
    ranks = read_ranks(os.path.join(root, 'README.md'))
    if not ranks:
        print('include_ranks: README.md has no folder table with ranks')
        return 1
    problems = []
    edges = defaultdict(list)
    for path in sorted(source_files(root)):
        here = folder_of(path, ranks)
        if here is None:
            problems.append(f'{path}: its folder has no rank in the README')
            continue
        with open(os.path.join(root, path), encoding='utf-8', errors='replace') as f:
            for number, line in enumerate(f, 1):
                m = INCLUDE.match(line)
                if not m:
                    continue
                name = m.group(1)
                target = None
                for candidate in (name, os.path.normpath(os.path.join(os.path.dirname(path), name))):
                    if os.path.isfile(os.path.join(root, candidate)):
                        target = candidate
                        break
                if target is None:
                    continue  # a system or generated header
                there = folder_of(target, ranks)
                if there is None or there == here:
                    continue
                edges[(here, there)].append(f'{path}:{number}')
                if ranks[there] > ranks[here] and not UPWARD_REASON.search(m.group(2)):
                    problems.append(f'{path}:{number}: includes {target}, from `{here}/` '
                                    f'(rank {ranks[here]}) up to `{there}/` (rank {ranks[there]})')
    for (a, b), places in sorted(edges.items()):
        if a < b and (b, a) in edges:
            problems.append(f'`{a}/` and `{b}/` include each other: {places[0]} and {edges[(b, a)][0]}')
    for p in problems:
        print(p)
    print(f'include_ranks: {len(ranks)} ranked folders, '
          f'{sum(len(v) for v in edges.values())} includes across folders, {len(problems)} problems')
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
