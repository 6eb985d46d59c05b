#!/usr/bin/env bash
# Writes docs/RELIABILITY.md: every fault and hostile input the tests try, listed from the test
# executables themselves (Qt Test's -datatags gives each test function and its data tags), with
# what the program did and what was lost. Those two columns come from the table below, one line
# per test function, and say what that function asserts.
#
# Usage: scripts/reliability-table.sh [build-folder]   (default: build/default, configured and
# built here as far as the tests need)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/default}
out=docs/RELIABILITY.md

# Test executable (in the build folder) | heading | whether every function of it must be listed below
sections='
tests/ui/tst_window|Drives, renaming and hostile files, through the window|some
tests/io/tst_saferename|The no-replace rename, beneath the window|some
tests/io/tst_pictures|Picture loading, beneath the window|some
'

# Executable | test function | how a row names its input | what the program did | what was lost
# Input: "tag" - each data tag is an input; "name" - the function's name in words, with the tag
# after it; "count" - one row for all the tags, with their number.
behaviour='
tst_window|refusedRenameChangesNothing|tag|"Rename!": one box, a warning naming the first empty field (which takes the focus) or the missing pick, else an error report giving the reason: a name that is taken, not portable, or a picked file or folder that is gone or is now a folder. The composed name stays on show after a field check passed; the lists are not re-read.|Nothing: no file renamed, created, replaced or removed.
tst_window|renameActsInTheFolderOfThePick|name|After another folder was opened, the drawing is renamed in the folder it was picked in.|Nothing: the file of the same name in the open folder is untouched.
tst_window|nameNotValidUtf8IsShownAndRenamedExactly|tag|Both look-alike names are listed; the picked file'"'"'s own picture shows; "Rename!" renames exactly that file.|Nothing: the look-alike file keeps its name and content.
tst_window|pickThatCannotBeShownIsReported|tag|One error report naming the file and why (a cut-off bitmap, or a pipe or folder where a file was listed, failing at once without waiting on the pipe); both picture boxes keep their drawings; the name is still read into the fields; after a refresh what is not a file is no longer listed.|Nothing: no file changed.
tst_window|choosingADrive|tag|A ready drive opens at its root; "Device NOT available!" for a drive that is not there, the failure'"'"'s own text otherwise, and back on the previous drive at its root.|Nothing.
tst_saferename|refusesATargetThatAppearsAtTheLastMoment|name|Refused: a file of that name already exists.|Nothing: the file that appeared just before the rename and the file to rename keep their names and content.
tst_saferename|reachesTheSameFileThroughATemporaryName|name|A new spelling that already names the file itself (letter case on a file system that ignores it) is reached through a temporary name.|Nothing: the file keeps its content under the new spelling.
tst_saferename|rollsBackWhenTheSecondStepIsRefused|name|Refused; the file is back under its old name.|Nothing.
tst_saferename|refusesWhatIsNotABareName|tag|Refused before any rename is tried.|Nothing: the folder and its subfolder are unchanged.
tst_saferename|keepsAFileRenamedToItsOwnName|name|Success without touching the file; a missing file renamed to its own name is reported as missing.|Nothing: the file keeps its inode and change time.
tst_saferename|renamesTheFileItselfByteForByte|name|A name that is not valid UTF-8 is renamed by its bytes, not copied.|Nothing: its UTF-8 namesake keeps its name and content.
tst_saferename|refusesAFolderInThePickedFilesPlace|name|Refused: the picked name is now a folder, which is never moved.|Nothing: the folder and its content stay where they were.
tst_pictures|loadsBitmapsWholeOrNotAtAll|count|A good file of each format decoded, cut at every byte: each cut is refused, or gives the whole picture when nothing is missing.|Nothing: no part of a file is ever shown as the picture.
tst_pictures|refusesBrokenBitmapsNamingTheFile|tag|Refused with a message naming the file and what is wrong with it.|Nothing: no part of a broken file is shown.
tst_pictures|readsNoMoreThanItShows|tag|The box's top left is decoded from a picture too large to show whole, reading no more of the file than those rows.|Nothing: memory stays bounded by the box, not the file.
'

[ -f "$build/CMakeCache.txt" ] || cmake --preset default >/dev/null
targets=()
while IFS='|' read -r exe _ _; do
    [ -n "$exe" ] && targets+=("$(basename "$exe")")
done <<<"$sections"
cmake --build "$build" --target "${targets[@]}" >/dev/null

