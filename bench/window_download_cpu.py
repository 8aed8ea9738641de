#!/usr/bin/env python3
# Measures what the real window program costs while it receives a download at line rate, as a
# user has it: build/brentavius4 on an X display with a window manager, connected to the
# simulated logger (build/sim/brentavius-sim --pace line), the gauges window open
# ("Indicadores gráficos"), the whole memory of 4000 samples asked for ("Forzar descarga
# completa", "DESCARGAR DATOS"). Everything is done as a user does it, with xdotool on the
# windows: OK in the port setup dialog, the switch, the gauges button, the check box and the
# download button. The process's CPU (utime + stime of /proc/PID/stat, and each thread's
# schedstat for a finer figure) and its user-interface thread's wake-ups (voluntary context
# switches: turns of its event loop) are read when the simulator starts sending the download
# text and when it sends the end marker; the data window that opens afterwards is not counted.
# It prints each run and the median against the goal (at most 1 % of one core), with the
# machine's load. It reports; it never fails on a slow machine.
#
# Run (after building brentavius4 and brentavius-sim in build/):
#   bench/window_download_cpu.py [runs] [--build DIR] [--display :N]
#     runs       downloads measured, each with its own simulator and program (default 3)
#     --build    the build folder (default: build beside this folder)
#     --display  use this running X display (with its window manager) instead of starting
#                Xvfb and openbox on a free display
# Needs Xvfb, openbox and xdotool (scripts/install-deps installs them). A download takes about
# 9 s at line rate; with starting and stopping, a run takes about 20 s.

import os
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time

GOAL_PERCENT = 1.0
SAMPLES = 4000
MAIN_TITLE = "TORVELINDA-12BITS"
# Places in the main window's client area (it has a fixed size of 604 x 435).
SWITCH = (44, 93)
GAUGES_BUTTON = (524, 251)
FORCE_CHECK_BOX = (16, 369)
DOWNLOAD_BUTTON = (126, 413)
BOUND_S = 30


def log(text):
    print(text, flush=True)


def load():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


def clock_ticks():
    return os.sysconf("SC_CLK_TCK")


