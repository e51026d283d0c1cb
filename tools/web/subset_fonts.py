#!/usr/bin/python3
"""Cuts the two IPA faces down to the characters the game draws, for the page.

  subset_fonts.py --sources ROOT --out DIR

The characters are every one in the game's own sources (its texts are UTF-8
string literals there) and printable ASCII; the outlines, metrics and hinting
of those glyphs are kept as they are, so the text renders as on the desktop.
A cut-down font is a derived font under the IPA Font License: it may not
carry the original's name, so it is renamed (family and file), and the list of
characters it was cut to is written beside it (glyphs.txt), with which anyone
can make it again from the original (docs/WEB.md).
"""
import argparse
import pathlib

from fontTools import subset
from fontTools.ttLib import TTFont

FACES = [
    ('/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf', 'Quillmoor Mincho', 'qm-mincho.ttf'),
    ('/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf', 'Quillmoor Gothic', 'qm-gothic.ttf'),
]
# Where the game's texts live: everything but the tests, tools and benchmarks.
SKIP = ('tests', 'tools', 'bench', 'fuzz', 'build')


def game_characters(root):
    chars = {chr(c) for c in range(0x20, 0x7F)}
    for path in sorted(root.rglob('*')):
        rel = path.relative_to(root).parts
        if path.suffix in ('.cpp', '.h') and rel[0] not in SKIP and not rel[0].startswith('build'):
            chars.update(c for c in path.read_text(encoding='utf-8') if ord(c) > 0x7E)
    return ''.join(sorted(chars))


def cut(source, family, out, text):
    options = subset.Options()
    options.hinting = True          # the monochrome rendering follows the hints
    options.notdef_outline = True
    options.layout_features = []    # one glyph per character, as the game draws
    options.name_IDs = ['*']
    options.name_languages = ['*']
    font = subset.load_font(source, options)
    subsetter = subset.Subsetter(options)
    subsetter.populate(text=text)
    subsetter.subset(font)
    for record in font['name'].names:
        if record.nameID in (1, 4, 16, 18):
            record.string = family
        elif record.nameID == 3:
            record.string = family + ' (cut down for Quillmoor)'
        elif record.nameID == 6:
            record.string = family.replace(' ', '')
    font.save(str(out))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--sources', required=True)
    parser.add_argument('--out', required=True)
    args = parser.parse_args()
    out = pathlib.Path(args.out)
    out.mkdir(parents=True, exist_ok=True)
    text = game_characters(pathlib.Path(args.sources))
    (out / 'glyphs.txt').write_text(text + '\n', encoding='utf-8')
    for source, family, name in FACES:
        cut(source, family, out / name, text)


if __name__ == '__main__':
    main()
