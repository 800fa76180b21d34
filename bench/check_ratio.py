#!/usr/bin/env python3
"""Whole-process time of `mavrel-inspect check` against plain `mavrel-inspect`
on two generated 1,000-button media: "findings", the medium of
settings_benchmark.cpp (every property in every section, a finding on most
buttons), and "clean", a grid that checks clean. The programs run
interleaved, one of each per round in a rotating order; CPU time
(user + sys) comes from wait4. Prints quartiles and medians and the ratios
of the medians to plain, with the load average before and after. Figures
only: compare the CPU columns first on a busy machine.

Usage: bench/check_ratio.py [-r RUNS] INSPECT [OTHER_INSPECT]
  INSPECT        mavrel-inspect, run plain and as "check"
  OTHER_INSPECT  another build whose "check" runs alongside (say, before a
                 change)
Example: bench/check_ratio.py -r 41 build/desktop/tools/mavrel-inspect
"""
import argparse
import os
import shutil
import statistics
import tempfile
import time


def properties(n):
    i = str(n)
    return "".join([
        f"BUTTON_TEXT=Button number {i}\\nsecond line\r\n",
        f"DESC_TEXT=What button {i} does, in a few words\r\n",
        f"BUTTON_LOC.X={10 + n % 50}\r\n", f"BUTTON_LOC.Y={20 + n % 400}\r\n",
        "BUTTON_LOC.WIDTH=300\r\nBUTTON_LOC.HEIGHT=0\r\n",
        "DESC_LOC.X=360\r\nDESC_LOC.Y=0x78\r\nDESC_LOC.WIDTH=240\r\nDESC_LOC.HEIGHT=0\r\n",
        "BUTTON_FONT_HEIGHT=24\r\nBUTTON_DESC_HEIGHT=18\r\n",
        "TEXT_COLOR=0xFFFFFF\r\nHIGHLIGHT_COLOR=0x00FFFF\r\nSELECT_COLOR=0377\r\n",
        "DESC_COLOR=14737632\r\n",
        f"DIRECTORY=setup\\\\part{i}\r\n", f"PROG_COMMAND=setup\\\\setup.exe /part {i}\r\n",
        f"DOC_COMMAND=docs\\\\readme{i}.txt\r\n", "EXIT_COMMAND=STAY\r\n",
        f"ERROR_MSG=Part {i} could not be started.\r\n"])


def findings_medium(buttons):
    """The medium of MakeSettingsFile in bench/settings_benchmark.cpp."""
    text = "[Main]\r\nWidth=640\r\nHeight=480\r\nTitle=Benchmark medium\r\n"
    text += "Background=setup.bmp\r\n"
    text += "".join(f"Button.{n}=Section{n}\r\n" for n in range(buttons))
    text += properties(-1)
    return text + "".join(f"\r\n[Section{n}]\r\n" + properties(n) for n in range(buttons))


def clean_medium(buttons):
    """20 buttons a row apart from each other, one description line below."""
    text = ("[Main]\r\nWidth=2000\r\nHeight=1200\r\nTitle=Clean medium\r\nDESC_LOC.X=10\r\n"
            "DESC_LOC.Y=1120\r\nDESC_LOC.WIDTH=1900\r\nBUTTON_FONT_HEIGHT=14\r\n"
            "BUTTON_DESC_HEIGHT=14\r\nEXIT_COMMAND=EXIT\r\n")
    text += "".join(f"Button.{n}=Part{n}\r\n" for n in range(buttons))
    for n in range(buttons):
        text += (f"\r\n[Part{n}]\r\nBUTTON_TEXT=Part {n}\r\n"
                 f"DESC_TEXT=What part {n} does, in a few words\r\n"
                 f"BUTTON_LOC.X={10 + (n % 20) * 98}\r\nBUTTON_LOC.Y={10 + (n // 20) * 22}\r\n"
                 "BUTTON_LOC.WIDTH=90\r\nTEXT_COLOR=0xFFFFFF\r\nHIGHLIGHT_COLOR=0x00FFFF\r\n")
    return text


def run(argv, folder):
    """Wall and CPU milliseconds of one run, output discarded."""
    start = time.perf_counter()
    pid = os.fork()
    if pid == 0:
        os.chdir(folder)
        null = os.open(os.devnull, os.O_WRONLY)
        os.dup2(null, 1)
        os.dup2(null, 2)
        os.execv(argv[0], argv)
    _, _, usage = os.wait4(pid, 0)
    return (time.perf_counter() - start) * 1000, (usage.ru_utime + usage.ru_stime) * 1000


def load():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("-r", "--runs", type=int, default=21)
    parser.add_argument("inspect")
    parser.add_argument("other", nargs="?")
    args = parser.parse_args()
    inspect = os.path.realpath(args.inspect)
    programs = {"plain": [inspect], "check": [inspect, "check", "."]}
    if args.other:
        programs["other check"] = [os.path.realpath(args.other), "check", "."]
    names = list(programs)
    work = tempfile.mkdtemp(prefix="mavrel-check-ratio-")
    try:
        for medium, text in (("findings", findings_medium(1000)), ("clean", clean_medium(1000))):
            folder = os.path.join(work, medium)
            os.mkdir(folder)
            with open(os.path.join(folder, "Mavrel.INI"), "wb") as f:
                f.write(text.encode())
            times = {name: ([], []) for name in names}
            before = load()
            for round_ in range(args.runs):
                shift = round_ % len(names)
                for name in names[shift:] + names[:shift]:
                    wall, cpu = run(programs[name], folder)
                    times[name][0].append(wall)
                    times[name][1].append(cpu)
            after = load()
            print(f"# {medium} medium ({len(text)} bytes), {args.runs} rounds interleaved; "
                  f"load average before {before}, after {after}")
            print("program       wall_q1 wall_med wall_q3  cpu_q1 cpu_med  cpu_q3  "
                  "cpu_ratio wall_ratio")
            plain_wall = statistics.median(times["plain"][0])
            plain_cpu = statistics.median(times["plain"][1])
            for name in names:
                wall, cpu = times[name]
                wq = statistics.quantiles(wall, n=4)
                cq = statistics.quantiles(cpu, n=4)
                print(f"{name:12} {wq[0]:8.1f} {statistics.median(wall):8.1f} {wq[2]:7.1f} "
                      f"{cq[0]:7.1f} {statistics.median(cpu):7.1f} {cq[2]:7.1f} "
                      f"{statistics.median(cpu) / plain_cpu:9.2f}x "
                      f"{statistics.median(wall) / plain_wall:9.2f}x")
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
