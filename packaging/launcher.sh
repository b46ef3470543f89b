#!/bin/sh
# Plays Zelto2k from any folder: the release folder becomes the working directory, where
# the demo reads data/ and writes its grabs.
here=$(dirname "$(readlink -f "$0")") || exit 1
cd "$here" || exit 1
exec ./zelto2k.x86_64 "$@"
