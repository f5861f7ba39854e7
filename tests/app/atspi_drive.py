#!/usr/bin/python3
"""Drives the real Orvelle window as a screen-reader user's tools see it.

Runs inside a private X server and session bus (atspi_test.sh): starts the
program, finds its window over AT-SPI, chooses Converter and WAV by their
accessible names, adds a file through Add File and the file dialog, presses
Start and waits until the row's Status reads "Finish" and the output folder
is opened. Each wait is for a state of the accessibility tree, looked at
again until it holds or the program's patience runs out.
"""
import math
import os
import struct
import subprocess
import sys
import time
import wave

import pyatspi

PATIENCE = 60  # seconds for any one state to be reached


def fail(message):
    print("FAILED:", message, flush=True)
    sys.exit(1)


def wait_for(what, probe):
    deadline = time.monotonic() + PATIENCE
    while time.monotonic() < deadline:
        try:
            found = probe()
        except Exception:  # a node that went away while we looked counts as not yet
            found = None
        if found:
            return found
        time.sleep(0.05)
    fail("timed out waiting for " + what)


def find(root, role, name):
    return pyatspi.findDescendant(
        root, lambda node: node is not None and node.getRoleName() == role and node.name == name,
        breadth_first=True)


def frame_of(orvelle, title, holding=None):
    """The program's top-level window of that title (and holding that child)."""
    if orvelle.poll() is not None:
        fail("Orvelle ended early with %s" % orvelle.returncode)
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "Orvelle":
            for frame in app:
                if frame is not None and frame.name == title and (
                        holding is None or find(frame, *holding)):
                    return frame
    return None


def press(node):
    actions = node.queryAction()
    names = [actions.getName(i) for i in range(actions.nActions)]
    for wanted in ("Press", "press", "click", "Toggle"):
        if wanted in names:
            actions.doAction(names.index(wanted))
            return
    fail("%s %r has no press action (%s)" % (node.getRoleName(), node.name, names))


def choose(window, role, name):
    node = wait_for("the %s choice" % name, lambda: find(window, role, name))
    press(node)
    wait_for(name + " chosen",
             lambda: pyatspi.STATE_CHECKED in node.getState().getStates())


def main():
    program, home = sys.argv[1], sys.argv[2]
    source = os.path.join(home, "in", "tone.wav")
    output = os.path.join(home, "out")
    for folder in ("in", "out", "config", "cache"):
        os.makedirs(os.path.join(home, folder), exist_ok=True)
    with wave.open(source, "wb") as tone:  # a second of 440 Hz
        tone.setnchannels(2)
        tone.setsampwidth(2)
        tone.setframerate(44100)
        tone.writeframes(b"".join(
            struct.pack("<hh", s, s)
            for s in (int(12000 * math.sin(2 * math.pi * 440 * i / 44100)) for i in range(44100))))
    with open(os.path.join(home, "config", "Orvelle.ini"), "w") as ini:
        ini.write("[Drives]\nNoDriveAsked=1\n[Main]\nFunction=0\nFormat=0\nPath=%s\n" % output)
    env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(home, "config"),
               XDG_CACHE_HOME=os.path.join(home, "cache"),
               XDG_RUNTIME_DIR=os.path.join(home, "run"),
               QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb")
    env.pop("QT_QPA_PLATFORMTHEME", None)
    with open(os.path.join(home, "program.log"), "w") as log:
        orvelle = subprocess.Popen([program], env=env, stdout=log, stderr=log)
    try:
        drive(orvelle, source, output)
    finally:
        if orvelle.poll() is None:
            orvelle.terminate()
            try:
                orvelle.wait(30)
            except subprocess.TimeoutExpired:
                orvelle.kill()
                orvelle.wait()
    if orvelle.returncode != 0:
        fail("Orvelle exited with %s" % orvelle.returncode)
    print("PASSED: the window was driven through AT-SPI to a finished row", flush=True)


def drive(orvelle, source, output):
    window = wait_for("the window with its skin's Start button",
                      lambda: frame_of(orvelle, "Orvelle", ("push button", "Start")))
    choose(window, "radio button", "Converter")
    choose(window, "radio button", "WAV")

    press(find(window, "push button", "Add File"))
    dialog = wait_for("the Add File dialog", lambda: frame_of(orvelle, "Add File"))
    name = wait_for("the dialog's file name field", lambda: find(dialog, "text", "File name:"))
    name.queryEditableText().setTextContents(source)
    wait_for("the typed name", lambda: name.queryText().getText(0, -1) == source)
    press(find(dialog, "push button", "Open"))

    table = wait_for("the track and file list", lambda: find(window, "table", "Tracks and Files"))
    wait_for("the file's row", lambda: find(table, "table cell", "tone.wav"))
    press(find(window, "push button", "Start"))
    wait_for('the row\'s Status "Finish"', lambda: find(table, "table cell", "Finish"))
    target = os.path.join(output, "tone.wav")
    if not os.path.isfile(target) or os.path.getsize(target) < 44100 * 4:
        fail("no whole output at " + target)
    # The job's end opens the folder, through the stand-in xdg-open of atspi_test.sh.
    opened = os.path.join(os.path.dirname(output), "opened")
    wait_for("the output folder opened", lambda: os.path.exists(opened) and "file://" + output in [
        url.rstrip("/") for url in open(opened).read().split()])


if __name__ == "__main__":
    main()
