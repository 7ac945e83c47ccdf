#!/usr/bin/env python3
"""Writes the seed corpus of every fuzz target into fuzz/corpus/<name>/ (run after changing an input layout).

Each target's first bytes choose its path and options (see the comment at the top of fuzz_<name>.cpp);
the seeds hold well-formed examples of each path so the fuzzer starts from the inside of the formats.
Files already in a corpus folder (inputs that once broke an invariant) are left as they are.
"""
import pathlib

HERE = pathlib.Path(__file__).resolve().parent


def write(target, name, data):
    folder = HERE / "corpus" / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(data if isinstance(data, bytes) else data.encode("utf-8"))


def cp1251(text):
    return text.encode("cp1251")


# ---- framed protocol: 01 LEN SEQ CMD data 04 S0..S5 05 CS*4 03 ----

def framed_checksum(body):
    s = sum(body) & 0xFFFF
    return bytes(0x30 + ((s >> shift) & 0xF) for shift in (12, 8, 4, 0))


def framed_reply(seq, cmd, data=b"", status=b"\x80" * 6):
    body = bytes([0x20 + 11 + len(data), 0x20 + seq, cmd]) + data + b"\x04" + status + b"\x05"
    return b"\x01" + body + framed_checksum(body) + b"\x03"


def framed_seeds():
    t = "framed_reply"
    # Reply path: mode 0, sequence selector (seq = 1 + b % 200), leading wait codes, the bytes.
    write(t, "reply_no_data_seq3", bytes([0, 2, 0]) + framed_reply(3, 0x45))
    write(t, "reply_diagnostic", bytes([0, 1, 1]) + framed_reply(2, 0x5A, cp1251("FP-2000,1.00BG,05Mar24,1234,DT000001,02000001")))
    write(t, "reply_status_error", bytes([0, 1, 0]) + framed_reply(2, 0x30, b"", b"\x81\x80\x80\x80\x90\x80"))
    write(t, "reply_cyrillic", bytes([0, 1, 0]) + framed_reply(2, 0x31, cp1251("Хляб бял")))
    write(t, "reply_nak", bytes([0, 1, 2, 0x15]))
    write(t, "reply_wait_only", bytes([0, 1, 3]))
    write(t, "reply_wrong_sequence", bytes([0, 1, 0]) + framed_reply(3, 0x45))
    write(t, "reply_repair", bytes([2, 1, 0]) + b"\x80" * 4 + cp1251("12,34,ab") + b"\x80" * 12)
    # Exchange path: mode (1 raw, 3 repaired), choice (driver = c % 4: Datecs A, B, Eltrade, Daisy;
    # operation = c / 4 % 6: status, fast status, clock, receipt end, cash in/out, X report),
    # chunk size, chunk delays, leading wait codes, the bytes (repaired: six status bytes, then data).
    write(t, "exchange_status_raw", bytes([1, 0, 0, 0, 0]) + framed_reply(2, 0x5A, cp1251("FP-800,1.00,x,1,DT000001,02000001")))
    write(t, "exchange_status_repair", bytes([3, 0, 0, 0, 1]) + b"\x80" * 6 + cp1251("FP-2000,1.00BG,x,1,DT000001,02000001"))
    write(t, "exchange_daisy_status", bytes([3, 3, 0, 0, 0]) + b"\x80\x80\x80\x80\x80\xb8" + cp1251("CompactM,1,2,3,DY448967,36607003"))
    write(t, "exchange_daisy_error", bytes([3, 3, 0, 0, 0]) + b"\x80\x80\x80\x93\x80\xb8" + cp1251("x"))
    write(t, "exchange_status_fast", bytes([3, 6, 0, 0, 0]) + b"\x80" * 6 + cp1251("ED,1,2,3,4,ED000001,44000001"))
    write(t, "exchange_clock", bytes([3, 9, 0, 0, 0]) + b"\x80" * 6 + cp1251("05-03-24 14:07:09"))
    write(t, "exchange_bon_end", bytes([3, 12, 7, 0b11100100, 1]) + b"\x80" * 6 + cp1251("123"))
    write(t, "exchange_cash_refused", bytes([3, 16, 0, 0, 0]) + b"\x80" * 6 + cp1251("F,100,0,0"))
    write(t, "exchange_cash_done", bytes([3, 19, 0, 0, 0]) + b"\x80" * 6 + cp1251("P,100,0,0"))
    write(t, "exchange_x_report_split", bytes([3, 22, 3, 0xFF, 0]) + b"\x80" * 6 + cp1251("0"))
    write(t, "exchange_oversized", bytes([1, 0, 0, 0, 0]) + b"A" * 1100)
    write(t, "exchange_silence", bytes([1, 0, 0, 0, 3]))


