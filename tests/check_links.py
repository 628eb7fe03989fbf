"""Checks the links of the README and the manual.

    python3 tests/check_links.py FOLDER

FOLDER holds README.md and docs/*.md: a clone, or a package unpacked. Every
relative link or picture (Markdown's or an <img>) in them must name a file or folder that exists there,
and every anchor (#...) a heading of the page it points into, by GitHub's rule
for a heading's anchor: lowercase, punctuation dropped, spaces turned to '-',
and -1, -2, ... after a repeated heading. Links with a scheme (https:, mailto:)
are left alone. Prints each broken link as FILE:LINE: and exits 1 if any.
"""
import glob
import os
import re
import sys

FENCE = re.compile(r'^\s*(```|~~~)')
HEADING = re.compile(r'^#{1,6}\s+(.*?)\s*#*\s*$')
# [text](target) and ![text](target), the target up to a space or ')'.
INLINE = re.compile(r'!?\[(?:[^\]\\]|\\.)*\]\(\s*<?([^)\s>]*)>?(?:\s+"[^"]*")?\s*\)')
# <img src="target">, for a picture shown at a size of its own.
IMAGE = re.compile(r'<img\s[^>]*?src="([^"]*)"')
REFERENCE = re.compile(r'^\s{0,3}\[[^\]]+\]:\s*<?(\S+?)>?(?:\s+"[^"]*")?\s*$')
CODE_SPAN = re.compile(r'(`+).*?\1')
COMMENT = re.compile(r'<!--.*?-->', re.S)
SCHEME = re.compile(r'^[a-zA-Z][a-zA-Z0-9+.-]*:')


def prose_lines(text):
    """The lines of a Markdown text outside fenced code and HTML comments, as
    (number, line) with code spans blanked, so a link shown as code is not one."""
    text = COMMENT.sub(lambda m: '\n' * m.group(0).count('\n'), text)
    fenced = False
    for number, line in enumerate(text.split('\n'), 1):
        if FENCE.match(line):
            fenced = not fenced
            continue
        if not fenced:
            yield number, CODE_SPAN.sub(lambda m: ' ' * len(m.group(0)), line)


def slug(heading):
    """The anchor GitHub gives a heading's text."""
    text = re.sub(r'!?\[([^\]]*)\]\([^)]*\)', r'\1', heading)  # a link counts by its text
    text = text.replace('`', '').lower()
    text = re.sub(r'[^\w\- ]', '', text)
    return text.replace(' ', '-')


def anchors(path):
    """The anchors of the headings of the Markdown file at path."""
    with open(path, encoding='utf-8') as file:
        text = file.read()
    found, seen = set(), {}
    fenced = False
    for line in COMMENT.sub('', text).split('\n'):
        if FENCE.match(line):
            fenced = not fenced
            continue
        match = None if fenced else HEADING.match(line)
        if match:
            base = slug(match.group(1))
            count = seen.get(base, 0)
            seen[base] = count + 1
            found.add(base if count == 0 else '%s-%d' % (base, count))
    return found


def broken_links(path):
    """The broken links of the Markdown file at path, as messages."""
    with open(path, encoding='utf-8') as file:
        text = file.read()
    problems = []
    for number, line in prose_lines(text):
        targets = INLINE.findall(line) + IMAGE.findall(line)
        reference = REFERENCE.match(line)
        if reference:
            targets.append(reference.group(1))
        for target in targets:
            if not target or SCHEME.match(target) or target.startswith('//'):
                continue
            name, _, anchor = target.partition('#')
            linked = os.path.normpath(os.path.join(os.path.dirname(path), name)) if name else path
            where = '%s:%d: %s' % (path, number, target)
            if not os.path.exists(linked):
                problems.append(where + ' names no file')
            elif anchor and linked.endswith('.md') and anchor not in anchors(linked):
                problems.append(where + ' names no heading of ' + os.path.basename(linked))
    return problems


def main():
    if len(sys.argv) != 2:
        sys.stderr.write('usage: check_links.py FOLDER\n')
        return 2
    folder = sys.argv[1]
    pages = [os.path.join(folder, 'README.md')] + sorted(
        glob.glob(os.path.join(folder, 'docs', '*.md')))
    problems = []
    for page in pages:
        if not os.path.isfile(page):
            problems.append(page + ': missing')
        else:
            problems += broken_links(page)
    for problem in problems:
        sys.stderr.write(problem + '\n')
    if problems:
        return 1
    print('%d pages, every link resolved' % len(pages))
    return 0


if __name__ == '__main__':
    sys.exit(main())
