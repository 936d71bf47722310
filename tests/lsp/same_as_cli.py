#!/usr/bin/env python3
"""Checks that the language server reports what the command line reports.

Each folder given is copied whole; every script (".erm") of every mod in it
(a folder with a zunt.toml) is translated by the command line and opened in
the server; the messages of both, by file, line, column, severity and text
(with its paths made plain), must be the same; and so must the map of each
mod's variables, as `zunt --vars` prints it in the mod's folder and as the
server's command zunt.variables gives it.
Usage: same_as_cli.py ZUNT FOLDER...
"""
import glob
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import urllib.parse

MESSAGE = re.compile(r"^(.+?):(\d+):(\d+): (error|warning|note): (.*?)( \[-W[a-z0-9-]+\])?$")
SEVERITY = {1: "error", 2: "warning", 3: "note"}


def plain(text):
    """Takes the "name/.." pairs out of the paths in a message."""
    while True:
        shorter = re.sub(r"[^/\s(]+/\.\./", "", text)
        if shorter == text:
            return text
        text = shorter


def cli_messages(zunt, script):
    run = subprocess.run([zunt, script], cwd=os.path.dirname(script), capture_output=True,
                         timeout=60)
    found = set()
    for line in run.stderr.decode("utf-8").splitlines():
        match = MESSAGE.match(line)
        if match:
            path = os.path.normpath(os.path.join(os.path.dirname(script), match[1]))
            found.add((path, int(match[2]), int(match[3]), match[4], plain(match[5])))
    return found


def frame(message):
    body = json.dumps(message, ensure_ascii=False).encode("utf-8")
    return b"Content-Length: %d\r\n\r\n" % len(body) + body


def read_message(stream):
    length = None
    while True:
        line = stream.readline()
        if not line:
            return None
        line = line.strip()
        if not line:
            break
        name, _, value = line.partition(b":")
        if name.lower() == b"content-length":
            length = int(value)
    return json.loads(stream.read(length).decode("utf-8"))


def server_messages(zunt, script):
    """Opens the script alone in a fresh server; returns its diagnostics, by file."""
    with open(script, "rb") as f:
        text = f.read().decode("cp1251")
    uri = "file://" + urllib.parse.quote(script)
    messages = [
        {"jsonrpc": "2.0", "id": 1, "method": "initialize", "params": {"capabilities": {}}},
        {"jsonrpc": "2.0", "method": "textDocument/didOpen", "params": {"textDocument": {
            "uri": uri, "languageId": "erm", "version": 1, "text": text}}},
        {"jsonrpc": "2.0", "id": 2, "method": "shutdown"},
        {"jsonrpc": "2.0", "method": "exit"},
    ]
    server = subprocess.Popen([zunt, "--lsp"], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    server.stdin.write(b"".join(frame(m) for m in messages))
    server.stdin.close()
    found = set()
    while (message := read_message(server.stdout)) is not None:
        if message.get("method") != "textDocument/publishDiagnostics":
            continue
        path = urllib.parse.unquote(message["params"]["uri"][len("file://"):])
        for item in message["params"]["diagnostics"]:
            if item.get("code") in ("unwritable-character", "latin1-text"):
                continue  # about the editor's text: the command line reads bytes
            start = item["range"]["start"]
            found.add((os.path.normpath(path), start["line"] + 1, start["character"] + 1,
                       SEVERITY[item["severity"]], plain(item["message"])))
            for note in item.get("relatedInformation", []):
                place = note["location"]
                start = place["range"]["start"]
                found.add((os.path.normpath(urllib.parse.unquote(place["uri"][len("file://"):])),
                           start["line"] + 1, start["character"] + 1, "note", plain(note["message"])))
    server.wait(timeout=60)
    return found


def server_variables(zunt, script):
    """Asks a fresh server for the map of the variables of a script's mod."""
    uri = "file://" + urllib.parse.quote(script)
    messages = [
        {"jsonrpc": "2.0", "id": 1, "method": "initialize", "params": {"capabilities": {}}},
        {"jsonrpc": "2.0", "id": 2, "method": "workspace/executeCommand",
         "params": {"command": "zunt.variables", "arguments": [uri]}},
        {"jsonrpc": "2.0", "id": 3, "method": "shutdown"},
        {"jsonrpc": "2.0", "method": "exit"},
    ]
    server = subprocess.Popen([zunt, "--lsp"], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    server.stdin.write(b"".join(frame(m) for m in messages))
    server.stdin.close()
    text = None
    while (message := read_message(server.stdout)) is not None:
        if message.get("id") == 2:
            text = message.get("result", {}).get("text", message)
    server.wait(timeout=60)
    return text


def same_variables(zunt, mod, script, name):
    cli = subprocess.run([zunt, "--vars"], cwd=mod, capture_output=True, timeout=60)
    server = server_variables(zunt, script)
    if cli.stdout.decode("utf-8") == server:
        print(f"ok   {name}: the map of its variables")
        return True
    print(f"FAIL {name}: the map of its variables\n--- zunt --vars:\n{cli.stdout.decode()}"
          f"--- zunt.variables:\n{server}")
    return False


def main():
    zunt, mods = os.path.abspath(sys.argv[1]), sys.argv[2:]
    failed = False
    for given in mods:
        folder = os.path.join(tempfile.mkdtemp(prefix="zunt-same-"), os.path.basename(given))
        shutil.copytree(given, folder)
        for settings in sorted(glob.glob(os.path.join(folder, "**", "zunt.toml"), recursive=True)):
            mod = os.path.dirname(settings)
            scripts = sorted(glob.glob(os.path.join(mod, "**", "*.erm"), recursive=True))
            scripts = [s for s in scripts if "build" not in os.path.relpath(s, mod).split(os.sep)]
            if scripts and not same_variables(zunt, mod, scripts[0],
                                              os.path.relpath(mod, os.path.dirname(folder))):
                failed = True
            for script in sorted(glob.glob(os.path.join(mod, "**", "*.erm"), recursive=True)):
                if "build" in os.path.relpath(script, mod).split(os.sep):
                    continue  # translated already
                name = os.path.relpath(script, os.path.dirname(folder))
                cli = cli_messages(zunt, script)
                server = server_messages(zunt, script)
                if cli != server:
                    failed = True
                    print(f"FAIL {name}")
                    for item in sorted(cli - server):
                        print("  only the command line:", item)
                    for item in sorted(server - cli):
                        print("  only the server:      ", item)
                else:
                    print(f"ok   {name}: {len(cli)} messages")
        shutil.rmtree(os.path.dirname(folder))
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
