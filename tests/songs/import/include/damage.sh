#!/bin/bash
# Makes the damaged files of the error songs from the good files beside it.
set -e
cd "$(dirname "$0")"
patch() { # file offset hex-bytes...
    local file=$1 offset=$2; shift 2
    printf "$(printf '\\x%s' "$@")" | dd of="$file" bs=1 seek="$offset" conv=notrunc status=none
}
cp single.mid format2.mid && patch format2.mid 9 02
cp single.mid division0.mid && patch division0.mid 12 00 00
cp single.mid smpte.mid && patch smpte.mid 12 e7 28
cp single.mid chunk_missing.mid && patch chunk_missing.mid 11 02
printf 'MThd\x00\x00\x00\x04\x00\x01\x00\x01' > short_header.mid
printf 'RIFF....not a standard file' > no_mthd.mid
head -c 40 multi.mid > truncated.mid
cp multi.mid length_past_end.mid && patch length_past_end.mid 18 00 ff ff ff
printf 'MThd\x00\x00\x00\x06\x00\x00\x00\x01\x00\x60MTrk\x00\x00\x00\x08\xff\xff\xff\xff\x7f\x90\x3c\x40' > runaway_quantity.mid
printf 'MThd\x00\x00\x00\x06\x00\x00\x00\x01\x00\x60MTrk\x00\x00\x00\x04\x00\x3c\x40\x00' > no_running_status.mid
printf 'MThd\x00\x00\x00\x06\x00\x00\x00\x01\x00\x60MTrk\x00\x00\x00\x03\x00\x90\x3c' > short_message.mid
