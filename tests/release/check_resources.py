#!/usr/bin/env python3
"""Reads bruvane.exe's manifest and version resources back, as windres
decompiles them, and fails unless they say what the program must ask for
and show.

    check_resources.py PROGRAM.exe [WINDRES]
"""
import re
import subprocess
import sys
import xml.etree.ElementTree as ET

ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPATIBILITY = "{urn:schemas-microsoft-com:compatibility.v1}"
SUPPORTED_OS = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}": "Vista",
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "10",
}
VERSION_STRINGS = {
    "CompanyName": "Tessary Software",
    "ProductName": "Bruvane",
    "FileVersion": "1.0.0.0",
    "ProductVersion": "1.0.0.0",
    "OriginalFilename": "bruvane.exe",
    # The notice line the main window shows.
    "LegalCopyright": "Copyright \u00a9 2014 Tessary Software. All rights reserved.",
}

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def rc_string(literal):
    """The text of one windres string literal (without its L and quotes)."""
    out, i = [], 0
    while i < len(literal):
        c = literal[i]
        if c == '"' and literal[i + 1:i + 2] == '"':
            out.append('"')
            i += 2
        elif c == "\\":
            m = re.match(r"[0-7]{1,3}", literal[i + 1:])
            if m:
                out.append(chr(int(m.group(0), 8)))
                i += 1 + len(m.group(0))
            else:
                out.append({"n": "\n", "t": "\t", "r": "\r", "\\": "\\", '"': '"'}.get(literal[i + 1], literal[i + 1]))
                i += 2
        else:
            out.append(c)
            i += 1
    return "".join(out)


def resource_block(rc, header):
    """The lines between BEGIN and END of the resource whose header line matches."""
    match = re.search(r"^" + header + r".*?\nBEGIN\n(.*?)\nEND$", rc, re.M | re.S)
    return match.group(1) if match else None


def check_manifest(rc):
    body = resource_block(rc, r"1 24 ")
    if body is None:
        failures.append("no manifest (resource 1 of type 24)")
        return
    text = "".join(rc_string(m) for m in re.findall(r'^\s*"(.*)"\s*$', body, re.M))
    try:
        root = ET.fromstring(text.encode("utf-8"))
    except ET.ParseError as error:
        failures.append("the manifest is no well-formed XML: %s" % error)
        return
    levels = root.findall(".//%srequestedExecutionLevel" % ASM_V3)
    check(len(levels) == 1, "%d requestedExecutionLevel elements, expected 1" % len(levels))
    for level in levels:
        check(level.get("level") == "requireAdministrator", "execution level %r" % level.get("level"))
        check(level.get("uiAccess") == "false", "uiAccess %r" % level.get("uiAccess"))
    ids = [e.get("Id") for e in root.findall(".//%sapplication/%ssupportedOS" % (COMPATIBILITY, COMPATIBILITY))]
    check(sorted(ids) == sorted(SUPPORTED_OS), "supportedOS %s, expected Vista, 7, 8, 8.1 and 10" %
          ", ".join(SUPPORTED_OS.get(i, i) for i in ids))
    # Common Controls 6 would restyle the controls the skin was drawn for.
    check("Common-Controls" not in text, "the manifest depends on Common Controls")
    check(root.find(".//{urn:schemas-microsoft-com:asm.v1}dependency") is None, "the manifest has a dependency")


def check_version(rc):
    body = resource_block(rc, r"1 VERSIONINFO")
    if body is None:
        failures.append("no version resource (VERSIONINFO 1)")
        return
    header = rc[rc.index("1 VERSIONINFO"):]
    for field in ("FILEVERSION", "PRODUCTVERSION"):
        m = re.search(r"^\s*%s (.*)$" % field, header, re.M)
        check(m is not None and m.group(1).replace(" ", "") == "1,0,0,0", "%s %s" % (field, m and m.group(1)))
    values = {name: rc_string(text) for name, text in re.findall(r'VALUE "(\w+)", L?"(.*)"', body)}
    for name, expected in VERSION_STRINGS.items():
        check(values.get(name) == expected, "%s is %r, expected %r" % (name, values.get(name), expected))
    check(values.get("FileDescription"), "no FileDescription")
    check(re.search(r'BLOCK "040904E4"', body) is not None, "the strings are not U.S. English, code page 1252")
    check(re.search(r'VALUE "Translation", 0x409, 1252', body) is not None, "no Translation 0x409, 1252")


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    windres = sys.argv[2] if len(sys.argv) == 3 else "i686-w64-mingw32-windres"
    run = subprocess.run([windres, "-i", sys.argv[1], "-J", "coff", "-O", "rc"],
                         capture_output=True, text=True, encoding="latin-1")
    if run.returncode != 0:
        sys.exit("%s: windres read no resources: %s" % (sys.argv[1], run.stderr.strip()))
    rc = run.stdout
    check_manifest(rc)
    check_version(rc)
    for failure in failures:
        print("%s: %s" % (sys.argv[1], failure), file=sys.stderr)
    if not failures:
        print("%s: manifest (administrator, Vista to 10) and version 1.0.0.0 read back" % sys.argv[1])
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