# ---- family C: 01 LEN*4 SEQ CMD*4 data 04 S0..S7 05 CS*4 03 ----

def nibble_field(value):
    return bytes(0x30 + ((value >> shift) & 0xF) for shift in (12, 8, 4, 0))


def wide_reply(seq, cmd, data=b"", status=b"\x80" * 8):
    body = nibble_field(0x20 + 19 + len(data)) + bytes([0x20 + seq]) + nibble_field(cmd) + data + b"\x04" + status + b"\x05"
    return b"\x01" + body + framed_checksum(body) + b"\x03"


def family_c_seeds():
    t = "family_c_frame"
    # Frame path: mode (0 raw, 2 repaired: eight status bytes, then data), sequence selector, the bytes.
    write(t, "frame_status", bytes([0, 1]) + wide_reply(2, 0x5A, cp1251("FP-700MX,1,2,3,DT279013,02279013")))
    write(t, "frame_device_error", bytes([0, 1]) + wide_reply(2, 0x31, cp1251("-111047"), b"\x81" + b"\x80" * 7))
    write(t, "frame_error_in_field", bytes([0, 1]) + wide_reply(2, 0x31, cp1251("-101007\t"), b"\x80\x82" + b"\x80" * 6))
    write(t, "frame_clock", bytes([0, 1]) + wide_reply(2, 0x3E, cp1251("0\t05-03-24 14:07:09 DST\t")))
    write(t, "frame_no_data", bytes([0, 2]) + wide_reply(3, 0x45))
    write(t, "frame_repair", bytes([2, 1]) + b"\x80\x80\x88\x80\x80\x80\x80\x80" + cp1251("0\t42\t"))
    # Exchange path: mode (1 raw, 3 repaired), operation (c % 6: status, fast status, clock, receipt
    # end, cash in/out, X report then cancel), chunk size, chunk delays, leading wait codes, the bytes.
    write(t, "exchange_status", bytes([1, 0, 0, 0, 0]) + wide_reply(2, 0x5A, cp1251("FP-700MX,1,2,3,DT279013,02279013")))
    write(t, "exchange_clock", bytes([3, 2, 0, 0, 1]) + b"\x80" * 8 + cp1251("0\t05-03-24 14:07:09\t"))
    write(t, "exchange_bon_end", bytes([3, 3, 11, 0b01101100, 0]) + b"\x80" * 8 + cp1251("0\t0000042\t"))
    write(t, "exchange_cash_refused", bytes([3, 4, 0, 0, 0]) + b"\x80" * 8 + cp1251("-111017\t"))
    write(t, "exchange_bon_open_then_cancel", bytes([3, 5, 0, 0, 0]) + b"\x80\x80\x88" + b"\x80" * 5 + cp1251("0\t"))


# ---- Tremol: 06 SEQ A B CS CS 0A and 02 LEN SEQ CMD data CS CS 0A ----

def xor_checksum(body):
    x = 0
    for b in body:
        x ^= b
    return bytes([0x30 + (x >> 4), 0x30 + (x & 0xF)])


def tremol_ack(seq, a="0", b="0"):
    body = bytes([0x20 + seq, ord(a), ord(b)])
    return b"\x06" + body + xor_checksum(body) + b"\x0a"


def tremol_data(seq, cmd, data):
    body = bytes([0x20 + 3 + len(data), 0x20 + seq, cmd]) + data
    return b"\x02" + body + xor_checksum(body) + b"\x0a"


