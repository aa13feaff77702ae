#!/usr/bin/python3
# orbilane, the GTK program, end to end on a private desktop, used as a person
# would use it: xdotool clicks and types, and the window's texts, states,
# focus and layout are read through the accessibility interface.
#
#   orbilane-gtk-e2e.py BIN_DIR SCENARIO [SCREENSHOT.PNG]
#
# window   the window as its template says; Tab, typing, Enter, Esc, the close
#          box and Alt+F4; nothing left on the display
# titling  Start with COM1 at virtual-titler and quorvex-sim serving: the
#          timestamps at the titler and in the window, the refresh of the port
#          field, Stop, "abc" in the port field, the close while titling
# errors   the boxes of titling: no server, COM0, a server refusing
#          "-GetTimestamp", the server gone while titling
# Exits 77 (skipped) when a tool of the desktop is not installed.
import os
import sys

sys.dont_write_bytecode = True  # nothing of the test's lands in the source tree
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
LOST_SERVER = ("Lost the connection to Quorvex.  Titling has been stopped.  Make sure Quorvex is running and press "
               "Start to begin titling again.")


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


class Box:
    """A message box of the program, as the desktop shows it."""

    def __init__(self, desk, accessible):
        self.desk = desk
        self.accessible = accessible
        # GTK names a message dialog by its kind; the caption is its title.
        self.kind = accessible.get_name()
        labels = [a for a in desk.descendants(accessible) if a.get_role_name() == "label"]
        self.text = " | ".join(a.get_name() for a in labels if a.get_name())

    def press_ok(self):
        buttons = [a for a in self.desk.descendants(self.accessible)
                   if a.get_role_name() == "push button" and a.get_name().replace("_", "") == "OK"]
        if not buttons:
            raise Failure(f"the box '{self.text}' has no OK button")
        self.desk.click(buttons[0])
        wait_for(f"the box '{self.text}' closing", lambda: not self.desk.has_state(self.accessible, "SHOWING"))


def await_box(desk):
    def find():
        for window in desk.windows("orbilane"):
            if window.get_role_name() == "alert" and desk.has_state(window, "SHOWING"):
                return window
        return None
    return Box(desk, wait_for("a message box", find))


def box_titles(desk):
    return [t for t in desk.window_titles() if t != CAPTION]


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

    # Click into the port field, replace its 1 by 42 and press Enter: that
    # is Start, which does not close but tries COM42, which is no port here.
    desk.click(window.control(PORT))
    window.await_state(focus=PORT)
    desk.key("End", "BackSpace")
    desk.type("42")
    window.await_state(port="42")
    desk.key("Return")
    expect_box(checks, desk, "Enter with COM42", "Error", "Coult not initialize COM42. ERROR: 2",
               "COM Initialization Error")
    # Back in the port field, typing goes on there.
    window.await_state(focus=PORT)
    desk.type("3")
    window.await_state(port="423", caption=CAPTION, start=True, stop=False)
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


COMMANDS = ("init", "timestamp", "garbage")


class Titler:
    """virtual-titler as COM<number> of the program's configuration folder."""

    def __init__(self, desk, bin_dir, config_home, number):
        self.link = os.path.join(config_home, "orbilane", "dosdevices", f"com{number}")
        self.process = desk.start("virtual-titler", [os.path.join(bin_dir, "virtual-titler"), "--link", self.link])
        wait_for("virtual-titler's link", lambda: os.path.islink(self.link))

    def commands(self, kind):
        return [line for line in self.process.output() if line.split(" ")[0] == kind]

    def timestamps(self):
        return [int(line.split(" ")[1]) for line in self.commands("timestamp")]


def start_sim(desk, bin_dir, *options):
    sim = desk.start("quorvex-sim", [os.path.join(bin_dir, "quorvex-sim")] + list(options))
    wait_for("quorvex-sim listening", lambda: any(l.startswith("quorvex-sim query-port") for l in sim.output()))
    return sim


