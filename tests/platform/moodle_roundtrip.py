#!/usr/bin/env python3
"""Marks returned to a real Moodle land on the right participant.

    moodle_roundtrip.py SOURCE_DIR QA_COMPOSE_CLASS QA_REVIEW WORK

Two courses are made in a real Moodle (the harness in $QA_MOODLE_HARNESS, by
default SOURCE_DIR/../shared/moodle): a named class and a blind one whose
teacher works in German. Each participant hands in record files composed with
the tutor's own record layouts; Moodle's own code exports the submissions
and the grading worksheet; qa-review fills the worksheet and writes the
feedback ZIP from a marks file; Moodle's own importers take them back; and
each participant's grade, comment and feedback file in Moodle is checked to
be theirs, with nothing of anyone else's.

Each check is a case with a name (class.participant.what). The cases in
EXPECTED_FAILURES are checked and reported but do not fail the run; remove a
name from there once the review does what it needs.

Exit status: 0 when every active case holds, 1 otherwise, 77 (skipped) when
the harness or what it needs is missing, unless QA_REQUIRE_MOODLE=1.
"""
import csv
import hashlib
import io
import json
import os
import re
import subprocess
import sys
import time
import zipfile

SKIP = 77

# Cases that fail until the review learns what they need, by why. Remove a
# name when its case passes (the run says so: "now passes").
_NOT_YET = {}
EXPECTED_FAILURES = {case: why for why, cases in _NOT_YET.items() for case in cases}

# The marks file's column for the platform's participant id, once the review
# reads one; until then rows are told apart by "Submitter id" alone.
PARTICIPANT_ID_COLUMN = "Participant id"

MAXIMUM = 4  # each question's maximum in the marks file


class Participant:
    def __init__(self, key, first, last, header, marks=None, comments=None):
        self.key = key                # the case names' short name, unique
        self.first, self.last = first, last  # as the platform has them
        self.header = header          # the name typed in the tutor, in the record headers
        self.marks = marks or {}      # question -> mark
        self.comments = comments or {}  # question -> comment
        self.pid = None               # the platform's participant id
        self.userid = None

    def answers(self):
        return [f"{self.key}-q{q}-answer: the slopes give the rate of change." for q in (1, 2)]

    def marked(self):
        return bool(self.marks) or bool(self.comments)


def marked(key, first, last, header, m1, m2):
    """A participant with a mark and a comment on both questions."""
    return Participant(key, first, last, header, {1: m1, 2: m2},
                       {1: f"{key}-q1-note", 2: f"{key}-q2-note"})


def named_class():
    return [
        marked("gail", "Abigail", "Moss-Benton", "Gail Moss", 3, 4),
        marked("dmitry", "Дмитрий", "Иванов", "Dmitry Ivanov", 2, 3),
        marked("wang", "芳", "王", "Wang Fang", 4, 4),
        marked("sean", "Seán", "O'Brien", "Seán O'Brien", 1, 2.5),
        marked("sam1", "Sam", "Carter", "Sam Carter", 2, 2),
        marked("sam2", "Sam", "Carter", "Sam Carter", 3.5, 1),
        # Ravi hands in a file of Tess's sessions; Tess hands in her own. The
        # participant ids follow this list: here the one who hands it in
        # comes first, and in the next pair last.
        marked("ravi", "Ravi", "Rao", "Tess Stone", 1, 1),
        marked("tess", "Tess", "Stone", "Tess Stone", 4, 3),
        marked("ida", "Ida", "Lund", "Ida Lund", 2, 3),
        marked("kai", "Kai", "Berg", "Ida Lund", 3, 3),
        Participant("nora", "Nora", "Quinn", "Nora Quinn", {}, {1: "nora-q1-note"}),
        Participant("omar", "Omar", "Haddad", "Omar Haddad"),
        marked("lena", "Lena", "Fischer", "Lena Fischer", 0, 3),
        marked("pablo", "Pablo", "Ruiz", "Pablo Ruiz", 2.5, 4),
        marked("chloe", "Chloé", "Dubois", "Chloé Dubois", 3, 0.5),
    ]