def tremol_seeds():
    t = "tremol_answer"
    # Answer path: mode (0 raw, 2 repaired data frame, 6 repaired acknowledgement), sequence
    # selector, leading wait bytes, the bytes.
    write(t, "answer_ack_ok", bytes([0, 1, 0]) + tremol_ack(2))
    write(t, "answer_ack_bon_open", bytes([0, 1, 2]) + tremol_ack(2, "4", "0"))
    write(t, "answer_data", bytes([0, 1, 0]) + tremol_data(2, 0x60, cp1251("ZK123456;50123456")))
    # A data frame whose length byte announces a body of 2: accepted with no data.
    write(t, "answer_short_data", bytes([0, 1, 0]) + b"\x02\x22\x22" + xor_checksum(b"\x22\x22") + b"\x0a")
    write(t, "answer_nak", bytes([0, 1, 1, 0x15]))
    write(t, "answer_wait_only", bytes([0, 1, 3]))
    write(t, "answer_repair_data", bytes([2, 1, 0]) + cp1251("Служебен;1;2"))
    write(t, "answer_repair_ack", bytes([6, 1, 0]) + b"?8")
    # Exchange path: mode (1 raw, 3 repaired data frame, 7 repaired acknowledgement), choice
    # (operation = c % 6), chunk size, chunk delays, leading wait bytes, the bytes.
    write(t, "exchange_status", bytes([1, 0, 0, 0, 0]) + tremol_data(2, 0x60, cp1251("ZK123456;50123456")))
    write(t, "exchange_status_repair", bytes([3, 0, 0, 0, 2]) + cp1251("ZK123456 ; 50123456"))
    write(t, "exchange_clock", bytes([3, 2, 0, 0, 0]) + cp1251("05-03-24 14:07:09"))
    fields = ";".join(str(i) for i in range(1, 25))
    write(t, "exchange_bon_end", bytes([3, 3, 9, 0b00011011, 0]) + cp1251(fields))
    write(t, "exchange_bon_start_ack", bytes([7, 4, 0, 0, 1]) + b"00")
    write(t, "exchange_x_report_status", bytes([7, 5, 0, 0, 0]) + b"84")
    write(t, "exchange_wait_only", bytes([1, 0, 0, 0, 3]) + b"\x0e" * 20)


def params_seeds():
    t = "params"
    write(t, "status", "/getStatus /fiscalMemoryNo:02000001\r\n")
    write(t, "list_devices_utf8_mark", b"\xef\xbb\xbf" + "/listDevices\r\n/output:out.txt".encode())
    write(t, "utf16le", b"\xff\xfe" + "/getStatus\r\n/output:\"C:\\My Results\\r.txt\"".encode("utf-16-le"))
    write(t, "utf16be", b"\xfe\xff" + "/listDevices".encode("utf-16-be"))
    write(t, "write_bon_inline", "/writeBon:PC1:123:DT000001-0001-0000001:17:FiscalBonStart;;;\\nFiscalBonItem;Bread;;A;1.20;2\\nFiscalBonEnd")
    write(t, "write_bon_input", "/writeBon /input:bon.txt /fiscalMemoryNo:02000001")
    write(t, "write_bon_missing_input", "/writeBon:a:b:c /input:missing.txt")
    write(t, "get_unp", "/getUnp:123:5:1 /checkStatus /handleBons /start /ui")
    write(t, "get_unp_no_colon", "/getUnp:123")
    write(t, "apostrophe", "/output:it's here /getStatus")
    write(t, "ansi_cyrillic", cp1251("/writeBon:ПК:1:2:3:FiscalBonTextLine;Благодарим"))


def settings_seeds():
    t = "settings"
    write(t, "com_port", "ComPort=COM5\r\n")
    write(t, "tcp", "DeviceAuto_kassa1=0\r\nComType=ctTcp\r\nIpv4Address=127.0.0.1\r\nIpv4Port=4999\r\nFpType=Daisy\r\n")
    write(t, "per_computer_empty", "ComPort=COM1\nComPort_kassa1=\nOperatorPassword=a=b\rcomport=COM2")
    write(t, "utf16le", b"\xff\xfe" + "FpType=Tremol\r\nOperatorCode=01\r\n".encode("utf-16-le"))
    write(t, "utf16be", b"\xfe\xff" + "SleepBeforeCommand=30\r\n".encode("utf-16-be"))
    write(t, "ansi_cyrillic", cp1251("OperatorPassword=парола\r\n[Main]\r\n=x\r\n\r\n"))
    write(t, "utf8_mark", b"\xef\xbb\xbf" + "FpClockDifferenceToleranceS=-5\r\n".encode())


