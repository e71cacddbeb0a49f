#!/bin/sh
# brenquil-render's --help and --version as help2man reads them to write the
# manual page (tools/CMakeLists.txt): the program named by $BRENQUIL_RENDER
# with the arguments given, its text changed in two ways only. Option names
# get a space after each comma (help2man sets in bold only the names that
# follow a space), and the thread count of the machine that builds the page
# is left out, since the page is read on other machines.
set -e
salida=$("$BRENQUIL_RENDER" "$@")
printf '%s\n' "$salida" | sed -e 's/,--/, --/g' -e 's/ (every core: [0-9]*)/ (every core)/'
