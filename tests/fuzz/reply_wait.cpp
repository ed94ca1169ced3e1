// libFuzzer entry point: scripts/fuzz.sh runs it against tests/fuzz/corpus/reply_wait.
#include "fuzz/FuzzMain.h"

DORVO_FUZZ_TARGET ("reply_wait")
