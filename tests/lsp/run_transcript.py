#!/usr/bin/env python3
"""Runs transcripts against the language server over a pipe.

A transcript is a list of steps, one a line:
  > JSON            send the message, framed
  >raw TEXT         send TEXT as it is, after Python string escapes (\\r, \\x00, ...)
  >big N [TEXT]     send a frame whose Content-Length is N, and N bytes: TEXT,
                    then blanks
  >+ JSON           frame the message and send it in one write with the next one
  >deep N TEXT      send TEXT, framed as it is, with DEEP in it replaced by N
                    nested arrays
  < JSON            expect a message that holds at least these members; the
                    replies must come in this order, and an unexpected reply
                    fails; a notification not expected is passed over
  <= JSON           the same, but the message must be exactly this (beside its
                    "jsonrpc"): no member more, at any depth
  = N               close the input; expect exit status N
  =open N           expect exit status N with the input still open
  == N              the same, and no message at all may be left unread
  @file PATH        the lines up to "@end" are the file PATH (CR LF ends,
                    Windows-1251 bytes) in the scratch folder, made before the run
  @check PATH       the lines up to "@end" must be the file PATH's text now
  @write PATH       the lines up to "@end" become the file PATH now, in the run
  @chmod PATH MODE  before the run, the file PATH gets the octal MODE
  @fifo PATH        before the run, PATH is a named pipe that no one writes
  @link PATH TARGET before the run, PATH is a symbolic link to TARGET (ROOT
                    stands for the scratch folder there too)
Strings may hold ROOT, the scratch folder's URI path (file://ROOT/quest.erm);
with --drive=Z it is the folder under that drive letter, as a Windows program
under Wine sees it (file:///Z:/tmp/...).
In an expectation "*" stands for any value.
Every header line of a reply must end in exactly CR LF.
Usage: run_transcript.py [--drive=LETTER] SERVER [ARG...] -- TRANSCRIPT...
With ZUNT_SHOW=1 in the environment every message read is printed.
"""
import json
import os
import queue
import subprocess
import sys
import tempfile
import threading

TIMEOUT = 20


def frame(body: bytes) -> bytes:
    return b"Content-Length: %d\r\n\r\n" % len(body) + body


def read_frames(stream, out: queue.Queue):
    while True:
        length = None
        while True:
            line = stream.readline()
            if not line:
                out.put(None)
                return
            # Each header line ends in exactly CR LF: a line end added on the
            # way (a Windows program writing in text mode) is a fault.
            if not line.endswith(b"\r\n") or b"\r" in line[:-2]:
                out.put({"bad frame": line.decode("latin-1")})
                return
            line = line[:-2]
            if not line:
                break
            name, _, value = line.partition(b":")
            if name.strip().lower() == b"content-length":
                length = int(value)
        body = stream.read(length)
        out.put(json.loads(body.decode("utf-8")))


def matches(expected, got, exact=False) -> bool:
    if expected == "*":
        return True
    if isinstance(expected, dict):
        if not isinstance(got, dict):
            return False
        if exact and set(expected) != set(got) - {"jsonrpc"}:
            return False
        return all(k in got and matches(v, got[k], exact) for k, v in expected.items())
    if isinstance(expected, list):
        return isinstance(got, list) and len(got) == len(expected) and all(
            matches(e, g, exact) for e, g in zip(expected, got))
    return expected == got and type(expected) == type(got)


