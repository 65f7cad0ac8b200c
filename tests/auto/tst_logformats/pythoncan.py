# Runs python-can on a log file for the log-format tests.
#   pythoncan.py dump FILE    prints every message python-can reads from FILE
#   pythoncan.py write FILE   writes a fixed set of messages to FILE with python-can's
#                             writer for its extension, then prints them
# One JSON object per message: t (µs), ch, rx, ext, rtr, err, fd, brs, esi, id, data (hex).
import json
import sys

import can


def channel_number(channel):
    if isinstance(channel, str):
        digits = "".join(c for c in channel if c.isdigit())
        return int(digits) if digits else 0
    return int(channel or 0)


def show(msg):
    print(json.dumps({
        "t": round(msg.timestamp * 1e6),
        "ch": channel_number(msg.channel),
        "rx": bool(msg.is_rx),
        "ext": bool(msg.is_extended_id),
        "rtr": bool(msg.is_remote_frame),
        "err": bool(msg.is_error_frame),
        "fd": bool(msg.is_fd),
        "brs": bool(msg.bitrate_switch),
        "esi": bool(msg.error_state_indicator),
        "id": msg.arbitration_id,
        "len": msg.dlc if msg.is_remote_frame else len(msg.data),
        "data": bytes(msg.data).hex(),
    }))


def messages(fd_allowed):
    out = []
    for i in range(40):
        fd = fd_allowed and i % 5 == 0
        length = [12, 16, 20, 24, 32, 48, 64][i % 7] if fd else i % 9
        out.append(can.Message(
            timestamp=1700000000.0 + i * 0.001234, channel=i % 2,
            arbitration_id=(0x1234567 + i) if i % 4 == 0 else (0x100 + i),
            is_extended_id=i % 4 == 0, is_rx=i % 3 != 0, is_fd=fd,
            bitrate_switch=fd and i % 2 == 1,
            data=bytes((i * 7 + b) & 0xFF for b in range(length))))
    return out


def main():
    mode, path = sys.argv[1], sys.argv[2]
    if mode == "dump":
        for msg in can.LogReader(path):
            show(msg)
        return
    writer = can.Logger(path)
    for msg in messages(fd_allowed=not path.endswith(".trc")):
        writer.on_message_received(msg)
        show(msg)
    writer.stop()


main()
