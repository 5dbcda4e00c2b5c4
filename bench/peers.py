#!/usr/bin/env python3
"""Measures two peer programs on the evaluation pages, as umnoglaz_numbers measures ours.

Tesseract reads every page whole, digits and space only, once per page segmentation mode; a
truth number counts as read when a word of its TSV output has exactly the number's text and a
box overlapping the truth box. ssocr reads each seven-segment number (sevenseg, lcd, led) cut
out by its truth box with a small margin; it counts when it gives exactly the number's text.
Words or readings that match no truth number are counted as extra. Run through bench/peers.sh.
"""
import argparse
import concurrent.futures
import os
import pathlib
import subprocess
import tempfile

MATERIALS = ["sevenseg", "lcd", "hand-touching", "type-touching", "hand-gaps", "type-gaps",
             "shadow", "pencil", "dark-screen", "led", "clean", "noise"]
SEGMENT_MATERIALS = {"sevenseg", "lcd", "led"}
# ssocr's settings: find the digits itself, iterative threshold, digits only, no decimal point.
SSOCR_DARK_ON_LIGHT = ["-d", "-1", "-T", "-C", "-c", "digits"]
SSOCR_LIGHT_ON_DARK = {  # both ways ssocr offers for light segments; the table shows both
    "-b black": SSOCR_DARK_ON_LIGHT + ["-b", "black"],
    "invert": SSOCR_DARK_ON_LIGHT + ["invert"],
}


def read_truth(path):
    numbers = []
    for line in path.read_text().splitlines():
        if line.strip() and not line.startswith("#"):
            text, x, y, w, h = line.split()
            numbers.append((text, int(x), int(y), int(w), int(h)))
    return numbers


def overlaps(a, b):
    ax, ay, aw, ah = a
    bx, by, bw, bh = b
    return ax < bx + bw and bx < ax + aw and ay < by + bh and by < ay + ah


def tesseract_words(page, psm, scratch):
    base = scratch / f"{page.parent.name}-{page.stem}-{psm}"
    env = dict(os.environ, OMP_THREAD_LIMIT="1")
    subprocess.run(["tesseract", str(page), str(base), "--psm", str(psm),
                    "-c", "tessedit_char_whitelist=0123456789 ", "tsv"],
                   check=True, capture_output=True, env=env)
    words = []
    for row in (base.with_suffix(".tsv")).read_text().splitlines()[1:]:
        fields = row.split("\t")
        if len(fields) == 12 and fields[0] == "5" and fields[11].strip():
            words.append((fields[11].strip(), tuple(int(v) for v in fields[6:10])))
    return words


def score_words(truth, words):
    """Read truth numbers and unmatched words."""
    used = [False] * len(words)
    read = 0
    for text, *box in truth:
        for i, (word, word_box) in enumerate(words):
            if not used[i] and word == text and overlaps(box, word_box):
                used[i] = True
                read += 1
                break
    return read, used.count(False)


def ssocr_reading(page, number, options):
    text, x, y, w, h = number
    margin = h // 8 + 3
    crop = ["crop", str(max(0, x - margin)), str(max(0, y - margin)),
            str(w + 2 * margin), str(h + 2 * margin)]
    # Options and commands alike come before the picture; ssocr applies commands in order.
    result = subprocess.run(["ssocr", *options, *crop, str(page)], capture_output=True, text=True)
    return result.stdout.strip()


def pages_of(folder, material):
    directory = folder / material
    if not directory.is_dir():
        return []
    return sorted(p for p in directory.iterdir() if p.suffix in (".bmp", ".jpg"))


def percent(part, whole):
    return f"{100.0 * part / whole:.1f} %" if whole else "-"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder", type=pathlib.Path)
    parser.add_argument("--psm", type=int, action="append",
                        help="Tesseract page segmentation modes (default: 6 and 11)")
    parser.add_argument("--jobs", type=int, default=2)
    args = parser.parse_args()
    modes = args.psm or [6, 11]

    with tempfile.TemporaryDirectory() as scratch_name, \
            concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
        scratch = pathlib.Path(scratch_name)
        header = "| material | numbers |" + "".join(
            f" tesseract psm {m}: read exactly | extra |" for m in modes) + \
            " ssocr, cropped: read exactly | ssocr settings |"
        print(header)
        print("|---|---|" + "---|---|" * len(modes) + "---|---|", flush=True)
        noise_rows = []
        for material in MATERIALS:
            pages = pages_of(args.folder, material)
            if not pages:
                continue
            truths = [read_truth(p.with_suffix(".truth")) for p in pages]
            total = sum(len(t) for t in truths)
            row = f"| {material} | {total} |"
            for mode in modes:
                words = list(pool.map(lambda p: tesseract_words(p, mode, scratch), pages))
                read = extra = 0
                for truth, page_words, page in zip(truths, words, pages):
                    r, e = score_words(truth, page_words)
                    read += r
                    extra += e
                    if not truth:
                        noise_rows.append(f"| {material}/{page.stem} | psm {mode} | {e} | "
                                          f"{sum(len(w) for w, _ in page_words)} |")
                row += f" {percent(read, total)} | {extra} |"
            if material in SEGMENT_MATERIALS:
                settings = {"default": SSOCR_DARK_ON_LIGHT} if material != "led" \
                    else SSOCR_LIGHT_ON_DARK
                cells = []
                for name, options in settings.items():
                    jobs = [(page, number) for page, truth in zip(pages, truths)
                            for number in truth]
                    readings = pool.map(lambda job: ssocr_reading(*job, options), jobs)
                    read = sum(r == number[0] for r, (_, number) in zip(readings, jobs))
                    cells.append((percent(read, total), " ".join(options)))
                row += " " + " / ".join(c[0] for c in cells) + " | " + \
                    " / ".join(f"`{c[1]}`" for c in cells) + " |"
            else:
                row += " - | - |"
            print(row, flush=True)
        if noise_rows:
            print("\n| page without numbers | Tesseract | words | digits |")
            print("|---|---|---|---|")
            print("\n".join(noise_rows))


if __name__ == "__main__":
    main()
