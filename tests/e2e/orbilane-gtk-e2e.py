#!/usr/bin/python3
# orbilane, the GTK program, end to end on a private desktop, used as a person
# would use it: xdotool clicks and types, and the window's texts, states,
# focus and layout are read through the accessibility interface.
#
#   orbilane-gtk-e2e.py BIN_DIR SCENARIO [SCREENSHOT.PNG]
#
# window   the window as its template says; Tab, typing, Enter, Esc, the close
#          box and Alt+F4; nothing left on the display
# Exits 77 (skipped) when a tool of the desktop is not installed.
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import gtkdesk  # noqa: E402
from gtkdesk import Failure, wait_for  # noqa: E402

CAPTION = "Tamberlow Orbilane v1.10"
USAGE = ("Begin by starting up the Tamberlow Quorvex Data Aquisition Software.  Begin Aquisition on the software and "
         "then start and stop timestamp titling by clicking on the start and stop buttons above.")
TIMESTAMP, START, STOP, PORT = "1003", "1004", "1005", "1006"

# Dialog template 102 in template order: role, id, text, x, y, width, height
# in dialog units.
TEMPLATE = [
    ("label", "", "TimeStamp:", 5, 13, 38, 8),
    ("push button", START, "Start", 142, 11, 52, 12),
    ("push button", STOP, "Stop", 142, 27, 52, 12),
    ("label", "", "Com/Serial Port Number", 5, 29, 77, 8),
    ("text", PORT, "1", 83, 27, 28, 12),
    ("panel", "", "Horita SCT-50 ", 2, 0, 197, 44),
    ("panel", "", "Program Usage", 2, 44, 197, 47),
    ("label", "", USAGE, 8, 56, 185, 34),
    ("label", TIMESTAMP, "0", 45, 13, 92, 8),
]
CLIENT_WIDTH, CLIENT_HEIGHT = 202, 95