def blind_class():
    return [
        marked("jonas", "Jonas", "Becker", "Jonas Becker", 3, 1.5),
        marked("mia", "Mia", "Schäfer", "Mia Schäfer", 4, 2),
        marked("emil", "Emil", "Wagner", "Emil Wagner", 1, 0),
        Participant("lea", "Lea", "Hoffmann", "Lea Hoffmann", {}, {2: "lea-q2-note"}),
        Participant("paul", "Paul", "Richter", "Paul Richter"),
    ]


class Run:
    def __init__(self, harness, compose, review, work):
        self.harness, self.compose, self.review, self.work = harness, compose, review, work
        self.results = []  # (case, ok, detail)
        self.timings = []

    def timed(self, what, argv, **kw):
        t = time.monotonic()
        p = subprocess.run(argv, capture_output=True, text=True, encoding="utf-8", errors="replace", **kw)
        self.timings.append((what, time.monotonic() - t))
        return p

    def case(self, name, ok, detail=""):
        self.results.append((name, ok, detail))


def must(p, what):
    if p.returncode != 0:
        sys.stderr.write(f"{what} failed (status {p.returncode}):\n{p.stdout[-4000:]}\n{p.stderr[-4000:]}\n")
        sys.exit(1)


def compose(run, cls, folder):
    """Each participant's handed-in file, by the tutor's record layouts; CLASS.json."""
    files = os.path.join(folder, "files")
    students = []
    for p in cls:
        d = os.path.join(files, p.key)
        initials = "".join(w[0] for w in p.header.split()).upper()[:3]
        must(subprocess.run([run.compose, "--student", d, p.header, initials, *p.answers()],
                            capture_output=True, text=True, encoding="utf-8", errors="replace"), f"composing {p.key}'s file")
        sent = [os.path.join(root, f) for root, _, names in os.walk(d) for f in names if f.startswith("send")]
        if len(sent) != 1:
            sys.exit(f"composing {p.key}'s file: expected one send file, found {sent}")
        students.append({"firstname": p.first, "lastname": p.last, "file": os.path.relpath(sent[0], folder)})
    with open(os.path.join(folder, "class.json"), "w", encoding="utf-8") as f:
        json.dump({"assignment": "Assignment 1", "students": students}, f, ensure_ascii=False, indent=1)


def number(v):
    return ("%.4f" % v).rstrip("0").rstrip(".")


def marks_file(cls, path):
    """The marks an instructor gave, as the marking window writes them."""
    header = ["Student", "Submitter id", "Assignment", "Question", "Mark", "Maximum", "Comment", "Answer"]
    if PARTICIPANT_ID_COLUMN:
        header.append(PARTICIPANT_ID_COLUMN)
    rows = [["", "", "1", str(q), "", str(MAXIMUM), "", ""] + ([""] if PARTICIPANT_ID_COLUMN else [])
            for q in (1, 2)]
    for p in cls:
        for q in (1, 2):
            if q not in p.marks and q not in p.comments:
                continue
            mark = number(p.marks[q]) if q in p.marks else ""
            row = [p.header, str(p.pid), "1", str(q), mark, str(MAXIMUM), p.comments.get(q, ""),
                   p.answers()[q - 1]]
            if PARTICIPANT_ID_COLUMN:
                row.append(str(p.pid))
            rows.append(row)
    out = io.StringIO()
    csv.writer(out, lineterminator="\r\n").writerows([header] + rows)
    with open(path, "w", encoding="utf-8-sig", newline="") as f:
        f.write(out.getvalue())


def expected_grade(p):
    if not p.marks:
        return None  # a blank mark leaves the grade as downloaded: none
    return round(sum(p.marks.values()) / (2 * MAXIMUM) * 100, 2)


def tokens(p):
    return [f"{p.key}-q{q}-answer" for q in (1, 2)]


