// libFuzzer entry point: scripts/fuzz.sh runs it against tests/fuzz/corpus/preset_file.
#include "fuzz/FuzzMain.h"

DORVO_FUZZ_TARGET ("preset_file")
