#!/usr/bin/env python3
"""A second, independent reader and writer of the archive format.

Start block: int32 MemberCount, uint8 DiskSet. Member header, 172 bytes little-endian:
  0 int32 FileNumber        4 double FileDate (days since 1899-12-30, local time)
 12 uint8 LastDisk         16 int32 DataEnd (inclusive)
 20 string[100] FileName  124 int32 NextHeader       128 int32 UncompressedSize
132 int32 DataStart       136 int32 CompressedSize   140 uint8 FirstDisk
144 int32 UniqueID        148 string[20] FileVersion (length byte + bytes, rest zero)
Member data: one zlib stream from DataStart to DataEnd. Single file: header 1 at 5, each
further header after the previous member's data. Disk set: all headers in a table at 5 on
disk 1 (files <base>.1, <base>.2, ...); the data run on across the disk files.

Usage:
  archive_reader.py list ARCHIVE                      members as JSON lines
  archive_reader.py extract ARCHIVE DIR               inflate every member into DIR
  archive_reader.py write ARCHIVE FILE[;text]...      a single-file archive of FILEs
Windows paths in the archive are file names only to this script: members are written
under the text after the last backslash.
"""
import datetime
import json
import os
import struct
import sys
import time
import zlib

HEADER_SIZE = 172
HEADER = struct.Struct("<i d B 3x i 101s 3x i i i i B 3x i 21s 3x")
assert HEADER.size == HEADER_SIZE
EPOCH = datetime.datetime(1899, 12, 30)


class FormatError(Exception):
    pass


def short_string(raw):
    length = raw[0]
    if length > len(raw) - 1:
        raise FormatError("string length %d beyond its field" % length)
    return raw[1:1 + length].decode("latin-1")


def make_short_string(text, width):
    data = text.encode("latin-1")[:width]
    return bytes([len(data)]) + data + bytes(width - len(data))


def datetime_to_days(moment):
    delta = moment - EPOCH
    return delta.days + (delta.seconds + delta.microseconds / 1e6) / 86400.0


def days_to_datetime(days):
    return EPOCH + datetime.timedelta(days=days)


def file_date(path):
    """The last-write stamp in local time, in the 2-second steps archives keep."""
    local = time.localtime(os.stat(path).st_mtime)
    moment = datetime.datetime(*local[:5], local.tm_sec - local.tm_sec % 2)
    return datetime_to_days(moment)


def parse_header(raw):
    (number, date, last_disk, data_end, name, next_header, size, data_start, packed,
     first_disk, unique_id, version) = HEADER.unpack(raw)
    return {
        "FileNumber": number, "FileDate": date, "LastDisk": last_disk, "DataEnd": data_end,
        "FileName": short_string(name), "NextHeader": next_header, "UncompressedSize": size,
        "DataStart": data_start, "CompressedSize": packed, "FirstDisk": first_disk,
        "UniqueID": unique_id, "FileVersion": short_string(version),
    }


def disk_file(first, disk):
    base, _ = os.path.splitext(first)
    return "%s.%d" % (base, disk)


def read_archive(path, offset=0):
    with open(path, "rb") as f:
        f.seek(offset)
        start = f.read(5)
        if len(start) != 5:
            raise FormatError("start block cut short")
        count, disk_set = struct.unpack("<iB", start)
        headers = []
        position = offset + 5
        for index in range(max(count, 0)):
            f.seek(position)
            raw = f.read(HEADER_SIZE)
            if len(raw) != HEADER_SIZE:
                raise FormatError("header %d cut short" % (index + 1))
            header = parse_header(raw)
            header["HeaderPosition"] = position - offset
            headers.append(header)
            position = offset + header["NextHeader"]
    return count, disk_set, headers


def member_data(path, header, disk_set, offset=0):
    if not disk_set:
        with open(path, "rb") as f:
            f.seek(offset + header["DataStart"])
            return f.read(header["DataEnd"] - header["DataStart"] + 1)
    data = b""
    for disk in range(header["FirstDisk"], header["LastDisk"] + 1):
        with open(disk_file(path, disk), "rb") as f:
            start = header["DataStart"] if disk == header["FirstDisk"] else 0
            f.seek(start)
            if disk == header["LastDisk"]:
                data += f.read(header["DataEnd"] - start + 1)
            else:
                data += f.read()
    return data


