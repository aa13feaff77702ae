# A private desktop for the GTK program's end-to-end tests: an Xvfb display
# of its own, a window manager (so the window gets its frame, the focus and a
# close box), a private D-Bus session with the accessibility bus, and the
# means a person has: xdotool for the mouse and the keys, and what the window
# shows read through the accessibility interface (AT-SPI), as a screen reader
# reads it. Nothing here changes the program.
import faulthandler
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

SKIP = 77  # ctest's SKIP_RETURN_CODE

# Bounded waits: what a person would see within a few seconds, polled.
POLL_STEPS = 150
POLL_STEP_S = 0.1


class Failure(Exception):
    pass


def run_in_private_bus():
    """Runs this script again inside a D-Bus session of its own, unless it is
    already in one, so AT-SPI talks to nothing but the program under test."""
    if os.environ.get("ORB_E2E_PRIVATE_BUS") == "1":
        # ctest's time-out (or an interrupt) ends the test through its clean-up.
        signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
        if os.environ.get("ORB_E2E_TRACE"):
            faulthandler.dump_traceback_later(int(os.environ["ORB_E2E_TRACE"]), exit=True)
        return
    for tool in ("Xvfb", "dbus-run-session", "xdotool", "openbox", "wmctrl", "import"):
        if shutil.which(tool) is None:
            print(f"SKIPPED: {tool} is not installed (scripts/deps installs it)")
            sys.exit(SKIP)
    env = dict(os.environ, ORB_E2E_PRIVATE_BUS="1")
    env.pop("DBUS_SESSION_BUS_ADDRESS", None)
    env.pop("AT_SPI_BUS_ADDRESS", None)
    # The accessibility bus keeps its socket under XDG_RUNTIME_DIR: a folder of
    # its own, so desktops of tests running side by side never meet.
    with tempfile.TemporaryDirectory(prefix="orb-e2e-run-") as runtime:
        os.chmod(runtime, 0o700)
        env["XDG_RUNTIME_DIR"] = runtime
        result = subprocess.run(["dbus-run-session", "--", sys.executable] + sys.argv, env=env)
    sys.exit(result.returncode)


def wait_for(what, probe):
    """Polls probe until it gives something true; returns it, or fails."""
    last = None
    for _ in range(POLL_STEPS):
        try:
            last = probe()
        except Exception as error:  # the window may be half built or just gone
            last = error
        if last and not isinstance(last, Exception):
            return last
        time.sleep(POLL_STEP_S)
    raise Failure(f"{what}: not seen (last: {last!r})")


class Process:
    """A program we started; its output is kept by lines."""

    def __init__(self, name, argv, env=None):
        self.name = name
        self.lines = []
        self._lock = threading.Lock()
        self.proc = subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                     stderr=subprocess.STDOUT, text=True, errors="replace")
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()

    def _read(self):
        for line in self.proc.stdout:
            with self._lock:
                self.lines.append(line.rstrip("\n"))

    def output(self):
        with self._lock:
            return list(self.lines)

    def running(self):
        return self.proc.poll() is None

    def wait_exit(self):
        """Waits for the program to end by itself; its exit code."""
        wait_for(f"{self.name} ending", lambda: not self.running())
        self._reader.join(5)
        return self.proc.returncode

    def stop(self):
        if self.running():
            self.proc.terminate()
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self._reader.join(5)