def write_file(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(data)


def substitute(text: str, root: str) -> str:
    return text.replace("ROOT", root)


def run(server, transcript_path, drive):
    with open(transcript_path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    scratch = tempfile.mkdtemp(prefix="zunt-lsp-")
    # A Windows program sees the folder under a drive letter: file:///Z:/tmp/...
    root = f"/{drive}:{scratch}" if drive else scratch
    steps = []
    i = 0
    while i < len(lines):
        line = lines[i]
        i += 1
        if line.startswith(("@file ", "@check ", "@write ")):
            kind, path = line.split(" ", 1)
            content = []
            while lines[i] != "@end":
                content.append(lines[i])
                i += 1
            i += 1
            data = "\r\n".join(content).encode("cp1251")
            if kind == "@file":
                write_file(os.path.join(scratch, path), data)
            else:
                steps.append((kind[1:], path, data))
        elif line.startswith("@chmod "):
            _, path, mode = line.split(" ")
            os.chmod(os.path.join(scratch, path), int(mode, 8))
        elif line.startswith("@fifo "):
            path = os.path.join(scratch, line.split(" ", 1)[1])
            os.makedirs(os.path.dirname(path), exist_ok=True)
            os.mkfifo(path)
        elif line.startswith("@link "):
            _, path, target = line.split(" ")
            path = os.path.join(scratch, path)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            os.symlink(target.replace("ROOT", scratch), path)
        elif line.startswith(">raw "):
            steps.append(("send", substitute(line[5:], root).encode("utf-8").decode(
                "unicode_escape").encode("latin-1")))
        elif line.startswith(">deep "):
            _, n, text = line.split(" ", 2)
            deep = "[" * int(n) + "]" * int(n)
            steps.append(("send", frame(substitute(text, root).replace("DEEP", deep).encode())))
        elif line.startswith(">big "):
            n, _, text = line[5:].partition(" ")
            n = int(n)
            head = substitute(text, root).encode("utf-8")
            steps.append(("send", b"Content-Length: %d\r\n\r\n" % n + head + b" " * (n - len(head))))
        elif line.startswith(("> ", ">+ ")):
            held, text = line.startswith(">+ "), line.split(" ", 1)[1]
            body = json.dumps(json.loads(substitute(text, root)), ensure_ascii=False)
            steps.append(("hold" if held else "send", frame(body.encode("utf-8"))))
        elif line.startswith("< "):
            steps.append(("expect", json.loads(substitute(line[2:], root)), line, False))
        elif line.startswith("<= "):
            steps.append(("expect", json.loads(substitute(line[3:], root)), line, True))
        elif line.startswith("= "):
            steps.append(("exit", int(line[2:]), False))
        elif line.startswith("=open "):
            steps.append(("exit open", int(line[6:])))
        elif line.startswith("== "):
            steps.append(("exit", int(line[3:]), True))
        elif line.strip() and not line.startswith("#"):
            raise SystemExit(f"{transcript_path}: bad line: {line}")

    process = subprocess.Popen(server, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE)
    replies = queue.Queue()
    threading.Thread(target=read_frames, args=(process.stdout, replies), daemon=True).start()
    failures = []

    def fail(text):
        failures.append(text)

    def next_message():
        try:
            got = replies.get(timeout=TIMEOUT)
        except queue.Empty:
            return "timeout"
        # ZUNT_SHOW=1 prints every message, to write a transcript's expectations.
        if os.environ.get("ZUNT_SHOW"):
            print("got:", json.dumps(got, ensure_ascii=False).replace(scratch, "ROOT"))
        return got

    held = b""
    for step in steps:
        if failures:
            break
        if step[0] == "hold":
            held += step[1]
        elif step[0] == "send":
            process.stdin.write(held + step[1])
            process.stdin.flush()
            held = b""
        elif step[0] == "expect":
            expected = step[1]
            passed = []
            while True:
                got = next_message()
                if got is None or got == "timeout":
                    fail(f"{step[2]}\n  got: {got and 'timeout' or 'end of output'}" + "".join(
                        f"\n  passed over: {json.dumps(p, ensure_ascii=False)}" for p in passed))
                    break
                if "bad frame" in got:
                    fail(f"{step[2]}\n  got a bad header line: {got['bad frame']!r}")
                    break
                if matches(expected, got, step[3]):
                    break
                passed.append(got)
                if "id" in got and "method" not in got:
                    fail(f"{step[2]}\n  got: {json.dumps(got, ensure_ascii=False)}")
                    break
        elif step[0] == "write":
            write_file(os.path.join(scratch, step[1]), step[2])
        elif step[0] == "check":
            with open(os.path.join(scratch, step[1]), "rb") as f:
                if f.read() != step[2]:
                    fail(f"@check {step[1]}: the file differs")
        elif step[0] == "exit open":
            try:
                status = process.wait(timeout=TIMEOUT)
            except subprocess.TimeoutExpired:
                status = "hang"
            if status != step[1]:
                fail(f"=open {step[1]}: exit status {status}")
        elif step[0] == "exit":
            process.stdin.close()
            try:
                status = process.wait(timeout=TIMEOUT)
            except subprocess.TimeoutExpired:
                process.kill()
                status = "hang"
            if status != step[1]:
                fail(f"= {step[1]}: exit status {status}")
            # Every reply was expected: only notifications may be left.
            while True:
                got = next_message()
                if got is None or got == "timeout":
                    break
                if "bad frame" in got:
                    fail(f"a bad header line: {got['bad frame']!r}")
                elif step[2] or ("id" in got and "method" not in got):
                    fail(f"an unexpected message: {json.dumps(got, ensure_ascii=False)}")
    if process.poll() is None:
        process.kill()
        process.wait()
    stderr = process.stderr.read().decode("utf-8", "replace")
    name = os.path.basename(transcript_path)
    if failures:
        print(f"FAIL {name}:\n" + "\n".join(failures) + "\n--- server log:\n" + stderr)
        return False
    print(f"ok   {name}")
    return True


def main():
    args = sys.argv[1:]
    drive = None
    if args and args[0].startswith("--drive="):
        drive = args.pop(0)[len("--drive="):]
    split = args.index("--")
    server, transcripts = args[:split], args[split + 1:]
    results = [run(server, t, drive) for t in transcripts]
    sys.exit(0 if all(results) else 1)


if __name__ == "__main__":
    main()