def check(run, label, cls, moodle, pages):
    """Per participant: the grade, the comment and the feedback file are
    theirs, and nobody else's are on them."""
    by_uid = {s["userid"]: s for s in moodle["students"]}
    for p in cls:
        got = by_uid.get(p.userid)
        name = f"{label}.{p.key}"
        who = f"participant {p.pid}, "
        if got is None:
            run.case(f"{name}.grade", False, "not in what Moodle reads back")
            continue
        others = [o for o in cls if o is not p]
        # The grade.
        want = expected_grade(p)
        have = got["grade"]
        ok = (have is None) if want is None else (have is not None and abs(have - want) < 0.005)
        run.case(f"{name}.grade", ok, f"{who}Moodle has {have}, expected {want}")
        # The comment: theirs only.
        comment = got["feedback_comment"] or ""
        own = [c for c in p.comments.values()]
        foreign = [c for o in others for c in o.comments.values() if c in comment]
        missing = [c for c in own if c not in comment]
        if p.marked():
            ok = not missing and not foreign
        else:
            ok = comment == ""
        run.case(f"{name}.comment", ok, f"{who}Moodle has {comment!r}" +
                 (f"; missing {missing}" if missing else "") + (f"; others' {foreign}" if foreign else ""))
        # The feedback file: one page, with their answers and nobody else's.
        files = got["feedback_files"]
        if not p.marked():
            run.case(f"{name}.feedback", not files, f"{who}Moodle has {[f['name'] for f in files]}, expected none")
        else:
            whose = []
            for f in files:
                text = pages.get(f["sha1"])
                if text is None:
                    whose.append(f"{f['name']} (not a page of the feedback ZIP)")
                    continue
                holders = [o.key for o in cls if any(t in text for t in tokens(o))]
                whose.append(f"{f['name']} (answers of {', '.join(holders) or 'nobody'})")
            ok = len(files) == 1 and whose[0].endswith(f"(answers of {p.key})")
            run.case(f"{name}.feedback", ok, f"{who}Moodle has {whose or 'no file'}")
        if label == "blind" and p.marked():
            # Blind marking stays blind: the pages name no one.
            texts = [pages.get(f["sha1"], "") for f in files]
            named = [o.header for o in cls for t in texts if o.header in t]
            run.case(f"{name}.page_names_no_one", bool(texts) and not named,
                     f"names on the page: {sorted(set(named))}" if named else "no page")


def one_class(run, label, cls, blind):
    folder = os.path.join(run.work, label)
    os.makedirs(folder, exist_ok=True)
    compose(run, cls, folder)
    w = os.path.join(folder, "moodle")
    # Participant ids in the class's order, so that what depends on their
    # order is the same on every run.
    argv = [os.path.join(run.harness, "roundtrip.sh"), os.path.join(folder, "class.json"), w, "--ordered-ids"]
    if blind:
        argv += ["--blind", "--lang=de"]
    must(run.timed(f"{label}: course and exports", argv), f"roundtrip.sh ({label})")
    with open(os.path.join(w, "state.json"), encoding="utf-8") as f:
        state = json.load(f)
    for s in state["students"]:
        cls[s["index"]].pid, cls[s["index"]].userid = s["participantid"], s["userid"]

    marks = os.path.join(folder, "marks.csv")
    marks_file(cls, marks)
    out = os.path.join(folder, "feedback")
    graded = os.path.join(w, "worksheet-graded.csv")
    for old in (graded,):
        if os.path.exists(old):
            os.remove(old)
    review = run.timed(f"{label}: qa-review", [run.review, "--marks", marks, "--worksheet",
                                               os.path.join(w, "worksheet.csv"), "--feedback", out,
                                               os.path.join(w, "submissions.zip")])
    print(f"--- qa-review ({label}), status {review.returncode}\n{review.stdout}{review.stderr}")
    zips = sorted(os.path.join(out, f) for f in os.listdir(out) if f.endswith(".zip")) if os.path.isdir(out) else []
    if len(zips) > 1:
        sys.exit(f"qa-review ({label}) wrote more than one feedback ZIP: {zips}")
    pages = {}
    for z in zips:
        with zipfile.ZipFile(z) as archive:
            for info in archive.infolist():
                if not info.is_dir():
                    data = archive.read(info)
                    pages[hashlib.sha1(data).hexdigest()] = data.decode("utf-8", "replace")
    imported = run.timed(f"{label}: imports and read-back",
                         [os.path.join(run.harness, "roundtrip_import.sh"), w,
                          graded if os.path.exists(graded) else "-", zips[0] if zips else "-"])
    must(imported, f"roundtrip_import.sh ({label})")
    moodle = json.loads(imported.stdout[imported.stdout.index("{"):])
    with open(os.path.join(folder, "moodle-after.json"), "w", encoding="utf-8") as f:
        json.dump(moodle, f, ensure_ascii=False, indent=1)
    run.case(f"{label}.worksheet_written", os.path.exists(graded),
             "" if os.path.exists(graded) else "qa-review wrote no graded worksheet")
    run.case(f"{label}.feedback_zip_written", bool(zips), "" if zips else "qa-review wrote no feedback ZIP")
    for part in ("worksheet_import", "zip_import"):
        if "error" in moodle.get(part, {}):
            print(f"Moodle's {part}: {moodle[part]['error']}")
    check(run, label, cls, moodle, pages)