def mul_div(a, b, c):
    return (a * b + c // 2) // c


class Orbilane:
    """The program and its window, as the desktop shows it."""

    def __init__(self, desk, bin_dir, config_home):
        self.desk = desk
        env = dict(os.environ, XDG_CONFIG_HOME=config_home)
        self.process = desk.start("orbilane", [os.path.join(bin_dir, "orbilane")], env)
        self.frame = wait_for("a window captioned '" + CAPTION + "'", self._find_frame)

    def _find_frame(self):
        for window in self.desk.windows("orbilane"):
            if window.get_name() == CAPTION and window.get_role_name() == "frame":
                return window
        return None

    def client(self):
        """The area inside the frame that holds the controls."""
        return self.desk.children(self.frame)[0]

    def controls(self):
        return self.desk.children(self.client())

    def control(self, control_id):
        for accessible in self.controls():
            if accessible.get_accessible_id() == control_id:
                return accessible
        raise Failure(f"no control {control_id}")

    def state(self):
        focus = [c.get_accessible_id() for c in self.controls() if self.desk.has_state(c, "FOCUSED")]
        return {
            "caption": self.frame.get_name(),
            "timestamp": self.desk.text(self.control(TIMESTAMP)),
            "port": self.desk.text(self.control(PORT)),
            "start": self.desk.has_state(self.control(START), "SENSITIVE"),
            "stop": self.desk.has_state(self.control(STOP), "SENSITIVE"),
            "focus": focus[0] if focus else None,
        }

    def await_state(self, **want):
        def matches():
            state = self.state()
            return state if all(state[k] == v for k, v in want.items()) else None
        try:
            return wait_for(f"window state {want}", matches)
        except Failure:
            raise Failure(f"window state is {self.state()}, expected {want}")


class Checks:
    def __init__(self):
        self.failures = []

    def same(self, what, want, got):
        if want != got:
            self.failures.append(f"{what}: expected {want!r}, got {got!r}")

    def that(self, what, condition):
        if not condition:
            self.failures.append(what)


def check_layout(checks, desk, window):
    """Every control where the template puts it, converted with the base
    units that the window's own size gives away."""
    _, _, width, height = desk.window_rect(window.client())
    base_x = round(width * 4 / CLIENT_WIDTH)
    base_y = round(height * 8 / CLIENT_HEIGHT)
    checks.same("client size", (mul_div(CLIENT_WIDTH, base_x, 4), mul_div(CLIENT_HEIGHT, base_y, 8)), (width, height))
    got = []
    for accessible in window.controls():
        got.append((accessible.get_role_name(), accessible.get_accessible_id(), desk.text(accessible))
                   + desk.window_rect(accessible))
    want = [(role, cid, text, mul_div(x, base_x, 4), mul_div(y, base_y, 8), mul_div(w, base_x, 4),
             mul_div(h, base_y, 8)) for role, cid, text, x, y, w, h in TEMPLATE]
    checks.same("controls in template order, with their places", want, got)


def scenario_window(desk, bin_dir, screenshot):
    checks = Checks()
    config = os.path.join(desk.work, "config")

    # --- first run: what the window shows, Tab, typing, Enter, Esc ----------
    window = Orbilane(desk, bin_dir, config)
    checks.same("opening state", {"caption": CAPTION, "timestamp": "0", "port": "1", "start": True, "stop": False,
                                  "focus": START}, window.await_state(focus=START))
    check_layout(checks, desk, window)
    if screenshot:
        desk.screenshot(window.frame, screenshot)

    # Tab goes by the template, past the disabled Stop, and round again.
    desk.key("Tab")
    window.await_state(focus=PORT)
    checks.same("port field's text selected on Tab", (0, 1), desk.selection(window.control(PORT)))
    desk.key("Tab")
    window.await_state(focus=START)
    desk.key("shift+Tab")
    window.await_state(focus=PORT)

    # Click into the port field, replace its 1 by 42, press Enter (Start,
    # which does not close), then type 3: once the 3 is in, Enter has been
    # handled too.
    desk.click(window.control(START))
    window.await_state(focus=START)
    desk.click(window.control(PORT))
    window.await_state(focus=PORT)
    desk.key("End", "BackSpace")
    desk.type("42")
    window.await_state(port="42")
    desk.key("Return")
    desk.type("3")
    window.await_state(port="423", caption=CAPTION)
    checks.that("Enter closed the window", window.process.running())

    # Esc is cancel, which runs the close steps.
    desk.key("Escape")
    checks.same("exit code after Esc", 0, window.process.wait_exit())

    # --- the close box, through the window manager --------------------------
    window = Orbilane(desk, bin_dir, config)
    window.await_state(focus=START)
    desk.close_by_window_manager(CAPTION)
    checks.same("exit code after the close box", 0, window.process.wait_exit())

    # --- Alt+F4 --------------------------------------------------------------
    window = Orbilane(desk, bin_dir, config)
    window.await_state(focus=START)
    desk.key("alt+F4")
    checks.same("exit code after Alt+F4", 0, window.process.wait_exit())

    # --- nothing left behind -------------------------------------------------
    checks.same("windows left on the display", [], wait_for_no_windows(desk))
    checks.that("the program wrote to its terminal: " + "\n".join(window.process.output()),
                not window.process.output())
    return checks


def wait_for_no_windows(desk):
    try:
        wait_for("no windows", lambda: not desk.window_titles())
    except Failure:
        pass
    return desk.window_titles()


SCENARIOS = {"window": scenario_window}


def main():
    if len(sys.argv) < 3 or sys.argv[2] not in SCENARIOS:
        print(f"usage: {sys.argv[0]} BIN_DIR {'|'.join(SCENARIOS)} [SCREENSHOT.PNG]")
        return 2
    gtkdesk.run_in_private_bus()
    bin_dir, scenario = sys.argv[1], sys.argv[2]
    screenshot = sys.argv[3] if len(sys.argv) > 3 else None
    desk = gtkdesk.Desktop()
    try:
        checks = SCENARIOS[scenario](desk, bin_dir, screenshot)
    except Failure as failure:
        checks = Checks()
        checks.failures.append(str(failure))
    finally:
        outputs = [(p.name, p.output()) for p in desk.processes]
        desk.close()
    if checks.failures:
        for failure in checks.failures:
            print("FAILED: " + failure)
        for name, lines in outputs:
            if lines:
                print(f"--- {name}:")
                print("\n".join(lines))
        return 1
    print(f"orbilane end to end, {scenario}: all as expected")
    return 0


if __name__ == "__main__":
    sys.exit(main())
