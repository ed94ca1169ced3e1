// libFuzzer entry point: scripts/fuzz.sh runs it against tests/fuzz/corpus/block_transfer.
#include "fuzz/FuzzMain.h"

DORVO_FUZZ_TARGET ("block_transfer")