def unavailable(why):
    if os.environ.get("QA_REQUIRE_MOODLE") == "1":
        sys.exit(f"The Moodle round trip cannot run: {why}")
    print(f"SKIP: {why}")
    sys.exit(SKIP)


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    source, compose_tool, review, work = sys.argv[1:]
    harness = os.environ.get("QA_MOODLE_HARNESS") or os.path.join(source, "..", "shared", "moodle")
    harness = os.path.abspath(harness)
    if not os.path.isfile(os.path.join(harness, "roundtrip.sh")):
        unavailable(f"no Moodle harness in {harness} (set QA_MOODLE_HARNESS)")
    if os.geteuid() != 0:
        unavailable("the Moodle harness runs PostgreSQL as its own user: it needs root")
    home = os.environ.get("H", "/tmp/qa-moodle")
    run = Run(harness, os.path.abspath(compose_tool), os.path.abspath(review), os.path.abspath(work))
    if os.path.isdir(run.work):
        subprocess.run(["rm", "-rf", run.work], check=True)
    os.makedirs(run.work)

    # Moodle installed once (from the harness's cache after that), and German.
    if not os.path.isfile(os.path.join(home, "moodle", "config.php")):
        tarball = [f for f in os.listdir(harness) if re.fullmatch(r"moodle-.*\.tar\.xz", f)]
        must(run.timed("install Moodle", [os.path.join(harness, "install.sh"),
                                          os.path.join(harness, tarball[0])]), "install.sh")
    if not os.path.isdir(os.path.join(home, "moodledata", "lang", "de")):
        must(run.timed("German language pack", [os.path.join(harness, "make_langpack.sh"),
                                                 os.path.join(harness, "langpacks"), "-", "de"]),
             "make_langpack.sh")

    one_class(run, "named", named_class(), blind=False)
    one_class(run, "blind", blind_class(), blind=True)

    failed, told = [], set()
    for name, ok, detail in run.results:
        expected = EXPECTED_FAILURES.get(name)
        if ok:
            state = "now passes (remove it from EXPECTED_FAILURES)" if expected else "ok"
        elif expected:
            state = "fails as expected" + ("" if expected in told else f" ({expected})")
            told.add(expected)
        else:
            state = "FAILED"
            failed.append(name)
        print(f"{name}: {state}" + (f": {detail}" if detail and not ok else ""))
    unknown = sorted(set(EXPECTED_FAILURES) - {name for name, _, _ in run.results})
    for name in unknown:
        print(f"EXPECTED_FAILURES names no case: {name}")
    for what, seconds in run.timings:
        print(f"time: {what}: {seconds:.1f} s")
    if failed or unknown:
        print(f"{len(failed)} case(s) failed: {', '.join(failed)}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
