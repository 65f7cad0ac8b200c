# Reads a log file with python-can 4.1 (Debian's /usr/bin/python3) and prints the number
# of messages and the seconds the read took, for the log benchmark.
import sys
import time

import can

path = sys.argv[1]
start = time.perf_counter()
count = 0
with can.LogReader(path) as reader:
    for _ in reader:
        count += 1
print(count, time.perf_counter() - start)
