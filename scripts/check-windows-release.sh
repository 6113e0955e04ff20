#!/usr/bin/env bash
# Checks a Windows release zip as a user gets it: it holds the three programs
# and the read-me in one folder; every program imports only DLLs that Windows
# has and carries the version information of this version (read back from
# its resources); and each starts under Wine: the console tools print their
# version, Veltrano.exe shows its window.
#
#   scripts/check-windows-release.sh ZIP VERSION WORK_DIR
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: check-windows-release.sh ZIP VERSION WORK_DIR" >&2; exit 2; }
zip=$(realpath "$1") version=$2 work=$(realpath -m "$3")
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/phases.sh"
phase "release check: unpack, imports, version information"
fail() {
  echo "check-windows-release.sh: $*" >&2
  exit 1
}
rm -rf "$work"
mkdir -p "$work/unpacked"

python3 - "$zip" "$work/unpacked" <<'PY' || fail "the zip cannot be read"
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    damaged = z.testzip()
    if damaged:
        sys.exit(f"damaged member {damaged}")
    z.extractall(sys.argv[2])
PY
folder=Veltrano-$version-win64
listing=$(cd "$work/unpacked" && find . -mindepth 1 | sort | tr '\n' ' ')
want="./$folder ./$folder/README.txt ./$folder/Veltrano.exe ./$folder/anigif-tool.exe ./$folder/veltrano-cli.exe "
[ "$listing" = "$want" ] || fail "the zip holds '$listing', not '$want'"
programs=("$work/unpacked/$folder"/*.exe)

"$root/scripts/windows-imports.sh" "${programs[@]}" || fail "a program needs DLLs Windows lacks"

# The VERSIONINFO resource of each program: the fixed file version and the
# version strings.
python3 - "$version" "${programs[@]}" <<'PY' || fail "version information"
import re, struct, sys

def version_resource(path):
    data = open(path, "rb").read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise SystemExit(f"{path}: not a PE file")
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (112 if magic == 0x20B else 96)
    rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]  # the resource table
    if rva == 0:
        raise SystemExit(f"{path}: no resources")
    table = []
    for i in range(sections):
        size, address, raw_size, raw = struct.unpack_from("<IIII", data, optional + optional_size + 40 * i + 8)
        table.append((address, max(size, raw_size), raw))

    def offset(r):
        for address, size, raw in table:
            if address <= r < address + size:
                return r - address + raw
        raise SystemExit(f"{path}: address {r:#x} outside the sections")

    base = offset(rva)

    def entries(directory):
        named, ids = struct.unpack_from("<HH", data, base + directory + 12)
        for i in range(named + ids):
            yield struct.unpack_from("<II", data, base + directory + 16 + 8 * i)

    for ident, target in entries(0):
        if ident == 16:  # RT_VERSION: its first name, its first language
            _, names = next(entries(target & 0x7FFFFFFF))
            _, leaf = next(entries(names & 0x7FFFFFFF))
            address, size = struct.unpack_from("<II", data, base + leaf)
            return data[offset(address):offset(address) + size]
    raise SystemExit(f"{path}: no version information")

version = sys.argv[1]
major, minor = (int(n) for n in (version.split(".") + ["0"])[:2])
for path in sys.argv[2:]:
    block = version_resource(path)
    if block[6:38].decode("utf-16-le") != "VS_VERSION_INFO\0":
        raise SystemExit(f"{path}: the version block has no VS_VERSION_INFO key")
    signature, _, file_ms, file_ls, product_ms = struct.unpack_from("<5I", block, 40)
    if signature != 0xFEEF04BD or file_ms != (major << 16 | minor) or product_ms != file_ms:
        raise SystemExit(f"{path}: file version {file_ms >> 16}.{file_ms & 0xFFFF}, not {version}")
    text = block.decode("utf-16-le", "replace")
    for key in ("FileVersion", "ProductVersion"):
        if not re.search(key + "\0+" + re.escape(version) + "\0", text):
            raise SystemExit(f"{path}: {key} is not {version}")
    print(f"{path.rsplit('/', 1)[-1]}: version {version}")
PY

# Started from the install folder, so that Veltrano.exe makes no offer.
phase "release check: Wine prefix"
prefix=$work/prefix
"$root/scripts/wine-prefix.sh" "$prefix"
phase "release check: the programs start under Wine"
installed="$prefix/drive_c/Program Files/Veltrano"
mkdir -p "$installed"
cp "${programs[@]}" "$installed/"
cat >"$work/start.sh" <<INSIDE
set -euo pipefail
wine=/usr/lib/wine/wine64
for tool in veltrano-cli anigif-tool; do
  out=\$("\$wine" "C:\\\\Program Files\\\\Veltrano\\\\\$tool.exe" --version </dev/null 2>&1 | tr -d '\r')
  [ "\$out" = "\$tool (Veltrano) $version" ] || { echo "\$tool --version: '\$out'" >&2; exit 1; }
  echo "\$tool.exe --version: \$out"
done
"\$wine" 'C:\\Program Files\\Veltrano\\Veltrano.exe' </dev/null >/dev/null 2>&1 &
pid=\$!
timeout 120 xdotool search --sync --name '^Veltrano' >/dev/null || { echo "no Veltrano window" >&2; exit 1; }
kill -0 \$pid 2>/dev/null || { echo "Veltrano.exe ended" >&2; exit 1; }
echo "Veltrano.exe: its window is shown"
/usr/lib/wine/wineserver -k 2>/dev/null || true
INSIDE
WINEDEBUG=-all bash "$root/tests/ui/win32/wine_display.sh" "$prefix" bash "$work/start.sh" ||
  fail "a program does not start under Wine"
phase_end
echo "check-windows-release.sh: $(basename "$zip") is complete"