class Desktop:
    def __init__(self):
        self.work = tempfile.mkdtemp(prefix="orbilane-e2e-")
        self.processes = []
        self._xvfb = None
        self._start_display()
        self._start("openbox", ["openbox", "--sm-disable"])
        wait_for("the window manager", self._wm_running)
        self._atspi = None

    # --- processes ----------------------------------------------------------
    def _start_display(self):
        read_end, write_end = os.pipe()
        self._xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "800x600x24",
                                       "-nolisten", "tcp"], pass_fds=(write_end,), stdout=subprocess.DEVNULL,
                                      stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as display:
            number = display.readline().strip()
        if not number:
            raise Failure("Xvfb did not start")
        os.environ["DISPLAY"] = f":{number}"

    def _start(self, name, argv, env=None):
        process = Process(name, argv, env)
        self.processes.append(process)
        return process

    def start(self, name, argv, env=None):
        return self._start(name, argv, env)

    def _wm_running(self):
        return subprocess.run(["wmctrl", "-m"], capture_output=True).returncode == 0

    def close(self):
        for process in reversed(self.processes):
            process.stop()
        if self._xvfb is not None:
            self._xvfb.terminate()
            self._xvfb.wait()
        shutil.rmtree(self.work, ignore_errors=True)

    # --- what a person does -------------------------------------------------
    def key(self, *keys):
        subprocess.run(["xdotool", "key", "--clearmodifiers"] + list(keys), check=True)

    def type(self, text):
        subprocess.run(["xdotool", "type", "--delay", "20", text], check=True)

    def click(self, accessible):
        x, y, w, h = self.screen_rect(accessible)
        subprocess.run(["xdotool", "mousemove", "--sync", str(x + w // 2), str(y + h // 2), "click", "1"],
                       check=True)

    def close_by_window_manager(self, caption):
        """The close box: the window manager asks the window to close."""
        subprocess.run(["wmctrl", "-c", caption], check=True)

    def window_titles(self):
        out = subprocess.run(["wmctrl", "-l"], capture_output=True, text=True).stdout
        return [line.split(None, 3)[3] if len(line.split(None, 3)) == 4 else "" for line in out.splitlines()]

    def screenshot(self, accessible, path):
        """The window with its frame, as it is on the screen."""
        out = subprocess.run(["xdotool", "search", "--name", "^" + accessible.get_name() + "$"], capture_output=True,
                             text=True).stdout.split()
        if not out:
            raise Failure("no window to take a picture of")
        x, y, w, h = self.frame_rect(out[0])
        subprocess.run(["import", "-window", "root", "-crop", f"{w}x{h}+{x}+{y}", "+repage", path], check=True)

    def frame_rect(self, window_id):
        """The window with the frame the window manager gave it, on the screen."""
        info = subprocess.run(["xwininfo", "-id", window_id], capture_output=True, text=True).stdout
        values = {}
        for line in info.splitlines():
            if ":" in line:
                key, _, value = line.strip().partition(":")
                values[key] = value.strip()
        extents = subprocess.run(["xprop", "-id", window_id, "_NET_FRAME_EXTENTS"], capture_output=True,
                                 text=True).stdout.partition("=")[2]
        left, right, top, bottom = ([int(v) for v in extents.split(",")] if extents.strip() else [0, 0, 0, 0])
        return (int(values["Absolute upper-left X"]) - left, int(values["Absolute upper-left Y"]) - top,
                int(values["Width"]) + left + right, int(values["Height"]) + top + bottom)

    # --- what a person sees (AT-SPI) ----------------------------------------
    def atspi(self):
        if self._atspi is None:
            import gi
            gi.require_version("Atspi", "2.0")
            from gi.repository import Atspi
            Atspi.init()
            self._atspi = Atspi
        return self._atspi

    def application(self, name):
        desktop = self.atspi().get_desktop(0)
        for i in range(desktop.get_child_count()):
            app = desktop.get_child_at_index(i)
            if app is not None and app.get_name() == name:
                return app
        return None

    def windows(self, app_name):
        app = self.application(app_name)
        if app is None:
            return []
        return [app.get_child_at_index(i) for i in range(app.get_child_count())]

    def screen_rect(self, accessible):
        ext = accessible.get_extents(self.atspi().CoordType.SCREEN)
        return ext.x, ext.y, ext.width, ext.height

    def window_rect(self, accessible):
        ext = accessible.get_extents(self.atspi().CoordType.WINDOW)
        return ext.x, ext.y, ext.width, ext.height

    def children(self, accessible):
        return [accessible.get_child_at_index(i) for i in range(accessible.get_child_count())]

    def descendants(self, accessible):
        found = []
        for child in self.children(accessible):
            found.append(child)
            found.extend(self.descendants(child))
        return found

    def text(self, accessible):
        """What the control shows: a field's text, else its name."""
        Atspi = self.atspi()
        if accessible.get_role() == Atspi.Role.TEXT:
            text = accessible.get_text_iface()
            return text.get_text(0, text.get_character_count())
        return accessible.get_name()

    def selection(self, accessible):
        text = self.atspi().Accessible.get_text_iface(accessible)
        if text.get_n_selections() == 0:
            return None
        r = text.get_selection(0)
        return r.start_offset, r.end_offset

    def has_state(self, accessible, state):
        # Asked of the program each time: a cached state may be one gone by.
        accessible.clear_cache()
        return accessible.get_state_set().contains(getattr(self.atspi().StateType, state))