def process_cpu(pid):
    """utime + stime of the process in seconds, and its threads' schedstat sum in seconds."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    # Fields after the command: state is field 3, utime 14 and stime 15 (1-based overall).
    stat = (int(fields[11]) + int(fields[12])) / clock_ticks()
    sched = 0
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/schedstat") as f:
                sched += int(f.read().split()[0])
        except OSError:
            pass
    return stat, sched / 1e9


def main_thread_wakeups(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("voluntary_ctxt_switches"):
                return int(line.split()[1])
    return 0


def xdotool(*args, check=True):
    result = subprocess.run(["xdotool", *map(str, args)], capture_output=True, text=True)
    if check and result.returncode != 0:
        raise RuntimeError(f"xdotool {' '.join(map(str, args))}: {result.stderr.strip()}")
    return result.stdout.strip()


def wait_for_window(name, bound=BOUND_S):
    end = time.monotonic() + bound
    while time.monotonic() < end:
        found = xdotool("search", "--onlyvisible", "--name", name, check=False)
        if found:
            return found.split()[0]
        time.sleep(0.2)
    raise RuntimeError(f"no window named {name!r} after {bound} s")


def click(window, place):
    xdotool("mousemove", "--window", window, place[0], place[1])
    time.sleep(0.2)
    xdotool("click", "1")
    time.sleep(0.3)


class Simulator:
    """The simulated logger in verbose mode; notes when each event line came."""

    def __init__(self, build, name):
        self.process = subprocess.Popen(
            [os.path.join(build, "sim", "brentavius-sim"), "--name", name, "--pace", "line",
             "--samples", str(SAMPLES), "--verbose"],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.link = None
        self.events = {}
        self.ready = threading.Event()
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        for line in self.process.stdout:
            line = line.strip()
            if line.startswith("link "):
                self.link = line[5:]
                self.ready.set()
            for event in ("listener open", "command ", "download ", "end-marker"):
                if line.startswith(event) and event not in self.events:
                    self.events[event] = (time.monotonic(), line)
                    self.on_event(event)

    def wait_for(self, event, bound):
        end = time.monotonic() + bound
        while event not in self.events and time.monotonic() < end:
            time.sleep(0.05)
        return event in self.events

    def on_event(self, event):
        pass

    def stop(self):
        self.process.terminate()
        try:
            self.process.wait(5)
        except subprocess.TimeoutExpired:
            self.process.kill()


def one_run(build, run, env):
    with tempfile.TemporaryDirectory(prefix="bench-window-") as folder:
        return measure(build, run, env, folder)


def measure(build, run, env, folder):
    sim = Simulator(build, f"bench-window-{os.getpid()}-{run}")
    program = None
    marks = {}

    def note(event):
        if program is not None and program.poll() is None:
            marks[event] = (time.monotonic(), process_cpu(program.pid),
                            main_thread_wakeups(program.pid))

    sim.on_event = note
    try:
        if not sim.ready.wait(BOUND_S):
            raise RuntimeError("the simulator did not come up")
        # Started in an empty folder of its own, as from a quiet home folder: the program's file
        # dialogs watch the folder it starts in, and a busy one (/tmp, a build folder) would
        # count its changes as the download's cost.
        program = subprocess.Popen([os.path.join(build, "brentavius4"), "--port", sim.link],
                                   env=env, cwd=folder, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        setup = wait_for_window("^Setup$")
        xdotool("windowactivate", "--sync", setup, "key", "Return")
        main = wait_for_window(MAIN_TITLE)
        # A click that comes before the window takes it is given again.
        for _ in range(3):
            time.sleep(0.5)
            click(main, SWITCH)
            if sim.wait_for("listener open", 3):
                break
        time.sleep(1.5)  # connected: the first status frames are shown
        click(main, GAUGES_BUTTON)
        wait_for_window("^ $")  # the gauges window; the main window moves beside it
        time.sleep(1.0)
        click(main, FORCE_CHECK_BOX)
        for _ in range(3):
            click(main, DOWNLOAD_BUTTON)
            if sim.wait_for("command ", 3):
                break
        end = time.monotonic() + BOUND_S
        while "end-marker" not in marks and time.monotonic() < end:
            time.sleep(0.1)
        if "download " not in marks or "end-marker" not in marks:
            raise RuntimeError("the download did not start and end in time "
                               f"(events seen: {sorted(sim.events)})")
        (t0, (stat0, sched0), wake0) = marks["download "]
        (t1, (stat1, sched1), wake1) = marks["end-marker"]
        seconds = t1 - t0
        return {
            "seconds": seconds,
            "stat": 100 * (stat1 - stat0) / seconds,
            "sched": 100 * (sched1 - sched0) / seconds,
            "turns": (wake1 - wake0) / seconds,
            "what": sim.events["download "][1],
        }
    finally:
        if program is not None:
            program.send_signal(signal.SIGTERM)
            try:
                program.wait(5)
            except subprocess.TimeoutExpired:
                program.kill()
        sim.stop()


def free_display():
    for number in range(90, 200):
        if not os.path.exists(f"/tmp/.X11-unix/X{number}") and \
                not os.path.exists(f"/tmp/.X{number}-lock"):
            return f":{number}"
    raise RuntimeError("no free X display number")


def main():
    runs = 3
    build = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "build")
    display = None
    args = sys.argv[1:]
    while args:
        arg = args.pop(0)
        if arg == "--build":
            build = args.pop(0)
        elif arg == "--display":
            display = args.pop(0)
        else:
            runs = max(1, int(arg))
    build = os.path.abspath(build)

    started = []
    env = dict(os.environ, QT_QPA_PLATFORM="xcb")
    if display is None:
        display = free_display()
        started.append(subprocess.Popen(["Xvfb", display, "-screen", "0", "1280x1024x24",
                                         "-nolisten", "tcp"], stderr=subprocess.DEVNULL))
        time.sleep(1.0)
        env["DISPLAY"] = display
        started.append(subprocess.Popen(["openbox"], env=env, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL))
        time.sleep(1.0)
    env["DISPLAY"] = display
    os.environ["DISPLAY"] = display

    log(f"Window program at line rate: forced download of {SAMPLES} samples, simulator at "
        f"--pace line, gauges window open, display {display} (xcb, openbox), {runs} runs, "
        f"{os.cpu_count()} CPUs")
    log(f"load (1, 5, 15 min) before: {load()}")
    shares = []
    try:
        for run in range(1, runs + 1):
            try:
                r = one_run(build, run, env)
            except RuntimeError as error:
                log(f"  run {run}  FAILED: {error}")
                continue
            shares.append(r["stat"])
            log(f"  run {run}  {r['seconds']:.2f} s from the first byte to the end marker "
                f"({r['what']}): process {r['stat']:.2f} % of a core by /proc/PID/stat "
                f"({r['sched']:.2f} % by schedstat), user-interface thread "
                f"{r['turns']:.0f} wake-ups a second; load {load()}")
    finally:
        for process in reversed(started):
            process.terminate()
            process.wait()
    if shares:
        median = statistics.median(shares)
        log(f"\nprocess CPU during the download: min {min(shares):.2f}, median {median:.2f}, "
            f"max {max(shares):.2f} % of one core; goal at most {GOAL_PERCENT:.0f} %: "
            f"{'met' if median <= GOAL_PERCENT else 'NOT met'}")
    log(f"load (1, 5, 15 min) after: {load()}")


if __name__ == "__main__":
    main()
