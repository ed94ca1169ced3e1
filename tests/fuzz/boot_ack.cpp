// libFuzzer entry point: scripts/fuzz.sh runs it against tests/fuzz/corpus/boot_ack.
#include "fuzz/FuzzMain.h"

DORVO_FUZZ_TARGET ("boot_ack")
