#!/usr/bin/env python3
"""movra-cli.exe under Wine against the Linux meter simulator on a pseudo-terminal.

The simulator's pseudo-terminal is COM7 of a private Wine prefix (dosdevices/com7 leads to
the link the simulator keeps to its terminal), so the Windows serial code (overlapped
reads and writes, SetCommState, the reader and writer threads) talks to a meter that
answers only at its own line speed and writes a journal of what it saw acknowledged.
The database the Windows program writes is read back with Debian's Linux sqlcipher shell,
and a database the Linux installation step made is written by the Windows program.

usage: serial_e2e.py --win-build DIR --host-build DIR [--work DIR]
WINEPREFIX must name the private prefix; WINEDEBUG=-all keeps Wine quiet.
"""
import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

PASSWORD = "7315KRTsleB"
PORT = "COM7"
ALL_FIVE = ["5", "4", "3", "2", "1"]


def incomplete(read):
    return ("Message: The download is incomplete: %d records were read. The records not read are still in the "
            "meter: connect it again and press Download.\n" % read)


def crc_error(record):
    return "Error: Record %d CRC error! Please try again!\n" % record


class Failure(Exception):
    pass


def check(condition, what):
    if not condition:
        raise Failure(what)


class Env:
    def __init__(self, args):
        self.win_bin = os.path.join(os.path.abspath(args.win_build), "bin")
        self.host_bin = os.path.join(os.path.abspath(args.host_build), "bin")
        self.work = os.path.abspath(args.work or tempfile.mkdtemp(prefix="movra-win-e2e-"))
        os.makedirs(self.work, exist_ok=True)
        self.prefix = os.environ.get("WINEPREFIX")
        if not self.prefix:
            sys.exit("serial_e2e: WINEPREFIX is not set (use a private prefix)")
        self.env = dict(os.environ, WINEDEBUG=os.environ.get("WINEDEBUG", "-all"))
        self.link = os.path.join(self.work, "meter")
        self.sim = os.path.join(self.host_bin, "movra-meter-sim")
        for tool in (self.sim, os.path.join(self.host_bin, "movra-make-database"),
                     os.path.join(self.win_bin, "movra-cli.exe")):
            if not os.path.exists(tool):
                sys.exit("serial_e2e: %s is missing" % tool)
        if not shutil.which("sqlcipher"):
            sys.exit("serial_e2e: the sqlcipher shell is missing (Debian package sqlcipher)")

    def wine(self, args, cwd=None, timeout=120, during=None):
        """Runs a Windows program to its end. Its output goes through files, not pipes:
        Wine's own background processes inherit the handles and would keep a pipe open."""
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            proc = subprocess.Popen(["wine"] + args, cwd=cwd, env=self.env, stdout=out, stderr=err)
            if during:
                during()
            try:
                proc.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                proc.kill()
                raise
            out.seek(0)
            err.seek(0)
            return subprocess.CompletedProcess(proc.args, proc.returncode, out.read(), err.read())

    def prepare_prefix(self):
        # The server opens the terminal as its controlling one and reports each hang-up on
        # its error output; started here, that goes nowhere instead of into the tool's.
        subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True)
        subprocess.run(["wineserver", "-p"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       start_new_session=True)
        self.wine(["cmd", "/c", "exit"], timeout=300)
        # COM7 is the simulator's terminal, through the link the simulator keeps.
        dosdevices = os.path.join(self.prefix, "dosdevices")
        com = os.path.join(dosdevices, PORT.lower())
        if os.path.lexists(com):
            os.remove(com)
        os.symlink(self.link, com)
        template = os.path.join(self.work, "MovraTemplate.xls")
        if not os.path.exists(template):
            r = self.wine([os.path.join(self.win_bin, "movra-make-template.exe"), to_windows(template)])
            check(r.returncode == 0, "movra-make-template.exe: %s" % r.stderr.decode(errors="replace"))

    def program_folder(self, name, made_on):
        """A program folder as the installation lays it out, with a database made on
        'windows' (movra-make-database.exe) or 'linux' (the Linux installation step)."""
        folder = os.path.join(self.work, name)
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(os.path.join(folder, "data"))
        shutil.copy(os.path.join(self.win_bin, "movra-cli.exe"), folder)
        shutil.copy(os.path.join(self.work, "MovraTemplate.xls"), os.path.join(folder, "data"))
        db = os.path.join(folder, "PTDATA", "Data", "movradata1.dat")
        if made_on == "windows":
            os.makedirs(os.path.dirname(db))
            r = self.wine([os.path.join(self.win_bin, "movra-make-database.exe"), to_windows(db)])
        else:
            r = subprocess.run([os.path.join(self.host_bin, "movra-make-database"), db], capture_output=True)
        check(r.returncode == 0, "making the database: %s" % r.stderr.decode(errors="replace"))
        return folder


def to_windows(path):
    return "Z:" + path


class Sim:
    def __init__(self, env, args):
        self.journal = os.path.join(env.work, "journal-%d.txt" % time.monotonic_ns())
        if os.path.lexists(env.link):
            os.remove(env.link)
        # A session of its own: no signal meant for the test reaches it or Wine.
        self.proc = subprocess.Popen([env.sim] + args + ["--journal", self.journal, "--link", env.link],
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, start_new_session=True)
        self.proc.stdout.readline()  # the terminal's path: the simulator is ready
        deadline = time.monotonic() + 10
        while not os.path.lexists(env.link) and time.monotonic() < deadline:
            time.sleep(0.05)
        check(os.path.lexists(env.link), "the simulator made no link")

    def lines(self):
        try:
            with open(self.journal, errors="replace") as f:
                return [l.rstrip("\n") for l in f]
        except FileNotFoundError:
            return []

    def acked(self):
        return [l.split()[1] for l in self.lines() if l.startswith("ack ")]

    def opened_at(self):
        return [l.split()[1] for l in self.lines() if l.startswith("open ")]

    def wait_for_acks(self, n, timeout=60):
        deadline = time.monotonic() + timeout
        while len(self.acked()) < n and time.monotonic() < deadline:
            time.sleep(0.05)
        return len(self.acked()) >= n

    def unplug(self):
        self.proc.send_signal(signal.SIGUSR1)

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
        try:
            self.proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.proc.kill()


def stored_rows(db, key=PASSWORD):
    """(record number, serial number) of every Result_Log row, read by the Linux shell."""
    script = ("PRAGMA key = '%s';\n.mode list\n.separator |\n"
              "SELECT fRecordNumber, fSN FROM Result_Log ORDER BY fID;\n" % key)
    r = subprocess.run(["sqlcipher", "-batch", db], input=script.encode(), capture_output=True)
    if r.returncode != 0 or r.stderr:
        raise Failure("sqlcipher could not read %s: %s" % (db, r.stderr.decode(errors="replace").strip()))
    return [tuple(l.split("|")) for l in r.stdout.decode().splitlines() if "|" in l]


def run_cli(env, folder, baud, extra=(), during=None):
    args = [os.path.join(folder, "movra-cli.exe"), "download", "--port", PORT, "--baud", baud, "--store"] + list(extra)
    r = env.wine(args, cwd=folder, timeout=180, during=during)
    crlf = lambda b: b.decode(errors="replace").replace("\r\n", "\n")
    return r.returncode, crlf(r.stdout), crlf(r.stderr)


def download_case(env, name, sim_args, baud, want_acked, want_err, want_rc, during=None, extra=(),
                  made_on="windows", serial="PT12345678A"):
    folder = env.program_folder(name, made_on)
    sim = Sim(env, sim_args + ["--once"])
    try:
        rc, out, err = run_cli(env, folder, baud, extra, (lambda: during(sim)) if during else None)
    finally:
        sim.stop()
    acked = sim.acked()
    check(rc == want_rc, "exit code %d, expected %d\nstdout:\n%s\nstderr:\n%s" % (rc, want_rc, out, err))
    if want_acked is not None:
        check(acked == want_acked, "the meter saw %s acknowledged, expected %s" % (acked, want_acked))
    if want_err is not None:
        check(err == (want_err(len(acked)) if callable(want_err) else want_err), "stderr:\n%s" % err)
    check(sim.opened_at() == [baud], "the port was opened at %s" % sim.opened_at())
    rows = stored_rows(os.path.join(folder, "PTDATA", "Data", "movradata1.dat"))
    check([r[0] for r in rows] == acked, "stored %s, acknowledged %s" % ([r[0] for r in rows], acked))
    check(all(r[1] == serial for r in rows), "serial numbers %s" % rows)
    return folder, rows, out


def csv_and_xls(env):
    out_dir = os.path.join(env.work, "exports")
    os.makedirs(out_dir, exist_ok=True)
    csv, xls = os.path.join(out_dir, "list.csv"), os.path.join(out_dir, "list.xls")
    for p in (csv, xls):
        if os.path.exists(p):
            os.remove(p)
    folder, rows, out = download_case(env, "exports", ["--generate", "5"], "4800", ALL_FIVE,
                                      "Message: Export to CSV finished!\nMessage: Export to Excel finished!\n", 0,
                                      extra=["--csv", to_windows(csv), "--xls", to_windows(xls)])
    with open(csv, encoding="utf-8", errors="replace") as f:
        lines = [l for l in f.read().splitlines() if l]
    check([l.split(",")[0] for l in lines[1:]] == ALL_FIVE, "CSV rows %s" % lines)
    with open(xls, "rb") as f:
        check(f.read(8) == bytes.fromhex("D0CF11E0A1B11AE1"), "the workbook is no compound file")


def databases_cross_platform(env):
    # Made by the Linux installation step, written by the Windows program, read by Linux.
    folder, rows, _ = download_case(env, "linux-made", ["--generate", "3", "--no-pace"], "4800", ["3", "2", "1"], "",
                                    0, made_on="linux")
    db = os.path.join(folder, "PTDATA", "Data", "movradata1.dat")
    # A wrong password is refused, as the program's own connection refuses it.
    try:
        stored_rows(db, key="7315KRTsleb")
        raise Failure("a wrong password opened the database")
    except Failure as e:
        check("not a database" in str(e) or "encrypted" in str(e), str(e))


def no_meter(baud):
    # A meter read at the other generation's speed never answers: the program says so and exits 7.
    return ("movra-cli: no meter answered on COM7 at %s baud. Check that the meter is switched on and connected, "
            "and the speed: 4800 for the first meter generation, 9600 for the second.\n" % baud)


def unplug_mid_transfer(sim):
    sim.wait_for_acks(2)
    sim.unplug()


CASES = [
    # The line speed: a meter answers only at its own.
    ("Meter4800At4800", lambda env: download_case(env, "b1", ["--generate", "5"], "4800", ALL_FIVE, "", 0)),
    ("Meter4800At9600", lambda env: download_case(env, "b2", ["--generate", "5"], "9600", [], no_meter("9600"), 7)),
    ("Meter9600At9600",
     lambda env: download_case(env, "b3", ["--generate", "5", "--generation", "9600"], "9600", ALL_FIVE, "", 0)),
    ("Meter9600At4800",
     lambda env: download_case(env, "b4", ["--generate", "5", "--generation", "9600"], "4800", [], no_meter("4800"),
                               7)),
    # Line faults: exactly what the meter saw acknowledged is stored.
    ("UnplugBySignal",
     lambda env: download_case(env, "f1", ["--generate", "30"], "4800", None, incomplete, 5,
                               during=unplug_mid_transfer)),
    ("UnplugBeforeRecord3",
     lambda env: download_case(env, "f2", ["--generate", "5", "--unplug-before", "3", "--no-pace"], "4800",
                               ["5", "4"], incomplete(2), 5)),
    ("DamagedFrame",
     lambda env: download_case(env, "f3", ["--generate", "5", "--damaged", "3", "--no-pace"], "4800", ["5", "4"],
                               incomplete(2), 5)),
    ("BadCrcInTheMiddle",
     lambda env: download_case(env, "f4", ["--generate", "5", "--bad-crc", "3", "--no-pace"], "4800", ["5", "4"],
                               crc_error(3) + incomplete(2), 5)),
    ("CsvAndXlsExports", csv_and_xls),
    ("LinuxMadeDatabaseWrittenOnWindows", databases_cross_platform),
]


def wineserver_cpu_seconds():
    """CPU time the Wine servers of this machine have used; they do the I/O for the program."""
    total = 0.0
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % pid) as f:
                fields = f.read().rsplit(")", 1)
            if "(wineserver" not in fields[0]:
                continue
            rest = fields[1].split()
            total += (int(rest[11]) + int(rest[12])) / os.sysconf("SC_CLK_TCK")
        except (OSError, IndexError, ValueError):
            continue
    return total


