#!/usr/bin/env bash
# start DIR: makes the ZIP fixture and the version documents and starts the loopback server
# (its port in DIR/port, its process id in DIR/server.pid). stop DIR: stops that server.
set -euo pipefail
MODE=$1
OUT=$2
HERE=$(cd "$(dirname "$0")" && pwd)
if [ "$MODE" = stop ]; then
    if [ -f "$OUT/server.pid" ]; then
        kill "$(cat "$OUT/server.pid")" 2>/dev/null || true
        rm -f "$OUT/server.pid"
    fi
    exit 0
fi
if [ -f "$OUT/server.pid" ]; then kill "$(cat "$OUT/server.pid")" 2>/dev/null || true; fi
rm -rf "$OUT"
mkdir -p "$OUT/src/docs" "$OUT/www"
printf 'first file\n' > "$OUT/src/one.txt"
printf 'second file\n' > "$OUT/src/docs/two.txt"
(cd "$OUT/src" && zip -q -D -r "$OUT/history.zip" one.txt docs)
unzip -tq "$OUT/history.zip" >/dev/null

# One version document per case: records of Kelvora.exe and of another program.
doc() { # file version date url [other-program-version]
    {
        echo '<?xml version="1.0" encoding="UTF-8"?>'
        echo '<versions>'
        if [ -n "${5:-}" ]; then
            echo " <program><name>Other.exe</name><version>$5</version><date>01.01.2030</date><downloadurl>http://example.invalid/other</downloadurl></program>"
        fi
        echo " <program><name>Kelvora.exe</name><version>$2</version><date>$3</date><downloadurl>$4</downloadurl></program>"
        echo '</versions>'
    } > "$OUT/www/$1"
}
doc newer.xml 1.3 06.01.2024 http://example.invalid/download
doc same.xml 1.2 06.01.2024 http://example.invalid/download
doc older.xml 1.1 06.01.2024 http://example.invalid/download
doc beta.xml 1.2_beta 06.01.2024 http://example.invalid/download
doc other.xml 1.2 06.01.2024 http://example.invalid/download 9.9
doc olddate.xml 1.3 05/05/2011 http://example.invalid/download
doc newdate.xml 1.3 05/06/2011 http://example.invalid/download
doc fileurl.xml 1.3 06.01.2024 'file:///C:/windows/system32/calc.exe'
doc https.xml 1.3 06.01.2024 'https://example.invalid/download'
# A well-formed document cut in the middle, and one whose transfer is cut (see the server).
head -c 120 "$OUT/www/newer.xml" > "$OUT/www/truncated.xml"
cp "$OUT/www/newer.xml" "$OUT/www/cut.xml"

nohup python3 "$HERE/version_server.py" "$OUT/www" "$OUT/port" > "$OUT/server.log" 2>&1 &
echo $! > "$OUT/server.pid"
for _ in $(seq 1 100); do
    [ -s "$OUT/port" ] && exit 0
    sleep 0.1
done
echo "the version server did not start" >&2
exit 1