def scenario_titling(desk, bin_dir, screenshot):
    checks = Checks()
    config = os.path.join(desk.work, "config")
    start_sim(desk, bin_dir)
    titler = Titler(desk, bin_dir, config, 1)
    window = Orbilane(desk, bin_dir, config)
    window.await_state(focus=START)

    # Start: the titler is initialised, and the timestamps flow to it and
    # into the window.
    desk.click(window.control(START))
    window.await_state(start=False, stop=True)
    wait_for("the titler's init command", lambda: titler.commands("init"))
    wait_for("timestamps at the titler", lambda: len(titler.timestamps()) >= 3)
    shown = wait_for("a timestamp in the window", lambda: int(window.state()["timestamp"]))
    wait_for(f"the window's timestamp {shown} at the titler", lambda: shown in titler.timestamps())
    later = wait_for("the window's timestamp moving on",
                     lambda: int(window.state()["timestamp"]) > shown and int(window.state()["timestamp"]))
    checks.that("the titler's timestamps go forward", titler.timestamps() == sorted(titler.timestamps()))
    wait_for(f"the window's {later} at the titler", lambda: later in titler.timestamps())
    received = [line.split(" ")[0] for line in titler.process.output() if line.split(" ")[0] in COMMANDS]
    checks.same("the titler's first command", "init", received[0])
    checks.same("bytes at the titler that form no command", [], titler.commands("garbage"))
    checks.that("the line set to 9600 8N2", any(l.startswith("line 9600 8N2") for l in titler.process.output()))
    if screenshot:
        desk.screenshot(window.frame, screenshot)

    # A number typed while titling is replaced at the next refresh.
    desk.click(window.control(PORT))
    desk.key("End")
    desk.type("9")
    window.await_state(port="1")

    # Enter while Start is disabled does nothing: the default button is
    # disabled, and Enter is no close.
    window.await_state(focus=PORT)
    desk.key("Return")

    # Stop: Start again.
    desk.click(window.control(STOP))
    window.await_state(start=True, stop=False)
    checks.that("Enter while titling closed the window", window.process.running())
    stopped_at = len(titler.timestamps())
    # "abc" is refused, and Start goes on with COM1; the first refresh puts
    # the number back into the field.
    desk.click(window.control(PORT))
    desk.key("ctrl+a")
    desk.type("abc")
    window.await_state(port="abc")
    desk.click(window.control(START))
    expect_box(checks, desk, "abc", "Warning", "Enter an integer.", "Orbilane")
    window.await_state(start=False, stop=True, port="1")
    wait_for("timestamps again after the refused field", lambda: len(titler.timestamps()) > stopped_at + 2)

    # Closing while titling runs the close steps and ends the program.
    desk.key("Escape")
    checks.same("exit code after Esc while titling", 0, window.process.wait_exit())
    checks.same("windows left on the display", [], wait_for_no_windows(desk))
    return checks


def expect_box(checks, desk, what, kind, text, caption):
    box = await_box(desk)
    checks.same(f"box for {what}", (kind, text), (box.kind, box.text))
    checks.same(f"caption of the box for {what}", [caption], box_titles(desk))
    box.press_ok()


def scenario_errors(desk, bin_dir, screenshot):
    checks = Checks()
    config = os.path.join(desk.work, "config")
    titler = Titler(desk, bin_dir, config, 1)
    window = Orbilane(desk, bin_dir, config)
    window.await_state(focus=START)

    # "abc" in the port field is refused; Start goes on with COM1, where the
    # titler is initialised, and finds no server. The refused field keeps
    # the focus, its text selected.
    desk.click(window.control(PORT))
    desk.key("ctrl+a")
    desk.type("abc")
    window.await_state(port="abc")
    desk.click(window.control(START))
    expect_box(checks, desk, "abc", "Warning", "Enter an integer.", "Orbilane")
    expect_box(checks, desk, "no server", "Error",
               "Could not connect to Quorvex.  Make sure Quorvex is running and that Orbilane is on the same PC "
               "as Quorvex", "Quorvex Connection Error")
    window.await_state(start=True, stop=False, focus=PORT, port="abc")
    checks.same("the refused text selected", (0, 3), desk.selection(window.control(PORT)))
    checks.same("the titler initialised on COM1 before the connection", 1, len(titler.commands("init")))

    # COM0 is no port.
    desk.click(window.control(PORT))
    desk.key("ctrl+a")
    desk.type("0")
    window.await_state(port="0")
    desk.click(window.control(START))
    expect_box(checks, desk, "COM0", "Error", "Coult not initialize COM0. ERROR: 2", "COM Initialization Error")
    window.await_state(start=True, stop=False)

    # A server that refuses "-GetTimestamp": the box from the worker, and
    # titling stops.
    sim = start_sim(desk, bin_dir, "--fault", "timestamp-status=1")
    desk.click(window.control(PORT))
    desk.key("ctrl+a")
    desk.type("1")
    window.await_state(port="1")
    desk.click(window.control(START))
    expect_box(checks, desk, "a refused -GetTimestamp", "Error",
               "The version of Quorvex you are using does not support the -GetTimestamp command.  You must upgrade "
               "to the current version of Quorvex to use this program.", "Quorvex Connection Error")
    window.await_state(start=True, stop=False)
    sim.stop()

    # The server goes away while titling.
    sim = start_sim(desk, bin_dir)
    count = len(titler.timestamps())
    desk.click(window.control(START))
    window.await_state(start=False, stop=True)
    wait_for("timestamps at the titler", lambda: len(titler.timestamps()) > count + 2)
    sim.stop()
    expect_box(checks, desk, "the server gone", "Error", LOST_SERVER, "Quorvex Connection Error")
    window.await_state(start=True, stop=False)

    desk.close_by_window_manager(CAPTION)
    checks.same("exit code after the close box", 0, window.process.wait_exit())
    return checks


def wait_for_no_windows(desk):
    try:
        wait_for("no windows", lambda: not desk.window_titles())
    except Failure:
        pass
    return desk.window_titles()


SCENARIOS = {"window": scenario_window, "titling": scenario_titling, "errors": scenario_errors}


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