def bench(env, records=50):
    """The transfer figures of bench-transfer, for the Windows program under Wine: the mean
    period between record frames over the protocol floor (the 100 ms read gap, then the
    11-byte acknowledgement and the 27-byte frame on the wire), and the CPU time of the
    program and the Wine server as a share of the transfer's wall time."""
    for baud in (4800, 9600):
        folder = env.program_folder("bench-%d" % baud, "windows")
        sim = Sim(env, ["--generate", str(records), "--generation", str(baud), "--once"])
        cpu0 = os.times()
        server0 = wineserver_cpu_seconds()
        wall0 = time.monotonic()
        try:
            rc, out, err = run_cli(env, folder, str(baud))
        finally:
            sim.stop()
        wall = time.monotonic() - wall0
        cpu1 = os.times()
        program_cpu = (cpu1.children_user - cpu0.children_user) + (cpu1.children_system - cpu0.children_system)
        server_cpu = wineserver_cpu_seconds() - server0
        stamps = []
        with open(os.path.join(folder, "PTDATA", "Data", "COMMDATA.txt"), errors="replace") as f:
            for line in f:
                # "YYYY-MM-DD hh:mm:ss:zzz 26 50 5A 00 00 00 11 …": a record frame.
                parts = line.split(" ", 2)
                if len(parts) == 3 and parts[2].startswith("26 50 5A 00 00 00 11"):
                    h, m, sec, ms = (int(x) for x in parts[1].split(":"))
                    stamps.append(((h * 60 + m) * 60 + sec) * 1000 + ms)
        floor = 100 + (11 + 27) * 10 * 1000.0 / baud
        period = (stamps[-1] - stamps[0]) / (len(stamps) - 1) if len(stamps) > 1 else float("nan")
        print("wine %d baud: %d of %d records, exit %d; record period %.1f ms over floor %.1f ms = %.2f; "
              "CPU program %.2f s + Wine server %.2f s over %.1f s wall = %.1f %% of one core"
              % (baud, len(stamps), records, rc, period, floor, period / floor, program_cpu, server_cpu, wall,
                 100 * (program_cpu + server_cpu) / wall), flush=True)


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--win-build", required=True)
    p.add_argument("--host-build", required=True)
    p.add_argument("--work")
    p.add_argument("--only", help="run the cases whose name contains this text")
    p.add_argument("--bench", action="store_true", help="print the transfer figures instead of testing")
    args = p.parse_args()
    env = Env(args)
    env.prepare_prefix()
    failed = 0
    try:
        if args.bench:
            bench(env)
            return 0
        failed = run_cases(env, args.only)
    finally:
        subprocess.run(["wineserver", "-k"], env=env.env, capture_output=True)
    print("%d end-to-end cases failed" % failed if failed else "all end-to-end cases passed")
    return 1 if failed else 0


def run_cases(env, only):
    failed = 0
    for name, case in CASES:
        if only and only not in name:
            continue
        start = time.monotonic()
        try:
            case(env)
            print("PASS %-36s %5.1f s" % (name, time.monotonic() - start), flush=True)
        except (Failure, subprocess.TimeoutExpired) as e:
            failed += 1
            text = str(e)
            if len(text) > 1500:
                text = text[:1500] + " …"
            print("FAIL %-36s %5.1f s\n  %s" % (name, time.monotonic() - start, text.replace("\n", "\n  ")),
                  flush=True)
    return failed


if __name__ == "__main__":
    sys.exit(main())
