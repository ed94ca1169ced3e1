// libFuzzer entry point: scripts/fuzz.sh runs it against tests/fuzz/corpus/sequence_file.
#include "fuzz/FuzzMain.h"

DORVO_FUZZ_TARGET ("sequence_file")
