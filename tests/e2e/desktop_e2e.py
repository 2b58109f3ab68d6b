#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The real program on a real (virtual) desktop, driven only as a user's assistive
technology would drive it: through the accessibility bus (AT-SPI) and the X clipboard.

On a fresh home it adds a key through the key dialog, encrypts a text with umlauts, checks
the armour on the clipboard, decrypts it back and reads the key's checksum from the key
details window. Exits 77 (reported by CTest as skipped) when a tool it needs is missing.

usage: desktop_e2e.py PATH_TO_TESSAMAIL
"""
import hashlib
import importlib.util
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIP = 77
TIMEOUT = int(os.environ.get("TSM_E2E_TIMEOUT", "180"))  # seconds for any one step; key derivation is slow under load

KEY = "Tall trees whisper softly 2026"
TARGET = "ann@example.org"
TEXT = "Grüße aus München: Äpfel, Öl und Übermaß für 5 €"


def skip(why):
    print(f"SKIPPED: {why}")
    sys.exit(SKIP)


DUMP = []  # set to a function that prints the accessibility tree, once it can


def fail(why):
    print(f"FAILED: {why}")
    for dump in DUMP:
        dump()
    sys.exit(1)


def checksum(key):
    """The four-digit key checksum, written out from the key rules: MD5 of the reduced
    key's Windows-1252 bytes, eight 16-bit-ish pairs summed, modulo 8999, plus 1001."""
    reduced = "".join(c for c in key if ord(c) > 32).upper()
    d = hashlib.md5(reduced.encode("cp1252")).digest()
    total = sum(d[i] * 65536 + d[i + 1] for i in range(0, 16, 2))
    return total % 8999 + 1001


def need_tools():
    for tool in ("Xvfb", "dbus-launch", "xclip"):
        if not shutil.which(tool):
            skip(f"{tool} is not installed")
    if not any(os.path.exists(p) for p in ("/usr/libexec/at-spi-bus-launcher",
                                           "/usr/lib/at-spi2-core/at-spi-bus-launcher")):
        skip("at-spi2-core is not installed")
    # Only looked for here: importing it before the display is up would tie it to none.
    if importlib.util.find_spec("pyatspi") is None:
        skip("python3-pyatspi is not installed")


def wait_for(what, probe, timeout=TIMEOUT, interval=0.2):
    """Polls probe() until it returns something true; fails with what after timeout."""
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        try:
            value = probe()
        except Exception:  # the tree changes under us while windows come and go
            value = None
        if value:
            return value
        time.sleep(interval)
    fail(f"timed out waiting for {what}")


def start_display(env):
    r, w = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-screen", "0", "1024x768x24",
                             "-nolisten", "tcp"], pass_fds=(w,), env=env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(w)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(r, 16)
        if not chunk:
            fail("Xvfb did not start")
        number += chunk
    os.close(r)
    return xvfb, ":" + number.decode().strip()


def start_session_bus(env):
    out = subprocess.run(["dbus-launch", "--sh-syntax"], env=env, capture_output=True,
                         text=True, check=True).stdout
    values = {}
    for line in out.splitlines():
        if "=" in line:
            name, value = line.split("=", 1)
            values[name.strip()] = value.strip().rstrip(";").strip("'")
    return values["DBUS_SESSION_BUS_ADDRESS"], int(values["DBUS_SESSION_BUS_PID"])


def clipboard(env):
    # Qt offers UTF8_STRING; xclip would ask for STRING.
    r = subprocess.run(["xclip", "-o", "-selection", "clipboard", "-t", "UTF8_STRING"],
                       env=env, capture_output=True, timeout=10)
    return r.stdout.decode("utf-8", "replace") if r.returncode == 0 else ""