def script_seeds():
    t = "script"
    receipt = ("FiscalBonStart;1;0000;DT000001-0001-0000001\r\n"
               "FiscalBonItem;Хляб бял;нарязан;А;1,20;2\r\n"
               "FiscalBonItem;Мляко;;Б;2.35;\r\n"
               "FiscalBonTextLine;Благодарим!\r\n"
               "FiscalBonTotal;;;Cash;10\r\n"
               "FiscalBonTotal;;;Card\r\n"
               "FiscalBonEnd\r\n")
    storno = ("FiscalBonStorno;;;DT000001-0001-0000002;Return;15;2024-03-05 14:07;02000001\r\n"
              "FiscalBonItem;Хляб;;A;1.20;1\r\nFiscalBonTotal;;;Cash\r\nFiscalBonEnd\n")
    service = ("CashInOut;-12,5\nXReport\nZReport\nReportPeriodShort;2024-03-01;2024-03-05\n"
               "DateTimeSet;2024-03-05 14:07:09\nDateTimeSet\nFiscalBonCancel\n")
    # Driver (even: in-memory; odd: 1 Datecs A, 3 Datecs B, 5 Eltrade, 7 Daisy, 9 Datecs C,
    # 11 Tremol), clock (0 now,
    # 1 behind by 2 x next byte seconds, 2 unreadable, 3 far ahead), settings bits, device answers.
    for driver in (0, 1, 3, 5, 7, 9, 11):
        write(t, f"receipt_{driver}", bytes([driver, 0, 0, 0]) + receipt.encode())
        write(t, f"storno_{driver}", bytes([driver, 0, 2, 0]) + storno.encode())
        write(t, f"service_{driver}", bytes([driver, 0, 0, 0]) + service.encode())
    write(t, "device_status_error", bytes([1, 0, 0, 0x1A]) + receipt.encode())
    write(t, "tremol_bon_open", bytes([11, 0, 0, 0x84]) + receipt.encode())
    write(t, "datecs_c_status_error", bytes([9, 0, 0, 0x08]) + receipt.encode())
    write(t, "memory_outcomes", bytes([0, 0, 1, 0b10110100]) + receipt.encode())
    write(t, "clock_181s_behind", bytes([0, 1, 0, 0, 91]) + receipt.encode())
    write(t, "clock_unreadable", bytes([1, 2, 0, 0]) + storno.encode())
    write(t, "bad_lines", bytes([0, 0, 0, 0]) + "FiscalBonItem;a;b;A;x\r\nFiscalBonTotal;;;Bitcoin\r\nNonsense\r\n \r\nFiscalBonItem;a;b;A\r\n".encode())
    write(t, "bad_date", bytes([0, 0, 0, 0]) + "ReportPeriodShort;2024-3-5;2024-03-05\r\n".encode())


def date_seeds():
    for i, text in enumerate(["05-03-24 14:07:09", "05.03.2024 14:07", "31-02-24 10:00:00", "'05'-03-24 1:2",
                              "5-3-24 14:7", "29.02.2024 23:59:59 extra"]):
        write("fp_date_time", f"seed_{i}", text)
    for i, text in enumerate(["2024-03-05", "2024-03-05 14:07", "2024/03/05T14:07:09", "2024-03-05 14:07:09.123",
                              " 2024-3-5 ", "\t0001-01-01 00:00:00\r\n", "9999-12-31 23:59:59"]):
        write("iso_date_time", f"seed_{i}", text)


if __name__ == "__main__":
    framed_seeds()
    family_c_seeds()
    tremol_seeds()
    params_seeds()
    settings_seeds()
    script_seeds()
    date_seeds()