# One line a test case: executable|function|tag (empty when the function has no data).
cases=$(
    while IFS='|' read -r exe _ _; do
        [ -n "$exe" ] || continue
        name=$(basename "$exe")
        QT_QPA_PLATFORM=offscreen "$build/$exe" -datatags 2>/dev/null |
            awk -v exe="$name" 'NF >= 2 { tag = $0; sub(/^[^ ]+ [^ ]+ ?/, "", tag); print exe "|" $2 "|" tag }'
    done <<<"$sections"
)

mkdir -p docs
trap 'rm -f "$out.new"' EXIT
{
    echo "# Reliability: faults and hostile inputs"
    echo
    echo "Generated by \`scripts/reliability-table.sh\` from the test executables' own lists of test"
    echo "functions and data tags (\`-datatags\`); do not edit by hand. Each row is a case that a test"
    echo "runs; \"what the program did\" and \"what was lost\" state what that test function asserts."
    echo "\`scripts/test.sh\` runs every one of them twice: in the default build and under"
    echo "AddressSanitizer and UndefinedBehaviorSanitizer."
    echo
    SECTIONS=$sections BEHAVIOUR=$behaviour awk -F'|' '
        function words(name,    out, i, c) {
            out = ""
            for (i = 1; i <= length(name); i++) {
                c = substr(name, i, 1)
                if (c ~ /[A-Z]/ && i > 1) out = out " " tolower(c)
                else out = out c
            }
            gsub(/utf8/, "UTF-8", out)
            return toupper(substr(out, 1, 1)) substr(out, 2)
        }
        function cell(text) { gsub(/\|/, "\\|", text); return text }
        BEGIN {
            ns = split(ENVIRON["SECTIONS"], lines, "\n")
            for (i = 1; i <= ns; i++) {
                if (lines[i] == "") continue
                split(lines[i], f, "|")
                n = split(f[1], parts, "/")
                exe = parts[n]
                order[++nsec] = exe; heading[exe] = f[2]; every[exe] = (f[3] == "all")
            }
            nb = split(ENVIRON["BEHAVIOUR"], lines, "\n")
            for (i = 1; i <= nb; i++) {
                if (lines[i] == "") continue
                split(lines[i], f, "|")
                key = f[1] "|" f[2]
                mapped[key] = 1; mode[key] = f[3]; did[key] = f[4]; lost[key] = f[5]
            }
        }
        {
            key = $1 "|" $2
            if (!(key in seen)) { seen[key] = 1; funcs[$1] = funcs[$1] "\n" $2 }
            ntags[key]++; tags[key, ntags[key]] = $3
        }
        END {
            for (key in mapped)
                if (!(key in seen)) { print "no test function " key " (listed in the script)" > "/dev/stderr"; failed = 1 }
            for (s = 1; s <= nsec; s++) {
                exe = order[s]
                n = split(substr(funcs[exe], 2), fs, "\n")
                if (n == 0 || funcs[exe] == "") { print "no test functions listed by " exe > "/dev/stderr"; failed = 1 }
                body = ""
                for (i = 1; i <= n; i++) {
                    key = exe "|" fs[i]
                    if (!(key in mapped)) {
                        if (every[exe]) { print "test function " key " is not in the script" > "/dev/stderr"; failed = 1 }
                        continue
                    }
                    tests++
                    m = mode[key]
                    if (m == "count") {
                        body = body sprintf("| `%s` | %s (%d cases) | %s | %s |\n", fs[i], words(fs[i]), ntags[key], cell(did[key]), cell(lost[key]))
                        inputs += ntags[key]
                        continue
                    }
                    for (t = 1; t <= ntags[key]; t++) {
                        tag = tags[key, t]
                        if (m == "tag" && tag != "") input = tag
                        else if (tag != "") input = words(fs[i]) " (" tag ")"
                        else input = words(fs[i])
                        first = (t == 1)
                        body = body sprintf("| %s | %s | %s | %s |\n", first ? "`" fs[i] "`" : "", cell(input),
                                            first ? cell(did[key]) : "", first ? cell(lost[key]) : "")
                        inputs++
                    }
                }
                out = out sprintf("\n## %s (%s)\n\n| Test | Input or fault | What the program did | What was lost |\n|---|---|---|---|\n%s", heading[exe], exe, body)
            }
            if (failed) exit 1
            printf "%d faults and hostile inputs, tried by %d test functions.\n%s", inputs, tests, out
        }
    ' <<<"$cases"
} >"$out.new"
mv "$out.new" "$out"
echo "wrote $out"