def main():
    if len(sys.argv) != 2:
        fail(__doc__)
    program = os.path.abspath(sys.argv[1])
    need_tools()

    home = tempfile.mkdtemp(prefix="tsm-e2e-")
    env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": home,
           "XDG_DATA_HOME": f"{home}/data", "XDG_CONFIG_HOME": f"{home}/config",
           "XDG_CACHE_HOME": f"{home}/cache", "XDG_RUNTIME_DIR": f"{home}/run",
           "LANG": "C.UTF-8", "LC_ALL": "C.UTF-8"}
    os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)
    procs = []
    bus_pid = None
    try:
        xvfb, display = start_display(env)
        procs.append(xvfb)
        env["DISPLAY"] = display
        env["DBUS_SESSION_BUS_ADDRESS"], bus_pid = start_session_bus(env)
        # This process reads the accessibility tree of that display and session.
        os.environ.update(env)
        # Qt joins the accessibility bus without waiting for a desktop setting to ask.
        app_env = dict(env, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                       QT_ACCESSIBILITY="1")
        tessamail = subprocess.Popen([program], env=app_env, cwd=home)
        procs.append(tessamail)
        run(env, tessamail)
        print("PASSED")
    finally:
        for p in reversed(procs):
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(10)
                except subprocess.TimeoutExpired:
                    p.kill()
        if bus_pid:
            try:
                os.kill(bus_pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
        shutil.rmtree(home, ignore_errors=True)


def run(env, tessamail):
    import pyatspi

    def application():
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name.lower() == "tessamail":
                return app
        return None

    def find_all(root, pred):
        found = []

        def walk(node, depth):
            if node is None or depth > 40:
                return
            try:
                if pred(node):
                    found.append(node)
                for i in range(node.childCount):
                    walk(node.getChildAtIndex(i), depth + 1)
            except Exception:
                pass

        walk(root, 0)
        return found

    def showing(node):
        return node.getState().contains(pyatspi.STATE_SHOWING)

    def find(role, name=None, startswith=None, within=None):
        def pred(n):
            if n.getRole() != role or not showing(n):
                return False
            if name is not None and n.name != name:
                return False
            if startswith is not None and not n.name.startswith(startswith):
                return False
            return True

        hits = find_all(within or application(), pred)
        return hits[0] if hits else None

    def press(node):
        action = node.queryAction()
        for i in range(action.nActions):
            if action.getName(i) in ("Press", "press", "click", "Toggle", "toggle"):
                action.doAction(i)
                return
        action.doAction(0)

    def window(name_part):
        def probe():
            for w in application():
                if w is not None and name_part in w.name and showing(w):
                    return w
            return None
        return wait_for(f"a window named like '{name_part}'", probe)

    def text_of(node):
        t = node.queryText()
        return t.getText(0, -1)

    def set_text(node, value):
        node.queryEditableText().setTextContents(value)

    def dismiss_message_box(expect=None):
        """Presses OK (or No) in the message box that is up; returns its text."""
        box = wait_for("a message box", lambda: next(
            (w for w in application() if w is not None and showing(w)
             and find(pyatspi.ROLE_PUSH_BUTTON, "OK", within=w)), None))
        labels = [n.name for n in find_all(box, lambda n: n.getRole() == pyatspi.ROLE_LABEL)
                  if n.name]
        press(find(pyatspi.ROLE_PUSH_BUTTON, "OK", within=box))
        return " ".join(labels)

    def dump():
        def walk(node, depth):
            if node is None or depth > 12:
                return
            try:
                print("  " * depth + f"{node.getRoleName()} {node.name!r}")
                for i in range(node.childCount):
                    walk(node.getChildAtIndex(i), depth + 1)
            except Exception:
                pass
        walk(application(), 0)

    DUMP.append(dump)
    wait_for("the program on the accessibility bus", application)
    # The windows are the application's children; the main window's name is its caption.
    main = wait_for("the main window", lambda: next(
        (w for w in application() if w is not None and w.name.startswith("Tessamail ")
         and showing(w)), None))
    print(f"main window: {main.name}")
    if main.getRole() != pyatspi.ROLE_FRAME:
        fail(f"the main window reports the role {main.getRoleName()}, not frame")

    # What a screen reader meets must say what it is: every control a user can reach or
    # act on carries a name, and so does every separator.
    def unnamed_controls(root):
        def interactive(n):
            states = n.getState()
            if not states.contains(pyatspi.STATE_SHOWING):
                return False
            if n.getRole() == pyatspi.ROLE_SEPARATOR:
                return True
            if states.contains(pyatspi.STATE_FOCUSABLE):
                return True
            try:
                return n.queryAction().nActions > 0
            except NotImplementedError:
                return False
        return [f"{n.getRoleName()} in {n.parent.getRoleName() if n.parent else '?'} "
                f"{n.parent.name if n.parent else ''!r}"
                for n in find_all(root, lambda n: interactive(n) and not n.name.strip())]

    def check_names(root, where):
        missing = unnamed_controls(root)
        if missing:
            fail(f"unnamed elements in {where}: {missing}")

    check_names(main, "the main window")

    # Add a key through the key dialog.
    press(wait_for("Add key", lambda: find(pyatspi.ROLE_PUSH_BUTTON, "Add key")))
    dialog = window("Add key")
    edits = wait_for("the key dialog's boxes", lambda: [e for e in find_all(
        dialog, lambda n: n.getRole() in (pyatspi.ROLE_TEXT, pyatspi.ROLE_PASSWORD_TEXT,
                                          pyatspi.ROLE_ENTRY) and showing(n))] or None)
    by_name = {e.name: e for e in edits}
    target = next(e for n, e in by_name.items() if "mail" in n.lower())
    key_box = next(e for e in edits if e is not target and "date" not in e.name.lower())
    set_text(target, TARGET)
    set_text(key_box, KEY)
    # The checksum is told with the key box, where the screen reader is.
    wait_for("the checksum announced with the key box", lambda: str(checksum(KEY))
             in key_box.description)
    check_names(dialog, "the key dialog")
    press(wait_for("Yes", lambda: find(pyatspi.ROLE_PUSH_BUTTON, "Yes", within=dialog)))
    wait_for("the key in the list", lambda: find(pyatspi.ROLE_COMBO_BOX) and
             KEY in find(pyatspi.ROLE_COMBO_BOX).name)

    # Encrypt a text with umlauts; the armour arrives on the X clipboard.
    text_box = find(pyatspi.ROLE_TEXT, within=main) or find(pyatspi.ROLE_TEXT)
    edits = find_all(main, lambda n: n.getRole() == pyatspi.ROLE_TEXT and showing(n)
                     and n.getState().contains(pyatspi.STATE_MULTI_LINE))
    text_box = edits[0] if edits else text_box
    set_text(text_box, TEXT)
    wait_for("the text in the text box", lambda: text_of(text_box) == TEXT)
    before = clipboard(env)
    press(find(pyatspi.ROLE_PUSH_BUTTON,
               "Encrypt message using current key and copy to clipboard"))
    # The program reports the encryption in message boxes; the clipboard is filled while
    # they come and go.
    reports = []

    def answer_reports():
        """Presses OK in every message box that is up, keeping what they said. A progress
        window (Cancel only) is left alone."""
        for w in application():
            if w is not None and w is not main and showing(w):
                ok = find(pyatspi.ROLE_PUSH_BUTTON, "OK", within=w)
                if ok:
                    reports.append(" ".join(n.name for n in find_all(
                        w, lambda n: n.getRole() == pyatspi.ROLE_LABEL) if n.name))
                    press(ok)
                    time.sleep(0.5)

    def armour_or_ok():
        c = clipboard(env)
        if c != before and "TessamailMessageEnd" in c:
            return c
        answer_reports()
        return None

    armour = wait_for("the armour on the clipboard", armour_or_ok)
    lines = armour.replace("\r\n", "\n").split("\n")
    if lines[0] != "TessamailMessageBegin" or lines[-1] != "TessamailMessageEnd":
        fail(f"armour not framed by its markers: {lines[0]!r} … {lines[-1]!r}")
    if not lines[-2].startswith("=") or any(len(l) > 64 for l in lines[1:-2]):
        fail("armour lines are not as written by the program")
    if TEXT in armour or "München" in armour:
        fail("the plain text is on the clipboard")
    reports.append(dismiss_message_box())
    print(f"encryption reports: {reports}")
    if not any(f"({len(armour)} bytes)" in r for r in reports):
        fail(f"no report gives the size of the armour, {len(armour)} bytes")

    # Decrypt it back in decrypt mode, the whole mail copied from another program a moment
    # before the click, as a user does.
    press(find(pyatspi.ROLE_RADIO_BUTTON, "Decrypt message on clipboard"))
    wait_for("decrypt mode", lambda: find(pyatspi.ROLE_RADIO_BUTTON,
             "Decrypt message on clipboard").getState().contains(pyatspi.STATE_CHECKED))
    mail = "Hello Ann,\r\n\r\n" + armour + "\r\n\r\n-- \r\nBob\r\n"
    copier = subprocess.Popen(["xclip", "-i", "-selection", "clipboard"],
                              env=env, stdin=subprocess.PIPE)
    copier.communicate(mail.encode(), timeout=10)
    wait_for("the mail on the clipboard", lambda: clipboard(env) == mail)
    time.sleep(1.5)
    clicked = time.monotonic()
    press(find(pyatspi.ROLE_PUSH_BUTTON,
               "Copy message from clipboard and decrypt using current key"))
    reports.clear()
    wait_for("the decrypted text", lambda: text_of(text_box) == TEXT or answer_reports(),
             interval=0.02)
    print(f"decrypted text shown {time.monotonic() - clicked:.2f} s after the click "
          "(the key was derived while the mail waited on the clipboard)")
    # The report of the decryption, if it is still up.
    time.sleep(1)
    answer_reports()

    # The checksum as the key details window shows it to a screen reader.
    press(find(pyatspi.ROLE_PUSH_BUTTON, "Show key details"))
    details = window("Key details")
    check_names(details, "the key details window")
    label = wait_for("the checksum value", lambda: find_all(
        details, lambda n: n.getRole() == pyatspi.ROLE_LABEL and n.name.startswith("Checksum:")
        and any(c.isdigit() for c in n.name)))[0]
    shown = int("".join(c for c in label.name if c.isdigit()))
    if shown != checksum(KEY):
        fail(f"key details show checksum {shown}, the key's checksum is {checksum(KEY)}")
    print(f"checksum read from the key details window: {shown}")
    press(find(pyatspi.ROLE_PUSH_BUTTON, "Close", within=details))

    # The help window is a frame of its own, named in full.
    press(find(pyatspi.ROLE_PUSH_BUTTON, "Help"))
    help_window = window("Help")
    if help_window.getRole() != pyatspi.ROLE_FRAME:
        fail(f"the help window reports the role {help_window.getRoleName()}, not frame")
    check_names(help_window, "the help window")
    press(find(pyatspi.ROLE_PUSH_BUTTON, "Close", within=help_window))

    # Quit: the key list was not stored, so the program asks; No ends it.
    press(wait_for("Quit", lambda: find(pyatspi.ROLE_PUSH_BUTTON, "Quit")))
    box = wait_for("the quit question", lambda: find(pyatspi.ROLE_PUSH_BUTTON, "No"))
    press(box)
    try:
        code = tessamail.wait(TIMEOUT)
    except subprocess.TimeoutExpired:
        fail("the program did not end after Quit")
    if code != 0:
        fail(f"the program ended with {code}")
    if not os.path.isfile(os.path.join(env["XDG_CONFIG_HOME"], "Tessamail", "window.ini")):
        fail("the window's place was not saved on quitting")


if __name__ == "__main__":
    main()