def inflate(data):
    engine = zlib.decompressobj()
    result = engine.decompress(data) + engine.flush()
    if not engine.eof:
        raise FormatError("zlib stream incomplete")
    return result, engine.unused_data


def check_layout(count, disk_set, headers):
    """The positions the format requires of each layout."""
    for index, header in enumerate(headers):
        if disk_set:
            if header["HeaderPosition"] != 5 + HEADER_SIZE * index:
                raise FormatError("table header %d misplaced" % (index + 1))
            if header["NextHeader"] != header["HeaderPosition"] + HEADER_SIZE:
                raise FormatError("table NextHeader %d wrong" % (index + 1))
        else:
            expected = 5 if index == 0 else headers[index - 1]["DataEnd"] + 1
            if header["HeaderPosition"] != expected:
                raise FormatError("header %d not where the previous data end" % (index + 1))
            if header["DataStart"] != header["HeaderPosition"] + HEADER_SIZE:
                raise FormatError("DataStart %d wrong" % (index + 1))
            if header["DataEnd"] != header["DataStart"] + header["CompressedSize"] - 1:
                raise FormatError("DataEnd %d wrong" % (index + 1))
            if header["NextHeader"] != header["DataEnd"] + 1:
                raise FormatError("NextHeader %d wrong" % (index + 1))
            if header["FirstDisk"] or header["LastDisk"]:
                raise FormatError("disk numbers in a single file")


def name_part(path):
    return path.replace("/", "\\").split("\\")[-1].split(":")[-1]


def command_list(path):
    count, disk_set, headers = read_archive(path)
    check_layout(count, disk_set, headers)
    print(json.dumps({"MemberCount": count, "DiskSet": disk_set}))
    for header in headers:
        print(json.dumps(header))


def command_extract(path, directory):
    count, disk_set, headers = read_archive(path)
    check_layout(count, disk_set, headers)
    for header in headers:
        data, rest = inflate(member_data(path, header, disk_set))
        if rest:
            raise FormatError("bytes after the zlib stream of %s" % header["FileName"])
        if len(data) != header["UncompressedSize"]:
            raise FormatError("%s inflates to %d bytes, header says %d"
                              % (header["FileName"], len(data), header["UncompressedSize"]))
        with open(os.path.join(directory, name_part(header["FileName"])), "wb") as out:
            out.write(data)
        print(json.dumps({"FileName": header["FileName"], "Size": len(data)}))


def command_write(path, entries, level=9):
    """A single-file archive, member by member as the layout table describes."""
    out = bytearray(struct.pack("<iB", len(entries), 0))
    for number, entry in enumerate(entries, 1):
        source = entry.split(";")[0]
        with open(source, "rb") as f:
            data = f.read()
        packed = zlib.compress(data, level)
        position = len(out)
        data_start = position + HEADER_SIZE
        data_end = data_start + len(packed) - 1
        stored_name = sys_path(source)
        header = struct.pack("<i d B 3x i", number, file_date(source), 0, data_end)
        header += make_short_string(stored_name, 100) + bytes(3)
        header += struct.pack("<i i i i B 3x i", data_end + 1, len(data), data_start, len(packed), 0, number - 1)
        header += make_short_string("", 20) + bytes(3)
        assert len(header) == HEADER_SIZE
        out += header + packed
    with open(path, "wb") as f:
        f.write(out)


def sys_path(path):
    """The Windows name of a host path, as Wine shows it through drive Z:."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def main(argv):
    if len(argv) >= 3 and argv[1] == "list":
        command_list(argv[2])
    elif len(argv) == 4 and argv[1] == "extract":
        command_extract(argv[2], argv[3])
    elif len(argv) >= 3 and argv[1] == "write":
        command_write(argv[2], argv[3:])
    else:
        sys.stderr.write(__doc__)
        return 2
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv))
    except FormatError as error:
        sys.stderr.write("archive_reader: %s\n" % error)
        sys.exit(1)
